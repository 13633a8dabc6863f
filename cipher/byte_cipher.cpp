#include "cipher/byte_cipher.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cipher/byte_lanes.h"
#include "base/entry.h"

int32_t passwordToSeed(const std::string& entry) { return entryToInteger(entry); }

namespace {

using ShiftLoop = void (*)(uint32_t state, unsigned char* data, size_t size, bool up);

constexpr CipherIsa allIsas[] = {CipherIsa::scalar, CipherIsa::sse41, CipherIsa::avx2, CipherIsa::avx512};

// One offset after the other, each drawn as its byte is shifted: the reference for the lane variants.
template <bool up>
void shiftOneByOne(uint32_t state, unsigned char* data, size_t size) {
  Keystream keys(static_cast<int32_t>(state));
  for (size_t i = 0; i < size; ++i) {
    if constexpr (up) data[i] = static_cast<unsigned char>(data[i] + keys.nextOffset());
    else data[i] = static_cast<unsigned char>(data[i] - keys.nextOffset());
  }
}

void shiftBytesScalar(uint32_t state, unsigned char* data, size_t size, bool up) {
  if (up) shiftOneByOne<true>(state, data, size);
  else shiftOneByOne<false>(state, data, size);
}

ShiftLoop loopOf([[maybe_unused]] CipherIsa isa) {
#ifdef QUORLIN_CIPHER_X86
  if (cipherIsaAvailable(isa)) {
    switch (isa) {
      case CipherIsa::scalar: break;
      case CipherIsa::sse41: return shiftBytesSse41;
      case CipherIsa::avx2: return shiftBytesAvx2;
      case CipherIsa::avx512: return shiftBytesAvx512;
    }
  }
#endif
  return shiftBytesScalar;
}

CipherIsa chooseIsa() {
  CipherIsa widest = CipherIsa::scalar;
  for (const CipherIsa isa : allIsas)
    if (cipherIsaAvailable(isa)) widest = isa;
  const char* forced = std::getenv("QUORLIN_CIPHER_ISA");
  if (forced == nullptr || *forced == '\0') return widest;
  for (const CipherIsa isa : allIsas)
    if (std::strcmp(forced, cipherIsaName(isa)) == 0 && cipherIsaAvailable(isa)) return isa;
  std::fprintf(stderr, "QUORLIN_CIPHER_ISA=%s is not available here; the cipher runs %s\n", forced,
               cipherIsaName(widest));
  return widest;
}

// The loop draws from the keystream's state and the keystream then jumps over the whole chunk.
void shiftChunk(ShiftLoop loop, Keystream& keys, char* data, size_t size, bool up) {
  loop(keys.bits(), reinterpret_cast<unsigned char*>(data), size, up);
  keys.skip(size);
}

ShiftLoop activeLoop() {
  static const ShiftLoop loop = loopOf(activeCipherIsa());
  return loop;
}

}  // namespace

void encipherBytes(std::string& bytes, int32_t seed) {
  Keystream keys(seed);
  encipherChunk(keys, bytes.data(), bytes.size());
}

void decipherBytes(std::string& bytes, int32_t seed) {
  Keystream keys(seed);
  decipherChunk(keys, bytes.data(), bytes.size());
}

void encipherChunk(Keystream& keys, char* data, size_t size) { shiftChunk(activeLoop(), keys, data, size, true); }

void decipherChunk(Keystream& keys, char* data, size_t size) { shiftChunk(activeLoop(), keys, data, size, false); }

const char* cipherIsaName(CipherIsa isa) {
  switch (isa) {
    case CipherIsa::scalar: return "scalar";
    case CipherIsa::sse41: return "sse41";
    case CipherIsa::avx2: return "avx2";
    case CipherIsa::avx512: return "avx512";
  }
  return "";
}

bool cipherIsaAvailable(CipherIsa isa) {
#ifdef QUORLIN_CIPHER_X86
  __builtin_cpu_init();
  switch (isa) {
    case CipherIsa::scalar: return true;
    case CipherIsa::sse41: return __builtin_cpu_supports("sse4.1");
    case CipherIsa::avx2: return __builtin_cpu_supports("avx2");
    case CipherIsa::avx512: return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
  }
  return false;
#else
  return isa == CipherIsa::scalar;
#endif
}

CipherIsa activeCipherIsa() {
  static const CipherIsa isa = chooseIsa();
  return isa;
}

void encipherChunkWith(CipherIsa isa, Keystream& keys, char* data, size_t size) {
  shiftChunk(loopOf(isa), keys, data, size, true);
}

void decipherChunkWith(CipherIsa isa, Keystream& keys, char* data, size_t size) {
  shiftChunk(loopOf(isa), keys, data, size, false);
}

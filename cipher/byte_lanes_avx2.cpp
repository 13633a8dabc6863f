// The byte loop in 32 lanes of AVX2: 32 bytes per block.
#include "cipher/byte_lanes.h"

#ifdef QUORLIN_CIPHER_X86
#include <immintrin.h>

#include <cstring>

#define QUORLIN_AVX2 __attribute__((target("avx2")))

namespace {

constexpr auto starts = laneStarts<8>();
constexpr KeystreamJump block = keystreamJump(32);

// raw % 100 for the states of a and b, as 16-bit lanes: a's in the low halves of the 32-bit lanes.
QUORLIN_AVX2 inline __m256i remainders(__m256i a, __m256i b, __m256i hundred) {
  const __m256i high = _mm256_blend_epi16(_mm256_srli_epi32(a, 16), b, 0xAA);
  const __m256i raw = _mm256_and_si256(high, _mm256_set1_epi16(0x7FFF));
  const __m256i quotient = _mm256_srli_epi16(_mm256_mulhi_epu16(raw, _mm256_set1_epi16(5243)), 3);
  return _mm256_sub_epi16(raw, _mm256_mullo_epi16(quotient, hundred));
}

// The block's bytes shifted by their offsets, 1 + raw % 100.
template <bool up>
QUORLIN_AVX2 inline __m256i shifted(const __m256i (&states)[4], __m256i bytes, __m256i hundred) {
  const __m256i even = remainders(states[0], states[1], hundred);
  const __m256i odd = _mm256_slli_epi16(remainders(states[2], states[3], hundred), 8);
  const __m256i offsets = _mm256_add_epi8(_mm256_or_si256(even, odd), _mm256_set1_epi8(1));
  if constexpr (up) return _mm256_add_epi8(bytes, offsets);
  else return _mm256_sub_epi8(bytes, offsets);
}

template <bool up>
QUORLIN_AVX2 void shift(uint32_t state, unsigned char* data, size_t size) {
  const __m256i seed = _mm256_set1_epi32(static_cast<int>(state));
  __m256i states[4];
  for (int v = 0; v < 4; ++v)
    states[v] = _mm256_add_epi32(
        _mm256_mullo_epi32(seed, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(starts.multiplier[v].data()))),
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(starts.increment[v].data())));
  const __m256i multiplier = _mm256_set1_epi32(static_cast<int>(block.multiplier));
  const __m256i increment = _mm256_set1_epi32(static_cast<int>(block.increment));
  // Hidden from the optimiser, which would turn the multiply by 100 into five shifts and adds: slower in
  // this loop, which leaves the multiplier room to spare.
  __m256i hundred = _mm256_set1_epi16(100);
  __asm__("" : "+x"(hundred));
  size_t done = 0;
  for (; size - done >= 32; done += 32) {
    __m256i* at = reinterpret_cast<__m256i*>(data + done);
    _mm256_storeu_si256(at, shifted<up>(states, _mm256_loadu_si256(at), hundred));
    for (__m256i& s : states) s = _mm256_add_epi32(_mm256_mullo_epi32(s, multiplier), increment);
  }
  if (done < size) {
    // The last bytes go through a whole block on the stack, so nothing past the data is touched.
    unsigned char rest[32] = {};
    std::memcpy(rest, data + done, size - done);
    __m256i* at = reinterpret_cast<__m256i*>(rest);
    _mm256_storeu_si256(at, shifted<up>(states, _mm256_loadu_si256(at), hundred));
    std::memcpy(data + done, rest, size - done);
  }
}

}  // namespace

void shiftBytesAvx2(uint32_t state, unsigned char* data, size_t size, bool up) {
  if (up) shift<true>(state, data, size);
  else shift<false>(state, data, size);
}

#endif

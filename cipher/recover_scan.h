#pragma once
// The first pass of the password search, shared by recover.cpp and the variants of its inner loop.
//
// A password (seed) is h·2^16 + l, with h from 0 to 2^15 − 1 and l from 0 to 2^16 − 1. Byte k of the text
// takes its offset from the state A·seed + C after k + 1 steps (keystreamJump), whose raw value is
//   raw = ((A·l + C) >> 16) + A·h   modulo 2^15,
// since adding A·h·2^16 leaves the low 16 bits alone. For a fixed l the raw value is linear in h, so
// whether byte k passes, over all h at once, is one precomputed bit string, rotated: with bit u of the
// string telling whether the raw value A·u passes, bit h + Y, where Y = A^−1·((A·l + C) >> 16), tells it
// for h. A word of the machine tests a run of consecutive h with two loads and two shifts per byte.
//
// A password passes when at most `budget` of the bytes tested fail; a run of h whose passwords have all
// failed stops early, which most runs do within a few dozen bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr unsigned scanPositionsMax = 64;
inline constexpr unsigned scanBudgetMax = 2;
// The h that one call of a variant's loop tests for each l: one word of the widest variant.
inline constexpr uint32_t scanBlock = 512;
// The bit string of one byte, 2^15 bits, and its first bytes again after it, so that the words of a block
// may be read from any bit onward without wrapping.
inline constexpr size_t scanStringBytes = 4096 + 128;
static_assert(scanStringBytes >= 4096 + scanBlock / 8 + 1);
// Bytes are tested this many at a time between checks whether any password of a run is left.
inline constexpr unsigned scanStepsPerCheck = 4;

// The bytes a password's text is tested on, in the order tested, and after them as many strings that
// every password passes as make the count a multiple of scanStepsPerCheck.
struct ScanTables {
  unsigned positions = 0;
  unsigned budget = 0;
  // positions bit strings, scanStringBytes each: bit u of string k tells whether the k-th byte tested
  // passes when its raw value is A_k·u modulo 2^15.
  std::vector<unsigned char> strings;
  uint32_t start[scanPositionsMax] = {};       // k · scanStringBytes
  uint32_t multiplier[scanPositionsMax] = {};  // A_k, the jump to the state that draws that byte's offset
  uint32_t increment[scanPositionsMax] = {};   // C_k
  uint32_t inverse[scanPositionsMax] = {};     // A_k^−1 modulo 2^32
};

// Where the strings are read for the passwords with low half l in a block: string k's bits for the
// block's first h start at bit down of byte at of the strings, and up is 8 − down. The shift counts are
// 64-bit, as the machines' shifts take them.
struct ScanReads {
  uint32_t at[scanPositionsMax];
  uint64_t down[scanPositionsMax];
  uint64_t up[scanPositionsMax];
};

// The reads are worked out this many strings at a time, from a multiple of it on.
inline constexpr unsigned scanReadsAtOnce = 16;
static_assert(scanPositionsMax % scanReadsAtOnce == 0 && scanReadsAtOnce % scanStepsPerCheck == 0);

inline void scanReads(const ScanTables& tables, unsigned k, uint32_t l, uint32_t block, ScanReads& reads) {
  for (unsigned i = k; i < k + scanReadsAtOnce; ++i) {
    const uint32_t rotation = (tables.inverse[i] * ((tables.multiplier[i] * l + tables.increment[i]) >> 16)) & 0x7FFF;
    reads.at[i] = tables.start[i] + ((block * (scanBlock / 8) + rotation / 8) & 0xFFF);
    reads.down[i] = rotation % 8;
    reads.up[i] = 8 - rotation % 8;
  }
}

// The passwords h·2^16 + l of block (h from block·scanBlock on) that lie in first to end − 1, as bits of
// scanBlock / 64 words; false when there are none.
inline bool scanLiveBits(uint32_t block, uint32_t l, uint32_t first, uint64_t end, uint64_t* live) {
  const uint64_t low = block * uint64_t{scanBlock};
  uint64_t from = first > l ? (uint64_t{first} - l + 0xFFFF) >> 16 : 0;
  uint64_t to = end > l ? (end - l + 0xFFFF) >> 16 : 0;
  from = from > low ? from - low : 0;
  to = to > low ? to - low : 0;
  if (to > scanBlock) to = scanBlock;
  if (from >= to) return false;
  for (uint64_t w = 0; w < scanBlock / 64; ++w) {
    const uint64_t a = from > 64 * w ? from - 64 * w : 0;
    const uint64_t b = to > 64 * w ? to - 64 * w : 0;
    const uint64_t upTo = b >= 64 ? ~uint64_t{0} : (uint64_t{1} << b) - 1;
    const uint64_t below = a >= 64 ? ~uint64_t{0} : (uint64_t{1} << a) - 1;
    live[w] = upTo & ~below;
  }
  return true;
}

// Appends to survivors the passwords h·2^16 + l, for h in block and l from lFirst to lEnd − 1, that lie in
// first to end − 1 and pass.
using ScanLoop = void (*)(const ScanTables& tables, uint32_t block, uint32_t lFirst, uint32_t lEnd, uint32_t first,
                          uint64_t end, std::vector<uint32_t>& survivors);

void scanSeedsScalar(const ScanTables&, uint32_t, uint32_t, uint32_t, uint32_t, uint64_t, std::vector<uint32_t>&);
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
void scanSeedsSse41(const ScanTables&, uint32_t, uint32_t, uint32_t, uint32_t, uint64_t, std::vector<uint32_t>&);
void scanSeedsAvx2(const ScanTables&, uint32_t, uint32_t, uint32_t, uint32_t, uint64_t, std::vector<uint32_t>&);
void scanSeedsAvx512(const ScanTables&, uint32_t, uint32_t, uint32_t, uint32_t, uint64_t, std::vector<uint32_t>&);
#endif

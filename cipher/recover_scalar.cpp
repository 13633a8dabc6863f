// The first pass in 64-bit words, for any processor.
#include <bit>
#include <cstring>

#define QUORLIN_LANES_TARGET
#include "cipher/recover_lanes.h"

namespace {

struct ScalarLanes {
  using Word = uint64_t;
  static constexpr unsigned bits = 64;
  static Word zero() { return 0; }
  static Word fromLive(const uint64_t* live) { return *live; }
  static Word load(const unsigned char* at) {
    Word word;
    std::memcpy(&word, at, sizeof word);
    return word;
  }
  // The 64 bits from bit down of the byte at on, of a little-endian string: the bytes from at on, shifted
  // down, with the top bits from one byte further on.
  static Word bitsAt(const unsigned char* at, const uint64_t* down, const uint64_t* up) {
    return load(at) >> *down | load(at + 1) << *up;
  }
  static void reads(const ScanTables& tables, unsigned k, uint32_t l, uint32_t block, ScanReads& reads) {
    scanReads(tables, k, l, block, reads);
  }
  static Word both(Word a, Word b) { return a & b; }
  static Word either(Word a, Word b) { return a | b; }
  static Word select(Word m, Word a, Word b) { return (m & a) | (~m & b); }
  static bool any(Word w) { return w != 0; }
  static void store(Word w, uint64_t* out) { *out = w; }
};

static_assert(std::endian::native == std::endian::little, "the bit strings are read as little-endian words");

}  // namespace

void scanSeedsScalar(const ScanTables& tables, uint32_t block, uint32_t lFirst, uint32_t lEnd, uint32_t first,
                     uint64_t end, std::vector<uint32_t>& survivors) {
  scanSeedsFor<ScalarLanes>(tables, block, lFirst, lEnd, first, end, survivors);
}

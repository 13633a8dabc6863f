// The first pass in 128-bit words of SSE4.1.
#include "cipher/recover_scan.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>

#define QUORLIN_LANES_TARGET __attribute__((target("sse4.1")))
#include "cipher/recover_lanes.h"

namespace {

struct Sse41Lanes {
  using Word = __m128i;
  static constexpr unsigned bits = 128;
  QUORLIN_LANES_TARGET static Word zero() { return _mm_setzero_si128(); }
  QUORLIN_LANES_TARGET static Word fromLive(const uint64_t* live) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(live)); }
  // As the 64-bit loop, in each 64-bit half at once.
  QUORLIN_LANES_TARGET static Word bitsAt(const unsigned char* string, uint32_t bit) {
    const unsigned char* at = string + bit / 8;
    const __m128i low = _mm_srl_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), _mm_cvtsi32_si128(bit % 8));
    const __m128i high = _mm_sll_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)), _mm_cvtsi32_si128(8 - bit % 8));
    return _mm_or_si128(low, high);
  }
  static void rotations(const ScanTables& tables, unsigned k, uint32_t l, uint32_t* out) {
    scanRotations(tables, k, l, out);
  }
  QUORLIN_LANES_TARGET static Word both(Word a, Word b) { return _mm_and_si128(a, b); }
  QUORLIN_LANES_TARGET static Word either(Word a, Word b) { return _mm_or_si128(a, b); }
  QUORLIN_LANES_TARGET static Word select(Word m, Word a, Word b) { return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b)); }
  QUORLIN_LANES_TARGET static bool any(Word w) { return !_mm_testz_si128(w, w); }
  QUORLIN_LANES_TARGET static void store(Word w, uint64_t* out) { _mm_storeu_si128(reinterpret_cast<__m128i*>(out), w); }
};

}  // namespace

void scanSeedsSse41(const ScanTables& tables, uint32_t block, uint32_t lFirst, uint32_t lEnd, uint32_t first,
                    uint64_t end, std::vector<uint32_t>& survivors) {
  scanSeedsFor<Sse41Lanes>(tables, block, lFirst, lEnd, first, end, survivors);
}

#endif

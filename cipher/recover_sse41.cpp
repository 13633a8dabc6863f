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
  // As the 64-bit loop, in each 64-bit lane at once.
  QUORLIN_LANES_TARGET static Word bitsAt(const unsigned char* at, const uint64_t* down, const uint64_t* up) {
    const __m128i downCount = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(down));
    const __m128i upCount = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(up));
    const __m128i low = _mm_srl_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), downCount);
    const __m128i high = _mm_sll_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)), upCount);
    return _mm_or_si128(low, high);
  }
  static void reads(const ScanTables& tables, unsigned k, uint32_t l, uint32_t block, ScanReads& reads) {
    scanReads(tables, k, l, block, reads);
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

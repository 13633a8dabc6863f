// The first pass in 256-bit words of AVX2.
#include "cipher/recover_scan.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>

#define QUORLIN_LANES_TARGET __attribute__((target("avx2")))
#include "cipher/recover_lanes.h"

namespace {

struct Avx2Lanes {
  using Word = __m256i;
  static constexpr unsigned bits = 256;
  QUORLIN_LANES_TARGET static Word zero() { return _mm256_setzero_si256(); }
  QUORLIN_LANES_TARGET static Word fromLive(const uint64_t* live) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(live)); }
  // As the 64-bit loop, in each 64-bit lane at once.
  QUORLIN_LANES_TARGET static Word bitsAt(const unsigned char* at, const uint64_t* down, const uint64_t* up) {
    const __m128i downCount = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(down));
    const __m128i upCount = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(up));
    const __m256i low = _mm256_srl_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), downCount);
    const __m256i high = _mm256_sll_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1)), upCount);
    return _mm256_or_si256(low, high);
  }
  static void reads(const ScanTables& tables, unsigned k, uint32_t l, uint32_t block, ScanReads& reads) {
    scanReads(tables, k, l, block, reads);
  }
  QUORLIN_LANES_TARGET static Word both(Word a, Word b) { return _mm256_and_si256(a, b); }
  QUORLIN_LANES_TARGET static Word either(Word a, Word b) { return _mm256_or_si256(a, b); }
  QUORLIN_LANES_TARGET static Word select(Word m, Word a, Word b) { return _mm256_or_si256(_mm256_and_si256(m, a), _mm256_andnot_si256(m, b)); }
  QUORLIN_LANES_TARGET static bool any(Word w) { return !_mm256_testz_si256(w, w); }
  QUORLIN_LANES_TARGET static void store(Word w, uint64_t* out) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), w); }
};

}  // namespace

void scanSeedsAvx2(const ScanTables& tables, uint32_t block, uint32_t lFirst, uint32_t lEnd, uint32_t first,
                   uint64_t end, std::vector<uint32_t>& survivors) {
  scanSeedsFor<Avx2Lanes>(tables, block, lFirst, lEnd, first, end, survivors);
}

#endif

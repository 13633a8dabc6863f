// The first pass in 512-bit words of AVX-512 (F and BW, as the byte cipher's variant): one word per l.
#include "cipher/recover_scan.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>

#define QUORLIN_LANES_TARGET __attribute__((target("avx512f,avx512bw")))
#include "cipher/recover_lanes.h"

namespace {

struct Avx512Lanes {
  using Word = __m512i;
  static constexpr unsigned bits = 512;
  QUORLIN_LANES_TARGET static Word zero() { return _mm512_setzero_si512(); }
  QUORLIN_LANES_TARGET static Word fromLive(const uint64_t* live) { return _mm512_loadu_si512(live); }
  // As the 64-bit loop, in each 64-bit lane at once. (Here and below, the zero-masked shifts with every
  // lane selected are the plain ones, which draw a false uninitialised warning from GCC 12.)
  QUORLIN_LANES_TARGET static Word bitsAt(const unsigned char* at, const uint64_t* down, const uint64_t* up) {
    const __m512i low = _mm512_maskz_srlv_epi64(0xFF, _mm512_loadu_si512(at), _mm512_set1_epi64(static_cast<long long>(*down)));
    const __m512i high = _mm512_maskz_sllv_epi64(0xFF, _mm512_loadu_si512(at + 1), _mm512_set1_epi64(static_cast<long long>(*up)));
    return _mm512_or_si512(low, high);
  }
  // scanReads in vectors of sixteen strings.
  QUORLIN_LANES_TARGET static void reads(const ScanTables& tables, unsigned k, uint32_t l, uint32_t block, ScanReads& reads) {
    const __m512i state = _mm512_add_epi32(
        _mm512_mullo_epi32(_mm512_loadu_si512(tables.multiplier + k), _mm512_set1_epi32(static_cast<int>(l))),
        _mm512_loadu_si512(tables.increment + k));
    const __m512i rotation = _mm512_and_si512(
        _mm512_mullo_epi32(_mm512_loadu_si512(tables.inverse + k), _mm512_maskz_srli_epi32(0xFFFF, state, 16)),
        _mm512_set1_epi32(0x7FFF));
    const __m512i byte = _mm512_add_epi32(_mm512_set1_epi32(static_cast<int>(block * (scanBlock / 8))),
                                          _mm512_maskz_srli_epi32(0xFFFF, rotation, 3));
    _mm512_storeu_si512(reads.at + k, _mm512_add_epi32(_mm512_loadu_si512(tables.start + k),
                                                       _mm512_and_si512(byte, _mm512_set1_epi32(0xFFF))));
    const __m512i down = _mm512_and_si512(rotation, _mm512_set1_epi32(7));
    const __m512i up = _mm512_sub_epi32(_mm512_set1_epi32(8), down);
    _mm512_storeu_si512(reads.down + k, _mm512_maskz_cvtepu32_epi64(0xFF, _mm512_maskz_extracti64x4_epi64(0xFF, down, 0)));
    _mm512_storeu_si512(reads.down + k + 8, _mm512_maskz_cvtepu32_epi64(0xFF, _mm512_maskz_extracti64x4_epi64(0xFF, down, 1)));
    _mm512_storeu_si512(reads.up + k, _mm512_maskz_cvtepu32_epi64(0xFF, _mm512_maskz_extracti64x4_epi64(0xFF, up, 0)));
    _mm512_storeu_si512(reads.up + k + 8, _mm512_maskz_cvtepu32_epi64(0xFF, _mm512_maskz_extracti64x4_epi64(0xFF, up, 1)));
  }
  QUORLIN_LANES_TARGET static Word both(Word a, Word b) { return _mm512_and_si512(a, b); }
  QUORLIN_LANES_TARGET static Word either(Word a, Word b) { return _mm512_or_si512(a, b); }
  // One ternary op: 0xCA is m ? a : b bit by bit.
  QUORLIN_LANES_TARGET static Word select(Word m, Word a, Word b) { return _mm512_ternarylogic_epi64(m, a, b, 0xCA); }
  QUORLIN_LANES_TARGET static bool any(Word w) { return _mm512_test_epi64_mask(w, w) != 0; }
  QUORLIN_LANES_TARGET static void store(Word w, uint64_t* out) { _mm512_storeu_si512(out, w); }
};

}  // namespace

void scanSeedsAvx512(const ScanTables& tables, uint32_t block, uint32_t lFirst, uint32_t lEnd, uint32_t first,
                     uint64_t end, std::vector<uint32_t>& survivors) {
  scanSeedsFor<Avx512Lanes>(tables, block, lFirst, lEnd, first, end, survivors);
}

#endif

// The byte loop in 64 lanes of AVX-512 (F and BW): 64 bytes per block.
#include "cipher/byte_lanes.h"

#ifdef QUORLIN_CIPHER_X86
#include <immintrin.h>

#define QUORLIN_AVX512 __attribute__((target("avx512f,avx512bw")))

namespace {

constexpr auto starts = laneStarts<16>();
constexpr KeystreamJump block = keystreamJump(64);

// raw % 100 for the states of a and b, as 16-bit lanes: a's in the low halves of the 32-bit lanes. The
// byte shift moves a's high halves down (what it moves into the high halves is replaced by b's).
QUORLIN_AVX512 inline __m512i remainders(__m512i a, __m512i b, __m512i hundred) {
  const __m512i high = _mm512_mask_blend_epi16(0xAAAAAAAA, _mm512_bsrli_epi128(a, 2), b);
  const __m512i raw = _mm512_and_si512(high, _mm512_set1_epi16(0x7FFF));
  const __m512i quotient = _mm512_srli_epi16(_mm512_mulhi_epu16(raw, _mm512_set1_epi16(5243)), 3);
  return _mm512_sub_epi16(raw, _mm512_mullo_epi16(quotient, hundred));
}

// The block's bytes shifted by their offsets. With r = raw % 100 the offset is r + 1, and
// x + (r + 1) = x − ~r, so the complement folds into the ternary op that interleaves the bytes.
template <bool up>
QUORLIN_AVX512 inline __m512i shifted(const __m512i (&states)[4], __m512i bytes, __m512i hundred) {
  const __m512i even = remainders(states[0], states[1], hundred);
  const __m512i odd = _mm512_slli_epi16(remainders(states[2], states[3], hundred), 8);
  const __m512i notRemainders = _mm512_ternarylogic_epi32(even, odd, odd, 0x03);
  if constexpr (up) return _mm512_sub_epi8(bytes, notRemainders);
  else return _mm512_add_epi8(bytes, notRemainders);
}

template <bool up>
QUORLIN_AVX512 void shift(uint32_t state, unsigned char* data, size_t size) {
  const __m512i seed = _mm512_set1_epi32(static_cast<int>(state));
  __m512i states[4];
  for (int v = 0; v < 4; ++v)
    states[v] = _mm512_add_epi32(_mm512_mullo_epi32(seed, _mm512_loadu_si512(starts.multiplier[v].data())),
                                 _mm512_loadu_si512(starts.increment[v].data()));
  const __m512i multiplier = _mm512_set1_epi32(static_cast<int>(block.multiplier));
  const __m512i increment = _mm512_set1_epi32(static_cast<int>(block.increment));
  // Hidden from the optimiser, which would turn the multiply by 100 into five shifts and adds: slower in
  // this loop, which leaves the multiplier room to spare.
  __m512i hundred = _mm512_set1_epi16(100);
  __asm__("" : "+x"(hundred));
  size_t done = 0;
  for (; size - done >= 64; done += 64) {
    const __m512i bytes = _mm512_loadu_si512(data + done);
    _mm512_storeu_si512(data + done, shifted<up>(states, bytes, hundred));
    for (__m512i& s : states) s = _mm512_add_epi32(_mm512_mullo_epi32(s, multiplier), increment);
  }
  if (done < size) {
    // Masked bytes are neither read nor written, so the block may run past the end of the data.
    const __mmask64 rest = (__mmask64{1} << (size - done)) - 1;
    const __m512i bytes = _mm512_maskz_loadu_epi8(rest, data + done);
    _mm512_mask_storeu_epi8(data + done, rest, shifted<up>(states, bytes, hundred));
  }
}

}  // namespace

void shiftBytesAvx512(uint32_t state, unsigned char* data, size_t size, bool up) {
  if (up) shift<true>(state, data, size);
  else shift<false>(state, data, size);
}

#endif

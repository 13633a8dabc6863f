// The byte loop in 16 lanes of SSE4.1: 16 bytes per block.
#include "cipher/byte_lanes.h"

#ifdef QUORLIN_CIPHER_X86
#include <immintrin.h>

#include <cstring>

#define QUORLIN_SSE41 __attribute__((target("sse4.1")))

namespace {

constexpr auto starts = laneStarts<4>();
constexpr KeystreamJump block = keystreamJump(16);

// raw % 100 for the states of a and b, as 16-bit lanes: a's in the low halves of the 32-bit lanes.
QUORLIN_SSE41 inline __m128i remainders(__m128i a, __m128i b, __m128i hundred) {
  const __m128i high = _mm_blend_epi16(_mm_srli_epi32(a, 16), b, 0xAA);
  const __m128i raw = _mm_and_si128(high, _mm_set1_epi16(0x7FFF));
  const __m128i quotient = _mm_srli_epi16(_mm_mulhi_epu16(raw, _mm_set1_epi16(5243)), 3);
  return _mm_sub_epi16(raw, _mm_mullo_epi16(quotient, hundred));
}

// The block's bytes shifted by their offsets, 1 + raw % 100.
template <bool up>
QUORLIN_SSE41 inline __m128i shifted(const __m128i (&states)[4], __m128i bytes, __m128i hundred) {
  const __m128i even = remainders(states[0], states[1], hundred);
  const __m128i odd = _mm_slli_epi16(remainders(states[2], states[3], hundred), 8);
  const __m128i offsets = _mm_add_epi8(_mm_or_si128(even, odd), _mm_set1_epi8(1));
  if constexpr (up) return _mm_add_epi8(bytes, offsets);
  else return _mm_sub_epi8(bytes, offsets);
}

template <bool up>
QUORLIN_SSE41 void shift(uint32_t state, unsigned char* data, size_t size) {
  const __m128i seed = _mm_set1_epi32(static_cast<int>(state));
  __m128i states[4];
  for (int v = 0; v < 4; ++v)
    states[v] = _mm_add_epi32(
        _mm_mullo_epi32(seed, _mm_loadu_si128(reinterpret_cast<const __m128i*>(starts.multiplier[v].data()))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(starts.increment[v].data())));
  const __m128i multiplier = _mm_set1_epi32(static_cast<int>(block.multiplier));
  const __m128i increment = _mm_set1_epi32(static_cast<int>(block.increment));
  // Hidden from the optimiser, which would turn the multiply by 100 into five shifts and adds: slower in
  // this loop, which leaves the multiplier room to spare.
  __m128i hundred = _mm_set1_epi16(100);
  __asm__("" : "+x"(hundred));
  size_t done = 0;
  for (; size - done >= 16; done += 16) {
    __m128i* at = reinterpret_cast<__m128i*>(data + done);
    _mm_storeu_si128(at, shifted<up>(states, _mm_loadu_si128(at), hundred));
    for (__m128i& s : states) s = _mm_add_epi32(_mm_mullo_epi32(s, multiplier), increment);
  }
  if (done < size) {
    // The last bytes go through a whole block on the stack, so nothing past the data is touched.
    unsigned char rest[16] = {};
    std::memcpy(rest, data + done, size - done);
    __m128i* at = reinterpret_cast<__m128i*>(rest);
    _mm_storeu_si128(at, shifted<up>(states, _mm_loadu_si128(at), hundred));
    std::memcpy(data + done, rest, size - done);
  }
}

}  // namespace

void shiftBytesSse41(uint32_t state, unsigned char* data, size_t size, bool up) {
  if (up) shift<true>(state, data, size);
  else shift<false>(state, data, size);
}

#endif

#pragma once
// The byte loop in parallel lanes. The state k draws ahead is one multiply-add away (keystreamJump), so a
// block of 4·L bytes takes its offsets from four vectors of L states at once, and every state then jumps
// a whole block ahead. Each variant gives exactly the bytes of the one-byte-at-a-time loop.
//
// Offsets from the states: the raw value is bits 16 to 30 of a state, and for a 15-bit raw value
// raw % 100 = raw − 100·((raw·5243) >> 19), which vector units do in 16-bit lanes.
#include <array>
#include <cstddef>
#include <cstdint>

#include "cipher/keystream.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define QUORLIN_CIPHER_X86 1
#endif

// Lane j of state vector v serves byte 4j + laneByte[v] of a block. The raw values of vectors 0 and 1
// interleave as 16-bit lanes (vector 0 in the low halves), so do those of vectors 2 and 3, and the two
// results interleave as bytes; with this order the bytes come out in sequence without a shuffle.
inline constexpr int laneByte[4] = {0, 2, 1, 3};

template <size_t lanes>
struct LaneStarts {
  std::array<std::array<uint32_t, lanes>, 4> multiplier;
  std::array<std::array<uint32_t, lanes>, 4> increment;
};

// The jumps from the state before a block to the state that draws each lane's byte: byte b of the block
// is drawn by the (b+1)-th step.
template <size_t lanes>
constexpr LaneStarts<lanes> laneStarts() {
  LaneStarts<lanes> starts{};
  for (size_t v = 0; v < 4; ++v)
    for (size_t j = 0; j < lanes; ++j) {
      const KeystreamJump jump = keystreamJump(4 * j + laneByte[v] + 1);
      starts.multiplier[v][j] = jump.multiplier;
      starts.increment[v][j] = jump.increment;
    }
  return starts;
}

#ifdef QUORLIN_CIPHER_X86
// Shift size bytes up (up) or down by the offsets drawn from state on; the caller moves its keystream.
void shiftBytesSse41(uint32_t state, unsigned char* data, size_t size, bool up);
void shiftBytesAvx2(uint32_t state, unsigned char* data, size_t size, bool up);
void shiftBytesAvx512(uint32_t state, unsigned char* data, size_t size, bool up);
#endif

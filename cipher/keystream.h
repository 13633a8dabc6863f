#pragma once
// The password-seeded keystream of the encrypted files. The constants, the output bits and the
// reduction to 1..100 are the file format: files written by earlier releases decipher only with this
// exact sequence, so no library generator may stand in for it.
#include <cstdint>

class Keystream {
 public:
  // The state is the seed's 32-bit pattern; nothing else enters it and nothing is drawn.
  explicit Keystream(int32_t seed) : state(static_cast<uint32_t>(seed)) {}

  // Advances the state and returns its bits 16 to 30, a value from 0 to 32767.
  int nextValue() {
    state = state * 214013u + 2531011u;
    return static_cast<int>(state >> 16 & 0x7FFF);
  }

  // A value between min and max, given in either order; a bound below 0 counts as 0. Equal bounds give
  // the bound without advancing the state; otherwise one value is drawn.
  int32_t nextInRange(int32_t min, int32_t max);

  // The offset of one byte, 1 to 100: nextInRange(1, 100), which comes to 1 + nextValue() % 100.
  int nextOffset() { return 1 + nextValue() % 100; }

 private:
  uint32_t state;
};

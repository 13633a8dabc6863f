#pragma once
// The password-seeded keystream of the encrypted files. The constants, the output bits and the
// reduction to 1..100 are the file format: files written by earlier releases decipher only with this
// exact sequence, so no library generator may stand in for it.
#include <cstdint>

constexpr uint32_t keystreamMultiplier = 214013u;
constexpr uint32_t keystreamIncrement = 2531011u;

// Many steps of the generator as one: the step is affine, so the state after count steps is
// multiplier · state + increment, modulo 2^32.
struct KeystreamJump {
  uint32_t multiplier;
  uint32_t increment;
};

// The jump over count steps, by repeated squaring of the single step.
constexpr KeystreamJump keystreamJump(uint64_t count) {
  KeystreamJump total{1, 0};
  KeystreamJump power{keystreamMultiplier, keystreamIncrement};
  for (; count != 0; count >>= 1) {
    if (count & 1) total = {power.multiplier * total.multiplier, power.multiplier * total.increment + power.increment};
    power = {power.multiplier * power.multiplier, power.multiplier * power.increment + power.increment};
  }
  return total;
}

class Keystream {
 public:
  // The state is the seed's 32-bit pattern; nothing else enters it and nothing is drawn.
  explicit Keystream(int32_t seed) : state(static_cast<uint32_t>(seed)) {}

  // Advances the state and returns its bits 16 to 30, a value from 0 to 32767.
  int nextValue() {
    state = state * keystreamMultiplier + keystreamIncrement;
    return static_cast<int>(state >> 16 & 0x7FFF);
  }

  // A value between min and max, given in either order; a bound below 0 counts as 0. Equal bounds give
  // the bound without advancing the state; otherwise one value is drawn.
  int32_t nextInRange(int32_t min, int32_t max);

  // The offset of one byte, 1 to 100: nextInRange(1, 100), which comes to 1 + nextValue() % 100.
  int nextOffset() { return 1 + nextValue() % 100; }

  // Advances the state as count calls of nextValue would, at the cost of about log2(count) of them.
  void skip(uint64_t count) {
    const KeystreamJump jump = keystreamJump(count);
    state = jump.multiplier * state + jump.increment;
  }

  // The state's bit pattern, for byte loops that draw in parallel lanes from where this keystream stands.
  uint32_t bits() const { return state; }

 private:
  uint32_t state;
};

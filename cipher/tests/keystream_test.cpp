#include "cipher/keystream.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

namespace {

std::vector<int> values(int32_t seed, int count) {
  Keystream keys(seed);
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(keys.nextValue());
  return out;
}

std::vector<int> offsets(int32_t seed, int count) {
  Keystream keys(seed);
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(keys.nextOffset());
  return out;
}

TEST(Keystream, KnownValuesAndOffsets) {
  EXPECT_EQ(values(0, 10), (std::vector<int>{38, 7719, 21238, 2437, 8855, 11797, 8365, 32285, 10450, 30612}));
  EXPECT_EQ(offsets(0, 10), (std::vector<int>{39, 20, 39, 38, 56, 98, 66, 86, 51, 13}));
  EXPECT_EQ(values(1, 10), (std::vector<int>{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464}));
  EXPECT_EQ(offsets(1, 10), (std::vector<int>{42, 68, 35, 1, 70, 25, 79, 59, 63, 65}));
}

TEST(Keystream, NegativeSeedIsItsBitPattern) {
  // -1 is the state 0xFFFFFFFF: (0xFFFFFFFF * 214013 + 2531011) mod 2^32 = 0x00235AC6.
  EXPECT_EQ(values(-1, 5), (std::vector<int>{35, 29739, 3374, 11141, 31308}));
  // Bit 31 of the state never reaches the output: seeds differing only there share their keystream.
  EXPECT_EQ(values(INT32_MIN, 10), values(0, 10));
  EXPECT_EQ(values(INT32_MAX, 10), values(-1, 10));
}

TEST(Keystream, SameSeedRestartsTheSequence) {
  Keystream first(987654321);
  std::vector<int> drawn;
  for (int i = 0; i < 50; ++i) drawn.push_back(first.nextValue());
  // A keystream of the same seed starts over however far another has gone, and while that one goes on:
  // each keeps its own state.
  Keystream second(987654321);
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(second.nextValue(), drawn[size_t(i)]) << i;
    first.nextValue();
  }
  EXPECT_NE(values(987654322, 50), drawn);
}

TEST(Keystream, NextInRange) {
  struct Case {
    int32_t min, max, expected;
    bool draws;
  };
  // Seed 0 draws 38 first, then 7719.
  const Case cases[] = {
      {1, 100, 39, true},              // the cipher's range: 1 + 38 % 100
      {100, 1, 39, true},              // bounds in either order
      {7, 9, 9, true},                 // 7 + 38 % 3
      {5, 5, 5, false},                // equal bounds: no draw
      {-5, 10, 5, true},               // a negative bound counts as 0: 38 % 11
      {10, -5, 5, true},
      {-3, -7, 0, false},              // both count as 0
      {-3, 0, 0, false},
      {0, INT32_MAX, 38, true},        // the span is capped one below the largest int32
      {INT32_MIN, INT32_MAX, 38, true},
      {INT32_MAX, INT32_MAX, INT32_MAX, false},
  };
  for (const Case& c : cases) {
    Keystream keys(0);
    EXPECT_EQ(keys.nextInRange(c.min, c.max), c.expected) << c.min << ".." << c.max;
    EXPECT_EQ(keys.nextValue(), c.draws ? 7719 : 38) << c.min << ".." << c.max;
  }
}

TEST(Keystream, SkipLandsWhereSingleStepsDo) {
  Keystream stepped(-20240611);
  for (uint64_t count = 0; count <= 5000; ++count) {
    Keystream jumped(-20240611);
    jumped.skip(count);
    ASSERT_EQ(jumped.bits(), stepped.bits()) << count;
    stepped.nextValue();
  }
  // The increment is odd and the multiplier is 1 modulo 4, so the generator runs through all 2^32 states:
  // counts that differ by whole periods land on the same state, and one step after 2^32 − 1 is the start.
  const uint64_t period = uint64_t{1} << 32;
  for (const int32_t seed : {0, 1, -1, INT32_MIN, INT32_MAX, 123456789}) {
    Keystream keys(seed);
    keys.skip(period);
    EXPECT_EQ(keys.bits(), Keystream(seed).bits()) << seed;
    keys.skip(period - 1);
    keys.nextValue();
    EXPECT_EQ(keys.bits(), Keystream(seed).bits()) << seed;
    Keystream far(seed), near(seed);
    far.skip(5 * period + 4321);
    near.skip(4321);
    EXPECT_EQ(far.bits(), near.bits()) << seed;
  }
  // Two jumps make one over their sum, for counts of every size.
  std::mt19937_64 generator(5);
  for (int i = 0; i < 200; ++i) {
    const uint64_t first = generator() >> (generator() % 64), second = generator() >> (generator() % 64);
    Keystream twice(i), once(i);
    twice.skip(first);
    twice.skip(second);
    once.skip(first + second);
    EXPECT_EQ(twice.bits(), once.bits()) << first << " + " << second;
  }
}

}  // namespace

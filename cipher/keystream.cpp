#include "cipher/keystream.h"

#include <algorithm>

int32_t Keystream::nextInRange(int32_t min, int32_t max) {
  const int32_t lo = std::max(std::min(min, max), 0);
  const int32_t hi = std::max(std::max(min, max), 0);
  if (lo == hi) return lo;
  const int32_t span = std::min(hi - lo, int32_t{0x7FFFFFFE});
  return lo + nextValue() % (span + 1);
}

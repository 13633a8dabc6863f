#include "testing/random_bytes.h"

#include <random>

std::string randomBytes(size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(generator() & 0xFF);
  return bytes;
}

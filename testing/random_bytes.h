#pragma once
// Bytes of every value in an order fixed by seed, so that a failure repeats.
#include <cstddef>
#include <string>

std::string randomBytes(size_t size, unsigned seed);

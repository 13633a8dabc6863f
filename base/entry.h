#pragma once
// The number at the front of a text as the password box reads its entry: blanks skipped, an optional
// sign, then the digits up to the first other character.
#include <cstddef>
#include <cstdint>
#include <string_view>

struct LeadingNumber {
  bool negative = false;
  size_t digits = 0;  // where the digits start
  size_t end = 0;     // just past the last digit; equal to digits when there are none
};
LeadingNumber leadingNumber(std::string_view text);

// The input box's conversion of an entry: its leading number modulo 2^32; no digits give 0.
int32_t entryToInteger(std::string_view entry);

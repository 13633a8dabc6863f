#include "base/entry.h"

#include "base/ascii.h"

LeadingNumber leadingNumber(std::string_view text) {
  LeadingNumber number;
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) number.negative = text[i++] == '-';
  number.digits = i;
  while (i < text.size() && isDigit(text[i])) ++i;
  number.end = i;
  return number;
}

int32_t entryToInteger(std::string_view entry) {
  const LeadingNumber number = leadingNumber(entry);
  uint32_t value = 0;  // wraps modulo 2^32, with no limit on the number of digits
  for (size_t i = number.digits; i < number.end; ++i) value = value * 10u + uint32_t(entry[i] - '0');
  if (number.negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

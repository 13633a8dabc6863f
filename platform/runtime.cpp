#include "platform/runtime.h"

namespace {
Runtime* current = nullptr;
}

Runtime& runtime() { return *current; }

Runtime* setRuntime(Runtime* backend) {
  Runtime* previous = current;
  current = backend;
  return previous;
}

std::string resultOf(const std::function<std::string()>& work) {
  try {
    return work();
  } catch (...) {
    return {};
  }
}

int32_t entryToInteger(const std::string& entry) {
  size_t i = 0;
  while (i < entry.size() && (entry[i] == ' ' || (entry[i] >= '\t' && entry[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < entry.size() && (entry[i] == '-' || entry[i] == '+')) negative = entry[i++] == '-';
  uint32_t value = 0;  // wraps modulo 2^32, with no limit on the number of digits
  for (; i < entry.size() && entry[i] >= '0' && entry[i] <= '9'; ++i) value = value * 10u + uint32_t(entry[i] - '0');
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

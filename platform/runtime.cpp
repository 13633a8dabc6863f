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

#include "skin/skin_data.h"

#include <cstdint>

extern "C" {
extern const uint64_t quorlin_skin_engine_size;
extern const char quorlin_skin_engine[];
extern const uint32_t quorlin_skin_offsets[BUILTIN_SKIN_COUNT + 1];
extern const char quorlin_skins[];
}

std::string_view skinEngineImage() { return {quorlin_skin_engine, size_t(quorlin_skin_engine_size)}; }

std::string_view builtinSkin(int number) {
  if (number < 1 || number > BUILTIN_SKIN_COUNT) return {};
  const uint32_t start = quorlin_skin_offsets[number - 1];
  return {quorlin_skins + start, quorlin_skin_offsets[number] - start};
}

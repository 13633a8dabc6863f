#pragma once
// The read-only data of the appearance: the skin engine's image and the 33 built-in skins.
#include <string_view>

inline constexpr int BUILTIN_SKIN_COUNT = 33;

// The skin engine library file's bytes, as written to the run directory.
std::string_view skinEngineImage();

// Built-in skin number 1 to 33; empty for any other number.
std::string_view builtinSkin(int number);

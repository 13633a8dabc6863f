#pragma once
// The skin format read by the engine and written by the skin maker. All numbers are little-endian.
//   offset  size  field
//   0       4     ".SHE"
//   4       2     format version, 1
//   6       2     header length in bytes, counted from offset 0
//   8       32    name, ASCII, zero-padded
//   40      4×n   colours, one 0x00RRGGBB value for each SkinColour in order
// The header is followed by zero bytes up to the skin's size; the engine reads only the header.
#include <cstddef>
#include <cstdint>

enum SkinColour {
  SKIN_WINDOW,
  SKIN_WINDOW_TEXT,
  SKIN_BASE,
  SKIN_TEXT,
  SKIN_BUTTON,
  SKIN_BUTTON_TEXT,
  SKIN_HIGHLIGHT,
  SKIN_HIGHLIGHTED_TEXT,
  SKIN_MENU_BAR,
  SKIN_MENU_TEXT,
  SKIN_BORDER,
  SKIN_GRADIENT_TOP,
  SKIN_GRADIENT_BOTTOM,
  SKIN_COLOUR_COUNT
};

inline constexpr unsigned char SKIN_MAGIC[4] = {'.', 'S', 'H', 'E'};
inline constexpr int SKIN_VERSION = 1;
inline constexpr size_t SKIN_NAME_OFFSET = 8;
inline constexpr size_t SKIN_NAME_LENGTH = 32;
inline constexpr size_t SKIN_COLOURS_OFFSET = SKIN_NAME_OFFSET + SKIN_NAME_LENGTH;
inline constexpr size_t SKIN_HEADER_LENGTH = SKIN_COLOURS_OFFSET + 4 * SKIN_COLOUR_COUNT;

inline uint32_t skinNumber(const unsigned char* at, size_t bytes) {
  uint32_t value = 0;
  for (size_t i = bytes; i-- > 0;) value = value << 8 | at[i];
  return value;
}

inline void putSkinNumber(unsigned char* at, size_t bytes, uint32_t value) {
  for (size_t i = 0; i < bytes; ++i, value >>= 8) at[i] = static_cast<unsigned char>(value);
}

// True when data holds a skin of this format: the magic, version 1, and a header that is complete, at
// least as long as this version's and within size.
inline bool isSkin(const unsigned char* data, size_t size) {
  if (!data || size < SKIN_HEADER_LENGTH) return false;
  for (size_t i = 0; i < sizeof SKIN_MAGIC; ++i)
    if (data[i] != SKIN_MAGIC[i]) return false;
  const size_t headerLength = skinNumber(data + 6, 2);
  return skinNumber(data + 4, 2) == SKIN_VERSION && headerLength >= SKIN_HEADER_LENGTH && headerLength <= size;
}

// The colour as 0xRRGGBB; data must hold a skin (isSkin).
inline uint32_t skinColour(const unsigned char* data, SkinColour which) {
  return skinNumber(data + SKIN_COLOURS_OFFSET + 4 * size_t(which), 4) & 0xFFFFFF;
}

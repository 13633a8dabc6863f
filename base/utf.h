#pragma once
// UTF-8 and UTF-16, one character at a time: the pieces that the text bridge and the code-page
// conversions share. Writers put a character at a pointer into room made ahead and return the end, as
// a string's append per character costs several times as much.
#include <cstddef>
#include <string>
#include <string_view>

// What a reader gives for bytes that start no character.
inline constexpr char32_t noCharacter = 0xFFFFFFFF;

constexpr bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
constexpr bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The character of a high and a low surrogate.
constexpr char32_t fromSurrogates(char16_t high, char16_t low) {
  return 0x10000 + (char32_t(high - 0xD800) << 10) + (low - 0xDC00);
}

// Reads the UTF-8 character at the front of p, where left bytes (at least one) are: returns its length
// and sets c. Bytes that begin no well-formed sequence (overlong forms, surrogates and code points past
// U+10FFFF are none) set c to noCharacter, and the length is that of the longest start of a sequence
// there (Unicode's maximal subpart), at least 1. With more, bytes to come may still complete a
// sequence that left cuts: then 0.
inline size_t readUtf8(const unsigned char* p, size_t left, bool more, char32_t& c) {
  const unsigned char b = p[0];
  c = noCharacter;
  size_t length = 1;
  unsigned char low = 0x80;  // the second byte's range; the others take 80 to BF
  unsigned char high = 0xBF;
  if (b < 0x80) {
    c = b;
    return 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    if (b == 0xE0) low = 0xA0;
    if (b == 0xED) high = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;
  } else {
    return 1;
  }
  char32_t code = b & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    if (k == left) return more ? 0 : k;
    if (p[k] < (k == 1 ? low : 0x80) || p[k] > (k == 1 ? high : 0xBF)) return k;
    code = code << 6 | (p[k] & 0x3F);
  }
  c = code;
  return length;
}

// Writes c, a Unicode scalar value, as one to four bytes.
inline char* putUtf8(char32_t c, char* o) {
  if (c < 0x80) {
    *o++ = char(c);
  } else if (c < 0x800) {
    *o++ = char(0xC0 | c >> 6);
    *o++ = char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *o++ = char(0xE0 | c >> 12);
    *o++ = char(0x80 | (c >> 6 & 0x3F));
    *o++ = char(0x80 | (c & 0x3F));
  } else {
    *o++ = char(0xF0 | c >> 18);
    *o++ = char(0x80 | (c >> 12 & 0x3F));
    *o++ = char(0x80 | (c >> 6 & 0x3F));
    *o++ = char(0x80 | (c & 0x3F));
  }
  return o;
}

// Writes c as one code unit, or as a surrogate pair past U+FFFF.
inline char16_t* putUtf16(char32_t c, char16_t* o) {
  if (c < 0x10000) {
    *o++ = char16_t(c);
  } else {
    *o++ = char16_t(0xD800 + ((c - 0x10000) >> 10));
    *o++ = char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
  return o;
}

// UTF-16 code units as UTF-16LE bytes: two a unit, the low byte first.
inline std::string utf16LeBytes(std::u16string_view text) {
  std::string bytes(2 * text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = char(text[i] & 0xFF);
    bytes[2 * i + 1] = char(text[i] >> 8);
  }
  return bytes;
}

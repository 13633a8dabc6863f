#pragma once
// Whole input spaces of the text bridge, for tests that try every case in one conversion.
#include <string>

// Every two-byte string without a zero byte, then every four-byte sequence of GBK's shape (a byte
// 0x81-0xFE, a digit, a byte 0x81-0xFE, a digit): 1,652,625 in all, each followed by a space. A space
// is part of no character, so each sequence reads as it would alone.
inline constexpr size_t everyTwoByteCount = 255 * 255;

inline std::string everyTwoAndFourByteSequence() {
  std::string all(everyTwoByteCount * 3 + 126 * 10 * 126 * 10 * 5, ' ');
  char* o = all.data();
  for (int first = 1; first <= 0xFF; ++first) {
    for (int second = 1; second <= 0xFF; ++second) {
      o[0] = char(first);
      o[1] = char(second);
      o += 3;
    }
  }
  for (int b0 = 0x81; b0 <= 0xFE; ++b0) {
    for (int b1 = 0x30; b1 <= 0x39; ++b1) {
      for (int b2 = 0x81; b2 <= 0xFE; ++b2) {
        for (int b3 = 0x30; b3 <= 0x39; ++b3) {
          o[0] = char(b0);
          o[1] = char(b1);
          o[2] = char(b2);
          o[3] = char(b3);
          o += 5;
        }
      }
    }
  }
  return all;
}

// The sequence of everyTwoAndFourByteSequence() that starts at offset, and the offset of the next.
inline std::string sequenceAt(const std::string& all, size_t& offset) {
  const size_t length = offset < everyTwoByteCount * 3 ? 2 : 4;
  const std::string sequence = all.substr(offset, length);
  offset += length + 1;
  return sequence;
}

// Every Unicode scalar value but U+0000, in order, with keep choosing.
template <typename Keep>
std::u32string everyCharacter(Keep keep) {
  std::u32string all;
  for (char32_t c = 1; c <= 0x10FFFF; ++c)
    if ((c < 0xD800 || c > 0xDFFF) && keep(c)) all += c;
  return all;
}

inline std::u16string utf16(const std::u32string& text) {
  std::u16string out(2 * text.size(), u'\0');
  char16_t* o = out.data();
  for (const char32_t c : text) {
    if (c < 0x10000) {
      *o++ = char16_t(c);
    } else {
      *o++ = char16_t(0xD800 + ((c - 0x10000) >> 10));
      *o++ = char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  out.resize(size_t(o - out.data()));
  return out;
}

inline std::string utf8(const std::u32string& text) {
  std::string out(4 * text.size(), '\0');
  char* o = out.data();
  for (const char32_t c : text) {
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
  }
  out.resize(size_t(o - out.data()));
  return out;
}

inline std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char b : bytes) out += {digits[b >> 4], digits[b & 15], ' '};
  return out;
}

#include "platform/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace {

// Converts size bytes at in from one iconv encoding to another, appending to out. Where iconv stops at
// a sequence it rejects, onInvalid(at, left, out) appends a replacement and returns the bytes to skip.
// False when iconv does not know the encodings.
template <class OnInvalid>
bool convert(const char* to, const char* from, const char* in, size_t size, std::string& out, OnInvalid onInvalid) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* inPtr = const_cast<char*>(in);
  size_t left = size;
  char chunk[4096];
  while (left > 0) {
    char* outPtr = chunk;
    size_t outLeft = sizeof chunk;
    const size_t r = iconv(cd, &inPtr, &left, &outPtr, &outLeft);
    out.append(chunk, size_t(outPtr - chunk));
    if (r == size_t(-1) && errno != E2BIG) {
      const size_t skip = std::min(onInvalid(inPtr, left, out), left);
      inPtr += skip;
      left -= skip;
    }
  }
  iconv_close(cd);
  return true;
}

// Bytes of the longest start of a well-formed UTF-8 sequence at p (at least 1): the stretch that one
// U+FFFD replaces.
size_t invalidUtf8Length(const char* at, size_t left) {
  const auto* p = reinterpret_cast<const unsigned char*>(at);
  const unsigned char b = p[0];
  unsigned char low = 0x80, high = 0xBF;
  size_t trailing;
  if (b >= 0xC2 && b <= 0xDF) {
    trailing = 1;
  } else if (b == 0xE0) {
    trailing = 2, low = 0xA0;
  } else if (b == 0xED) {
    trailing = 2, high = 0x9F;
  } else if (b >= 0xE1 && b <= 0xEF) {
    trailing = 2;
  } else if (b == 0xF0) {
    trailing = 3, low = 0x90;
  } else if (b == 0xF4) {
    trailing = 3, high = 0x8F;
  } else if (b >= 0xF1 && b <= 0xF3) {
    trailing = 3;
  } else {
    return 1;
  }
  size_t k = 1;
  for (; k <= trailing && k < left; ++k) {
    const unsigned char c = p[k];
    if (k == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF)) break;
  }
  return k;
}

// Bytes of an undecodable 936 sequence: a lead byte with a trail byte in range is one character.
size_t invalidGbkLength(const char* at, size_t left) {
  const auto* p = reinterpret_cast<const unsigned char*>(at);
  const bool pair = left >= 2 && p[0] >= 0x81 && p[0] <= 0xFE && p[1] >= 0x40 && p[1] <= 0xFE && p[1] != 0x7F;
  return pair ? 2 : 1;
}

bool isSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDFFF; }
bool isHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x10000) {
    out += char(0xE0 | c >> 12);
  } else {
    out += char(0xF0 | c >> 18);
    out += char(0x80 | (c >> 12 & 0x3F));
  }
  out += char(0x80 | (c >> 6 & 0x3F));
  out += char(0x80 | (c & 0x3F));
}

std::string littleEndianBytes(const char16_t* wide, size_t count) {
  std::string bytes(count * 2, '\0');
  for (size_t i = 0; i < count; ++i) {
    bytes[2 * i] = char(wide[i] & 0xFF);
    bytes[2 * i + 1] = char(wide[i] >> 8);
  }
  return bytes;
}

// The default character of 936 as the caller gives it: one character, one or two bytes.
std::string defaultCharacter(const char* defaultChar) {
  if (defaultChar == nullptr || defaultChar[0] == '\0') return "?";
  const bool pair = static_cast<unsigned char>(defaultChar[0]) >= 0x81 && defaultChar[1] != '\0';
  return std::string(defaultChar, pair ? 2 : 1);
}

}  // namespace

int MultiByteToWideChar(unsigned codePage, uint32_t, const char* multiByte, int byteCount, char16_t* wide,
                        int wideCapacity) {
  if (multiByte == nullptr || byteCount == 0 || byteCount < -1 || wideCapacity < 0) return 0;
  const size_t size = byteCount == -1 ? std::strlen(multiByte) + 1 : size_t(byteCount);
  std::string utf16;
  bool known = false;
  if (codePage == CP_UTF8) {
    known = convert("UTF-16LE", "UTF-8", multiByte, size, utf16, [](const char* at, size_t left, std::string& out) {
      out += "\xFD\xFF";
      return invalidUtf8Length(at, left);
    });
  } else if (codePage == CP_GBK) {
    known = convert("UTF-16LE", "CP936", multiByte, size, utf16, [](const char* at, size_t left, std::string& out) {
      out += std::string("?\0", 2);
      return invalidGbkLength(at, left);
    });
  }
  if (!known) return 0;
  const size_t units = utf16.size() / 2;
  if (wideCapacity == 0) return int(units);
  if (wide == nullptr || units > size_t(wideCapacity)) return 0;
  for (size_t i = 0; i < units; ++i) {
    wide[i] = char16_t(static_cast<unsigned char>(utf16[2 * i]) | static_cast<unsigned char>(utf16[2 * i + 1]) << 8);
  }
  return int(units);
}

int WideCharToMultiByte(unsigned codePage, uint32_t, const char16_t* wide, int wideCount, char* multiByte,
                        int byteCapacity, const char* defaultChar, bool* usedDefault) {
  if (wide == nullptr || wideCount == 0 || wideCount < -1 || byteCapacity < 0) return 0;
  if (codePage != CP_UTF8 && codePage != CP_GBK) return 0;
  // UTF-8 encodes every character, so a default character makes no sense there.
  if (codePage == CP_UTF8 && (defaultChar != nullptr || usedDefault != nullptr)) return 0;
  size_t count = size_t(wideCount);
  if (wideCount == -1) {
    count = 0;
    while (wide[count] != 0) ++count;
    ++count;
  }
  const char* target = codePage == CP_UTF8 ? "UTF-8" : "CP936";
  const std::string replacement = defaultCharacter(defaultChar);
  bool defaulted = false;
  std::string out;
  // Surrogates are handled here, the runs between them by iconv: 936 has no character beyond the
  // basic plane, and glibc would drop some of those silently instead of refusing them.
  for (size_t i = 0; i < count;) {
    size_t end = i;
    while (end < count && !isSurrogate(wide[end])) ++end;
    const std::string run = littleEndianBytes(wide + i, end - i);
    convert(target, "UTF-16LE", run.data(), run.size(), out, [&](const char*, size_t, std::string& o) {
      o += replacement;
      defaulted = true;
      return size_t(2);
    });
    i = end;
    if (i == count) break;
    if (codePage == CP_GBK) {
      out += replacement;
      defaulted = true;
      ++i;
    } else if (isHighSurrogate(wide[i]) && i + 1 < count && isLowSurrogate(wide[i + 1])) {
      appendUtf8(out, 0x10000 + (char32_t(wide[i] - 0xD800) << 10) + (wide[i + 1] - 0xDC00));
      i += 2;
    } else {
      appendUtf8(out, 0xFFFD);
      ++i;
    }
  }
  if (usedDefault != nullptr) *usedDefault = defaulted;
  if (byteCapacity == 0) return int(out.size());
  if (multiByte == nullptr || out.size() > size_t(byteCapacity)) return 0;
  std::memcpy(multiByte, out.data(), out.size());
  return int(out.size());
}

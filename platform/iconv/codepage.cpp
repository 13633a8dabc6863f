#include "platform/codepage.h"

#include <iconv.h>

#include <cstring>
#include <vector>

namespace {

constexpr char16_t replacementCharacter = 0xFFFD;

// Code page 936 both ways, built once from iconv's table. Conversions then cost the same per character
// whether 936 has it or not: iconv's own way past a character it refuses costs microseconds each.
struct GbkTables {
  std::vector<char16_t> decode = std::vector<char16_t>(65536, 0);  // byte b at b, pair at lead << 8 | trail
  std::vector<uint16_t> encode = std::vector<uint16_t>(65536, 0);  // the code of a character; below 0x100 one byte
};

const GbkTables& gbkTables() {
  static const GbkTables tables = [] {
    GbkTables t;
    iconv_t cd = iconv_open("UTF-16LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) return t;
    // One character of one unit, or 0.
    const auto decodeOne = [cd](const std::string& bytes) -> char16_t {
      char16_t out[2];
      char* in = const_cast<char*>(bytes.data());
      size_t inLeft = bytes.size();
      char* outPtr = reinterpret_cast<char*>(out);
      size_t outLeft = sizeof out;
      const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      return r == size_t(-1) || inLeft != 0 || outLeft != sizeof out - sizeof out[0] ? 0 : out[0];
    };
    std::vector<uint16_t> codes;
    for (int b = 0x80; b <= 0xFF; ++b) codes.push_back(uint16_t(b));
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail != 0x7F) codes.push_back(uint16_t(lead << 8 | trail));
      }
    }
    for (const uint16_t code : codes) {
      const std::string bytes = code > 0xFF ? std::string{char(code >> 8), char(code & 0xFF)} : std::string(1, char(code));
      const char16_t c = decodeOne(bytes);
      t.decode[code] = c;
      if (c != 0 && t.encode[c] == 0) t.encode[c] = code;
    }
    iconv_close(cd);
    return t;
  }();
  return tables;
}

bool isSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDFFF; }
bool isHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

bool isGbkPair(unsigned char lead, unsigned char trail) {
  return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

void appendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += char16_t(c);
  } else {
    out += char16_t(0xD800 + ((c - 0x10000) >> 10));
    out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
    return;
  }
  if (c < 0x800) {
    out += char(0xC0 | c >> 6);
  } else if (c < 0x10000) {
    out += char(0xE0 | c >> 12);
    out += char(0x80 | (c >> 6 & 0x3F));
  } else {
    out += char(0xF0 | c >> 18);
    out += char(0x80 | (c >> 12 & 0x3F));
    out += char(0x80 | (c >> 6 & 0x3F));
  }
  out += char(0x80 | (c & 0x3F));
}

// Each well-formed sequence gives its character; each maximal start of one that breaks off gives one
// U+FFFD, as does each byte that starts none.
std::u16string decodeUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t size = bytes.size();
  std::u16string out;
  out.reserve(size);
  for (size_t i = 0; i < size;) {
    const unsigned char b = p[i];
    if (b < 0x80) {
      out += char16_t(b);
      ++i;
      continue;
    }
    // The trail bytes a lead byte wants, and the range its first trail byte must fall in.
    size_t trailing = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      trailing = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      trailing = 2;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      trailing = 3;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    }
    char32_t c = b & (0x3F >> trailing);
    size_t k = 1;
    for (; k <= trailing && i + k < size; ++k) {
      const unsigned char t = p[i + k];
      if (k == 1 ? (t < low || t > high) : (t < 0x80 || t > 0xBF)) break;
      c = c << 6 | (t & 0x3F);
    }
    if (trailing > 0 && k == trailing + 1) {
      appendUtf16(out, c);
    } else {
      out += replacementCharacter;
    }
    i += k;
  }
  return out;
}

std::u16string decodeGbk(std::string_view bytes) {
  const GbkTables& t = gbkTables();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t size = bytes.size();
  std::u16string out;
  out.reserve(size);
  for (size_t i = 0; i < size;) {
    const unsigned char b = p[i];
    if (b < 0x80) {
      out += char16_t(b);
      ++i;
      continue;
    }
    const bool pair = i + 1 < size && isGbkPair(b, p[i + 1]);
    const char16_t c = t.decode[pair ? b << 8 | p[i + 1] : b];
    out += c != 0 ? c : u'?';
    i += pair ? 2 : 1;
  }
  return out;
}

std::string encodeUtf8(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    const char16_t u = wide[i];
    if (!isSurrogate(u)) {
      appendUtf8(out, u);
    } else if (isHighSurrogate(u) && i + 1 < wide.size() && isLowSurrogate(wide[i + 1])) {
      appendUtf8(out, 0x10000 + (char32_t(u - 0xD800) << 10) + (wide[i + 1] - 0xDC00));
      ++i;
    } else {
      appendUtf8(out, replacementCharacter);
    }
  }
  return out;
}

// The default character of 936 as the caller gives it: one character, one or two bytes.
std::string defaultCharacter(const char* defaultChar) {
  if (defaultChar == nullptr || defaultChar[0] == '\0') return "?";
  const bool pair = static_cast<unsigned char>(defaultChar[0]) >= 0x81 && defaultChar[1] != '\0';
  return std::string(defaultChar, pair ? 2 : 1);
}

// 936 has no character beyond the basic plane, so each surrogate takes the default character.
std::string encodeGbk(std::u16string_view wide, const char* defaultChar, bool* usedDefault) {
  const GbkTables& t = gbkTables();
  const std::string replacement = defaultCharacter(defaultChar);
  bool defaulted = false;
  std::string out;
  out.reserve(wide.size() * 2);
  for (const char16_t u : wide) {
    const uint16_t code = u < 0x80 ? u : t.encode[u];
    if (code == 0 && u != 0) {
      out += replacement;
      defaulted = true;
    } else if (code <= 0xFF) {
      out += char(code);
    } else {
      out += char(code >> 8);
      out += char(code & 0xFF);
    }
  }
  if (usedDefault != nullptr) *usedDefault = defaulted;
  return out;
}

}  // namespace

std::u16string codePageToWide(unsigned codePage, std::string_view bytes) {
  if (codePage == CP_UTF8) return decodeUtf8(bytes);
  if (codePage == CP_GBK) return decodeGbk(bytes);
  return {};
}

std::string wideToCodePage(unsigned codePage, std::u16string_view wide, const char* defaultChar, bool* usedDefault) {
  if (codePage == CP_UTF8) return encodeUtf8(wide);
  if (codePage == CP_GBK) return encodeGbk(wide, defaultChar, usedDefault);
  return {};
}

int MultiByteToWideChar(unsigned codePage, uint32_t, const char* multiByte, int byteCount, char16_t* wide,
                        int wideCapacity) {
  if (multiByte == nullptr || byteCount == 0 || byteCount < -1 || wideCapacity < 0) return 0;
  if (codePage != CP_UTF8 && codePage != CP_GBK) return 0;
  const size_t size = byteCount == -1 ? std::strlen(multiByte) + 1 : size_t(byteCount);
  const std::u16string out = codePageToWide(codePage, std::string_view(multiByte, size));
  if (wideCapacity == 0) return int(out.size());
  if (wide == nullptr || out.size() > size_t(wideCapacity)) return 0;
  std::memcpy(wide, out.data(), out.size() * sizeof(char16_t));
  return int(out.size());
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
  const std::string out = wideToCodePage(codePage, std::u16string_view(wide, count), defaultChar, usedDefault);
  if (byteCapacity == 0) return int(out.size());
  if (multiByte == nullptr || out.size() > size_t(byteCapacity)) return 0;
  std::memcpy(multiByte, out.data(), out.size());
  return int(out.size());
}

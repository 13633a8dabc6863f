#include "platform/codepage.h"

#include <iconv.h>

#include <cstring>
#include <vector>

#include "base/utf.h"

namespace {

constexpr char16_t replacementCharacter = 0xFFFD;

// Code page 936 both ways, built once from iconv's table. Conversions then cost the same per character
// whether 936 has it or not: iconv's own way past a character it refuses costs microseconds each.
struct CodePage936Tables {
  std::vector<char16_t> decode = std::vector<char16_t>(65536, 0);  // byte b at b, pair at lead << 8 | trail
  std::vector<uint16_t> encode = std::vector<uint16_t>(65536, 0);  // the code of a character; below 0x100 one byte
};

const CodePage936Tables& codePage936Tables() {
  static const CodePage936Tables tables = [] {
    CodePage936Tables t;
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

bool isGbkPair(unsigned char lead, unsigned char trail) {
  return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

// Each well-formed sequence gives its character; each maximal start of one that breaks off gives one
// U+FFFD, as does each byte that starts none.
std::u16string decodeUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t size = bytes.size();
  std::u16string out(size, u'\0');  // no character takes more code units than bytes
  char16_t* o = out.data();
  for (size_t i = 0; i < size;) {
    char32_t c;
    i += readUtf8(p + i, size - i, false, c);
    if (c == noCharacter) *o++ = replacementCharacter;
    else o = putUtf16(c, o);
  }
  out.resize(size_t(o - out.data()));
  return out;
}

std::u16string decodeGbk(std::string_view bytes) {
  const CodePage936Tables& t = codePage936Tables();
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
  std::string out(3 * wide.size(), '\0');  // a pair's four bytes stand for two units
  char* o = out.data();
  for (size_t i = 0; i < wide.size(); ++i) {
    const char16_t u = wide[i];
    if (!isSurrogate(u)) {
      o = putUtf8(u, o);
    } else if (isHighSurrogate(u) && i + 1 < wide.size() && isLowSurrogate(wide[i + 1])) {
      o = putUtf8(fromSurrogates(u, wide[i + 1]), o);
      ++i;
    } else {
      o = putUtf8(replacementCharacter, o);
    }
  }
  out.resize(size_t(o - out.data()));
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
  const CodePage936Tables& t = codePage936Tables();
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

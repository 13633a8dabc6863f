#include "platform/textbridge.h"

#include <iconv.h>

#include <cstdint>
#include <memory>

namespace {

constexpr char32_t noCharacter = 0xFFFFFFFF;

// GB18030's four-byte sequences by their linear index: 0 to 39419 hold BMP characters, 189000 on the
// supplementary planes in order, and from 1237576 (past U+10FFFF) up to 1587599 nothing. There the BMP
// characters that have no bytes otherwise take the sequence at 1237576 + their code.
constexpr uint32_t bmpFourCount = 39420;
constexpr uint32_t supplementaryFour = 189000;
constexpr uint32_t beyondUnicode = supplementaryFour + 0x100000;

uint32_t fourByteIndex(const unsigned char* b) {
  return (((b[0] - 0x81u) * 10 + (b[1] - 0x30u)) * 126 + (b[2] - 0x81u)) * 10 + (b[3] - 0x30u);
}

// The four bytes at index, packed first byte highest.
uint32_t fourBytesAt(uint32_t index) {
  const uint32_t b3 = 0x30 + index % 10;
  index /= 10;
  const uint32_t b2 = 0x81 + index % 126;
  index /= 126;
  const uint32_t b1 = 0x30 + index % 10;
  const uint32_t b0 = 0x81 + index / 10;
  return b0 << 24 | b1 << 16 | b2 << 8 | b3;
}

bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// An iconv handle from one encoding to another, open for the life of the object.
struct Converter {
  iconv_t cd;
  Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
  ~Converter() {
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // The conversion of a few bytes; empty on any error.
  std::string operator()(std::string in) const {
    char out[16];
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out;
    size_t outLeft = sizeof out;
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0) return {};
    return std::string(out, sizeof out - outLeft);
  }
};

std::string utf32(char32_t c) { return {char(c & 0xFF), char(c >> 8 & 0xFF), char(c >> 16 & 0xFF), char(c >> 24)}; }

// The lone BMP character from 0x80 on, not a surrogate, that toUtf32 makes of bytes; or noCharacter.
char32_t decodeOne(const Converter& toUtf32, const std::string& bytes) {
  const std::string c = toUtf32(bytes);
  if (c.size() != 4) return noCharacter;
  const auto u = [&c](int i) { return char32_t(static_cast<unsigned char>(c[i])); };
  const char32_t code = u(0) | u(1) << 8 | u(2) << 16 | u(3) << 24;
  return code >= 0x80 && code <= 0xFFFF && !isSurrogate(code) ? code : noCharacter;
}

std::string packedBytes(uint32_t packed, size_t length) {
  std::string bytes;
  for (size_t k = length; k-- > 0;) bytes += char(packed >> (8 * k) & 0xFF);
  return bytes;
}

// Built once from iconv; afterwards reading and writing is table lookups and arithmetic.
struct Tables {
  char16_t pairChar[65536] = {};  // lead << 8 | trail; 0: none
  char16_t fourChar[bmpFourCount] = {};
  uint32_t charBytes[65536] = {};  // a BMP character's bytes packed first byte highest; 0: none
};

std::unique_ptr<const Tables> buildTables() {
  auto t = std::make_unique<Tables>();
  for (char32_t c = 1; c < 0x80; ++c) t->charBytes[c] = c;
  t->charBytes[0x20AC] = 0x80;
  // Pairs: code page 936 first, GB18030 for the ones it lacks. A pair is taken only when its character
  // encodes back to it, so each character has one pair and it reads back.
  for (const char* encoding : {"CP936", "GB18030"}) {
    const Converter toUtf32("UTF-32LE", encoding);
    const Converter fromUtf32(encoding, "UTF-32LE");
    for (uint32_t lead = 0x81; lead <= 0xFE; ++lead) {
      for (uint32_t trail = 0x40; trail <= 0xFE; ++trail) {
        const uint32_t code = lead << 8 | trail;
        if (trail == 0x7F || t->pairChar[code] != 0) continue;
        const std::string pair = packedBytes(code, 2);
        const char32_t c = decodeOne(toUtf32, pair);
        if (c == noCharacter || t->charBytes[c] != 0 || fromUtf32(utf32(c)) != pair) continue;
        t->pairChar[code] = char16_t(c);
        t->charBytes[c] = code;
      }
    }
  }
  // GB18030's four-byte BMP characters, then the unassigned sequences for those still without bytes.
  const Converter toUtf32("UTF-32LE", "GB18030");
  for (uint32_t index = 0; index < bmpFourCount; ++index) {
    const uint32_t four = fourBytesAt(index);
    const char32_t c = decodeOne(toUtf32, packedBytes(four, 4));
    if (c == noCharacter || t->charBytes[c] != 0) continue;
    t->fourChar[index] = char16_t(c);
    t->charBytes[c] = four;
  }
  for (char32_t c = 0x80; c <= 0xFFFF; ++c)
    if (t->charBytes[c] == 0 && !isSurrogate(c)) t->charBytes[c] = fourBytesAt(beyondUnicode + c);
  return t;
}

const Tables& tables() {
  static const std::unique_ptr<const Tables> built = buildTables();
  return *built;
}

bool isDigit(unsigned char b) { return b >= 0x30 && b <= 0x39; }
bool isLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// Reads the GBK character at the front of p (left bytes there, the first 0x80 or above): returns its
// length and sets c, or 1 with c = noCharacter for a byte that starts none. Returns 0 when the bytes
// there may still begin a character and more may follow.
size_t readGbk(const Tables& t, const unsigned char* p, size_t left, bool more, char32_t& c) {
  const unsigned char b = p[0];
  c = b == 0x80 ? char32_t(0x20AC) : noCharacter;
  if (!isLead(b)) return 1;
  if (left < 2) return more ? 0 : 1;
  if (const char16_t pair = t.pairChar[b << 8 | p[1]]; pair != 0) {
    c = pair;
    return 2;
  }
  if (!isDigit(p[1])) return 1;
  if (left < 4) return more ? 0 : 1;
  if (!isLead(p[2]) || !isDigit(p[3])) return 1;
  const uint32_t index = fourByteIndex(p);
  if (index < bmpFourCount) {
    if (t.fourChar[index] != 0) c = t.fourChar[index];
  } else if (index >= supplementaryFour && index < beyondUnicode) {
    c = 0x10000 + (index - supplementaryFour);
  } else if (index >= beyondUnicode && index - beyondUnicode <= 0xFFFF) {
    const char32_t slot = index - beyondUnicode;
    if (t.charBytes[slot] == fourBytesAt(index)) c = slot;
  }
  return c == noCharacter ? 1 : 4;
}

// Writes c's bytes at o and returns the end; c is no surrogate.
char* putGbk(const Tables& t, char32_t c, char* o) {
  const uint32_t bytes = c <= 0xFFFF ? t.charBytes[c] : fourBytesAt(supplementaryFour + (c - 0x10000));
  if (bytes > 0xFFFF) {
    *o++ = char(bytes >> 24);
    *o++ = char(bytes >> 16 & 0xFF);
  }
  if (bytes > 0xFF) *o++ = char(bytes >> 8 & 0xFF);
  *o++ = char(bytes & 0xFF);
  return o;
}

// Reads the UTF-8 character at the front of p like readGbk: a byte that begins no valid sequence
// (overlong forms, surrogates and code points past U+10FFFF are none) stands alone.
size_t readUtf8(const unsigned char* p, size_t left, bool more, char32_t& c) {
  const unsigned char b = p[0];
  c = noCharacter;
  size_t length = 1;
  unsigned char low = 0x80;  // the second byte's range; the others take 80 to BF
  unsigned char high = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
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
    if (k == left) return more ? 0 : 1;
    if (p[k] < (k == 1 ? low : 0x80) || p[k] > (k == 1 ? high : 0xBF)) return 1;
    code = code << 6 | (p[k] & 0x3F);
  }
  c = code;
  return length;
}

char* putUtf8(char32_t c, char* o) {
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

// The editor's marks. Lone surrogates, which no character is, carry what it cannot hold as itself.
constexpr char16_t lineBreak = 0x2029;     // CR LF, the document's own line break
constexpr char16_t loneLineFeed = 0x2028;  // a line break within the document's paragraph
constexpr char16_t byteEscape = 0xDC00;    // + a byte that starts no character, or a lone CR
constexpr char16_t characterEscape = 0xDD00;  // + the low byte of a character the document breaks at

// U+2028, U+2029, U+FDD0 and U+FDD1, which the document takes for line breaks.
bool breaksDocumentLine(char32_t c) { return (c | 1) == 0x2029 || (c | 1) == 0xFDD1; }

// The character that an escape in characterEscape's row stands for, if it breaks document lines.
char32_t escapedCharacter(char16_t u) { return (u & 0x80 ? 0xFD00 : 0x2000) | (u & 0xFF); }

}  // namespace

// Writing goes through pointers into room made ahead (the most a character can take): a string's
// append per character costs several times as much.

size_t gbkToEditorUnits(std::string_view bytes, char16_t* const out) {
  const Tables& t = tables();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  char16_t* o = out;
  for (size_t i = 0; i < n;) {
    if (p[i] >= 0x80) {
      char32_t c;
      const size_t length = readGbk(t, p + i, n - i, false, c);
      if (c == noCharacter) {
        *o++ = char16_t(byteEscape + p[i]);
      } else if (c >= 0x10000) {
        *o++ = char16_t(0xD800 + ((c - 0x10000) >> 10));
        *o++ = char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        *o++ = breaksDocumentLine(c) ? char16_t(characterEscape + (c & 0xFF)) : char16_t(c);
      }
      i += length;
    } else if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n') {
      *o++ = lineBreak;
      i += 2;
    } else {
      *o++ = p[i] == '\n' ? loneLineFeed : p[i] == '\r' ? char16_t(byteEscape + '\r') : char16_t(p[i]);
      ++i;
    }
  }
  return size_t(o - out);
}

std::u16string gbkToEditorText(std::string_view bytes) {
  std::u16string out(bytes.size(), u'\0');
  out.resize(gbkToEditorUnits(bytes, out.data()));
  return out;
}

std::string editorTextToGbk(std::u16string_view text) {
  const Tables& t = tables();
  const size_t n = text.size();
  // Through a small buffer into reserved room: room never written takes no memory, while a string
  // sized for the longest result would be written over (zeroed) in full.
  std::string out;
  out.reserve(2 * n);
  char buffer[16384];
  char* o = buffer;
  for (size_t i = 0; i < n; ++i) {
    if (buffer + sizeof buffer - o < 4) {  // no room for the longest character
      out.append(buffer, o);
      o = buffer;
    }
    const char16_t u = text[i];
    char32_t c = u;
    if (u == lineBreak || u == '\n') {
      *o++ = '\r';
      c = '\n';
    } else if (u == loneLineFeed) {
      c = '\n';
    } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + (char32_t(u - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (u == byteEscape + '\r' || (u > byteEscape + 0x80 && u <= byteEscape + 0xFF)) {
      *o++ = char(u - byteEscape);
      continue;
    } else if ((u & 0xFF00) == characterEscape && breaksDocumentLine(escapedCharacter(u))) {
      c = escapedCharacter(u);
    } else if (isSurrogate(u)) {
      *o++ = '?';  // a lone surrogate that carries nothing is no character
      continue;
    }
    o = putGbk(t, c, o);
  }
  out.append(buffer, o);
  return out;
}

std::string gbkFrontToUtf8(const std::string& text, bool atEnd, size_t& used) {
  const Tables& t = tables();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  std::string out(3 * n, '\0');  // the euro sign's one byte takes three
  char* o = out.data();
  size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      *o++ = char(p[i++]);
      continue;
    }
    char32_t c;
    const size_t length = readGbk(t, p + i, n - i, !atEnd, c);
    if (length == 0) break;
    if (c == noCharacter) *o++ = char(p[i]);
    else o = putUtf8(c, o);
    i += length;
  }
  used = i;
  out.resize(size_t(o - out.data()));
  return out;
}

std::string utf8FrontToGbk(const std::string& text, bool atEnd, size_t& used) {
  const Tables& t = tables();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  std::string out(2 * n, '\0');  // U+0080's two bytes take four
  char* o = out.data();
  size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      *o++ = char(p[i++]);
      continue;
    }
    char32_t c;
    const size_t length = readUtf8(p + i, n - i, !atEnd, c);
    if (length == 0) break;
    if (c == noCharacter) *o++ = char(p[i]);
    else o = putGbk(t, c, o);
    i += length;
  }
  used = i;
  out.resize(size_t(o - out.data()));
  return out;
}

std::string gbkToUtf8Path(const std::string& path) {
  size_t used;
  return gbkFrontToUtf8(path, true, used);
}

std::string utf8PathToGbk(const std::string& path) {
  size_t used;
  return utf8FrontToGbk(path, true, used);
}

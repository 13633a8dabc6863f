#include "platform/textbridge.h"

#include <algorithm>
#include <cstdint>

#include "base/utf.h"
#include "platform/gbk_codec.h"

namespace {

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
  const GbkCodecTables& t = gbkCodecTables();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  char16_t* o = out;
  for (size_t i = 0; i < n;) {
    if (p[i] >= 0x80) {
      char32_t c;
      const size_t length = readGbk(t, p + i, n - i, false, c);
      if (c == noCharacter) {
        *o++ = char16_t(byteEscape + p[i]);
      } else if (breaksDocumentLine(c)) {
        *o++ = char16_t(characterEscape + (c & 0xFF));
      } else {
        o = putUtf16(c, o);
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
  const GbkCodecTables& t = gbkCodecTables();
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
    } else if (isHighSurrogate(u) && i + 1 < n && isLowSurrogate(text[i + 1])) {
      c = fromSurrogates(u, text[i + 1]);
      ++i;
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

std::string gbkFrontToLosslessUtf8(const std::string& text, bool atEnd, size_t& used) {
  const GbkCodecTables& t = gbkCodecTables();
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

std::string losslessUtf8FrontToGbk(const std::string& text, bool atEnd, size_t& used) {
  const GbkCodecTables& t = gbkCodecTables();
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
    if (c == noCharacter) o = std::copy_n(text.data() + i, length, o);  // each byte as itself
    else o = putGbk(t, c, o);
    i += length;
  }
  used = i;
  out.resize(size_t(o - out.data()));
  return out;
}

std::string gbkToLosslessUtf8(const std::string& text) {
  size_t used;
  return gbkFrontToLosslessUtf8(text, true, used);
}

std::string losslessUtf8ToGbk(const std::string& text) {
  size_t used;
  return losslessUtf8FrontToGbk(text, true, used);
}

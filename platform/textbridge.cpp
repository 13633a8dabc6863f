#include "platform/textbridge.h"

#include <iconv.h>

#include <array>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr char16_t lineBreak = 0x2029;      // the editor's paragraph separator
constexpr char16_t loneLineFeed = 0x2028;   // the editor's line separator
constexpr char16_t escapeBase = 0xDC00;     // lone low surrogates carry raw bytes

// Converts one character's bytes between an encoding and UTF-32LE; empty on any error. iconv's own
// handle is not thread-safe, so each call opens its own; the tables below keep this off hot paths.
std::u32string decodeWith(const char* encoding, const std::string& bytes) {
  iconv_t cd = iconv_open("UTF-32LE", encoding);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  char32_t out[4];
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* outPtr = reinterpret_cast<char*>(out);
  size_t outLeft = sizeof out;
  size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (r == size_t(-1) || inLeft != 0) return {};
  return std::u32string(out, (sizeof out - outLeft) / sizeof(char32_t));
}

std::string encodeWith(const char* encoding, char32_t c) {
  iconv_t cd = iconv_open(encoding, "UTF-32LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  char out[8];
  char* in = reinterpret_cast<char*>(&c);
  size_t inLeft = sizeof c;
  char* outPtr = out;
  size_t outLeft = sizeof out;
  size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (r == size_t(-1) || inLeft != 0) return {};
  return std::string(out, sizeof out - outLeft);
}

// Two-byte sequences and BMP characters, built once: code page 936 first, GB18030 for what it lacks.
// Only pairs that encode back to themselves decode, so every decoded pair round-trips.
struct Tables {
  std::vector<char16_t> decodePair = std::vector<char16_t>(65536, 0);  // lead << 8 | trail
  std::vector<uint16_t> encodeChar = std::vector<uint16_t>(65536, 0);  // 0: no one- or two-byte form
};

std::string encodeCharacter(const Tables& t, char32_t c);

const Tables& tables() {
  static std::unique_ptr<Tables> built;
  static std::once_flag once;
  std::call_once(once, [] {
    auto t = std::make_unique<Tables>();
    for (const char* encoding : {"CP936", "GB18030"}) {
      for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
          if (trail == 0x7F) continue;
          const uint16_t code = uint16_t(lead << 8 | trail);
          if (t->decodePair[code] != 0) continue;
          const std::string pair{char(lead), char(trail)};
          const std::u32string c = decodeWith(encoding, pair);
          if (c.size() != 1 || c[0] > 0xFFFF || t->encodeChar[c[0]] != 0) continue;
          if (encodeWith(encoding, c[0]) != pair) continue;
          t->encodeChar[c[0]] = code;
          t->decodePair[code] = char16_t(c[0]);
        }
      }
    }
    // Code page 936's euro sign is the single byte 0x80; a pair that also decoded to it no longer does.
    if (t->encodeChar[0x20AC] > 0xFF) t->decodePair[t->encodeChar[0x20AC]] = 0;
    t->encodeChar[0x20AC] = 0x80;
    built = std::move(t);
  });
  return *built;
}

// Four-byte sequences by their linear index. Those past U+10FFFF (E3 32 9A 35) up to FE 39 FE 39 are
// unassigned; they carry the few characters that GB18030 here has no four-byte form of (some private-use
// characters, and ideographs that it gives the two bytes code page 936 uses for others), so that these
// round-trip too. Slots 0 to FFFF hold the BMP, the rest U+20000 on.
constexpr uint32_t beyondUnicode = 1237576;
constexpr uint32_t lastFourByteIndex = 1587599;

char32_t unassignedSlotCharacter(uint32_t slot) { return slot <= 0xFFFF ? slot : slot + 0x10000; }

std::string fourBytesAt(uint32_t index);

std::string unassignedSlotBytes(char32_t c) {
  const uint32_t slot = c <= 0xFFFF ? c : c - 0x10000;
  if (c > 0xFFFF && c < 0x20000) return {};
  if (beyondUnicode + slot > lastFourByteIndex) return {};
  return fourBytesAt(beyondUnicode + slot);
}

uint32_t fourByteIndex(const std::string& four) {
  const auto b = [&four](int i) { return uint32_t(static_cast<unsigned char>(four[i])); };
  return (((b(0) - 0x81) * 10 + (b(1) - 0x30)) * 126 + (b(2) - 0x81)) * 10 + (b(3) - 0x30);
}

std::string fourBytesAt(uint32_t index) {
  std::string four(4, '\0');
  four[3] = char(0x30 + index % 10);
  index /= 10;
  four[2] = char(0x81 + index % 126);
  index /= 126;
  four[1] = char(0x30 + index % 10);
  four[0] = char(0x81 + index / 10);
  return four;
}

std::string encodeCharacter(const Tables& t, char32_t c) {
  if (c < 0x80) return std::string(1, char(c));
  if (c <= 0xFFFF && t.encodeChar[c] != 0) {
    const uint16_t code = t.encodeChar[c];
    return code > 0xFF ? std::string{char(code >> 8), char(code & 0xFF)} : std::string(1, char(code));
  }
  const std::string four = encodeWith("GB18030", c);
  if (four.size() == 4 && decodeWith("GB18030", four) == std::u32string(1, c)) return four;
  return unassignedSlotBytes(c);
}

bool isTrailOfFour(unsigned char b) { return b >= 0x30 && b <= 0x39; }
bool isLeadOfFour(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

void appendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(char16_t(c));
  } else {
    c -= 0x10000;
    out.push_back(char16_t(0xD800 + (c >> 10)));
    out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
  }
}

}  // namespace

std::u16string gbkToEditorText(const std::string& bytes) {
  const Tables& t = tables();
  std::u16string out;
  out.reserve(bytes.size());
  const size_t n = bytes.size();
  for (size_t i = 0; i < n;) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b == '\r') {
      if (i + 1 < n && bytes[i + 1] == '\n') {
        out.push_back(lineBreak);
        i += 2;
      } else {
        out.push_back(escapeBase + '\r');
        ++i;
      }
      continue;
    }
    if (b == '\n') {
      out.push_back(loneLineFeed);
      ++i;
      continue;
    }
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    if (b == 0x80) {
      out.push_back(0x20AC);
      ++i;
      continue;
    }
    if (i + 1 < n) {
      const char16_t c = t.decodePair[b << 8 | static_cast<unsigned char>(bytes[i + 1])];
      if (c != 0) {
        out.push_back(c);
        i += 2;
        continue;
      }
    }
    if (i + 3 < n && isTrailOfFour(bytes[i + 1]) && isLeadOfFour(bytes[i + 2]) && isTrailOfFour(bytes[i + 3])) {
      const std::string four = bytes.substr(i, 4);
      const uint32_t index = fourByteIndex(four);
      std::u32string c = decodeWith("GB18030", four);
      if (c.empty() && index >= beyondUnicode) c = std::u32string(1, unassignedSlotCharacter(index - beyondUnicode));
      const bool surrogate = c.size() == 1 && c[0] >= 0xD800 && c[0] <= 0xDFFF;
      // U+FDD0 and U+FDD1 mark frames in the editor's document, which turns them into line breaks.
      if (c.size() == 1 && !surrogate && c[0] != 0xFDD0 && c[0] != 0xFDD1 && encodeCharacter(t, c[0]) == four) {
        appendUtf16(out, c[0]);
        i += 4;
        continue;
      }
    }
    out.push_back(char16_t(escapeBase + b));
    ++i;
  }
  return out;
}

std::string editorTextToGbk(const std::u16string& text) {
  const Tables& t = tables();
  std::string out;
  out.reserve(text.size() * 2);
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t u = text[i];
    if (u == lineBreak || u == '\n') {
      out += "\r\n";
    } else if (u == loneLineFeed) {
      out += '\n';
    } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      const char32_t c = 0x10000 + (char32_t(u - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      out += encodeCharacter(t, c);
      ++i;
    } else if (u == escapeBase + '\r' || (u >= escapeBase + 0x80 && u <= escapeBase + 0xFF)) {
      out += char(u - escapeBase);
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out += '?';  // a lone surrogate that carries no byte is no character
    } else {
      const std::string encoded = encodeCharacter(t, u);
      out += encoded.empty() ? std::string("?") : encoded;
    }
  }
  return out;
}

namespace {

std::string utf16ToUtf8Escaped(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= escapeBase && c <= escapeBase + 0xFF) {
      out += char(c - escapeBase);
      continue;
    }
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | c >> 6);
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | c >> 12);
      out += char(0x80 | (c >> 6 & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | c >> 18);
      out += char(0x80 | (c >> 12 & 0x3F));
      out += char(0x80 | (c >> 6 & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string utf8ToUtf16Escaped(const std::string& text) {
  std::u16string out;
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int length = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    char32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    bool valid = length > 0 && i + length <= n;
    for (int k = 1; valid && k < length; ++k) {
      const auto t = static_cast<unsigned char>(text[i + k]);
      valid = (t & 0xC0) == 0x80;
      c = c << 6 | (t & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && c >= least[length] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
    if (!valid) {
      out.push_back(char16_t(escapeBase + b));
      ++i;
      continue;
    }
    if (c == '\n') {
      out.push_back(loneLineFeed);
    } else if (c == '\r') {
      out.push_back(escapeBase + '\r');
    } else {
      appendUtf16(out, c);
    }
    i += length;
  }
  return out;
}

}  // namespace

std::string gbkToUtf8Path(const std::string& path) {
  std::u16string text;
  for (const char16_t u : gbkToEditorText(path)) {
    if (u == lineBreak) text += u"\r\n";
    else if (u == loneLineFeed) text += u'\n';
    else if (u == escapeBase + '\r') text += u'\r';
    else text += u;
  }
  return utf16ToUtf8Escaped(text);
}

std::string utf8PathToGbk(const std::string& path) { return editorTextToGbk(utf8ToUtf16Escaped(path)); }

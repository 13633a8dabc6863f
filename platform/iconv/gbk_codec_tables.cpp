#include <iconv.h>

#include <memory>
#include <string>

#include "platform/gbk_codec.h"

namespace {

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

std::unique_ptr<const GbkCodecTables> buildTables() {
  auto t = std::make_unique<GbkCodecTables>();
  for (char32_t c = 1; c < 0x80; ++c) t->charBytes[c] = c;
  t->charBytes[0x20AC] = 0x80;
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

}  // namespace

const GbkCodecTables& gbkCodecTables() {
  static const std::unique_ptr<const GbkCodecTables> built = buildTables();
  return *built;
}

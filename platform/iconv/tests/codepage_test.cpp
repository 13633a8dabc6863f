#include "platform/codepage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "base/utf.h"

namespace {

// iconv, as the reference the tables and decoders must agree with: the whole input converted, or
// nullopt when iconv refuses some of it or stops short. One descriptor per direction, kept.
std::optional<std::string> iconvWhole(const char* to, const char* from, const std::string& input) {
  static struct Descriptors {
    std::map<std::pair<std::string, std::string>, iconv_t> open;
    ~Descriptors() {
      for (const auto& [direction, cd] : open) {
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
      }
    }
  } descriptors;
  iconv_t& cd = descriptors.open[{to, from}];
  if (cd == nullptr) cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out(input.size() * 4 + 8, '\0');
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  if (r == size_t(-1) || inLeft != 0) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

std::u16string fromUtf16Bytes(const std::string& bytes) {
  std::u16string wide(bytes.size() / 2, u'\0');
  std::memcpy(wide.data(), bytes.data(), wide.size() * 2);
  return wide;
}

std::u16string toWide(unsigned codePage, const std::string& bytes) {
  const int units = MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), nullptr, 0);
  std::u16string wide(size_t(units), u'\0');
  EXPECT_EQ(MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), wide.data(), units), units);
  return wide;
}

std::string toGbk(const std::u16string& wide, const char* defaultChar = nullptr, bool* usedDefault = nullptr) {
  const int size = WideCharToMultiByte(CP_GBK, 0, wide.data(), int(wide.size()), nullptr, 0, defaultChar, usedDefault);
  std::string bytes(size_t(size), '\0');
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, wide.data(), int(wide.size()), bytes.data(), size, defaultChar, usedDefault),
            size);
  return bytes;
}

TEST(CodePage, Utf8ToWideReplacesEachMaximalInvalidSubsequence) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"A\xE4\xB8\xAD", u"A\u4E2D"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xE4\xB8", u"\uFFFD"},                      // truncated at the end
      {"\xE4\xB8" "A", u"\uFFFDA"},
      {"\xC0\x80", u"\uFFFD\uFFFD"},                // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},      // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
      {"a\xF0\x9F\x98" "b", u"a\uFFFDb"},
      {"\xFF\xFE", u"\uFFFD\uFFFD"},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const auto& [bytes, expected] : cases) EXPECT_EQ(toWide(CP_UTF8, bytes), expected) << bytes;
}

TEST(CodePage, GbkBothWays) {
  EXPECT_EQ(toWide(CP_GBK, "\xD6\xD0\xCE\xC4"), u"\u4E2D\u6587");
  EXPECT_EQ(toWide(CP_GBK, "\x80"), u"\u20AC");
  EXPECT_EQ(toWide(CP_GBK, "a\xFF" "b\xD6"), u"a?b?");
  EXPECT_EQ(toGbk(u"\u4E2D\u6587\u20AC"), "\xD6\xD0\xCE\xC4\x80");

  bool usedDefault = false;
  EXPECT_EQ(toGbk(u"a\u0E01b", nullptr, &usedDefault), "a?b");  // Thai is not in 936
  EXPECT_TRUE(usedDefault);
  EXPECT_EQ(toGbk(u"a\u0E01", "*", &usedDefault), "a*");
  EXPECT_EQ(toGbk(u"a\u0E01", "\xA3\xBF"), "a\xA3\xBF") << "a default character of two bytes";
  EXPECT_EQ(toGbk(u"ab", nullptr, &usedDefault), "ab");
  EXPECT_FALSE(usedDefault);
  // Beyond the basic plane 936 has nothing, tag characters included (glibc would drop those silently).
  EXPECT_EQ(toGbk(u"\U0001F600\U000E0001"), "????");
  EXPECT_EQ(toGbk(std::u16string(1, char16_t(0xD800)) + u"x"), "?x");
}

TEST(CodePage, EveryBasicPlaneCharacterToGbkAsIconvHasIt) {
  // The whole plane in one text: characters 936 has and lacks side by side.
  std::u16string plane;
  std::string expected;
  for (char32_t c = 1; c <= 0xFFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    plane += char16_t(c);
    expected += iconvWhole("CP936", "UTF-16LE", utf16LeBytes(std::u16string(1, char16_t(c)))).value_or("?");
  }
  bool usedDefault = false;
  EXPECT_TRUE(toGbk(plane, nullptr, &usedDefault) == expected);
  EXPECT_TRUE(usedDefault);
  EXPECT_TRUE(wideToCodePage(CP_GBK, codePageToWide(CP_UTF8, *iconvWhole("UTF-8", "UTF-16LE", utf16LeBytes(plane)))) == expected);
}

TEST(CodePage, EveryOneAndTwoByteSequenceFromGbkAsIconvHasIt) {
  // iconv's character for a sequence, else "?" for a lead byte and trail byte together, or for one byte.
  const auto reference = [](const std::string& bytes) {
    if (const auto whole = iconvWhole("UTF-16LE", "CP936", bytes)) return fromUtf16Bytes(*whole);
    if (bytes.size() == 1) return std::u16string(u"?");
    const auto lead = static_cast<unsigned char>(bytes[0]);
    const auto trail = static_cast<unsigned char>(bytes[1]);
    if (lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return std::u16string(u"?");
    std::u16string out;
    for (const char b : bytes) out += fromUtf16Bytes(iconvWhole("UTF-16LE", "CP936", std::string(1, b)).value_or(utf16LeBytes(u"?")));
    return out;
  };
  for (int first = 0; first < 256; ++first) {
    const std::string one(1, char(first));
    ASSERT_EQ(codePageToWide(CP_GBK, one), reference(one)) << first;
    for (int second = 0; second < 256; ++second) {
      const std::string two{char(first), char(second)};
      ASSERT_EQ(codePageToWide(CP_GBK, two), reference(two)) << first << " " << second;
    }
  }
}

TEST(CodePage, Utf8AsIconvReadsIt) {
  // Every scalar value, in one text.
  std::u32string scalars;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c < 0xD800 || c > 0xDFFF) scalars += c;
  }
  const std::string utf32(reinterpret_cast<const char*>(scalars.data()), scalars.size() * 4);
  const std::string utf8 = *iconvWhole("UTF-8", "UTF-32LE", utf32);
  const std::u16string utf16 = fromUtf16Bytes(*iconvWhole("UTF-16LE", "UTF-32LE", utf32));
  EXPECT_TRUE(codePageToWide(CP_UTF8, utf8) == utf16);

  // Broken input: each well-formed sequence is its character, and each longest start of one that
  // breaks off, or a byte that starts none, one U+FFFD. Well formed is what iconv reads as one scalar
  // and writes back the same; the starts are those of iconv's encodings of the scalars above.
  std::vector<bool> startsOfTwo(1 << 16), startsOfThree(1 << 24);
  const auto byteAt = [](const std::string& bytes, size_t i) { return uint32_t(static_cast<unsigned char>(bytes[i])); };
  for (size_t i = 0, at = 0; i < scalars.size(); ++i) {
    const char32_t c = scalars[i];
    const size_t length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    if (length > 2) startsOfTwo[byteAt(utf8, at) << 8 | byteAt(utf8, at + 1)] = true;
    if (length > 3) startsOfThree[byteAt(utf8, at) << 16 | byteAt(utf8, at + 1) << 8 | byteAt(utf8, at + 2)] = true;
    at += length;
  }
  const auto oneScalar = [](const std::string& bytes) -> std::optional<std::u16string> {
    const auto scalar = iconvWhole("UTF-32LE", "UTF-8", bytes);
    if (!scalar || scalar->size() != 4 || iconvWhole("UTF-8", "UTF-32LE", *scalar) != bytes) return std::nullopt;
    return fromUtf16Bytes(*iconvWhole("UTF-16LE", "UTF-32LE", *scalar));
  };
  const auto reference = [&](const std::string& bytes) {
    std::u16string out;
    for (size_t i = 0; i < bytes.size();) {
      size_t length = 0;
      for (size_t k = 1; k <= 4 && i + k <= bytes.size() && length == 0; ++k) {
        if (const auto c = oneScalar(bytes.substr(i, k))) {
          out += *c;
          length = k;
        }
      }
      if (length == 0) {
        out += u'\uFFFD';
        const size_t left = bytes.size() - i;
        const bool two = left >= 2 && startsOfTwo[byteAt(bytes, i) << 8 | byteAt(bytes, i + 1)];
        const bool three = left >= 3 && startsOfThree[byteAt(bytes, i) << 16 | byteAt(bytes, i + 1) << 8 | byteAt(bytes, i + 2)];
        length = three ? 3 : two ? 2 : 1;
      }
      i += length;
    }
    return out;
  };
  std::vector<std::string> inputs;
  for (int a = 0; a < 256; ++a) {
    inputs.push_back(std::string(1, char(a)));
    for (int b = 0; b < 256; ++b) inputs.push_back({char(a), char(b)});
  }
  // Longer ones from bytes at the edges of every range that matters.
  const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2,
                                 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
  for (const unsigned char a : edges) {
    for (const unsigned char b : edges) {
      for (const unsigned char c : edges) {
        inputs.push_back({char(a), char(b), char(c)});
        if (a >= 0xF0) {
          for (const unsigned char d : edges) inputs.push_back({char(a), char(b), char(c), char(d)});
        }
      }
    }
  }
  const auto bytesOf = [](const std::string& input) {
    std::string listed;
    for (const char b : input) listed.append(" ").append(std::to_string(static_cast<unsigned char>(b)));
    return listed;
  };
  for (const std::string& input : inputs) ASSERT_EQ(codePageToWide(CP_UTF8, input), reference(input)) << bytesOf(input);
}

TEST(CodePage, WideToUtf8ReplacesLoneSurrogates) {
  const std::u16string wide = std::u16string(u"a\U0001F600") + char16_t(0xDC00) + u"b";
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(size_t(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), bytes.data(), size, nullptr, nullptr);
  EXPECT_EQ(bytes, "a\xF0\x9F\x98\x80\xEF\xBF\xBD" "b");
}

TEST(CodePage, SizesAndFailures) {
  char16_t wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0), 4);  // the zero counts
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 3, wide, 2), 0);      // too small
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 0, wide, 8), 0);
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", 3, wide, 8), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 8), 4);
  EXPECT_EQ(std::u16string(wide, 4), std::u16string(u"abc", 4));

  char bytes[8];
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, u"\u4E2D", -1, nullptr, 0, nullptr, nullptr), 3);
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, u"\u4E2D", 1, bytes, 1, nullptr, nullptr), 0);
  bool usedDefault = false;
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, bytes, 8, nullptr, &usedDefault), 0);
}

}  // namespace

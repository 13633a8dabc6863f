#include "platform/codepage.h"

#include <gtest/gtest.h>

#include "web/http_access.h"

namespace {

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
  EXPECT_EQ(toGbk(u"ab", nullptr, &usedDefault), "ab");
  EXPECT_FALSE(usedDefault);
  // Beyond the basic plane 936 has nothing, tag characters included (glibc would drop those silently).
  EXPECT_EQ(toGbk(u"\U0001F600\U000E0001"), "????");
  EXPECT_EQ(toGbk(std::u16string(1, char16_t(0xD800)) + u"x"), "?x");
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

TEST(CodePage, ResponseBodyConversions) {
  EXPECT_EQ(utf8ToUtf16(""), "");
  EXPECT_EQ(utf8ToUtf16("A\xE4\xB8\xAD"), std::string("A\0\x2D\x4E", 4));
  EXPECT_EQ(utf8ToGbk(""), "");
  EXPECT_EQ(utf8ToGbk("\xE4\xB8\xAD\xE6\x96\x87 \xE2\x82\xAC"), "\xD6\xD0\xCE\xC4 \x80");
  EXPECT_EQ(utf8ToGbk(std::string("a\0\xFF", 3)), std::string("a\0?", 3));
}

}  // namespace

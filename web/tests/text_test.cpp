#include "web/text.h"

#include <gtest/gtest.h>

#include <climits>

#include "web/url.h"

// GBK bytes used below: "中文" D6 D0 CE C4; B0 41 is one two-byte character whose second byte is "A";
// A1 A1 is the full-width space.
namespace {

const std::string zhongWen = "\xD6\xD0\xCE\xC4";  // 中文

TEST(FindText, Cases) {
  struct Case {
    std::string text, sought;
    int start;
    bool ignoreCase;
    int expected;
  };
  const Case cases[] = {
      {"abcabc", "c", 0, false, 3},
      {"abcabc", "c", 4, false, 6},
      {"abcabc", "c", -5, false, 3},
      {"abcabc", "c", 1, false, 3},
      {"abc", "c", 4, false, -1},
      {"abc", "", 0, false, 1},
      {"abc", "", 3, false, 1},  // 1, not the start
      {"abc", "", 4, false, -1},
      {"", "", 0, false, -1},
      {"ab", "abc", 0, false, -1},  // a match lies wholly inside the text
      {"xABy", "ab", 0, true, 2},
      {"xABy", "ab", 0, false, -1},
      {"x[1]", "[1]", 0, true, 2},  // only letters fold
      {"\xB0\x41" "A", "A", 0, false, 3},   // never on a second byte
      {"\xB0\x61", "A", 0, true, -1},
      {zhongWen, "\xD0\xCE", 0, false, -1},  // straddles two characters
      {"\xB0\x41\x41", "A", 2, false, 2},    // a start on a second byte steps from there
  };
  for (const Case& c : cases) {
    EXPECT_EQ(findText(c.text, c.sought, c.start, c.ignoreCase), c.expected)
        << c.text << " / " << c.sought << " from " << c.start;
  }
}

TEST(FindText, ReverseStepsOverTwoByteCharacters) {
  EXPECT_EQ(findTextReverse("a.b.c", "."), 4);
  EXPECT_EQ(findTextReverse("abc", "x"), -1);
  EXPECT_EQ(findTextReverse("a:\xB0\x3A", ":"), 2);
  EXPECT_EQ(findTextReverse("\xB0\x3A", ":"), -1);
}

TEST(TextCuts, LeftRightMid) {
  EXPECT_EQ(textLeft("abc", 2), "ab");
  EXPECT_EQ(textLeft("abc", 0), "");
  EXPECT_EQ(textLeft("abc", -1), "");
  EXPECT_EQ(textLeft("abc", 9), "abc");
  EXPECT_EQ(textLeft(zhongWen, 1), "\xD6");  // bytes are counted
  EXPECT_EQ(textRight("abc", 2), "bc");
  EXPECT_EQ(textRight("abc", 0), "");
  EXPECT_EQ(textRight("abc", 9), "abc");
  EXPECT_EQ(textMid("abcdef", 2, 3), "bcd");
  EXPECT_EQ(textMid("abcdef", 5, 9), "ef");
  EXPECT_EQ(textMid("abcdef", 0, 2), "");
  EXPECT_EQ(textMid("abcdef", 7, 1), "");
  EXPECT_EQ(textMid("abcdef", 6, 1), "f");
  EXPECT_EQ(textMid("abcdef", 2, 0), "");
}

TEST(TextCase, LowersAsciiButNotSecondBytes) {
  EXPECT_EQ(toLowerAscii("AbC\xC1\x41Z["), "abc\xC1\x41z[");
}

TEST(Spaces, TrimAndRemove) {
  struct Case {
    std::string text, trimmed, removed;
  };
  const Case cases[] = {
      {"  a b  ", "a b", "ab"},
      {"\xA1\xA1" "a\xA1\xA1 b \xA1\xA1", "a\xA1\xA1 b", "ab"},
      {"\t a\r\n", "\t a\r\n", "\ta\r\n"},
      {"\xB0\xA1\xA1\xA1", "\xB0\xA1", "\xB0\xA1"},  // 2-byte char, then a full-width space
      {"a\xB0\xA1\xA1", "a\xB0\xA1\xA1", "a\xB0\xA1\xA1"},  // A1 A1 straddles a boundary: no space
      {"   ", "", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(trimSpaces(c.text), c.trimmed) << c.text;
    EXPECT_EQ(removeSpaces(c.text), c.removed) << c.text;
  }
}

TEST(ReplaceAll, ScansCharacterByCharacterWithoutOverlaps) {
  EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(replaceAll("a.b.c", ".", ""), "abc");
  EXPECT_EQ(replaceAll("a.b", ".", ".."), "a..b");
  EXPECT_EQ(replaceAll("\xB0\x41" "A", "A", "x"), "\xB0\x41x");
  EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
}

TEST(SplitText, Cases) {
  using List = std::vector<std::string>;
  EXPECT_EQ(splitText("a;;b", ";"), (List{"a", "", "b"}));
  EXPECT_EQ(splitText(";a", ";"), (List{"", "a"}));
  EXPECT_EQ(splitText("a;b;", ";"), (List{"a", "b"}));
  EXPECT_EQ(splitText(";", ";"), (List{""}));
  EXPECT_EQ(splitText("", ";"), List{});
  EXPECT_EQ(splitText("a;b", ""), (List{"a;b"}));
  EXPECT_EQ(splitText("h1\r\nh2\r\n\r\n", "\r\n"), (List{"h1", "h2", ""}));
  EXPECT_EQ(splitText("\xB0;;x", ";"), (List{"\xB0;", "x"}));  // ";" as a second byte is no separator
}

TEST(FindBytes, ExactWithoutCharacterStepping) {
  EXPECT_EQ(findBytes(std::string("a\0b", 3), "b"), 3);
  EXPECT_EQ(findBytes(zhongWen, "\xD0\xCE"), 2);
  EXPECT_EQ(findBytes("abc", ""), -1);
  EXPECT_EQ(findBytes("abc", "abcd"), -1);
}

TEST(TextToInteger, Cases) {
  const std::pair<std::string, int> cases[] = {
      {"123", 123},
      {"  -42x", -42},
      {"+7", 7},
      {"\t\r\n9", 9},
      {"abc", 0},
      {"", 0},
      {"- 5", 0},
      {"\xA3\xB1\xA3\xB2", 12},                 // full-width 1 2
      {"\xA3\xAD\xA3\xB5", -5},                 // full-width - 5
      {"\xA1\xA1\xA3\xAB" "8", 8},              // full-width space, full-width +
      {"99999999999", INT_MAX},
      {"-99999999999", INT_MIN},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(textToInteger(text), expected) << text;
}

TEST(TextBetween, Cases) {
  const std::string quote = "#\xD2\xFD\xBA\xC5";  // #引号
  struct Case {
    std::string text, left, right;
    int startPos;
    bool caseSensitive;
    std::string expected;
  };
  const Case cases[] = {
      {"ab[42]cd", "[", "]", 0, false, "42"},
      {"ab42]cd", "[", "]", 0, false, ""},
      {"ab[42cd", "[", "]", 0, false, ""},
      {"ab]x[42", "[", "]", 0, false, ""},  // only a right marker after the left one counts
      {"say \"hi\" and \"x\"", quote, quote, 0, false, "hi"},
      {"f(\"37\");", "(" + quote, quote + ");", 0, false, "37"},
      {"xABy", "a", "y", 0, false, "B"},
      {"xABy", "a", "y", 0, true, ""},
      {"a[]b", "[", "]", 0, false, ""},
      {"a[b", "[", "", 0, false, ""},
      {"a[", "[", "]", 0, false, ""},
      {"[1][2]", "[", "]", 1, false, "1"},
      {"[1][2]", "[", "]", 2, false, "2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(textBetween(c.text, c.left, c.right, c.startPos, c.caseSensitive), c.expected) << c.text;
  }
}

TEST(HeaderValue, Cases) {
  EXPECT_EQ(headerValue("Location:   http://host.example/x  "), "http://host.example/x");
  EXPECT_EQ(headerValue("no colon here"), "");
  EXPECT_EQ(headerValue("Host: host.example:8080"), "host.example:8080");
  EXPECT_EQ(headerValue("X:"), "");
  EXPECT_EQ(headerValue("X:\xA1\xA1v\xA1\xA1"), "v");
}

TEST(Url, Host) {
  struct Case {
    std::string url;
    bool domainOnly, keepPort;
    std::string expected;
  };
  const Case cases[] = {
      {"HTTP://Sub.Host.Example:8080/A/B", false, false, "sub.host.example"},
      {"HTTP://Sub.Host.Example:8080/A/B", false, true, "sub.host.example:8080"},
      {"HTTP://Sub.Host.Example:8080/A/B", true, false, "host.example"},
      {"http://a.b.example:8080/", true, true, "b.example:8080"},
      {"host.example", false, false, "host.example"},
      {"https://host.example", false, false, "host.example"},
      {"HTTPS://Host.Example/x", false, false, "host.example"},
      {"http://localhost/x", true, false, "localhost"},
      {"http://t/x", false, false, "t"},
      {"/new/a", false, false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(urlHost(c.url, c.domainOnly, c.keepPort), c.expected) << c.url;
  }
}

TEST(Url, Port) {
  EXPECT_EQ(urlPort("http://host.example:8080/x"), 8080);
  EXPECT_EQ(urlPort("https://host.example/"), 443);
  EXPECT_EQ(urlPort("HTTPS://host.example/"), 443);
  EXPECT_EQ(urlPort("https://host.example:8443/"), 8443);
  EXPECT_EQ(urlPort("host.example/x"), 80);
  EXPECT_EQ(urlPort("http://host.example:/x"), 0);
}

TEST(Url, Path) {
  EXPECT_EQ(urlPath("http://host.example/A/b.php?x=1#f"), "/A/b.php?x=1#f");
  EXPECT_EQ(urlPath("http://host.example"), "/");
  EXPECT_EQ(urlPath("http://host.example:8080/x"), "/x");
  EXPECT_EQ(urlPath("host.example/x?y"), "/x?y");
  EXPECT_EQ(urlPath("http://t/x"), "//t/x");  // the host is first found inside the scheme
  EXPECT_EQ(urlPath("HTTP://HOST.example/Up"), "/Up");
}

}  // namespace

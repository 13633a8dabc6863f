#include "platform/textbridge.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string hex(const std::string& bytes) {
  std::string out;
  char buffer[4];
  for (const unsigned char b : bytes) {
    snprintf(buffer, sizeof buffer, "%02X ", b);
    out += buffer;
  }
  return out;
}

std::u16string utf16(const std::u32string& text) {
  std::u16string out;
  for (char32_t c : text) {
    if (c < 0x10000) {
      out.push_back(char16_t(c));
    } else {
      out.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
  }
  return out;
}

TEST(TextBridge, KnownBytes) {
  struct Case {
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {u"abc", "abc"},
      {u"提示", "\xCC\xE1\xCA\xBE"},
      {u"€", "\x80"},
      {u"a\u2029b", "a\r\nb"},                    // the editor's line break is CR LF
      {u"a\u2028b", "a\nb"},                      // a lone LF
      {u"a\xDC0D" u"b", "a\rb"},                   // a lone CR
      {u"\xDCFF", "\xFF"},                        // a byte that starts no character
      {u"\xDC81", "\x81"},                        // a lead byte at the end
      {u"\xDC81" u"\u2029", "\x81\r\n"},           // a lead byte before a line break
      {u"\U0001F600", "\x94\x39\xFC\x36"},        // outside code page 936: GB18030's four bytes
      // Characters without a four-byte form here take an unassigned one: a private-use character, and
      // an ideograph whose GB18030 bytes FE 51 code page 936 gives another character.
      {u"\uE82C", "\xE7\x39\xB0\x32"},
      {u"\U00020087", "\xE8\x34\xA9\x37"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hex(editorTextToGbk(c.text)), hex(c.bytes));
    EXPECT_EQ(gbkToEditorText(c.bytes), c.text) << hex(c.bytes);
  }
  EXPECT_EQ(editorTextToGbk(u"a\nb"), "a\r\nb");
}

TEST(TextBridge, AnyBytesComeBackUnchanged) {
  std::mt19937 random(20261211);
  // Bytes drawn mostly from the ranges where GBK's two- and four-byte sequences live.
  const auto nextByte = [&random] {
    const int kind = int(random() % 4);
    if (kind == 0) return char(1 + random() % 0x7F);
    if (kind == 1) return char(0x30 + random() % 10);
    return char(0x80 + random() % 0x80);
  };
  for (int round = 0; round < 5000; ++round) {
    std::string bytes(random() % 40, '\0');
    for (char& b : bytes) b = nextByte();
    ASSERT_EQ(hex(editorTextToGbk(gbkToEditorText(bytes))), hex(bytes)) << "round " << round;
  }
}

TEST(TextBridge, AnyUnicodeComesBackUnchanged) {
  std::mt19937 random(1211);
  const auto nextCharacter = [&random]() -> char32_t {
    for (;;) {
      const int kind = int(random() % 4);
      char32_t c = kind == 0   ? 0x20 + random() % 0x60
                   : kind == 1 ? 0x4E00 + random() % 0x5200   // CJK ideographs
                   : kind == 2 ? random() % 0x10000
                               : random() % 0x110000;
      const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
      // The editor holds no CR, LF or frame marks: it turns them into its own line breaks.
      const bool rewrittenByEditor = c == '\r' || c == '\n' || c == 0xFDD0 || c == 0xFDD1 || c == 0;
      if (!surrogate && !rewrittenByEditor) return c;
    }
  };
  for (int round = 0; round < 5000; ++round) {
    std::u32string text(random() % 30, U'\0');
    for (char32_t& c : text) c = nextCharacter();
    if (random() % 3 == 0) text.insert(text.begin() + random() % (text.size() + 1), char32_t(0x2029));
    const std::u16string editor = utf16(text);
    ASSERT_EQ(gbkToEditorText(editorTextToGbk(editor)), editor) << "round " << round;
  }
}

TEST(TextBridge, CodePage936CharactersHaveWindowsBytes) {
  // A sample of characters with the bytes that Windows gives them in code page 936.
  EXPECT_EQ(hex(editorTextToGbk(u"中文，。")), hex("\xD6\xD0\xCE\xC4\xA3\xAC\xA1\xA3"));
}

TEST(TextBridge, PathsAreUtf8OnDisk) {
  EXPECT_EQ(gbkToUtf8Path("/tmp/\xCE\xC4.txt"), "/tmp/文.txt");
  EXPECT_EQ(utf8PathToGbk("/tmp/文.txt"), "/tmp/\xCE\xC4.txt");
  EXPECT_EQ(utf8PathToGbk(gbkToUtf8Path("/tmp/\xFF\x81")), "/tmp/\xFF\x81");
  EXPECT_EQ(gbkToUtf8Path("a\r\nb\rc\nd"), "a\r\nb\rc\nd");
  EXPECT_EQ(utf8PathToGbk("\xF5\x80\x80"), "\xF5\x80\x80") << "bytes that start no UTF-8 character pass through";
}

}  // namespace

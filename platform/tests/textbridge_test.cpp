#include "platform/textbridge.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <cstdio>
#include <functional>
#include <random>
#include <string_view>

#include "testing/every_text.h"

namespace {

TEST(TextBridge, KnownBytes) {
  struct Case {
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {u"abc", "abc"},
      {u"提示", "\xCC\xE1\xCA\xBE"},
      {u"€", "\x80"},
      {u"a\u2029b", "a\r\nb"},     // the editor's line break is CR LF
      {u"a\u2028b", "a\nb"},       // a lone LF
      {u"a\xDC0D" u"b", "a\rb"},   // a lone CR
      {u"\xDCFF", "\xFF"},         // a byte that starts no character
      {u"\xDC81", "\x81"},         // a lead byte at the end
      {u"\xDC81" u"\u2029", "\x81\r\n"},  // a lead byte before a line break
      {u"\U0001F600", "\x94\x39\xFC\x36"},  // outside code page 936: GB18030's four bytes
      {u"\U0001F40D", "\x94\x39\xCA\x37"},  // its low surrogate is U+DC0D
      {u"\U0002000D", "\x95\x32\x83\x39"},
      // The characters that the document takes for line breaks are escapes.
      {u"\xDD28", "\x81\x36\xA6\x35"},  // U+2028
      {u"\xDD29", "\x81\x36\xA6\x36"},  // U+2029
      {u"\xDDD0", "\x84\x30\xFA\x32"},  // U+FDD0
      {u"\xDDD1", "\x84\x30\xFA\x33"},  // U+FDD1
      // A private-use character without bytes of its own takes an unassigned four-byte sequence; an
      // ideograph whose GB18030 pair FE 51 code page 936 gives another character, its linear one.
      {u"\uE82C", "\xE7\x39\xB0\x32"},
      {u"\U00020087", "\x95\x32\x90\x31"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hex(editorTextToGbk(c.text)), hex(c.bytes));
    EXPECT_EQ(gbkToEditorText(c.bytes), c.text) << hex(c.bytes);
  }
  EXPECT_EQ(editorTextToGbk(u"a\nb"), "a\r\nb");
  EXPECT_EQ(editorTextToGbk(u"\xDC80\xDC10\xD800"), "???") << "lone surrogates that carry nothing";
}

// Short texts of bytes and characters side by side, which the whole spaces below try one by one.
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
    ASSERT_EQ(hex(losslessUtf8ToGbk(gbkToLosslessUtf8(bytes))), hex(bytes)) << "round " << round;
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
    ASSERT_EQ(gbkToLosslessUtf8(losslessUtf8ToGbk(utf8(text))), utf8(text)) << "round " << round;
  }
}

TEST(TextBridge, CodePage936CharactersHaveWindowsBytes) {
  // A sample of characters with the bytes that Windows gives them in code page 936.
  EXPECT_EQ(hex(editorTextToGbk(u"中文，。")), hex("\xD6\xD0\xCE\xC4\xA3\xAC\xA1\xA3"));
}

// The first sequence of everyTwoAndFourByteSequence() that roundTrip does not bring back on its own.
std::string firstFailing(const std::string& all, const std::function<std::string(const std::string&)>& roundTrip) {
  for (size_t offset = 0; offset < all.size();) {
    const std::string sequence = sequenceAt(all, offset);
    if (roundTrip(sequence) != sequence) return hex(sequence) + "-> " + hex(roundTrip(sequence));
  }
  return "none on its own";
}

TEST(TextBridge, EveryByteSequenceComesBack) {
  const std::string all = everyTwoAndFourByteSequence();
  const std::u16string editor = gbkToEditorText(all);
  EXPECT_EQ(editor.find_first_of(u"\r\n\uFDD0\uFDD1"), std::u16string::npos)
      << "the document would turn these into its line break";
  if (editorTextToGbk(editor) != all)
    ADD_FAILURE() << "through the editor: " << firstFailing(all, [](const std::string& bytes) {
      return editorTextToGbk(gbkToEditorText(bytes));
    });
  // A byte that starts no character passes into UTF-8 as itself, so it must never begin UTF-8 with the
  // bytes after it: every pair of a UTF-8 lead (C2 to F4) and a continuation byte is a character.
  for (int lead = 0xC2; lead <= 0xF4; ++lead) {
    for (int trail = 0x80; trail <= 0xBF; ++trail) {
      const std::string pair{char(lead), char(trail)};
      EXPECT_EQ(gbkToEditorText(pair).size(), 1u) << hex(pair);
    }
  }
  if (losslessUtf8ToGbk(gbkToLosslessUtf8(all)) != all)
    ADD_FAILURE() << "through UTF-8: " << firstFailing(all, [](const std::string& bytes) {
      return losslessUtf8ToGbk(gbkToLosslessUtf8(bytes));
    });
}

// The first character of all that roundTrip does not bring back on its own.
template <typename RoundTrip>
std::string firstFailing(const std::u32string& all, RoundTrip roundTrip) {
  for (const char32_t c : all) {
    if (roundTrip(std::u32string(1, c))) continue;
    char name[12];
    snprintf(name, sizeof name, "U+%04X", unsigned(c));
    return name;
  }
  return "none on its own";
}

TEST(TextBridge, EveryCharacterComesBack) {
  // The editor's document holds every character but these: it turns them into its line break.
  const std::u32string editorCharacters =
      everyCharacter([](char32_t c) { return c != '\r' && c != '\n' && c != 0xFDD0 && c != 0xFDD1; });
  const auto throughBytes = [](const std::u32string& characters) {
    const std::u16string text = utf16(characters);
    return gbkToEditorText(editorTextToGbk(text)) == text;
  };
  if (!throughBytes(editorCharacters)) ADD_FAILURE() << "editor: " << firstFailing(editorCharacters, throughBytes);

  const std::u32string all = everyCharacter([](char32_t) { return true; });
  const auto throughGbk = [](const std::u32string& characters) {
    const std::string text = utf8(characters);
    return gbkToLosslessUtf8(losslessUtf8ToGbk(text)) == text;
  };
  if (!throughGbk(all)) ADD_FAILURE() << "UTF-8: " << firstFailing(all, throughGbk);
}

// An iconv handle that converts whole strings; empty when any of it does not convert.
struct Iconv {
  iconv_t cd;
  Iconv(const char* to, const char* from) : cd(iconv_open(to, from)) {}
  ~Iconv() { iconv_close(cd); }

  std::string operator()(const std::string& in) const {
    std::string out(in.size() * 2 + 16, '\0');
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1)) return {};
    out.resize(out.size() - outLeft);
    return out;
  }
};

std::string utf32(const std::u32string& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 4);
}

// The GBK character at offset in gbk, by its shape; offset moves past it.
std::string_view nextCharacter(const std::string& gbk, size_t& offset) {
  const bool single = static_cast<unsigned char>(gbk[offset]) <= 0x80;
  const size_t length = single ? 1 : gbk[offset + 1] >= '0' && gbk[offset + 1] <= '9' ? 4 : 2;
  offset += length;
  return std::string_view(gbk).substr(offset - length, length);
}

TEST(TextBridge, CharactersHaveTheirStandardBytes) {
  // Each character has the bytes that iconv gives it in code page 936, else those of GB18030; except
  // private-use characters that GB18030 here gives none, and ideographs whose GB18030 pair code page
  // 936 gives another character.
  const std::u32string all = everyCharacter([](char32_t) { return true; });
  const std::string ours = losslessUtf8ToGbk(utf8(all));
  const Iconv toCp936("CP936", "UTF-32LE");
  const Iconv toGb18030("GB18030", "UTF-32LE");
  const Iconv fromGb18030("UTF-32LE", "GB18030");
  const std::string supplementary = toGb18030(utf32(all.substr(all.find(0x10000))));
  ASSERT_FALSE(supplementary.empty());
  std::u32string different;
  size_t at = 0;
  size_t supplementaryAt = 0;
  for (const char32_t c : all) {
    const std::string_view mine = nextCharacter(ours, at);
    std::string expected;
    if (c >= 0x10000) {
      expected = nextCharacter(supplementary, supplementaryAt);
    } else {
      expected = toCp936(utf32(std::u32string(1, c)));
      if (expected.empty()) expected = toGb18030(utf32(std::u32string(1, c)));
    }
    if (mine != expected) {
      different += c;
      // GB18030 reads the ideographs' bytes as them, and leaves those of the private-use ones unassigned.
      EXPECT_EQ(fromGb18030(std::string(mine)), c >= 0x10000 ? utf32(std::u32string(1, c)) : "");
    }
  }
  EXPECT_EQ(at, ours.size());
  EXPECT_EQ(different, U"\uE78D\uE78E\uE78F\uE790\uE791\uE792\uE793\uE794\uE795\uE796"
                       U"\uE816\uE817\uE818\uE81E\uE826\uE82B\uE82C\uE831\uE832\uE83B\uE843\uE854\uE855\uE864"
                       U"\U00020087\U00020089\U000200CC\U000215D7\U0002298F\U000241FE");
}

TEST(TextBridge, PathsAreUtf8OnDisk) {
  EXPECT_EQ(gbkToLosslessUtf8("/tmp/\xCE\xC4.txt"), "/tmp/文.txt");
  EXPECT_EQ(losslessUtf8ToGbk("/tmp/文.txt"), "/tmp/\xCE\xC4.txt");
  EXPECT_EQ(gbkToLosslessUtf8("/tmp/\x94\x39\xCA\x37.txt"), "/tmp/🐍.txt");
  EXPECT_EQ(losslessUtf8ToGbk(gbkToLosslessUtf8("/tmp/\xFF\x81")), "/tmp/\xFF\x81");
  EXPECT_EQ(gbkToLosslessUtf8("/tmp/\xFF\x81"), "/tmp/\xFF\x81") << "bytes that start no character pass through";
  EXPECT_EQ(gbkToLosslessUtf8("a\r\nb\rc\nd"), "a\r\nb\rc\nd");
  EXPECT_EQ(gbkToLosslessUtf8("\x81\x36\xA6\x35\x81\x36\xA6\x36"), "\u2028\u2029") << "characters, not line breaks";
  EXPECT_EQ(losslessUtf8ToGbk("\xF5\x80\x80"), "\xF5\x80\x80") << "bytes that start no UTF-8 character pass through";
}

}  // namespace

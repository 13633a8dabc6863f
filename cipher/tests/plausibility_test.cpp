#include "cipher/plausibility.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string repeat(const std::string& piece, size_t times) {
  std::string text;
  for (size_t i = 0; i < times; ++i) text += piece;
  return text;
}

// The measure as documented, character by character, for the tests to hold the fast one to.
Plausibility walk(std::string_view text, bool more) {
  Plausibility measure;
  for (size_t at = 0; at < text.size() && at < plausibilityWindow;) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (more && at + 1 == text.size() && byte >= 0x81 && byte <= 0xFE) break;
    const TextCharacter found = characterAt(text, at);
    measure.windowBytes += found.size;
    if (found.kind == TextClass::common) measure.weight += 2 * found.size;
    if (found.kind == TextClass::text) measure.weight += found.size;
    if (found.kind == TextClass::other) measure.otherBytes += found.size;
    at += found.size;
  }
  return measure;
}

bool same(const Plausibility& a, const Plausibility& b) {
  return a.windowBytes == b.windowBytes && a.otherBytes == b.otherBytes && a.weight == b.weight;
}

std::string hex(std::string_view text) {
  std::string out;
  for (const char c : text) out += testing::PrintToString(static_cast<int>(static_cast<unsigned char>(c))) + " ";
  return out;
}

// Bytes at the edges of every class, for strings too many to try with all 256.
const std::string edges("\x00\x08\x09\x0A\x0B\x0D\x1F\x20\x21\x2C\x30\x40\x41\x7E\x7F\x80\x81\xA0\xA1\xA2\xA3\xA4\xA9"
                        "\xAA\xAF\xB0\xD7\xD8\xF7\xF8\xFE\xFF",
                        32);

TEST(Plausibility, ClassesOfCharacters) {
  struct Case {
    std::string text;
    size_t otherBytes;
    size_t weight;  // over window bytes that are the text's size here
  };
  const std::string common = "Hello, world! (It's 9-5.)\r\n\tOK?";
  const Case cases[] = {
      {"", 0, 0},
      {common, 0, 2 * common.size()},
      {"a#b", 0, 5},                        // # is text, not common
      {"\xC4\xE3\xBA\xC3", 0, 8},           // 你好: level-1 hanzi
      {"\xA3\xAC\xA1\xA3", 0, 8},           // ，。: full-width forms and punctuation
      {"\xD8\xA1\xA2\xA1\xA8\xA6", 0, 6},   // a level-2 hanzi, a numeral, a pinyin letter
      {"\x81\x40", 2, 0},                   // a GBK character outside GB2312
      {"\xB0\x40", 2, 0},                   // a GB2312 lead with a second byte outside A1 to FE
      {"\xAA\xA1", 2, 0},                   // an empty row of GB2312
      {"a\x01\x7F", 2, 2},                  // control bytes
      {std::string("a\0b", 3), 1, 4},       // zero
      {"\x80", 1, 0},                       // a byte that starts no character
      {"\xFF" "a", 1, 2},
      {"a\xB0", 1, 2},                      // a lead byte at the end
      {"\xB0 a", 1, 4},                     // a lead byte before a byte that cannot follow it
      {"\xB0\x7F", 2, 0},
  };
  for (const Case& c : cases) {
    const Plausibility measure = measureText(c.text);
    EXPECT_EQ(measure.windowBytes, c.text.size()) << hex(c.text);
    EXPECT_EQ(measure.otherBytes, c.otherBytes) << hex(c.text);
    EXPECT_EQ(measure.weight, c.weight) << hex(c.text);
  }
  EXPECT_EQ(plausibilityScore(measureText("")), 1.0);
  EXPECT_EQ(plausibilityScore(measureText("Hello")), 1.0);
  EXPECT_EQ(plausibilityScore(measureText("a#b")), 5.0 / 6.0);
  EXPECT_EQ(plausibilityScore(measureText("\x01\x02")), 0.0);
}

TEST(Plausibility, WindowAndThreshold) {
  // The window is the characters that start in the first 64 bytes: a character from byte 64 to 65 is
  // in it whole, the bytes after it are not.
  EXPECT_EQ(measureText(repeat("a", 63) + "\xB0\xA1" + repeat("\x01", 10)).windowBytes, 65u);
  EXPECT_EQ(measureText(repeat("a", 63) + "\xB0\xA1" + repeat("\x01", 10)).otherBytes, 0u);
  EXPECT_EQ(measureText(repeat("a", 64) + repeat("\x01", 10)).windowBytes, 64u);
  EXPECT_EQ(measureText(repeat("a", 63) + "\xB0 ").otherBytes, 1u);  // a lone lead at the window's edge

  // At most one other byte in 32: two in a full window, one from 32 bytes on, none below.
  struct Case {
    std::string text;
    bool plausible;
  };
  const Case cases[] = {
      {"", true},
      {"\x01", false},
      {repeat("a", 30) + "\x01", false},
      {repeat("a", 31) + "\x01", true},
      {repeat("a", 62) + "\x01\x01", true},
      {repeat("a", 61) + "\x01\x01\x01", false},
      {"\x81\x40" + repeat("\xC4\xE3", 31), true},  // one uncommon two-byte character in a full window
      {"\x81\x40\x81\x40" + repeat("\xC4\xE3", 30), false},
      {repeat("a", 64) + "\x01\x01\x01", true},  // past the window
  };
  for (const Case& c : cases) EXPECT_EQ(isPlausible(measureText(c.text)), c.plausible) << hex(c.text);
}

// Every string of up to two bytes, which takes the measure's machine through every step from every
// state, and the strings of three bytes at the edges of the classes.
std::vector<std::string> shortTexts() {
  std::vector<std::string> texts = {""};
  for (int a = 0; a < 256; ++a) {
    texts.emplace_back(1, static_cast<char>(a));
    for (int b = 0; b < 256; ++b) texts.push_back({static_cast<char>(a), static_cast<char>(b)});
  }
  for (const char a : edges)
    for (const char b : edges)
      for (const char c : edges) texts.push_back({a, b, c});
  return texts;
}

// The measure runs a byte machine; it must give what the character walk gives, at the end of a text, at
// the end of a cut start (more) and at the window's edge.
TEST(Plausibility, ByteMachineMatchesTheCharacterWalk) {
  for (const std::string& text : shortTexts())
    for (const bool more : {false, true})
      ASSERT_TRUE(same(measureText(text, more), walk(text, more))) << hex(text) << (more ? "more" : "");
  for (const char a : edges)
    for (const char b : edges) {
      const std::string text = repeat("x", 63) + a + b;
      ASSERT_TRUE(same(measureText(text), walk(text, false))) << hex(text);
    }
}

// The search drops a password when bytes that cannot be text, or the cut start of its text, already show
// more other bytes than a plausible text holds; both must never count more than the whole text does.
TEST(Plausibility, StartsAndBytesThatCannotBeTextNeverOvercount) {
  for (const std::string& text : shortTexts()) {
    const size_t other = measureText(text).otherBytes;
    size_t cannot = 0;
    for (const char byte : text) cannot += !mayBeText(static_cast<unsigned char>(byte));
    ASSERT_LE(cannot, other) << hex(text);
    for (size_t cut = 0; cut <= text.size(); ++cut)
      ASSERT_LE(measureText(text.substr(0, cut), true).otherBytes, other) << hex(text) << " cut " << cut;
  }
  // Every byte that mayBeText refuses is other on its own.
  for (int byte = 0; byte < 256; ++byte)
    if (!mayBeText(static_cast<unsigned char>(byte))) {
      EXPECT_EQ(measureText(std::string(1, static_cast<char>(byte))).otherBytes, 1u) << byte;
    }
}

}  // namespace

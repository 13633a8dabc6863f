#include "cipher/cli_text.h"

#include <gtest/gtest.h>

#include "platform/textbridge.h"

namespace {

// "你好" CR LF "世界" with a lone CR, a lone LF, a zero byte and a byte that starts no character.
const std::string gbkSample = "\xC4\xE3\xBA\xC3\r\n\xCA\xC0\xBD\xE7\rA\nB" + std::string(1, '\0') + "\xFF" + "C";
const std::string utf8Sample = "你好\r\n世界\rA\nB" + std::string(1, '\0') + "\xFF" + "C";

TEST(CliText, GbkToUtf8KeepsLineBreakBytes) {
  EXPECT_EQ(gbkToUtf8Text(gbkSample), utf8Sample);
  EXPECT_EQ(utf8PathToGbk(utf8Sample), gbkSample);
  EXPECT_EQ(gbkToUtf8Text(""), "");
  EXPECT_EQ(gbkToUtf8Text("\r\n\r\n"), "\r\n\r\n");
}

// Feeds text through take in three pieces cut at every pair of points; the pieces must convert to
// what the whole text converts to.
template <typename Take>
void expectCutsChangeNothing(const std::string& text, const std::string& whole, Take take) {
  for (size_t i = 0; i <= text.size(); ++i) {
    for (size_t j = i; j <= text.size(); ++j) {
      std::string pending;
      std::string out;
      pending += text.substr(0, i);
      out += take(pending, false);
      pending += text.substr(i, j - i);
      out += take(pending, false);
      pending += text.substr(j);
      out += take(pending, false);
      out += take(pending, true);
      ASSERT_EQ(out, whole) << "cut at " << i << " and " << j;
      ASSERT_TRUE(pending.empty());
    }
  }
}

TEST(CliText, ChunkedUtf8ToGbkMatchesWhole) {
  // Two-, three- and four-byte characters, CR LF, and bytes that are no UTF-8 (a stray continuation
  // byte, a cut-off lead, a lead at the very end).
  const std::string text = "ab é中文😀\r\n\x80x\xE4\xB8y 世\xF0\x9F";
  expectCutsChangeNothing(text, utf8PathToGbk(text), takeUtf8AsGbk);
}

TEST(CliText, ChunkedGbkToUtf8MatchesWhole) {
  // Two-byte characters, a four-byte GB18030 sequence (U+1F600), the euro byte 0x80, CR LF, a space,
  // digits that could be the second byte of a four-byte sequence, and a cut-off lead at the end.
  const std::string text = "\xC4\xE3\xBA\xC3 \x94\x39\xFC\x36\x80\r\n12\xCA\xC0\xBD\xE7" "3\xC4";
  expectCutsChangeNothing(text, gbkToUtf8Text(text), takeGbkAsUtf8);
}

TEST(CliText, GbkWithoutASafeCutWaitsForMore) {
  std::string pending = "\xC4\xE3\xBA\xC3\xCA";
  EXPECT_EQ(takeGbkAsUtf8(pending, false), "");
  EXPECT_EQ(pending.size(), 5u);
  pending += "\xC0\n";
  EXPECT_EQ(takeGbkAsUtf8(pending, false), "你好世\n");
  EXPECT_TRUE(pending.empty());
}

}  // namespace

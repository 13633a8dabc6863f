#include "cipher/cli/cli_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/textbridge.h"
#include "testing/every_text.h"
#include "testing/temporary_directory.h"

namespace {

// "你好" CR LF "世界" with a lone CR, a lone LF, a zero byte and a byte that starts no character.
const std::string gbkSample = "\xC4\xE3\xBA\xC3\r\n\xCA\xC0\xBD\xE7\rA\nB" + std::string(1, '\0') + "\xFF" + "C";
const std::string utf8Sample = "你好\r\n世界\rA\nB" + std::string(1, '\0') + "\xFF" + "C";

TEST(CliText, GbkToUtf8KeepsLineBreakBytes) {
  EXPECT_EQ(gbkToLosslessUtf8(gbkSample), utf8Sample);
  EXPECT_EQ(losslessUtf8ToGbk(utf8Sample), gbkSample);
  EXPECT_EQ(gbkToLosslessUtf8("\r\n\r\n"), "\r\n\r\n");
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
  expectCutsChangeNothing(text, losslessUtf8ToGbk(text), takeUtf8AsGbk);
}

TEST(CliText, ChunkedGbkToUtf8MatchesWhole) {
  // Two-byte characters, a four-byte GB18030 sequence (U+1F600), the euro byte 0x80, CR LF, a space,
  // digits that could be the second byte of a four-byte sequence, and a cut-off lead at the end.
  const std::string text = "\xC4\xE3\xBA\xC3 \x94\x39\xFC\x36\x80\r\n12\xCA\xC0\xBD\xE7" "3\xC4";
  expectCutsChangeNothing(text, gbkToLosslessUtf8(text), takeGbkAsUtf8);
}

// Feeds text through take in chunks of awkward sizes; at most a character's first three bytes may
// wait between chunks.
template <typename Take>
std::string inChunks(const std::string& text, Take take) {
  static const size_t sizes[] = {1, 4093, 2, 7, 3, 65536, 5};
  std::string pending;
  std::string out;
  size_t next = 0;
  for (size_t offset = 0; offset < text.size(); ++next) {
    const size_t size = std::min(sizes[next % std::size(sizes)], text.size() - offset);
    pending.append(text, offset, size);
    offset += size;
    out += take(pending, false);
    if (pending.size() > 3) {
      ADD_FAILURE() << pending.size() << " bytes wait after " << offset;
      return out;
    }
  }
  return out + take(pending, true);
}

TEST(CliText, EveryTextComesBackInChunks) {
  const std::string bytes = everyTwoAndFourByteSequence();
  EXPECT_TRUE(inChunks(inChunks(bytes, takeGbkAsUtf8), takeUtf8AsGbk) == bytes);
  const std::string text = utf8(everyCharacter([](char32_t) { return true; }));
  EXPECT_TRUE(inChunks(inChunks(text, takeUtf8AsGbk), takeGbkAsUtf8) == text);
}

TEST(CliText, ChineseWithoutLineBreaksDoesNotWait) {
  // No byte below 0x30 to cut after: the chunks must carry where a character begins, as GBK does not
  // resynchronise. Chunks of seven bytes cut every other pair.
  std::string gbk;
  std::string whole;
  for (int i = 0; i < 1000; ++i) {
    gbk += "\xC4\xE3\xD6\xD0\xCE\xC4";
    whole += "你中文";
  }
  std::string pending;
  std::string out;
  for (size_t offset = 0; offset < gbk.size(); offset += 7) {
    pending += gbk.substr(offset, 7);
    out += takeGbkAsUtf8(pending, false);
    ASSERT_LE(pending.size(), 1u) << "after " << offset;
  }
  out += takeGbkAsUtf8(pending, true);
  EXPECT_TRUE(out == whole);
}

// Runs command under sh and returns its standard output.
std::string outputOf(const std::string& command) {
  FILE* pipe = popen(("unset QUORLIN_PASSWORD; " + command).c_str(), "r");
  std::string out;
  char buffer[65536];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return out;
}

using CliTool = TemporaryDirectoryTest;

TEST_F(CliTool, KeepsEveryCharacterAndEveryByte) {
  const std::string tool = QUORLIN_CIPHER_TOOL;
  EXPECT_EQ(outputOf("printf 'a\\360\\237\\220\\215b' | " + tool + " encrypt --utf8 -p 5 - - | " + tool +
                     " decrypt --utf8 -p 5 - -"),
            "a🐍b");

  const std::string text = utf8(everyCharacter([](char32_t) { return true; }));
  writeBytes(path("text"), text);
  EXPECT_TRUE(outputOf(tool + " encrypt --utf8 -p 5 " + directory + "/text - | " + tool +
                       " decrypt --utf8 -p 5 - -") == text);
  writeBytes(path("bytes"), everyTwoAndFourByteSequence());
  const std::string encrypted = outputOf(tool + " encrypt -p 5 " + directory + "/bytes - | tee " + directory + "/enc");
  EXPECT_TRUE(outputOf(tool + " decrypt --utf8 -p 5 " + directory + "/enc - | " + tool + " encrypt --utf8 -p 5 - -") ==
              encrypted);
}

}  // namespace

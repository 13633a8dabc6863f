// quorlin-cipher on real files: what it writes, the passwords it takes and the arguments it refuses.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/version.h"
#include "cipher/cli/cli_files.h"
#include "cipher/cli/tests/cipher_tool.h"
#include "platform/textbridge.h"
#include "testing/random_bytes.h"

namespace {

namespace fs = std::filesystem;

TEST_F(CipherTool, RoundTripThroughFiles) {
  const std::string plain = randomBytes(5000, 1) + std::string(3, '\0') + "tail";
  writeBytes(file("plain"), plain);
  Result r = run({"encrypt", "-p", "2024", file("plain"), file("enc")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(readBytes(file("enc")), enciphered(plain, 2024));

  // Decrypt writes every deciphered byte, zero bytes and what follows them included.
  r = run({"decrypt", "--password", "2024", file("enc"), file("back")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(readBytes(file("back")), plain);
  EXPECT_EQ(workNames(), (std::vector<std::string>{"back", "enc", "plain"}));
}

TEST_F(CipherTool, FileLargerThanAChunkMatchesTheWholeBuffer) {
  const std::string plain = randomBytes((1 << 20) + 7, 2);
  writeBytes(file("plain"), plain);
  Result r = run({"encrypt", file("plain"), file("enc")}, {}, {"QUORLIN_PASSWORD=-7"});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string encrypted = readBytes(file("enc"));
  EXPECT_TRUE(encrypted == enciphered(plain, -7)) << "differs from encipherBytes on the whole buffer";

  r = run({"decrypt", file("enc"), file("back")}, {}, {"QUORLIN_PASSWORD=-7"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(readBytes(file("back")) == plain);
}

TEST_F(CipherTool, StandardInputToStandardOutput) {
  const std::string plain = randomBytes(70000, 3);
  Result r = run({"encrypt", "-p", "5", "-", "-"}, plain);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.out == enciphered(plain, 5));
  const std::string encrypted = r.out;
  r = run({"decrypt", "-p", "5", "-", "-"}, encrypted);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.out == plain);
}

TEST_F(CipherTool, EveryPasswordSourceGivesTheSameNumber) {
  writeBytes(file("password"), "  0077\r\n5\n");
  const std::string plain = "some text";
  struct Case {
    std::vector<std::string> options;
    std::vector<std::string> environment;
  };
  const Case cases[] = {
      {{"-p", "77"}, {}},
      {{"-p77"}, {}},
      {{"--password= 0077\t"}, {}},
      {{"-p", "4294967373"}, {}},  // wraps around modulo 2^32, as in the password box
      {{"--password-file", file("password")}, {}},
      {{"--password-file=" + file("password")}, {}},
      {{}, {"QUORLIN_PASSWORD=+77"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"encrypt"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.insert(arguments.end(), {"-", "-"});
    const Result r = run(arguments, plain, c.environment);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, enciphered(plain, 77)) << testing::PrintToString(c.options);
  }
  // A negative password is not the same digits without the sign.
  EXPECT_EQ(run({"encrypt", "-p", "-77", "-", "-"}, plain).out, enciphered(plain, -77));
  EXPECT_EQ(run({"encrypt", "-p-77", "-", "-"}, plain).out, enciphered(plain, -77));
  EXPECT_EQ(run({"encrypt", "-hx", "-", "-"}, plain).code, 2) << "a short option without a value takes none";
}

TEST_F(CipherTool, PasswordsThatAreNoWholeNumberAreRefused) {
  writeBytes(file("in"), "text");
  writeBytes(file("bom"), "\xEF\xBB\xBF" "5\n");
  writeBytes(file("empty"), "");
  writeBytes(file("too-long"), std::string(firstLineLimit + 1, '1') + "\n");
  struct Case {
    std::vector<std::string> options;
    std::vector<std::string> environment;
  };
  const Case cases[] = {
      {{"-p", "hunter2"}, {}},
      {{"-p", ""}, {}},
      {{"-p", "-"}, {}},
      {{"-p", "12 34"}, {}},
      {{"-p", "5-"}, {}},
      {{"-p", "--5"}, {}},
      {{"--password= 0077abc"}, {}},
      {{}, {"QUORLIN_PASSWORD="}},
      {{"--password-file", file("bom")}, {}},
      {{"--password-file", file("empty")}, {}},
      {{"--password-file", file("too-long")}, {}},
      {{"--password-file", "/dev/zero"}, {}},  // ends after its first few KiB
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"decrypt"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.insert(arguments.end(), {file("in"), file("out")});
    const Result r = run(arguments, {}, c.environment);
    const std::string what = testing::PrintToString(c.options) + testing::PrintToString(c.environment);
    EXPECT_EQ(r.code, 2) << what;
    EXPECT_THAT(r.err, testing::HasSubstr("passwords are whole numbers")) << what;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << what << ": " << r.err;
  }
  EXPECT_EQ(workNames(), (std::vector<std::string>{"bom", "empty", "in", "too-long"}));

  // The longest first line taken.
  writeBytes(file("longest"), std::string(firstLineLimit - 2, ' ') + "5\r\n");
  const Result r = run({"encrypt", "--password-file", file("longest"), "-", "-"}, "text");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, enciphered("text", 5));
}

TEST_F(CipherTool, PasswordFileOnStandardInputLeavesTheDataAfterItsLine) {
  pipeInput = true;
  const std::string data = "DATA\nmore lines\n" + randomBytes(10000, 4);
  const Result r = run({"encrypt", "--password-file", "/dev/stdin", "-", "-"}, "5\r\n" + data);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.out == enciphered(data, 5));
}

TEST_F(CipherTool, BadArgumentsExitWithTwo) {
  writeBytes(file("in"), "text");
  writeBytes(file("password"), "1\n");
  const std::string in = file("in");
  const std::string out = file("out");
  struct Case {
    std::vector<std::string> arguments;
    std::vector<std::string> environment;
  };
  const Case cases[] = {
      {{}, {}},
      {{"scramble", "-p", "1", in, out}, {}},
      {{"encrypt", "-p", "1", in}, {}},
      {{"encrypt", "-p", "1", in, out, "extra"}, {}},
      {{"encrypt", "--bogus", "-p", "1", in, out}, {}},
      {{"encrypt", "-x", "-p", "1", in, out}, {}},
      {{"encrypt", "--force=yes", "-p", "1", in, out}, {}},
      {{"encrypt", in, out, "-p"}, {}},
      {{"encrypt", in, out}, {}},
      {{"encrypt", "-p", "1", "-p", "1", in, out}, {}},
      {{"encrypt", "-p", "1", "--password-file", file("password"), in, out}, {}},
      {{"encrypt", "-p", "1", in, out}, {"QUORLIN_PASSWORD=1"}},
  };
  for (const Case& c : cases) {
    const Result r = run(c.arguments, {}, c.environment);
    const std::string what = testing::PrintToString(c.arguments);
    EXPECT_EQ(r.code, 2) << what;
    EXPECT_TRUE(r.err.starts_with("quorlin-cipher: ")) << what << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << what << ": " << r.err;
    EXPECT_EQ(r.out, "") << what;
  }
  EXPECT_EQ(workNames(), (std::vector<std::string>{"in", "password"}));
}

TEST_F(CipherTool, UnreadableInputExitsWithThree) {
  const std::string missing = file("missing");
  Result r = run({"decrypt", "-p", "1", missing, file("out")});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot open '" + missing + "': No such file or directory\n");

  fs::create_directory(file("folder"));
  r = run({"decrypt", "-p", "1", file("folder"), file("out")});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot read '" + file("folder") + "': Is a directory\n");

  writeBytes(file("in"), "text");
  r = run({"decrypt", "--password-file", missing, file("in"), file("out")});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot read password file '" + missing + "': No such file or directory\n");
  EXPECT_EQ(workNames(), (std::vector<std::string>{"folder", "in"}));
}

TEST_F(CipherTool, HelpAndVersion) {
  Result r = run({"--help"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.out.starts_with("Usage: quorlin-cipher encrypt|decrypt [options] INPUT OUTPUT\n")) << r.out;
  EXPECT_EQ(r.err, "");
  r = run({"encrypt", "-h"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.out.starts_with("Usage: ")) << r.out;
  r = run({"--version"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "quorlin-cipher " QUORLIN_VERSION "\n");
}

TEST_F(CipherTool, Utf8RoundTripWithChineseText) {
  // Characters of two to four bytes in both encodings, far past one chunk, so that chunk edges cut
  // them; one stretch of over a chunk has no byte that could end a GBK chunk early.
  std::string text = "x";
  for (int i = 0; i < 40000; ++i) text += "中";
  for (int i = 0; i < 6000; ++i) text += "你好，世界! Quorlin 😀 第" + std::to_string(i) + "行\r\n";
  writeBytes(file("text"), text);

  Result r = run({"encrypt", "--utf8", "-p", "88", file("text"), file("enc")});
  ASSERT_EQ(r.code, 0) << r.err;
  std::string gbk = readBytes(file("enc"));
  decipherBytes(gbk, 88);
  EXPECT_TRUE(gbk.starts_with("x\xD6\xD0\xD6\xD0")) << "not GBK";
  EXPECT_TRUE(gbk == losslessUtf8ToGbk(text)) << "differs from converting the whole text";
  EXPECT_NE(gbk.find("\xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7! Quorlin \x94\x39\xFC\x36 \xB5\xDA" "0\xD0\xD0\r\n"),
            std::string::npos);

  r = run({"decrypt", "--utf8", "-p", "88", file("enc"), "-"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.out == text) << "the UTF-8 text did not come back";

  r = run({"decrypt", "-p", "88", file("enc"), "-"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.out == gbk);
}

}  // namespace

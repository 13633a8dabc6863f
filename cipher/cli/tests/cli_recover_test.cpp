// Runs the real quorlin-cipher's recover command, and decrypt's check of its output, on real files in a
// temporary directory.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "cipher/byte_cipher.h"
#include "cipher/cli/cli_text.h"
#include "platform/textbridge.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string enciphered(std::string bytes, int32_t password) {
  encipherBytes(bytes, password);
  return bytes;
}

const std::string chineseUtf8 =
    "人们常说，时间就是金钱。可是我觉得，时间比金钱更宝贵，因为金钱用完了还可以再挣，时间过去了就再也回不来了。\r\n";
const std::string english =
    "It was a bright cold day in April, and the clocks were striking thirteen. The quick brown fox\r\n"
    "jumps over the lazy dog; the five boxing wizards jump quickly.";

class RecoverTool : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "quorlin-recover-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root = pattern;
  }
  void TearDown() override { fs::remove_all(root); }

  // A file of the work directory holding bytes.
  std::string file(const std::string& name, const std::string& bytes) const {
    writeFile(root / name, bytes);
    return (root / name).string();
  }

  Result run(const std::vector<std::string>& arguments) {
    std::string command = "env -u QUORLIN_PASSWORD " + quoted(QUORLIN_CIPHER_TOOL);
    for (const std::string& word : arguments) command += " " + quoted(word);
    command += " </dev/null >" + quoted((root / "stdout").string()) + " 2>" + quoted((root / "stderr").string());
    const int status = std::system(command.c_str());
    Result result;
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(root / "stdout");
    result.err = readFile(root / "stderr");
    return result;
  }

  fs::path root;
};

// The one search of all passwords here: -5 draws the keystream of 2^31 − 5, which is what is found.
TEST_F(RecoverTool, FindsThePasswordOfAChineseText) {
  const std::string path = file("chinese", enciphered(losslessUtf8ToGbk(chineseUtf8), -5));
  Result r = run({"recover", "--utf8", path});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.out.starts_with("2147483643\t1.000\t人们常说，时间就是金钱。可是我觉\n")) << r.out;
  EXPECT_EQ(r.err, "");

  r = run({"decrypt", "--utf8", "-p", "2147483643", path, "-"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, chineseUtf8);
}

TEST_F(RecoverTool, TextThatIsNoTextFitsNoPassword) {
  std::mt19937 generator(9);
  std::string noise(200, '\0');
  for (char& b : noise) b = static_cast<char>(generator());
  const Result r = run({"recover", file("noise", noise)});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "quorlin-cipher: no password gives plausible text\n");
}

TEST_F(RecoverTool, KnownTextPicksThePassword) {
  const std::string englishFile = file("english", enciphered(english, 20240611));
  Result r = run({"recover", "--known", "It was a", "--top", "1", englishFile});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "20240611\t1.000\tIt was a bright cold day in Apri\n");
  EXPECT_EQ(r.err, "");

  const std::string chineseFile = file("chinese", enciphered(losslessUtf8ToGbk(chineseUtf8), 7));
  r = run({"recover", "--utf8", "--known=人们常说", chineseFile});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.out.starts_with("7\t1.000\t人们常说")) << r.out;

  r = run({"recover", "--known", "It was the", englishFile});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "quorlin-cipher: no password gives a text that starts with the known text\n");

  // Three bytes known: a few thousand fit, the most plausible first.
  r = run({"recover", "--known", "It ", "--top", "3", englishFile});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.out.starts_with("20240611\t1.000\t")) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);
  EXPECT_TRUE(r.err.empty()) << "only the password's text has the best score: " << r.err;
}

// Tabs, line breaks, backslashes and bytes that are no text are escaped, so one password is one line.
TEST_F(RecoverTool, ThePreviewIsOneLine) {
  const std::string plain = "a\tb\r\nc\\d\x01" "e\xB0\xA1";
  const Result r = run({"recover", "--known", plain, "--utf8", file("odd", enciphered(plain, 99))});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "99\t0.875\ta\\tb\\r\\nc\\\\d\\x01e啊\n");
}

TEST_F(RecoverTool, ShortFilesFitManyPasswords) {
  for (const std::string& plain : {std::string(), std::string("Hi!")}) {
    const Result r = run({"recover", "--top", "4", file("short", enciphered(plain, 5))});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4) << r.out;
    EXPECT_EQ(r.err,
              "quorlin-cipher: warning: many passwords give a text as plausible as these, the first of them shown; "
              "the file is too short to tell them apart\n");
    if (plain.empty()) {
      EXPECT_EQ(r.out, "0\t1.000\t\n1\t1.000\t\n2\t1.000\t\n3\t1.000\t\n");
    }
  }
}

TEST_F(RecoverTool, BadArgumentsAndUnreadableFiles) {
  const std::string path = file("some", "text");
  const std::vector<std::string> cases[] = {
      {"recover"},
      {"recover", path, path},
      {"recover", "--top", "0", path},
      {"recover", "--top", "1001", path},
      {"recover", "--top", "x", path},
      {"recover", path, "--top"},
      {"recover", "--known", path},
      {"recover", "--known=", path},
      {"recover", "--bogus", path},
      {"recover", "--utf8=yes", path},
  };
  for (const std::vector<std::string>& arguments : cases) {
    const Result r = run(arguments);
    const std::string what = testing::PrintToString(arguments);
    EXPECT_EQ(r.code, 2) << what;
    EXPECT_TRUE(r.err.starts_with("quorlin-cipher: ")) << what << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << what << ": " << r.err;
    EXPECT_EQ(r.out, "") << what;
  }
  const std::string missing = (root / "missing").string();
  Result r = run({"recover", missing});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot open '" + missing + "': No such file or directory\n");
  r = run({"recover", root.string()});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot read '" + root.string() + "': Is a directory\n");

  r = run({"recover", "--help"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.out.starts_with("Usage: quorlin-cipher recover [options] FILE\n")) << r.out;
}

// decrypt judges the start of what it deciphers: a warning for a wrong password, with the same output and
// exit code; with --check, exit code 1 and no output at all.
TEST_F(RecoverTool, DecryptSaysWhenThePasswordLooksWrong) {
  const std::string path = file("english", enciphered(english, 31337));
  const std::string warning =
      "quorlin-cipher: warning: the decrypted text does not look like text: is the password right?\n";
  const std::string out = (root / "out").string();

  Result r = run({"decrypt", "-p", "31337", path, out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(readFile(out), english);

  std::string wrong = enciphered(english, 31337);
  decipherBytes(wrong, 31338);
  for (const bool utf8 : {false, true}) {
    std::vector<std::string> arguments = {"decrypt", "--force", "-p", "31338", path, out};
    if (utf8) arguments.insert(arguments.begin() + 1, "--utf8");
    r = run(arguments);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, warning);
    EXPECT_EQ(readFile(out), utf8 ? gbkToLosslessUtf8(wrong) : wrong);
  }

  fs::remove(out);
  r = run({"decrypt", "--check", "-p", "31338", path, out});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err,
            "quorlin-cipher: the decrypted text does not look like text: is the password right? Nothing written\n");
  EXPECT_FALSE(fs::exists(out));
  r = run({"decrypt", "--check", "-p", "31338", path, "-"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");

  r = run({"decrypt", "--check", "-p", "31337", path, "-"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, english);
  // Nothing to judge in an empty file.
  r = run({"decrypt", "--check", "-p", "1", file("empty", ""), "-"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

}  // namespace

// Runs the real quorlin-cipher on real files in a temporary directory.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>
#include <vector>

#include "cipher/byte_cipher.h"
#include "cipher/cli_files.h"
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

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string randomBytes(size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(generator() & 0xFF);
  return bytes;
}

std::string enciphered(std::string bytes, int32_t seed) {
  encipherBytes(bytes, seed);
  return bytes;
}

class CipherTool : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "quorlin-cipher-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root = pattern;
    work = root / "work";
    fs::create_directory(work);
  }
  void TearDown() override { fs::remove_all(root); }

  fs::path file(const std::string& name) const { return work / name; }

  // Runs the tool with arguments; environment holds NAME=VALUE words (QUORLIN_PASSWORD is unset
  // otherwise), output redirects standard output to a file of its own. Standard input is a file, or a
  // pipe when pipeInput is set. The shell runs shellSetup first.
  Result run(const std::vector<std::string>& arguments, const std::string& input = {},
             const std::vector<std::string>& environment = {}, const std::string& output = {}) {
    writeFile(root / "stdin", input);
    std::string command = shellSetup;
    if (pipeInput) command += "cat " + quoted((root / "stdin").string()) + " | ";
    command += "env -u QUORLIN_PASSWORD";
    for (const std::string& word : environment) command += " " + quoted(word);
    command += " " + quoted(QUORLIN_CIPHER_TOOL);
    for (const std::string& word : arguments) command += " " + quoted(word);
    if (!pipeInput) command += " <" + quoted((root / "stdin").string());
    command += " >" + quoted(output.empty() ? (root / "stdout").string() : output);
    command += " 2>" + quoted((root / "stderr").string());
    const int status = std::system(command.c_str());
    Result result;
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(root / "stdout");
    result.err = readFile(root / "stderr");
    return result;
  }

  // Starts the tool without waiting for it, with SIGINT, SIGTERM and SIGHUP at their default action as
  // a shell leaves them; standard input is the descriptor input, standard error the file stderr.
  pid_t start(const std::vector<std::string>& arguments, int input = STDIN_FILENO) {
    std::vector<char*> environment;
    for (char** variable = environ; *variable; ++variable)
      if (!std::string(*variable).starts_with("QUORLIN_PASSWORD=")) environment.push_back(*variable);
    environment.push_back(nullptr);
    std::vector<std::string> words = {QUORLIN_CIPHER_TOOL};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    if (input != STDIN_FILENO) posix_spawn_file_actions_adddup2(&files, input, STDIN_FILENO);
    const std::string errors = (root / "stderr").string();
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, s);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, words[0].c_str(), &files, &attributes, argv.data(), environment.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    return error == 0 ? pid : -1;
  }

  // The names in the work directory, to see that a failure left nothing behind.
  std::vector<std::string> workNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(work)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path root;
  fs::path work;
  bool pipeInput = false;
  std::string shellSetup;
};

TEST_F(CipherTool, RoundTripThroughFiles) {
  const std::string plain = randomBytes(5000, 1) + std::string(3, '\0') + "tail";
  writeFile(file("plain"), plain);
  Result r = run({"encrypt", "-p", "2024", file("plain"), file("enc")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(readFile(file("enc")), enciphered(plain, 2024));

  // Decrypt writes every deciphered byte, zero bytes and what follows them included.
  r = run({"decrypt", "--password", "2024", file("enc"), file("back")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(readFile(file("back")), plain);
  EXPECT_EQ(workNames(), (std::vector<std::string>{"back", "enc", "plain"}));
}

TEST_F(CipherTool, FileLargerThanAChunkMatchesTheWholeBuffer) {
  const std::string plain = randomBytes((1 << 20) + 7, 2);
  writeFile(file("plain"), plain);
  Result r = run({"encrypt", file("plain"), file("enc")}, {}, {"QUORLIN_PASSWORD=-7"});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string encrypted = readFile(file("enc"));
  EXPECT_TRUE(encrypted == enciphered(plain, -7)) << "differs from encipherBytes on the whole buffer";

  r = run({"decrypt", file("enc"), file("back")}, {}, {"QUORLIN_PASSWORD=-7"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(readFile(file("back")) == plain);
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
  writeFile(file("password"), "  0077\r\n5\n");
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
      {{"--password-file", file("password").string()}, {}},
      {{"--password-file=" + file("password").string()}, {}},
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
  writeFile(file("in"), "text");
  writeFile(file("bom"), "\xEF\xBB\xBF" "5\n");
  writeFile(file("empty"), "");
  writeFile(file("too-long"), std::string(firstLineLimit + 1, '1') + "\n");
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
      {{"--password-file", file("bom").string()}, {}},
      {{"--password-file", file("empty").string()}, {}},
      {{"--password-file", file("too-long").string()}, {}},
      {{"--password-file", "/dev/zero"}, {}},  // ends after its first few KiB
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"decrypt"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.insert(arguments.end(), {file("in").string(), file("out").string()});
    const Result r = run(arguments, {}, c.environment);
    const std::string what = testing::PrintToString(c.options) + testing::PrintToString(c.environment);
    EXPECT_EQ(r.code, 2) << what;
    EXPECT_THAT(r.err, testing::HasSubstr("passwords are whole numbers")) << what;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << what << ": " << r.err;
  }
  EXPECT_EQ(workNames(), (std::vector<std::string>{"bom", "empty", "in", "too-long"}));

  // The longest first line taken.
  writeFile(file("longest"), std::string(firstLineLimit - 2, ' ') + "5\r\n");
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
  writeFile(file("in"), "text");
  writeFile(file("password"), "1\n");
  const std::string in = file("in").string();
  const std::string out = file("out").string();
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
      {{"encrypt", "-p", "1", "--password-file", file("password").string(), in, out}, {}},
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
  const std::string missing = file("missing").string();
  Result r = run({"decrypt", "-p", "1", missing, file("out")});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot open '" + missing + "': No such file or directory\n");

  fs::create_directory(file("folder"));
  r = run({"decrypt", "-p", "1", file("folder"), file("out")});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot read '" + file("folder").string() + "': Is a directory\n");

  writeFile(file("in"), "text");
  r = run({"decrypt", "--password-file", missing, file("in"), file("out")});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot read password file '" + missing + "': No such file or directory\n");
  EXPECT_EQ(workNames(), (std::vector<std::string>{"folder", "in"}));
}

TEST_F(CipherTool, UnwritableOutputExitsWithFour) {
  writeFile(file("in"), "text");
  const std::string inMissingFolder = file("no-such-folder/out").string();
  Result r = run({"encrypt", "-p", "1", file("in"), inMissingFolder});
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot write '" + inMissingFolder + "': No such file or directory\n");

  r = run({"encrypt", "-p", "1", file("in"), "-"}, {}, {}, "/dev/full");
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot write standard output: No space left on device\n");
  EXPECT_EQ(workNames(), (std::vector<std::string>{"in"}));
}

TEST_F(CipherTool, LongStreamsThroughAPipeMatchTheWholeBuffer) {
  // A pipe hands the bytes over in reads of uneven size, so the pieces in flight between the reading
  // and the writing thread vary, and go round their ring many times.
  pipeInput = true;
  const std::string plain = randomBytes(3 * (1 << 20) + 5, 5);
  Result r = run({"encrypt", "-p", "31", "-", "-"}, plain);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.out == enciphered(plain, 31)) << "differs from encipherBytes on the whole buffer";
  r = run({"decrypt", "-p", "31", "-", file("back")}, r.out);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(readFile(file("back")) == plain);
}

TEST_F(CipherTool, ReadErrorMidStreamDropsTheOutput) {
  // A terminal whose other side closes fails the next read with EIO, after the bytes before it have
  // been read and written.
  const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(::grantpt(terminal), 0);
  ASSERT_EQ(::unlockpt(terminal), 0);
  const int input = ::open(::ptsname(terminal), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(input, 0);
  termios raw{};
  ASSERT_EQ(::tcgetattr(input, &raw), 0);
  ::cfmakeraw(&raw);
  ASSERT_EQ(::tcsetattr(input, TCSANOW, &raw), 0);
  const pid_t pid = start({"encrypt", "-p", "1", "-", file("out")}, input);
  ::close(input);
  ASSERT_GT(pid, 0);

  const std::string sent(3000, 'x');
  ASSERT_EQ(::write(terminal, sent.data(), sent.size()), ssize_t(sent.size()));
  const auto writtenSoFar = [&] {
    for (const std::string& name : workNames())
      if (name.starts_with(".out.")) return fs::file_size(file(name));
    return uintmax_t(0);
  };
  for (int wait = 0; wait < 1000 && writtenSoFar() < sent.size(); ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(writtenSoFar(), sent.size()) << "the bytes sent did not reach the temporary file";
  ::close(terminal);

  int status = 0;
  pid_t ended = 0;
  for (int wait = 0; wait < 1000 && (ended = ::waitpid(pid, &status, WNOHANG)) == 0; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (ended != pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    FAIL() << "the tool did not end after the read error";
  }
  EXPECT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(readFile(root / "stderr"), "quorlin-cipher: cannot read standard input: Input/output error\n");
  EXPECT_EQ(workNames(), std::vector<std::string>{}) << "the partial output was left behind";
}

TEST_F(CipherTool, WriteErrorsMidStreamStopTheTool) {
  // Far more than the pieces in flight, so that the reading thread still has input when the writing
  // one fails.
  writeFile(file("in"), randomBytes(8 << 20, 6));

  // A file size limit far below the input's size (ulimit counts blocks of 512 bytes or 1 KiB, by
  // shell) fails the temporary file's writes with EFBIG once it is reached; with the limit's signal
  // ignored, the tool sees the error.
  shellSetup = "trap '' XFSZ; ulimit -f 1024; ";
  Result r = run({"encrypt", "-p", "1", file("in"), file("out")});
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot write '" + file("out").string() + "': File too large\n");
  EXPECT_EQ(workNames(), std::vector<std::string>{"in"});

  // A reader that leaves after one byte, with SIGPIPE ignored as some callers leave it: the writes
  // fail with EPIPE.
  const std::string command = "trap '' PIPE; { env -u QUORLIN_PASSWORD " + quoted(QUORLIN_CIPHER_TOOL) +
                              " encrypt -p 1 " + quoted(file("in").string()) + " - 2>" +
                              quoted((root / "stderr").string()) + "; echo $? >" +
                              quoted((root / "status").string()) + "; } | head -c 1 >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(readFile(root / "status"), "4\n");
  EXPECT_EQ(readFile(root / "stderr"), "quorlin-cipher: cannot write standard output: Broken pipe\n");
}

TEST_F(CipherTool, ExistingOutputIsReplacedOnlyWithForce) {
  writeFile(file("in"), "new text");
  writeFile(file("out"), "old");
  fs::permissions(file("out"), fs::perms::owner_read | fs::perms::owner_write);
  Result r = run({"encrypt", "-p", "9", file("in"), file("out")});
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "quorlin-cipher: '" + file("out").string() + "' already exists (use --force to replace it)\n");
  EXPECT_EQ(readFile(file("out")), "old");

  r = run({"encrypt", "--force", "-p", "9", file("in"), file("out")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(readFile(file("out")), enciphered("new text", 9));
  EXPECT_EQ(fs::status(file("out")).permissions(), fs::perms::owner_read | fs::perms::owner_write);

  // The output is renamed into place only at the end, so a file can be decrypted onto itself.
  r = run({"decrypt", "--force", "-p", "9", file("out"), file("out")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(readFile(file("out")), "new text");
  EXPECT_EQ(workNames(), (std::vector<std::string>{"in", "out"}));
}

TEST_F(CipherTool, OutputsThatAreNoWritableRegularFileAreRefusedEvenWithForce) {
  writeFile(file("in"), "text");
  ASSERT_EQ(::mkfifo(file("fifo").c_str(), 0666), 0);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(file("socket").string().size(), sizeof address.sun_path);
  file("socket").string().copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  writeFile(file("read-only"), "kept");
  fs::permissions(file("read-only"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  std::vector<std::pair<std::string, std::string>> cases = {
      {file("fifo"), "not a regular file"},
      {file("socket"), "not a regular file"},
      {file("read-only"), "the file is read-only"},
  };
  // A device like /dev/full, made here so that a fault cannot replace the real one.
  if (::mknod(file("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) cases.push_back({file("full"), "not a regular file"});
  for (const auto& [target, reason] : cases) {
    struct stat before {};
    ::lstat(target.c_str(), &before);
    const Result r = run({"encrypt", "--force", "-p", "1", file("in"), target});
    EXPECT_EQ(r.code, 4) << target;
    EXPECT_EQ(r.err, "quorlin-cipher: cannot write '" + target + "': " + reason + "\n");
    struct stat after {};
    ::lstat(target.c_str(), &after);
    EXPECT_EQ(after.st_mode, before.st_mode) << target << " was changed";
    EXPECT_EQ(after.st_ino, before.st_ino) << target << " was replaced";
  }
  EXPECT_EQ(readFile(file("read-only")), "kept");
  std::vector<std::string> expected = {"fifo", "in", "read-only", "socket"};
  if (cases.size() == 4) expected.insert(expected.begin() + 1, "full");
  EXPECT_EQ(workNames(), expected) << "no temporary file is left";
  ::close(listener);
}

TEST_F(CipherTool, ForcedOutputFollowsLinksAndKeepsHardLinks) {
  writeFile(file("in"), "text");
  fs::create_directory(file("folder"));
  writeFile(file("folder/target"), "old");
  fs::create_symlink("folder/target", file("link"));
  writeFile(file("shared"), "old");
  fs::create_hard_link(file("shared"), file("folder/other-name"));

  Result r = run({"encrypt", "-p", "3", file("in"), file("link")});
  EXPECT_EQ(r.code, 4) << "a link is something already there";
  r = run({"encrypt", "--force", "-p", "3", file("in"), file("link")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(file("link")));
  EXPECT_EQ(readFile(file("folder/target")), enciphered("text", 3));

  r = run({"encrypt", "--force", "-p", "4", file("in"), file("shared")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(readFile(file("folder/other-name")), enciphered("text", 4));
  EXPECT_EQ(fs::hard_link_count(file("shared")), 2u);

  const std::string longest(255, 'n');
  r = run({"encrypt", "-p", "5", file("in"), file(longest)});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(readFile(file(longest)), enciphered("text", 5));
  EXPECT_EQ(workNames(), (std::vector<std::string>{"folder", "in", "link", longest, "shared"}));
}

TEST_F(CipherTool, InterruptsRemoveTheTemporaryFile) {
  ASSERT_EQ(::mkfifo(file("input").c_str(), 0600), 0);
  // Read and write, so that opening it neither waits for the tool nor gives the tool an end of input.
  const int input = ::open(file("input").c_str(), O_RDWR);
  ASSERT_GE(input, 0);
  ASSERT_EQ(::write(input, "partial", 7), 7);
  const std::string in = file("input").string();
  const std::string out = file("out").string();

  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const pid_t pid = start({"decrypt", "-p", "1", in, out});
    ASSERT_GT(pid, 0);

    // The tool waits for more input with the partial output in its temporary file.
    for (int wait = 0; wait < 1000 && workNames().size() < 2; ++wait)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(workNames().size(), 2u) << "no temporary file appeared";
    ::kill(pid, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    EXPECT_EQ(workNames(), std::vector<std::string>{"input"}) << "after signal " << signal;
  }
  ::close(input);
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
  EXPECT_EQ(r.out, "quorlin-cipher 1.2\n");
}

TEST_F(CipherTool, Utf8RoundTripWithChineseText) {
  // Characters of two to four bytes in both encodings, far past one chunk, so that chunk edges cut
  // them; one stretch of over a chunk has no byte that could end a GBK chunk early.
  std::string text = "x";
  for (int i = 0; i < 40000; ++i) text += "中";
  for (int i = 0; i < 6000; ++i) text += "你好，世界! Quorlin 😀 第" + std::to_string(i) + "行\r\n";
  writeFile(file("text"), text);

  Result r = run({"encrypt", "--utf8", "-p", "88", file("text"), file("enc")});
  ASSERT_EQ(r.code, 0) << r.err;
  std::string gbk = readFile(file("enc"));
  decipherBytes(gbk, 88);
  EXPECT_TRUE(gbk.starts_with("x\xD6\xD0\xD6\xD0")) << "not GBK";
  EXPECT_TRUE(gbk == utf8PathToGbk(text)) << "differs from converting the whole text";
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

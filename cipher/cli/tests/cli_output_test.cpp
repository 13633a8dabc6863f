// quorlin-cipher's output files: existing ones, ones that are no regular file, links, and the
// temporary file that an interrupt removes.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cipher/cli/tests/cipher_tool.h"

namespace {

namespace fs = std::filesystem;

TEST_F(CipherTool, UnwritableOutputExitsWithFour) {
  writeBytes(file("in"), "text");
  const std::string inMissingFolder = file("no-such-folder/out");
  Result r = run({"encrypt", "-p", "1", file("in"), inMissingFolder});
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot write '" + inMissingFolder + "': No such file or directory\n");

  r = run({"encrypt", "-p", "1", file("in"), "-"}, {}, {}, "/dev/full");
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot write standard output: No space left on device\n");
  EXPECT_EQ(workNames(), (std::vector<std::string>{"in"}));
}

TEST_F(CipherTool, ExistingOutputIsReplacedOnlyWithForce) {
  writeBytes(file("in"), "new text");
  writeBytes(file("out"), "old");
  fs::permissions(file("out"), fs::perms::owner_read | fs::perms::owner_write);
  Result r = run({"encrypt", "-p", "9", file("in"), file("out")});
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "quorlin-cipher: '" + file("out") + "' already exists (use --force to replace it)\n");
  EXPECT_EQ(readBytes(file("out")), "old");

  r = run({"encrypt", "--force", "-p", "9", file("in"), file("out")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(readBytes(file("out")), enciphered("new text", 9));
  EXPECT_EQ(fs::status(file("out")).permissions(), fs::perms::owner_read | fs::perms::owner_write);

  // The output is renamed into place only at the end, so a file can be decrypted onto itself.
  r = run({"decrypt", "--force", "-p", "9", file("out"), file("out")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(readBytes(file("out")), "new text");
  EXPECT_EQ(workNames(), (std::vector<std::string>{"in", "out"}));
}

TEST_F(CipherTool, OutputsThatAreNoWritableRegularFileAreRefusedEvenWithForce) {
  writeBytes(file("in"), "text");
  ASSERT_EQ(::mkfifo(file("fifo").c_str(), 0666), 0);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(file("socket").size(), sizeof address.sun_path);
  file("socket").copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  writeBytes(file("read-only"), "kept");
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
  EXPECT_EQ(readBytes(file("read-only")), "kept");
  std::vector<std::string> expected = {"fifo", "in", "read-only", "socket"};
  if (cases.size() == 4) expected.insert(expected.begin() + 1, "full");
  EXPECT_EQ(workNames(), expected) << "no temporary file is left";
  ::close(listener);
}

TEST_F(CipherTool, ForcedOutputFollowsLinksAndKeepsHardLinks) {
  writeBytes(file("in"), "text");
  fs::create_directory(file("folder"));
  writeBytes(file("folder/target"), "old");
  fs::create_symlink("folder/target", file("link"));
  writeBytes(file("shared"), "old");
  fs::create_hard_link(file("shared"), file("folder/other-name"));

  Result r = run({"encrypt", "-p", "3", file("in"), file("link")});
  EXPECT_EQ(r.code, 4) << "a link is something already there";
  r = run({"encrypt", "--force", "-p", "3", file("in"), file("link")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(file("link")));
  EXPECT_EQ(readBytes(file("folder/target")), enciphered("text", 3));

  r = run({"encrypt", "--force", "-p", "4", file("in"), file("shared")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(readBytes(file("folder/other-name")), enciphered("text", 4));
  EXPECT_EQ(fs::hard_link_count(file("shared")), 2u);

  const std::string longest(255, 'n');
  r = run({"encrypt", "-p", "5", file("in"), file(longest)});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(readBytes(file(longest)), enciphered("text", 5));
  EXPECT_EQ(workNames(), (std::vector<std::string>{"folder", "in", "link", longest, "shared"}));
}

TEST_F(CipherTool, InterruptsRemoveTheTemporaryFile) {
  ASSERT_EQ(::mkfifo(file("input").c_str(), 0600), 0);
  // Read and write, so that opening it neither waits for the tool nor gives the tool an end of input.
  const int input = ::open(file("input").c_str(), O_RDWR);
  ASSERT_GE(input, 0);
  ASSERT_EQ(::write(input, "partial", 7), 7);
  const std::string in = file("input");
  const std::string out = file("out");

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

}  // namespace

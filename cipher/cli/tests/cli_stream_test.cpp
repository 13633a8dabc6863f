// The tool's stream between its reading and its writing thread: long inputs, and failures on either side
// part-way through.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cipher/cli/tests/cipher_tool.h"
#include "testing/random_bytes.h"

namespace {

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
  EXPECT_TRUE(readBytes(file("back")) == plain);
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
      if (name.starts_with(".out.")) return std::filesystem::file_size(file(name));
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
  // The closed terminal may also read as hung up, which is an end of input, not an error.
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && readBytes(file("out")) == enciphered(sent, 1))
    GTEST_SKIP() << "the terminal ended the input instead of failing the read";
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(readBytes(path("stderr")), "quorlin-cipher: cannot read standard input: Input/output error\n");
  EXPECT_EQ(workNames(), std::vector<std::string>{}) << "the partial output was left behind";
}

TEST_F(CipherTool, WriteErrorsMidStreamStopTheTool) {
  // Far more than the pieces in flight, so that the reading thread still has input when the writing
  // one fails.
  writeBytes(file("in"), randomBytes(8 << 20, 6));

  // A file size limit far below the input's size (ulimit counts blocks of 512 bytes or 1 KiB, by
  // shell) fails the temporary file's writes with EFBIG once it is reached; with the limit's signal
  // ignored, the tool sees the error.
  shellSetup = "trap '' XFSZ; ulimit -f 1024; ";
  Result r = run({"encrypt", "-p", "1", file("in"), file("out")});
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.err, "quorlin-cipher: cannot write '" + file("out") + "': File too large\n");
  EXPECT_EQ(workNames(), std::vector<std::string>{"in"});

  // A reader that leaves after one byte, with SIGPIPE ignored as some callers leave it: the writes
  // fail with EPIPE.
  const std::string command = "trap '' PIPE; { env -u QUORLIN_PASSWORD " + quoted(QUORLIN_CIPHER_TOOL) +
                              " encrypt -p 1 " + quoted(file("in")) + " - 2>" + quoted(path("stderr")) +
                              "; echo $? >" + quoted(path("status")) + "; } | head -c 1 >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(readBytes(path("status")), "4\n");
  EXPECT_EQ(readBytes(path("stderr")), "quorlin-cipher: cannot write standard output: Broken pipe\n");
}

}  // namespace

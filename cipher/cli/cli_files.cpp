#include "cipher/cli/cli_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

namespace {

constexpr int interrupts[] = {SIGINT, SIGTERM, SIGHUP};

// The output's temporary file for the interrupt handler, in a fixed buffer as only async-signal-safe
// calls may run there; changed only while the interrupts are held back.
char interruptedTemporary[PATH_MAX];

extern "C" void onInterrupt(int signal) {
  if (interruptedTemporary[0] != '\0') ::unlink(interruptedTemporary);
  ::_exit(128 + signal);
}

// Holds the interrupts back for its lifetime; one that arrives meanwhile is handled at the end.
class InterruptsHeld {
 public:
  InterruptsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : interrupts) sigaddset(&held, signal);
    ::sigprocmask(SIG_BLOCK, &held, &previous);
  }
  ~InterruptsHeld() { ::sigprocmask(SIG_SETMASK, &previous, nullptr); }
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

 private:
  sigset_t previous;
};

// Tells the handler the save's temporary file (none once it is committed or cancelled). A name the
// kernel accepted fits PATH_MAX.
void rememberTemporary(const SaveFile& save) {
  const size_t size = save.temporary.size() < sizeof interruptedTemporary ? save.temporary.size() : 0;
  std::memcpy(interruptedTemporary, save.temporary.data(), size);
  interruptedTemporary[size] = '\0';
}

}  // namespace

int openInput(const std::string& path) {
  if (path == "-") return STDIN_FILENO;
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

ssize_t readInput(int fd, char* buffer, size_t size) {
  ssize_t n;
  do {
    n = ::read(fd, buffer, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

void closeInput(int fd) {
  if (fd != STDIN_FILENO) ::close(fd);
}

bool readFirstLine(const std::string& path, std::string& line) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  line.clear();
  char byte = 0;
  ssize_t n;
  while ((n = readInput(fd, &byte, 1)) == 1 && byte != '\n') {
    if (line.size() == firstLineLimit) {
      n = -1;
      errno = EFBIG;
      break;
    }
    line += byte;
  }
  const int error = errno;
  ::close(fd);
  if (n < 0) {
    errno = error;
    return false;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void handleInterrupts() {
  for (int signal : interrupts) {
    struct sigaction action {};
    ::sigaction(signal, nullptr, &action);
    if (action.sa_handler == SIG_IGN) continue;
    action = {};
    action.sa_handler = onInterrupt;
    sigfillset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}

SaveError openOutput(SaveFile& save, const std::string& path, bool replace) {
  const InterruptsHeld held;
  const SaveError error = openSave(save, path, replace);
  rememberTemporary(save);
  return error;
}

SaveError finishOutput(SaveFile& save) {
  const InterruptsHeld held;
  const SaveError error = commitSave(save);
  rememberTemporary(save);
  return error;
}

void cancelOutput(SaveFile& save) {
  const InterruptsHeld held;
  cancelSave(save);
  rememberTemporary(save);
}

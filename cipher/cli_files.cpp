#include "cipher/cli_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/disk.h"

namespace {

// A new file takes the usual mode under the umask; a replaced one keeps its own.
mode_t modeFor(const std::string& target) {
  struct stat info {};
  if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return info.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Without replace, the rename itself refuses a target that appeared since the output was opened; a
// file system that cannot do that gets the check just before.
bool renameIntoPlace(const std::string& from, const std::string& to, bool replace) {
  if (replace) return ::rename(from.c_str(), to.c_str()) == 0;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  if (pathExists(to)) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
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
  char buffer[4096];
  ssize_t n;
  while ((n = readInput(fd, buffer, sizeof buffer)) > 0) {
    line.append(buffer, size_t(n));
    const size_t end = line.find('\n');
    if (end != std::string::npos) {
      line.resize(end);
      break;
    }
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

bool pathExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool openOutput(const std::string& path, bool replace, Output& out) {
  out = Output{path, {}, -1};
  if (path == "-") {
    out.fd = STDOUT_FILENO;
    return true;
  }
  if (!replace && pathExists(path)) {
    errno = EEXIST;
    return false;
  }
  std::string name = pathDirectory(path) + "/." + pathFileName(path) + ".XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  out.fd = ::mkstemp(buffer.data());
  if (out.fd < 0) return false;
  out.temporary.assign(buffer.data());
  return true;
}

bool writeOutput(Output& out, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(out.fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
  }
  return true;
}

bool finishOutput(Output& out, bool replace) {
  if (out.temporary.empty()) return true;
  const std::string temporary = std::exchange(out.temporary, {});
  bool ok = ::fchmod(out.fd, modeFor(out.target)) == 0 && ::fsync(out.fd) == 0;
  int error = errno;
  if (::close(out.fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  out.fd = -1;
  if (ok && !renameIntoPlace(temporary, out.target, replace)) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    errno = error;
  }
  return ok;
}

void abandonOutput(Output& out) {
  if (out.temporary.empty()) return;
  const int error = errno;
  ::close(out.fd);
  ::unlink(out.temporary.c_str());
  out.temporary.clear();
  out.fd = -1;
  errno = error;
}

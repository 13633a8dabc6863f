#include "platform/disk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <vector>

#include "platform/save_file.h"
#include "platform/textbridge.h"

namespace {

std::string runDirectoryPath;

// Saves bytes as the whole file at a file-system path.
bool saveBytes(const std::string& target, const std::string& bytes) {
  SaveFile save;
  return !openSave(save, target, true).number && !writeSave(save, bytes.data(), bytes.size()).number &&
         !commitSave(save).number;
}

std::vector<std::string> hiddenNames(const std::string& directory) {
  std::vector<std::string> names;
  std::ifstream in(directory + "/.hidden");
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) names.push_back(line);
  return names;
}

}  // namespace

std::string readWholeFile(const std::string& path, ReadStatus* status) {
  ReadStatus ignored;
  ReadStatus& result = status ? *status : ignored;
  result = READ_FAILED;
  if (path.empty()) return {};
  // Non-blocking, so that opening a FIFO cannot wait for a writer; regular files read as usual.
  const int fd = ::open(gbkToLosslessUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return {};
  struct stat info {};
  std::string bytes;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::fcntl(fd, F_SETFL, 0) == 0) {
    result = READ_DONE;
    if (size_t(info.st_size) > maxReadSize) result = READ_TOO_LARGE;
    else bytes.reserve(size_t(info.st_size));
  }
  char buffer[65536];
  while (result == READ_DONE) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) break;
    if (n < 0) result = READ_FAILED;
    else if (bytes.size() + size_t(n) > maxReadSize) result = READ_TOO_LARGE;  // grown while read
    else bytes.append(buffer, size_t(n));
  }
  ::close(fd);
  if (result != READ_DONE) bytes.clear();
  return bytes;
}

bool writeWholeFile(const std::string& path, const std::string& bytes) {
  return !path.empty() && saveBytes(gbkToLosslessUtf8(path), bytes);
}

bool fileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(gbkToLosslessUtf8(path).c_str(), &info) == 0;
}

bool setFileAttributes(const std::string& path, int attributes) {
  const std::string target = gbkToLosslessUtf8(path);
  struct stat info {};
  if (path.empty() || ::stat(target.c_str(), &info) != 0) return false;
  const mode_t mode = attributes & ATTRIBUTE_READONLY ? info.st_mode & ~mode_t(0222) : info.st_mode | S_IWUSR;
  if (::chmod(target.c_str(), mode & 07777) != 0) return false;

  const std::string directory = pathDirectory(target);
  const std::string name = pathFileName(target);
  std::vector<std::string> names = hiddenNames(directory);
  const bool listed = std::find(names.begin(), names.end(), name) != names.end();
  const bool hidden = attributes & ATTRIBUTE_HIDDEN;
  if (listed == hidden) return true;
  if (hidden) names.push_back(name);
  else std::erase(names, name);
  std::string list;
  for (const std::string& n : names) list += n + "\n";
  return saveBytes(directory + "/.hidden", list);
}

int fileAttributes(const std::string& path) {
  const std::string target = gbkToLosslessUtf8(path);
  struct stat info {};
  if (path.empty() || ::stat(target.c_str(), &info) != 0) return -1;
  const std::vector<std::string> names = hiddenNames(pathDirectory(target));
  const bool hidden = std::find(names.begin(), names.end(), pathFileName(target)) != names.end();
  return ((info.st_mode & 0222) == 0 ? ATTRIBUTE_READONLY : 0) | (hidden ? ATTRIBUTE_HIDDEN : 0);
}

std::string pathDirectory(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string pathFileName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string runDirectory() { return runDirectoryPath; }

void setRunDirectory(const std::string& directory) { runDirectoryPath = directory; }

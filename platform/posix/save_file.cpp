#include "platform/save_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/disk.h"

namespace {

// Linux's limit on the links followed in one path.
constexpr int maxLinkHops = 40;

// The most one write call takes. The page cache takes a write in folios as large as the call allows,
// and large folios need large free blocks of memory: on a virtual machine that hands its free memory
// back to the host, those are exactly the blocks that must be faulted back in, page by page, which
// made 1 MiB calls several times slower than 64 KiB ones here. Calls of this size cost a system call per
// 64 KiB, nothing beside the copy.
constexpr size_t largestWrite = 64 * 1024;

// Written bytes past which writeSave starts their writeback. The disk then writes while the rest is
// still being made, instead of all of it in the flush at the end.
constexpr off_t writeBehind = 8 << 20;

SaveError failure(int number, const char* message = nullptr) {
  return {number, message ? message : std::strerror(number)};
}

SaveError lastFailure() { return failure(errno); }

mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Follows symbolic links in the last name of path until it names no link (or nothing).
SaveError followLinks(std::string& path) {
  for (int hop = 0; hop < maxLinkHops; ++hop) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return {};
    char link[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), link, sizeof link);
    if (length < 0) return lastFailure();
    if (size_t(length) == sizeof link) return failure(ENAMETOOLONG);
    const std::string next(link, size_t(length));
    path = next.starts_with('/') ? next : pathDirectory(path) + "/" + next;
  }
  return failure(ELOOP);
}

// A temporary name beside target that fits the file system's limit on a name, so that a target of the
// longest name can still be saved.
std::string temporaryPattern(const std::string& target) {
  const std::string suffix = ".XXXXXX";
  const std::string name = pathFileName(target).substr(0, NAME_MAX - 1 - suffix.size());
  return pathDirectory(target) + "/." + name + suffix;
}

SaveError openTemporary(SaveFile& save) {
  std::string pattern = temporaryPattern(save.target);
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return lastFailure();
  save.fd = fd;
  save.temporary = pattern;
  return {};
}

// A nameless file for the new bytes of an in-place rewrite: in the target's folder when the user may
// create files there, else in the temporary directory.
int openStaging(const std::string& target) {
  const int fd = ::open(pathDirectory(target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  const char* directory = std::getenv("TMPDIR");
  return ::open(directory && *directory ? directory : "/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

SaveError openInPlace(SaveFile& save) {
  // Non-blocking, so that a FIFO swapped in since the target was looked at cannot hang the open.
  const int fd = ::open(save.target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return lastFailure();
  save.inPlace = fd;
  struct stat info {};
  if (::fstat(fd, &info) != 0) return lastFailure();
  if (!S_ISREG(info.st_mode)) return failure(EINVAL, "not a regular file");
  if (::fcntl(fd, F_SETFL, 0) != 0) return lastFailure();
  save.fd = openStaging(save.target);
  return save.fd < 0 ? lastFailure() : SaveError{};
}

// Without replace, the rename itself refuses a target that appeared since the save was opened; a file
// system that cannot do that gets the check just before.
bool renameIntoPlace(const std::string& from, const std::string& to, bool replace) {
  if (replace) return ::rename(from.c_str(), to.c_str()) == 0;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  struct stat info {};
  if (::lstat(to.c_str(), &info) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

SaveError commitByRename(SaveFile& save) {
  SaveError error;
  if (::fchmod(save.fd, save.mode) != 0 || (::geteuid() == 0 && ::fchown(save.fd, save.owner, save.group) != 0) ||
      ::fsync(save.fd) != 0)
    error = lastFailure();
  if (::close(std::exchange(save.fd, -1)) != 0 && !error.number) error = lastFailure();
  if (!error.number && !renameIntoPlace(save.temporary, save.target, save.replace)) error = lastFailure();
  if (error.number) {
    ::unlink(save.temporary.c_str());
  } else {
    // The file is in place by now; a folder that cannot be flushed (some file systems refuse) does
    // not undo that.
    const int folder = ::open(pathDirectory(save.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
      ::fsync(folder);
      ::close(folder);
    }
  }
  save.temporary.clear();
  return error;
}

// Copies the staged bytes over the target from its start, cuts it to their length and flushes it.
// Writing over the old bytes first needs no new space for them, so a full disk can fail only the part
// that grows the file.
SaveError commitInPlace(SaveFile& save) {
  std::vector<char> buffer(64 * 1024);
  off_t offset = 0;
  SaveError error;
  for (;;) {
    const ssize_t n = ::pread(save.fd, buffer.data(), buffer.size(), offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = lastFailure();
    if (n <= 0) break;
    error = writeFully(save.inPlace, buffer.data(), size_t(n));
    if (error.number) break;
    offset += n;
  }
  if (!error.number && (::ftruncate(save.inPlace, offset) != 0 || ::fsync(save.inPlace) != 0)) error = lastFailure();
  if (::close(std::exchange(save.inPlace, -1)) != 0 && !error.number) error = lastFailure();
  ::close(std::exchange(save.fd, -1));
  return error;
}

}  // namespace

SaveFile::~SaveFile() { cancelSave(*this); }

SaveError openSave(SaveFile& save, const std::string& path, bool replace) {
  cancelSave(save);
  save.replace = replace;
  save.written = 0;
  save.writtenBack = 0;
  save.mode = newFileMode();
  save.owner = uid_t(-1);
  save.group = gid_t(-1);

  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0;
  if (!exists && errno != ENOENT) return lastFailure();
  if (exists && !S_ISREG(info.st_mode))
    return S_ISDIR(info.st_mode) ? failure(EISDIR) : failure(EINVAL, "not a regular file");
  struct stat name {};
  if (!replace && ::lstat(path.c_str(), &name) == 0) return failure(EEXIST);
  if (exists && (info.st_mode & 0222) == 0) return failure(EACCES, "the file is read-only");

  save.target = path;
  if (const SaveError error = followLinks(save.target); error.number) return error;
  if (exists) {
    save.mode = info.st_mode & 07777;
    save.owner = info.st_uid;
    save.group = info.st_gid;
    if (info.st_nlink > 1 || info.st_uid != ::geteuid()) return openInPlace(save);
  }
  const SaveError error = openTemporary(save);
  if (exists && (error.number == EACCES || error.number == EPERM)) return openInPlace(save);
  return error;
}

SaveError writeSave(SaveFile& save, const char* data, size_t size) {
  if (SaveError error = writeFully(save.fd, data, size); error.number) return error;
  save.written += off_t(size);
  // Only the temporary file is flushed at the commit; the staging file of an in-place rewrite never
  // needs to reach the disk. A failure to start the writeback shows in the flush.
  if (save.inPlace < 0 && save.written - save.writtenBack >= writeBehind) {
    ::sync_file_range(save.fd, save.writtenBack, save.written - save.writtenBack, SYNC_FILE_RANGE_WRITE);
    save.writtenBack = save.written;
  }
  return {};
}

SaveError commitSave(SaveFile& save) {
  if (save.fd < 0) return failure(EBADF);
  return save.inPlace >= 0 ? commitInPlace(save) : commitByRename(save);
}

void cancelSave(SaveFile& save) {
  if (save.fd >= 0) ::close(std::exchange(save.fd, -1));
  if (save.inPlace >= 0) ::close(std::exchange(save.inPlace, -1));
  if (!save.temporary.empty()) ::unlink(save.temporary.c_str());
  save.temporary.clear();
}

SaveError writeFully(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, std::min(size, largestWrite));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return lastFailure();
    if (n == 0) return failure(EIO);
    data += n;
    size -= size_t(n);
  }
  return {};
}

#include "platform/save_file.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include "testing/temporary_directory.h"

namespace {

namespace fs = std::filesystem;

struct stat statOf(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info;
}

struct stat lstatOf(const std::string& path) {
  struct stat info {};
  ::lstat(path.c_str(), &info);
  return info;
}

// A whole save: open, write, commit; the first failure.
SaveError save(const std::string& path, const std::string& bytes, bool replace = true) {
  SaveFile file;
  SaveError error = openSave(file, path, replace);
  if (!error.number) error = writeSave(file, bytes.data(), bytes.size());
  if (!error.number) error = commitSave(file);
  return error;
}

class SaveFileTest : public TemporaryDirectoryTest {
 protected:
  static bool root() { return ::geteuid() == 0; }
};

TEST_F(SaveFileTest, SymbolicLinksSaveThroughToTheirTarget) {
  fs::create_directory(path("sub"));
  writeBytes(path("sub/real.txt"), "old");
  ::chmod(path("sub/real.txt").c_str(), 0640);
  fs::create_symlink("sub/real.txt", path("link"));
  fs::create_symlink(path("link"), path("link-to-link"));
  ASSERT_EQ(save(path("link-to-link"), "new").number, 0);
  EXPECT_EQ(readBytes(path("sub/real.txt")), "new");
  EXPECT_TRUE(S_ISLNK(lstatOf(path("link")).st_mode));
  EXPECT_TRUE(S_ISLNK(lstatOf(path("link-to-link")).st_mode));
  EXPECT_EQ(statOf(path("sub/real.txt")).st_mode & 07777, 0640u);
  EXPECT_EQ(names("sub"), std::vector<std::string>{"real.txt"}) << "the temporary file was in the target's folder";

  // A dangling link creates its target; without replace it counts as something already there.
  fs::create_symlink("sub/made.txt", path("dangling"));
  EXPECT_EQ(save(path("dangling"), "x", false).number, EEXIST);
  ASSERT_EQ(save(path("dangling"), "made").number, 0);
  EXPECT_EQ(readBytes(path("sub/made.txt")), "made");
  EXPECT_TRUE(S_ISLNK(lstatOf(path("dangling")).st_mode));

  fs::create_symlink("loop-b", path("loop-a"));
  fs::create_symlink("loop-a", path("loop-b"));
  EXPECT_EQ(save(path("loop-a"), "x").number, ELOOP);
  EXPECT_EQ(names(), (std::vector<std::string>{"dangling", "link", "link-to-link", "loop-a", "loop-b", "sub"}));
}

TEST_F(SaveFileTest, SpecialAndReadOnlyFilesAreRefusedAndLeftAlone) {
  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0666), 0);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path("socket").size(), sizeof address.sun_path);
  path("socket").copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  fs::create_directory(path("folder"));
  fs::create_symlink("fifo", path("link-to-fifo"));
  writeBytes(path("read-only"), "kept");
  ::chmod(path("read-only").c_str(), 0444);
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  // A device like /dev/full, made here so that a fault cannot replace the real one.
  const bool device = ::mknod(path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0;

  struct Case {
    std::string target;
    int number;
    std::string message;
  };
  std::vector<Case> cases = {
      {path("fifo"), EINVAL, "not a regular file"},
      {path("socket"), EINVAL, "not a regular file"},
      {path("folder"), EISDIR, "Is a directory"},
      {path("link-to-fifo"), EINVAL, "not a regular file"},
      {"/proc/self/fd/" + std::to_string(pipeEnds[1]), EINVAL, "not a regular file"},
      {path("read-only"), EACCES, "the file is read-only"},
  };
  if (device) cases.push_back({path("full"), EINVAL, "not a regular file"});
  const std::vector<std::string> before = names();
  for (const Case& c : cases) {
    for (const bool replace : {true, false}) {
      const mode_t type = lstatOf(c.target).st_mode;
      const SaveError error = save(c.target, "new", replace);
      EXPECT_EQ(error.number, !replace && c.number == EACCES ? EEXIST : c.number) << c.target;
      if (replace) {
        EXPECT_EQ(error.message, c.message) << c.target;
      }
      EXPECT_EQ(lstatOf(c.target).st_mode, type) << c.target << " was changed";
    }
  }
  EXPECT_EQ(readBytes(path("read-only")), "kept");
  EXPECT_EQ(names(), before) << "no temporary file is left";
  ::close(listener);
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
}

TEST_F(SaveFileTest, HardLinkedFilesAreRewrittenInPlace) {
  writeBytes(path("a"), "the old content, longer than the new");
  ASSERT_EQ(::link(path("a").c_str(), path("b").c_str()), 0);
  const ino_t inode = statOf(path("a")).st_ino;
  for (const std::string& bytes : {std::string("short"), std::string(200000, 'g'), std::string()}) {
    ASSERT_EQ(save(path("a"), bytes).number, 0);
    EXPECT_TRUE(readBytes(path("b")) == bytes) << "the other name shares the new content";
    EXPECT_EQ(statOf(path("a")).st_ino, inode);
    EXPECT_EQ(statOf(path("b")).st_nlink, 2u);
  }
  // Nothing reaches the file before the commit.
  {
    SaveFile file;
    ASSERT_EQ(openSave(file, path("b"), true).number, 0);
    ASSERT_EQ(writeSave(file, "abandoned", 9).number, 0);
  }
  EXPECT_EQ(readBytes(path("a")), "");
  EXPECT_EQ(names(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(SaveFileTest, LongSavesInWritesOfAnySizeKeepEveryByte) {
  // Calls from one byte to many MiB, past the size at which a write is split and the one at which
  // the writeback starts early, for a renamed save and one rewritten in place.
  std::string bytes(20 << 20, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 4099);
  writeBytes(path("linked"), "old");
  ASSERT_EQ(::link(path("linked").c_str(), path("other").c_str()), 0);
  for (const std::string name : {"new", "linked"}) {
    SaveFile file;
    ASSERT_EQ(openSave(file, path(name), true).number, 0);
    for (size_t at = 0, step = 1; at < bytes.size(); at += step, step = step * 3 + 1)
      ASSERT_EQ(writeSave(file, bytes.data() + at, std::min(step, bytes.size() - at)).number, 0);
    ASSERT_EQ(commitSave(file).number, 0);
    EXPECT_TRUE(readBytes(path(name)) == bytes) << name;
  }
  EXPECT_EQ(names(), (std::vector<std::string>{"linked", "new", "other"}));
}

TEST_F(SaveFileTest, FilesOfAnotherOwnerKeepOwnerModeAndInode) {
  if (!root()) GTEST_SKIP() << "needs root to give a file away";
  writeBytes(path("theirs"), "old content");
  ASSERT_EQ(::chown(path("theirs").c_str(), 4321, 4322), 0);
  ::chmod(path("theirs").c_str(), 0620);
  const ino_t inode = statOf(path("theirs")).st_ino;
  ASSERT_EQ(save(path("theirs"), "new").number, 0);
  const struct stat after = statOf(path("theirs"));
  EXPECT_EQ(readBytes(path("theirs")), "new");
  EXPECT_EQ(after.st_ino, inode);
  EXPECT_EQ(after.st_uid, 4321u);
  EXPECT_EQ(after.st_gid, 4322u);
  EXPECT_EQ(after.st_mode & 07777, 0620u);
  EXPECT_EQ(names(), std::vector<std::string>{"theirs"});
}

TEST_F(SaveFileTest, RenamedFilesKeepModeAndGroup) {
  if (!root()) GTEST_SKIP() << "needs root to set a group of another's";
  writeBytes(path("mine"), "old");
  ASSERT_EQ(::chown(path("mine").c_str(), 0, 4322), 0);
  ::chmod(path("mine").c_str(), 0604);
  const ino_t inode = statOf(path("mine")).st_ino;
  ASSERT_EQ(save(path("mine"), "new").number, 0);
  const struct stat after = statOf(path("mine"));
  EXPECT_EQ(readBytes(path("mine")), "new");
  EXPECT_NE(after.st_ino, inode) << "a file of one's own with one link is replaced by a rename";
  EXPECT_EQ(after.st_gid, 4322u);
  EXPECT_EQ(after.st_mode & 07777, 0604u);

  const mode_t mask = ::umask(027);
  ASSERT_EQ(save(path("new"), "x").number, 0);
  ::umask(mask);
  EXPECT_EQ(statOf(path("new")).st_mode & 07777, 0640u) << "a new file takes the usual mode under the umask";
}

TEST_F(SaveFileTest, FoldersThatForbidARenameAreWrittenInPlaceForOtherUsers) {
  if (!root()) GTEST_SKIP() << "needs root to act as another user";
  const passwd* nobody = ::getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  const uid_t user = nobody->pw_uid;
  fs::create_directory(path("read-only"));
  fs::create_directory(path("sticky"));
  fs::create_directory(path("open"));
  writeBytes(path("read-only/own"), "old content");
  ASSERT_EQ(::chown(path("read-only/own").c_str(), user, nobody->pw_gid), 0);
  writeBytes(path("sticky/shared"), "old content");
  ASSERT_EQ(::chown(path("sticky/shared").c_str(), 4321, 4321), 0);
  ::chmod(path("sticky/shared").c_str(), 0666);
  writeBytes(path("open/roots"), "old content");
  ::chmod(path("read-only").c_str(), 0555);
  ::chmod(path("sticky").c_str(), 01777);
  ::chmod(path("open").c_str(), 0777);

  struct Case {
    std::string target;
    int number;
    std::string content;
    uid_t owner;
  } cases[] = {
      {path("read-only/own"), 0, "new", user},
      {path("sticky/shared"), 0, "new", 4321},
      // A file the user may not write is not replaced by one of the user's own, whatever the folder allows.
      {path("open/roots"), EACCES, "old content", 0},
      {path("read-only/new"), EACCES, "", 0},
  };
  for (const Case& c : cases) {
    const ino_t inode = statOf(c.target).st_ino;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (::setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) != 0 || ::setresuid(user, user, user) != 0)
        ::_exit(255);
      ::_exit(save(c.target, "new").number);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.number) << c.target;
    EXPECT_EQ(readBytes(c.target), c.content) << c.target;
    if (c.content.empty()) continue;
    EXPECT_EQ(statOf(c.target).st_ino, inode) << c.target;
    EXPECT_EQ(statOf(c.target).st_uid, c.owner) << c.target;
  }
  EXPECT_EQ(names("read-only"), std::vector<std::string>{"own"});
  EXPECT_EQ(names("sticky"), std::vector<std::string>{"shared"});
  EXPECT_EQ(names("open"), std::vector<std::string>{"roots"});
}

TEST_F(SaveFileTest, TheLongestNamesSave) {
  std::string chinese;
  for (int i = 0; i < 85; ++i) chinese += "文";  // 255 bytes of UTF-8
  for (const std::string& name : {std::string(255, 'n'), chinese}) {
    ASSERT_EQ(save(path(name), "first").number, 0);
    ASSERT_EQ(save(path(name), "second").number, 0);
    EXPECT_EQ(readBytes(path(name)), "second");
    EXPECT_EQ(names(), std::vector<std::string>{name});
    fs::remove(path(name));
  }
  EXPECT_EQ(save(path(std::string(256, 'n')), "x").number, ENAMETOOLONG);
  EXPECT_TRUE(names().empty());
}

TEST_F(SaveFileTest, WithoutReplaceAFileThatAppearedMeanwhileIsKept) {
  SaveFile file;
  ASSERT_EQ(openSave(file, path("out"), false).number, 0);
  ASSERT_EQ(writeSave(file, "mine", 4).number, 0);
  writeBytes(path("out"), "theirs");
  EXPECT_EQ(commitSave(file).number, EEXIST);
  EXPECT_EQ(readBytes(path("out")), "theirs");
  EXPECT_EQ(names(), std::vector<std::string>{"out"});
  EXPECT_EQ(save(path("out"), "x", false).number, EEXIST);
}

}  // namespace

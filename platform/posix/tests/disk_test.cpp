#include "platform/disk.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/temporary_directory.h"

namespace {

namespace fs = std::filesystem;

using Disk = TemporaryDirectoryTest;

TEST_F(Disk, WritesAndReadsWholeFiles) {
  const std::string bytes("a\0b\r\n\xFF", 6);
  ASSERT_TRUE(writeWholeFile(path("f.txt"), bytes));
  ReadStatus status = READ_FAILED;
  EXPECT_EQ(readWholeFile(path("f.txt"), &status), bytes);
  EXPECT_EQ(status, READ_DONE);
  ASSERT_TRUE(writeWholeFile(path("f.txt"), "x"));  // an existing file is replaced whole
  EXPECT_EQ(readWholeFile(path("f.txt")), "x");
  ASSERT_TRUE(writeWholeFile(path("empty"), ""));
  status = READ_FAILED;
  EXPECT_EQ(readWholeFile(path("empty"), &status), "");
  EXPECT_EQ(status, READ_DONE);
  EXPECT_EQ(names(), (std::vector<std::string>{"empty", "f.txt"})) << "no temporary file is left behind";
}

TEST_F(Disk, ReadFailuresAreToldFromEmptyFiles) {
  // Only regular files are read: a FIFO without a writer would wait forever, /dev/zero never ends.
  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
  for (const std::string& unreadable : {path("missing"), directory, std::string(), path("fifo"),
                                        std::string("/dev/zero"), std::string("/dev/null")}) {
    ReadStatus status = READ_DONE;
    EXPECT_EQ(readWholeFile(unreadable, &status), "") << unreadable;
    EXPECT_EQ(status, READ_FAILED) << unreadable;
  }
}

TEST_F(Disk, FilesTooLargeToLoadAreRefused) {
  ASSERT_TRUE(writeWholeFile(path("big"), "x"));
  ASSERT_EQ(::truncate(path("big").c_str(), off_t(maxReadSize) + 1), 0);  // sparse: no disk space taken
  ReadStatus status = READ_DONE;
  EXPECT_EQ(readWholeFile(path("big"), &status), "");
  EXPECT_EQ(status, READ_TOO_LARGE);
}

TEST_F(Disk, FailedWritesLeaveThePreviousFile) {
  ASSERT_TRUE(writeWholeFile(path("keep.txt"), "old"));
  fs::permissions(path("keep.txt"), fs::perms::owner_read | fs::perms::group_read);
  EXPECT_FALSE(writeWholeFile(path("keep.txt"), "new")) << "a read-only file is not replaced";
  EXPECT_EQ(readWholeFile(path("keep.txt")), "old");

  EXPECT_FALSE(writeWholeFile(path("gone/f.txt"), "x")) << "a vanished directory";
  EXPECT_FALSE(writeWholeFile(directory, "x")) << "a directory";
  EXPECT_FALSE(writeWholeFile("", "x"));
}

TEST_F(Disk, AFullDiskLeavesThePreviousFile) {
  ASSERT_TRUE(writeWholeFile(path("big.txt"), "previous content"));
  // A file size limit fails the write part-way, as a full disk does.
  signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limited = saved;
  limited.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &limited);
  const bool written = writeWholeFile(path("big.txt"), std::string(100000, 'x'));
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_FALSE(written);
  EXPECT_EQ(readWholeFile(path("big.txt")), "previous content");
  EXPECT_EQ(names(), std::vector<std::string>{"big.txt"}) << "the partial temporary file is removed";
}

TEST_F(Disk, AttributesHiddenAndReadOnly) {
  ASSERT_TRUE(writeWholeFile(path("a.dll"), "x"));
  ASSERT_TRUE(writeWholeFile(path("b.dll"), "y"));
  EXPECT_EQ(fileAttributes(path("a.dll")), 0);
  ASSERT_TRUE(setFileAttributes(path("a.dll"), ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(setFileAttributes(path("b.dll"), ATTRIBUTE_HIDDEN | ATTRIBUTE_READONLY));
  EXPECT_EQ(fileAttributes(path("a.dll")), ATTRIBUTE_HIDDEN);
  EXPECT_EQ(fileAttributes(path("b.dll")), ATTRIBUTE_HIDDEN | ATTRIBUTE_READONLY);
  EXPECT_EQ(readWholeFile(path(".hidden")), "a.dll\nb.dll\n");
  ASSERT_TRUE(setFileAttributes(path("a.dll"), 0));
  EXPECT_EQ(fileAttributes(path("a.dll")), 0);
  EXPECT_EQ(readWholeFile(path(".hidden")), "b.dll\n");
  EXPECT_FALSE(setFileAttributes(path("missing"), ATTRIBUTE_HIDDEN));
  EXPECT_EQ(fileAttributes(path("missing")), -1);
}

TEST_F(Disk, ExistsForFilesAndDirectories) {
  fs::create_directory(path("sub"));
  EXPECT_TRUE(fileExists(path("sub")));
  EXPECT_FALSE(fileExists(path("none")));
  EXPECT_FALSE(fileExists(""));
}

TEST_F(Disk, ChineseNamesAreUtf8OnDisk) {
  ASSERT_TRUE(writeWholeFile(path("\xCE\xC4.txt"), "z"));  // "文.txt" in GBK
  EXPECT_TRUE(fs::exists(path("文.txt")));
}

}  // namespace

#include "testing/temporary_directory.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

void TemporaryDirectoryTest::SetUp() {
  std::string pattern = (fs::temp_directory_path() / "quorlin-test-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  directory = pattern;
  // Readable by all, as a folder made by hand is, for the steps that tests run as another user.
  ::chmod(directory.c_str(), 0755);
}

void TemporaryDirectoryTest::TearDown() {
  if (directory.empty()) return;
  std::error_code ignored;
  fs::permissions(directory, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (const auto& entry : fs::recursive_directory_iterator(directory, ignored))
    if (entry.is_directory(ignored)) fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(directory, ignored);
}

std::string TemporaryDirectoryTest::path(const std::string& name) const { return directory + "/" + name; }

std::vector<std::string> TemporaryDirectoryTest::names(const std::string& folder) const {
  std::vector<std::string> out;
  for (const auto& entry : fs::directory_iterator(folder.empty() ? directory : path(folder)))
    out.push_back(entry.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

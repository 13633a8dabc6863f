#pragma once
// The fixture of tests that work on real files: a fresh directory for each test, removed afterwards
// with all it holds, also where the test took permissions away.
#include <gtest/gtest.h>

#include <string>
#include <vector>

class TemporaryDirectoryTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A name in the directory; the names tests use are ASCII, so the same in GBK.
  std::string path(const std::string& name) const;
  // The names in the directory, or in a folder of it, sorted: what a test left behind.
  std::vector<std::string> names(const std::string& folder = {}) const;

  std::string directory;
};

// A whole file's bytes, read and written without the code under test; empty when it cannot be read.
std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

#pragma once
// A fresh temporary directory as the program's run directory for each test, removed afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/disk.h"

class RunDirectoryTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorlin-skin-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    directory = pattern;
    setRunDirectory(directory);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }

  std::string enginePath() const { return directory + "/SkinH_EL.dll"; }

  std::string directory;
};

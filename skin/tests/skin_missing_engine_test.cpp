// The loader when no engine can be loaded: the program goes on without a skin.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/disk.h"
#include "skin/skin_loader.h"
#include "skin/tests/run_directory_fixture.h"

namespace {

// Runs the routine with standard error going to a file and returns what was written there.
std::string standardErrorOf(void (*routine)(), const std::string& file) {
  std::fflush(stderr);
  const int saved = ::dup(2);
  std::FILE* capture = std::fopen(file.c_str(), "w");
  if (saved < 0 || !capture) return "cannot capture standard error";
  ::dup2(::fileno(capture), 2);
  routine();
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  std::fclose(capture);
  return readWholeFile(file);
}

using MissingEngineTest = RunDirectoryTest;

TEST_F(MissingEngineTest, DirectoryOfTheEngineNameIsLeftAloneAndTheCallsDoNothing) {
  std::filesystem::create_directory(enginePath());
  const std::string told = standardErrorOf(
      [] {
        loadBuiltinSkin(20);
        adjustAero(100, 0, 0, 0, 0, 0, 0);
        enableAero();
      },
      directory + "/stderr.txt");

  EXPECT_TRUE(std::filesystem::is_directory(enginePath()));
  EXPECT_TRUE(std::filesystem::is_empty(enginePath()));
  EXPECT_FALSE(fileExists(directory + "/.hidden"));
  EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << told;
  EXPECT_NE(told.find("SkinH_EL.dll"), std::string::npos) << told;
}

}  // namespace

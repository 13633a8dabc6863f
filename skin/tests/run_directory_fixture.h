#pragma once
// A fresh temporary directory as the program's run directory for each test.
#include <string>

#include "platform/disk.h"
#include "testing/temporary_directory.h"

class RunDirectoryTest : public TemporaryDirectoryTest {
 protected:
  void SetUp() override {
    TemporaryDirectoryTest::SetUp();
    setRunDirectory(directory);
  }

  std::string enginePath() const { return path("SkinH_EL.dll"); }
};

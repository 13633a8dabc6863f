// The loader against a recording stand-in for the engine, placed in the run directory before the first
// call so that it is the library loaded for the whole process.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/disk.h"
#include "platform/library.h"
#include "skin/skin_data.h"
#include "skin/skin_loader.h"
#include "skin/tests/recorder.h"
#include "skin/tests/run_directory_fixture.h"

namespace {

using EngineFileTest = RunDirectoryTest;

TEST_F(EngineFileTest, FirstRunWritesTheImageHidden) {
  ensureSkinEngine();
  EXPECT_TRUE(readWholeFile(enginePath()) == skinEngineImage());
  EXPECT_EQ(fileAttributes(enginePath()), ATTRIBUTE_HIDDEN);
}

TEST_F(EngineFileTest, LaterRunsLeaveAnExistingFileAsItIs) {
  const struct {
    const char* name;
    void (*change)(const std::string& path);
  } changes[] = {
      {"content changed", [](const std::string& path) { writeWholeFile(path, "not a library"); }},
      {"made visible", [](const std::string& path) { setFileAttributes(path, 0); }},
      {"made read-only", [](const std::string& path) { setFileAttributes(path, ATTRIBUTE_READONLY); }},
  };
  for (const auto& change : changes) {
    SCOPED_TRACE(change.name);
    setFileAttributes(enginePath(), 0);
    std::filesystem::remove(enginePath());
    ensureSkinEngine();
    change.change(enginePath());
    const std::string content = readWholeFile(enginePath());
    const int attributes = fileAttributes(enginePath());
    ensureSkinEngine();
    EXPECT_EQ(readWholeFile(enginePath()), content);
    EXPECT_EQ(fileAttributes(enginePath()), attributes);
  }
}

class RecordedCallTest : public RunDirectoryTest {
 protected:
  void SetUp() override {
    RunDirectoryTest::SetUp();
    std::filesystem::copy_file(QUORLIN_SKIN_RECORDER_FILE, enginePath());
  }

  static const SkinEngineCalls& calls() {
    using Getter = const SkinEngineCalls*();
    auto* getter = reinterpret_cast<Getter*>(libraryFunction("SkinH_EL.dll", "recordedSkinEngineCalls"));
    if (!getter) {
      ADD_FAILURE() << "the recording engine is not the one loaded";
      static const SkinEngineCalls none{};
      return none;
    }
    return *getter();
  }
};

TEST_F(RecordedCallTest, BuiltinSkinPassesACopyOfItsBytes) {
  loadBuiltinSkin(20);
  const SkinEngineCalls& seen = calls();
  const std::string_view skin = builtinSkin(20);
  ASSERT_FALSE(seen.attachDataNull);
  ASSERT_EQ(seen.attachSize, 17997);
  const std::string_view passed(reinterpret_cast<const char*>(seen.attachBytes), size_t(seen.attachSize));
  EXPECT_EQ(passed.substr(0, 4), ".SHE");
  EXPECT_TRUE(passed == skin);
  EXPECT_TRUE(seen.attachTextEmpty);
  EXPECT_EQ(seen.attachFlags[0], 0);
  EXPECT_EQ(seen.attachFlags[1], 0);
  EXPECT_EQ(seen.attachFlags[2], 0);
  EXPECT_TRUE(readWholeFile(enginePath()) == readWholeFile(QUORLIN_SKIN_RECORDER_FILE));
}

TEST_F(RecordedCallTest, NumbersOutsideTheSkinsPassNoBytesButStillCall) {
  for (const int number : {0, 34, -1}) {
    SCOPED_TRACE(number);
    loadBuiltinSkin(1);
    const int before = calls().attachCalls;
    loadBuiltinSkin(number);
    const SkinEngineCalls& seen = calls();
    EXPECT_EQ(seen.attachCalls, before + 1);
    EXPECT_TRUE(seen.attachDataNull);
    EXPECT_EQ(seen.attachSize, 0);
    EXPECT_TRUE(seen.attachTextEmpty);
    EXPECT_EQ(seen.attachFlags[0] | seen.attachFlags[1] | seen.attachFlags[2], 0);
  }
}

TEST_F(RecordedCallTest, AeroArgumentsArePlacedAsTheEngineTakesThem) {
  adjustAero(1, 2, 3, 4, 5, 6, 7);
  const std::vector<int> expected = {1, 4, 3, 2, 0, 0, 5, 6, 7};
  EXPECT_EQ(std::vector<int>(calls().adjustArguments, calls().adjustArguments + 9), expected);

  enableAero();
  EXPECT_EQ(calls().setAeroArgument, 1);
  EXPECT_GE(calls().setAeroCalls, 1);
}

}  // namespace

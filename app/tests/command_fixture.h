#pragma once
// Commands run on the scripted runtime, with real files in a fresh temporary directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/document.h"
#include "platform/disk.h"
#include "platform/scripted_runtime.h"

class CommandTest : public testing::Test {
 protected:
  void SetUp() override {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    directory = std::filesystem::temp_directory_path() /
                ("quorlin-" + std::string(test->name()) + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
    setRunDirectory(directory.string());
    ui.onTextChanged = onEditorTextChanged;
    contentModified = 0;
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  // A file name in the temporary directory; names here are ASCII, so the same in GBK.
  std::string path(const std::string& name) const { return (directory / name).string(); }

  // The user types text into the editor.
  void type(const std::string& text) {
    ui.editor = text;
    onEditorTextChanged();
  }

  // What was shown, one line per box: kind, text and caption.
  std::vector<std::string> boxes() const {
    std::vector<std::string> out;
    for (const auto& shown : ui.shown) out.push_back(shown.kind + ": " + shown.text + " / " + shown.caption);
    return out;
  }

  std::filesystem::path directory;
  ScriptedRuntime ui;
};

#pragma once
// Commands run on the scripted runtime, with real files in a fresh temporary directory that is also
// the run directory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/document.h"
#include "platform/disk.h"
#include "testing/scripted_runtime.h"
#include "testing/temporary_directory.h"

class CommandTest : public TemporaryDirectoryTest {
 protected:
  void SetUp() override {
    TemporaryDirectoryTest::SetUp();
    setRunDirectory(directory);
    ui.onTextChanged = onEditorTextChanged;
    contentModified = 0;
  }

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

  ScriptedRuntime ui;
};

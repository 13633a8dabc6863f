// Texts in this file are GBK bytes, like the program's.
#include "app/file_commands.h"

#include <gmock/gmock.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>

#include "app/cipher_commands.h"
#include "app/help_commands.h"
#include "app/tests/command_fixture.h"
#include "app/window_events.h"
#include "base/form.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;

const std::string closePrompt = "message: 文本内容已改变 是否需要保存？ / 提示";
const std::string nothingToSave = "message: 您好没有输入要保存的内容 / 提示";
const std::string saveDialog = std::string("file: ") + saveDialogName + " / ";
const std::string openDialog = std::string("file: ") + openDialogName + " / ";

using SaveCommand = CommandTest;

TEST_F(SaveCommand, WritesTheTextAsGbkBytesUnderTheChosenName) {
  type("abc");
  ui.answerFile(path("note"));  // typed without an extension
  EXPECT_TRUE(saveCommand());
  EXPECT_EQ(readWholeFile(path("note.txt")), "abc");
  EXPECT_EQ(contentModified, 0);

  type("第一行\r\nline 2");
  ui.answerFile(path("two.txt"));
  saveCommand();
  EXPECT_EQ(readWholeFile(path("two.txt")), "\xB5\xDA\xD2\xBB\xD0\xD0\r\nline 2");
  EXPECT_THAT(boxes(), ElementsAre(saveDialog, saveDialog));
  EXPECT_EQ(ui.shown[1].offered, path("note.txt")) << "the dialog offers the name last confirmed";
}

TEST_F(SaveCommand, EmptyEditorOnlySaysSo) {
  contentModified = 1;
  EXPECT_TRUE(saveCommand());
  EXPECT_THAT(boxes(), ElementsAre(nothingToSave));
  EXPECT_EQ(contentModified, 1);
}

TEST_F(SaveCommand, CancelledDialogWritesNothing) {
  type("abc");
  ui.answerFile(std::nullopt);
  EXPECT_FALSE(saveCommand());
  EXPECT_EQ(contentModified, 1);
  EXPECT_TRUE(names().empty());
}

TEST_F(SaveCommand, FailedWriteIsReportedAndKeepsTheOldFile) {
  ASSERT_TRUE(writeWholeFile(path("locked.txt"), "old"));
  std::filesystem::permissions(path("locked.txt"), std::filesystem::perms::owner_read);
  std::filesystem::create_directory(path("gone"));
  struct Case {
    std::string name;
    std::string target;
    std::function<void()> before;
  } cases[] = {
      {"read-only file", path("locked.txt"), [] {}},
      {"vanished directory", path("gone/new.txt"), [this] { std::filesystem::remove(path("gone")); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui.shown.clear();
    type("new text");
    c.before();
    ui.answerFile(c.target);
    EXPECT_FALSE(saveCommand());
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[1].caption, hintCaption);
    EXPECT_THAT(ui.shown[1].text, HasSubstr(c.target));
    EXPECT_THAT(ui.shown[1].text, HasSubstr("没有保存"));
    EXPECT_EQ(contentModified, 1);
  }
  EXPECT_EQ(readWholeFile(path("locked.txt")), "old");
}

TEST_F(SaveCommand, FullDiskIsReportedAndKeepsTheOldFile) {
  ASSERT_TRUE(writeWholeFile(path("big.txt"), "old"));
  type(std::string(100000, 'x'));
  ui.answerFile(path("big.txt"));
  signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limited = saved;
  limited.rlim_cur = 4096;  // the write fails part-way, as on a full disk
  setrlimit(RLIMIT_FSIZE, &limited);
  const bool saved_ok = saveCommand();
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_FALSE(saved_ok);
  EXPECT_EQ(readWholeFile(path("big.txt")), "old");
  EXPECT_EQ(contentModified, 1);
  ASSERT_EQ(ui.shown.size(), 2u);
  EXPECT_THAT(ui.shown[1].text, HasSubstr(path("big.txt")));
}

using OpenCommand = CommandTest;

TEST_F(OpenCommand, LoadsTheFileUpToItsFirstZeroByte) {
  ASSERT_TRUE(writeWholeFile(path("a.txt"), std::string("A\0B", 3)));
  ui.answerFile(path("a.txt"));
  openCommand();
  EXPECT_EQ(ui.editor, "A");
  EXPECT_EQ(contentModified, 0);

  ASSERT_TRUE(writeWholeFile(path("empty.txt"), ""));
  ui.answerFile(path("empty.txt"));
  openCommand();
  EXPECT_EQ(ui.editor, "");
  EXPECT_EQ(contentModified, 0);
}

TEST_F(OpenCommand, CancelChangesNothingAfterAnEarlierOpen) {
  ASSERT_TRUE(writeWholeFile(path("a.txt"), "first"));
  ui.answerFile(path("a.txt"));
  openCommand();
  type("edited");
  ui.answerMessage(ID_NO);  // do not save the changes
  ui.answerFile(std::nullopt);
  openCommand();
  EXPECT_EQ(ui.editor, "edited");
  EXPECT_EQ(contentModified, 1);
}

TEST_F(OpenCommand, UnreadableFileIsReportedAndTheTextKept) {
  type("kept");
  ui.answerMessage(ID_NO);             // not saved first
  ui.answerFile(path("removed.txt"));  // chosen, then removed before it was read
  openCommand();
  EXPECT_EQ(ui.editor, "kept");
  EXPECT_EQ(contentModified, 1) << "nothing was loaded, so the text is still the changed one";
  ASSERT_EQ(ui.shown.size(), 3u);
  EXPECT_EQ(ui.shown[2].caption, hintCaption);
  EXPECT_THAT(ui.shown[2].text, HasSubstr(path("removed.txt")));
}

TEST_F(OpenCommand, SpecialAndHugeFilesAreRefusedWithAMessage) {
  ASSERT_EQ(::mkfifo(path("fifo.txt").c_str(), 0600), 0);  // no writer: reading would wait forever
  std::filesystem::create_symlink("/dev/zero", path("zero.txt"));  // endless
  ASSERT_TRUE(writeWholeFile(path("huge.txt"), "x"));
  ASSERT_EQ(::truncate(path("huge.txt").c_str(), off_t(maxReadSize) + 1), 0);  // sparse
  const std::pair<std::string, std::string> cases[] = {
      {path("fifo.txt"), "message: 无法读取文件“" + path("fifo.txt") + "”。 / 提示"},
      {path("zero.txt"), "message: 无法读取文件“" + path("zero.txt") + "”。 / 提示"},
      {path("huge.txt"), "message: 文件“" + path("huge.txt") + "”太大（超过 1 GB），无法打开。 / 提示"},
  };
  for (const auto& [file, message] : cases) {
    ui.editor = "kept";
    ui.shown.clear();
    ui.answerFile(file);
    openCommand();
    EXPECT_EQ(ui.editor, "kept");
    EXPECT_THAT(boxes(), ElementsAre(openDialog, message));
  }
}

TEST_F(OpenCommand, ChangedTextIsOfferedForSavingFirst) {
  ASSERT_TRUE(writeWholeFile(path("b.txt"), "other"));
  type("mine");
  ui.answerMessage(ID_YES);      // save first
  ui.answerFile(std::nullopt);   // ... but cancel the save dialog: Open stops
  openCommand();
  EXPECT_EQ(ui.editor, "mine");
  EXPECT_THAT(boxes(), ElementsAre(closePrompt, saveDialog));

  ui.answerMessage(ID_YES);
  ui.answerFile(path("mine.txt"));
  ui.answerFile(path("b.txt"));
  openCommand();
  EXPECT_EQ(readWholeFile(path("mine.txt")), "mine");
  EXPECT_EQ(ui.editor, "other");
}

TEST_F(OpenCommand, DroppedFileOpensWithoutADialogAfterTheQuestion) {
  ASSERT_TRUE(writeWholeFile(path("dropped.txt"), "dropped"));
  type("mine");
  ui.answerMessage(ID_CANCEL);
  openDroppedFile(path("dropped.txt"));
  EXPECT_EQ(ui.editor, "mine");
  EXPECT_EQ(contentModified, 1);

  ui.answerMessage(ID_NO);
  openDroppedFile(path("dropped.txt"));
  EXPECT_EQ(ui.editor, "dropped");
  EXPECT_EQ(contentModified, 0);
  EXPECT_THAT(boxes(), ElementsAre(closePrompt, closePrompt));

  openDroppedFile(path("gone.txt"));  // unchanged text: no question, only the failed read
  EXPECT_EQ(ui.editor, "dropped");
  ASSERT_EQ(ui.shown.size(), 3u);
  EXPECT_THAT(ui.shown[2].text, HasSubstr(path("gone.txt")));
}

using NewCommand = CommandTest;

TEST_F(NewCommand, AsksWheneverTheEditorHoldsText) {
  newCommand();
  EXPECT_TRUE(ui.shown.empty()) << "an empty editor asks nothing";

  const std::string question = "message: 您的内容还没有保存，是否保存？ / 提示";
  ui.editor = "unchanged since loaded";
  ui.answerMessage(ID_CANCEL);
  newCommand();
  EXPECT_EQ(ui.editor, "unchanged since loaded");

  ui.answerMessage(ID_YES);
  ui.answerFile(path("kept.txt"));
  newCommand();
  EXPECT_EQ(ui.editor, "unchanged since loaded") << "Yes saves and keeps the text";
  EXPECT_EQ(readWholeFile(path("kept.txt")), "unchanged since loaded");

  type("more");
  ui.answerMessage(ID_NO);
  newCommand();
  EXPECT_EQ(ui.editor, "");
  EXPECT_EQ(contentModified, 0);
  EXPECT_THAT(boxes(), ElementsAre(question, question, saveDialog, question));
}

using ExitAndClose = CommandTest;

TEST_F(ExitAndClose, UnchangedTextEndsWithoutAQuestion) {
  ui.editor = "saved";
  exitCommand();
  EXPECT_EQ(ui.endedWith, 0);
  EXPECT_TRUE(confirmSaveOnClose());
  EXPECT_TRUE(ui.shown.empty());
}

// Every command that closes or replaces changed text asks first, and only "No" or a save that really
// happened lets it go on; Cancel, Esc or closing the box (all ID_CANCEL) keeps the text and its flag.
TEST_F(ExitAndClose, ChangedTextIsLostOnlyAfterNoOrASave) {
  struct Entry {
    const char* name;
    std::function<bool()> run;  // runs the command; true when it went on past the question
  };
  const Entry entries[] = {
      {"close box or Esc", [] { return confirmSaveOnClose(); }},
      {"exit", [this] { exitCommand(); return ui.endedWith.has_value(); }},
      // Going on shows the open dialog, which is then cancelled, so the editor keeps its text.
      {"open", [this] { openCommand(); return ui.shown.back().text == openDialogName; }},
      {"decrypt", [this] { decryptCommand(); return ui.shown.back().text == openDialogName; }},
  };
  struct Answer {
    const char* name;
    int button;
    std::optional<std::string> saveAs;  // the save dialog's answer after Yes
    bool goesOn;
    bool saved;
  } answers[] = {
      {"yes and saved", ID_YES, "saved.txt", true, true},
      {"yes but the save dialog cancelled", ID_YES, std::nullopt, false, false},
      {"yes but the save failed", ID_YES, "no-such-folder/saved.txt", false, false},
      {"no", ID_NO, std::nullopt, true, false},
      {"cancel, Esc or the box closed", ID_CANCEL, std::nullopt, false, false},
  };
  for (const Entry& entry : entries) {
    for (const Answer& answer : answers) {
      SCOPED_TRACE(std::string(entry.name) + ", " + answer.name);
      std::filesystem::remove(path("saved.txt"));
      type("unsaved text");
      ui.shown.clear();
      ui.endedWith.reset();
      ui.answerMessage(answer.button);
      if (answer.button == ID_YES) ui.answerFile(answer.saveAs ? std::optional(path(*answer.saveAs)) : std::nullopt);
      const bool opens = entry.name == std::string("open") || entry.name == std::string("decrypt");
      if (answer.goesOn && opens) ui.answerFile(std::nullopt);

      EXPECT_EQ(entry.run(), answer.goesOn);
      EXPECT_EQ(ui.shown.front().text, "文本内容已改变 是否需要保存？");
      EXPECT_EQ(ui.shown.front().buttons, MB_YESNOCANCEL);
      EXPECT_EQ(ui.editor, "unsaved text");
      EXPECT_EQ(readWholeFile(path("saved.txt")), answer.saved ? "unsaved text" : "");
      EXPECT_EQ(contentModified, answer.saved ? 0 : 1);
    }
  }
}

TEST_F(ExitAndClose, YesWithAnEmptyEditorHasNothingToSaveAndGoesOn) {
  type("");
  ui.answerMessage(ID_YES);
  EXPECT_TRUE(confirmSaveOnClose());
  EXPECT_THAT(boxes(), ElementsAre(closePrompt, nothingToSave));
}

using HelpCommands = CommandTest;

TEST_F(HelpCommands, AboutAndContact) {
  aboutCommand();
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].caption, hintCaption);
  EXPECT_EQ(ui.shown[0].buttons, MB_OK);
  const std::string& about = ui.shown[0].text;
  const size_t first = about.find("\r\n");
  const size_t second = about.find("\r\n", first + 2);
  EXPECT_NE(second, std::string::npos);
  EXPECT_EQ(about.find("\r\n", second + 2), std::string::npos) << "three lines";
  EXPECT_THAT(about.substr(0, first), HasSubstr("1.0"));
  EXPECT_THAT(about.substr(first, second - first), HasSubstr("1.1"));
  EXPECT_THAT(about.substr(second), HasSubstr("1.2"));

  contactAuthorCommand();
  ASSERT_EQ(ui.openedUrls.size(), 1u);
  EXPECT_THAT(ui.openedUrls[0], testing::MatchesRegex("tencent://message/\\?uin=[0-9]+"));
}

using WindowEvents = CommandTest;

TEST_F(WindowEvents, CreatedArmsTheTimersAndResizedFillsTheClientArea) {
  onWindowCreated();
  EXPECT_EQ(ui.timerPeriods[onlineCountClockName], 5000);
  EXPECT_EQ(ui.timerPeriods[versionClockName], 3000);

  ui.windowClientWidth = 500;
  ui.windowClientHeight = 300;
  onWindowResized();
  EXPECT_EQ(ui.editorWidth, 500);
  EXPECT_EQ(ui.editorHeight, 300);
}

}  // namespace

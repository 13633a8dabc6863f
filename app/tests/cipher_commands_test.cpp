// Encrypt and Decrypt on the scripted runtime, with real files. Texts here are GBK bytes.
#include "app/cipher_commands.h"

#include <gmock/gmock.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "app/tests/command_fixture.h"
#include "base/form.h"
#include "cipher/byte_cipher.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;

const std::string fixtures = QUORLIN_CIPHER_FIXTURES;
const std::string encryptPrompt = "input: 请输入写入密码！ / 提示";
const std::string decryptPrompt = "input: 请输入被加密文件的打开密码！ / 提示";
const std::string saveDialog = std::string("file: ") + saveDialogName + " / ";
const std::string openDialog = std::string("file: ") + openDialogName + " / ";

using EncryptCommand = CommandTest;

TEST_F(EncryptCommand, WritesTheFilesEarlierReleasesWrote) {
  struct Case {
    std::string fixture;
    std::string entry;
  } cases[] = {{"aaaaa", ""}, {"chinese-crlf", "20240611"}, {"negative", "-42"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    type(readWholeFile(fixtures + "/" + c.fixture + ".plain"));
    ui.answerInput(c.entry);
    ui.answerFile(path(c.fixture + ".enc"));
    encryptCommand();
    EXPECT_EQ(readWholeFile(path(c.fixture + ".enc")), readWholeFile(fixtures + "/" + c.fixture + ".enc"));
    EXPECT_EQ(ui.editor, readWholeFile(fixtures + "/" + c.fixture + ".plain")) << "the editor keeps the plain text";
    EXPECT_EQ(contentModified, 0);
  }
  EXPECT_EQ(ui.shown[0].buttons, INPUT_INTEGER);
}

TEST_F(EncryptCommand, EmptyEditorOnlySaysSo) {
  encryptCommand();
  EXPECT_THAT(boxes(), ElementsAre("message: 没有输入欲加密的内容 / 提示"));
}

TEST_F(EncryptCommand, CancelsWriteNothing) {
  ASSERT_TRUE(writeWholeFile(path("earlier.txt"), "earlier"));
  type("secret");
  ui.answerInput(std::nullopt);
  encryptCommand();
  EXPECT_THAT(boxes(), ElementsAre(encryptPrompt)) << "no file dialog after a cancelled password";

  ui.answerInput("1");
  ui.answerFile(path("earlier.txt"));
  encryptCommand();
  type("changed");
  ui.answerInput("1");
  ui.answerFile(std::nullopt);
  encryptCommand();
  EXPECT_EQ(ui.shown.back().offered, path("earlier.txt"));
  EXPECT_EQ(contentModified, 1);
  std::string secret = "secret";
  encipherBytes(secret, 1);
  EXPECT_EQ(readWholeFile(path("earlier.txt")), secret) << "the cancelled run left the file as the confirmed one wrote it";
}

TEST_F(EncryptCommand, FailedWriteIsReported) {
  std::filesystem::create_directory(path("gone"));
  type("secret");
  ui.answerInput("7");
  std::filesystem::remove(path("gone"));
  ui.answerFile(path("gone/x.enc"));
  encryptCommand();
  ASSERT_EQ(ui.shown.size(), 3u);
  EXPECT_EQ(ui.shown[2].caption, hintCaption);
  EXPECT_THAT(ui.shown[2].text, HasSubstr(path("gone/x.enc")));
  EXPECT_EQ(contentModified, 1);
}

using DecryptCommand = CommandTest;

TEST_F(DecryptCommand, ReadsTheFilesEarlierReleasesWrote) {
  for (const auto& [fixture, entry] : {std::pair{"wrap", "1"}, {"chinese-crlf", "0020240611"}}) {
    SCOPED_TRACE(fixture);
    ui.answerFile(fixtures + "/" + fixture + ".enc");
    ui.answerInput(entry);
    decryptCommand();
    EXPECT_EQ(ui.editor, readWholeFile(fixtures + "/" + fixture + ".plain"));
    EXPECT_EQ(contentModified, 0);
  }
}

TEST_F(DecryptCommand, WrongPasswordGivesTheTextUpToItsFirstZeroByte) {
  // Under the entry 1 the first offset is 42, so the first byte 0x2A deciphers to 0x00.
  ASSERT_TRUE(writeWholeFile(path("w.enc"), "\x2A\x44zz"));
  type("old");
  ui.answerMessage(ID_NO);  // do not save the changed text
  ui.answerFile(path("w.enc"));
  ui.answerInput("1");
  decryptCommand();
  EXPECT_EQ(ui.editor, "");
  EXPECT_EQ(contentModified, 0);
}

TEST_F(DecryptCommand, CancelledDialogFallsBackOnTheLastConfirmedFile) {
  ui.answerFile(std::nullopt);
  decryptCommand();
  EXPECT_THAT(boxes(), ElementsAre(openDialog)) << "no name ever confirmed: nothing more";

  ui.answerFile(fixtures + "/aaaaa.enc");
  ui.answerInput("");
  decryptCommand();
  ui.setEditorText("other");
  contentModified = 0;
  ui.answerFile(std::nullopt);
  ui.answerInput("");
  decryptCommand();
  EXPECT_EQ(ui.editor, "AAAAA");
}

TEST_F(DecryptCommand, EmptyFileEmptiesTheEditor) {
  ASSERT_TRUE(writeWholeFile(path("empty.enc"), ""));
  ui.editor = "something";
  ui.answerFile(path("empty.enc"));
  ui.answerInput("5");
  decryptCommand();
  EXPECT_EQ(ui.editor, "");
  EXPECT_EQ(contentModified, 0);
}

TEST_F(DecryptCommand, CancelledPasswordAndUnreadableFileChangeNothing) {
  type("kept");
  ui.answerMessage(ID_NO);  // not saved first
  ui.answerFile(fixtures + "/aaaaa.enc");
  ui.answerInput(std::nullopt);
  decryptCommand();
  ui.answerMessage(ID_NO);
  ui.answerFile(path("removed.enc"));
  decryptCommand();
  EXPECT_EQ(ui.editor, "kept");
  EXPECT_EQ(contentModified, 1) << "nothing was loaded, so the text is still the changed one";
  ASSERT_EQ(ui.shown.size(), 6u);
  EXPECT_EQ(ui.shown[5].caption, hintCaption);
  EXPECT_THAT(ui.shown[5].text, HasSubstr(path("removed.enc")));
}

TEST_F(DecryptCommand, SpecialAndHugeFilesAreRefusedWithAMessage) {
  ASSERT_EQ(::mkfifo(path("fifo.enc").c_str(), 0600), 0);  // no writer: reading would wait forever
  std::filesystem::create_symlink("/dev/zero", path("zero.enc"));  // endless
  ASSERT_TRUE(writeWholeFile(path("huge.enc"), "x"));
  ASSERT_EQ(::truncate(path("huge.enc").c_str(), off_t(maxReadSize) + 1), 0);  // sparse
  const std::pair<std::string, std::string> cases[] = {
      {path("fifo.enc"), "message: 无法读取文件“" + path("fifo.enc") + "”。 / 提示"},
      {path("zero.enc"), "message: 无法读取文件“" + path("zero.enc") + "”。 / 提示"},
      {path("huge.enc"), "message: 文件“" + path("huge.enc") + "”太大（超过 1 GB），无法打开。 / 提示"},
  };
  for (const auto& [file, message] : cases) {
    ui.editor = "kept";
    ui.shown.clear();
    ui.answerFile(file);
    decryptCommand();
    EXPECT_EQ(ui.editor, "kept");
    EXPECT_THAT(boxes(), ElementsAre(openDialog, message)) << "no password is asked for";
  }
}

TEST_F(DecryptCommand, ChangedTextIsOfferedForSavingFirst) {
  type("unsaved");
  ui.answerMessage(ID_YES);
  ui.answerFile(std::nullopt);  // the save is cancelled: Decrypt stops
  decryptCommand();
  EXPECT_EQ(ui.editor, "unsaved");
  EXPECT_THAT(boxes(), ElementsAre("message: 文本内容已改变 是否需要保存？ / 提示", saveDialog));

  ui.answerMessage(ID_YES);
  ui.answerFile(path("unsaved.txt"));  // saved this time: Decrypt goes on
  ui.answerFile(fixtures + "/aaaaa.enc");
  ui.answerInput("");
  decryptCommand();
  EXPECT_EQ(readWholeFile(path("unsaved.txt")), "unsaved");
  EXPECT_EQ(ui.editor, "AAAAA");
  EXPECT_EQ(contentModified, 0);
}

TEST_F(DecryptCommand, RoundTripsWithTheCommandLineTool) {
  const std::string tool = QUORLIN_CIPHER_TOOL;
  type("第一行\r\nsecond line 二");
  ui.answerInput("-123456789");
  ui.answerFile(path("gui.enc"));
  encryptCommand();
  const std::string decrypt = tool + " decrypt -p -123456789 " + path("gui.enc") + " " + path("cli.txt");
  ASSERT_EQ(std::system(decrypt.c_str()), 0);
  EXPECT_EQ(readWholeFile(path("cli.txt")), ui.editor);

  const std::string encrypt = tool + " encrypt -p 99 " + path("cli.txt") + " " + path("cli.enc");
  ASSERT_EQ(std::system(encrypt.c_str()), 0);
  const std::string text = ui.editor;
  ui.setEditorText("");
  contentModified = 0;
  ui.answerFile(path("cli.enc"));
  ui.answerInput("99");
  decryptCommand();
  EXPECT_EQ(ui.editor, text);
}

}  // namespace

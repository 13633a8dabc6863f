#include "app/file_commands.h"

#include <string>
#include <utility>

#include "app/document.h"
#include "base/form.h"
#include "platform/disk.h"
#include "platform/runtime.h"

void reportNotSaved(const std::string& path) {
  runtime().messageBox("无法写入文件“" + path + "”，内容没有保存。", MB_OK, hintCaption);
}

void reportNotRead(const std::string& path, ReadStatus status) {
  if (status == READ_TOO_LARGE)
    runtime().messageBox("文件“" + path + "”太大（超过 1 GB），无法打开。", MB_OK, hintCaption);
  else
    runtime().messageBox("无法读取文件“" + path + "”。", MB_OK, hintCaption);
}

bool saveCommand() {
  const std::string text = runtime().editorText();
  if (text.empty()) {
    runtime().messageBox("您好没有输入要保存的内容", MB_OK, hintCaption);
    return true;
  }
  if (!runtime().showFileDialog(saveDialogName)) return false;
  const std::string path = runtime().dialogFileName(saveDialogName);
  if (!writeWholeFile(path, text)) {
    reportNotSaved(path);
    return false;
  }
  contentModified = 0;
  return true;
}

void openCommand() {
  if (!saveChangesFirst()) return;
  if (!runtime().showFileDialog(openDialogName)) return;
  openFile(runtime().dialogFileName(openDialogName));
}

void openFile(const std::string& path) {
  ReadStatus status = READ_FAILED;
  std::string bytes = readWholeFile(path, &status);
  if (status != READ_DONE) {
    reportNotRead(path, status);
    return;
  }
  runtime().setEditorText(std::move(bytes));
  contentModified = 0;
}

void openDroppedFile(const std::string& path) {
  if (saveChangesFirst()) openFile(path);
}

void newCommand() {
  if (runtime().editorText().empty()) return;
  switch (runtime().messageBox("您的内容还没有保存，是否保存？", MB_YESNOCANCEL, hintCaption)) {
    case ID_YES:
      saveCommand();
      break;
    case ID_NO:
      runtime().setEditorText({});
      contentModified = 0;
      break;
    default:
      break;
  }
}

void exitCommand() {
  if (saveChangesFirst()) runtime().endProgram(0);
}

bool saveChangesFirst() {
  if (contentModified != 1) return true;
  // Only No drops the text: Cancel, Esc and closing the box keep it, like a Yes whose save failed.
  switch (runtime().messageBox("文本内容已改变 是否需要保存？", MB_YESNOCANCEL, hintCaption)) {
    case ID_YES:
      return saveCommand();
    case ID_NO:
      return true;
    default:
      return false;
  }
}

bool confirmSaveOnClose() { return saveChangesFirst(); }

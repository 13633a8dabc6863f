#include "app/cipher_commands.h"

#include <string>
#include <utility>

#include "app/document.h"
#include "app/file_commands.h"
#include "base/form.h"
#include "cipher/byte_cipher.h"
#include "platform/disk.h"
#include "platform/runtime.h"

void encryptCommand() {
  std::string bytes = runtime().editorText();
  if (bytes.empty()) {
    runtime().messageBox("没有输入欲加密的内容", MB_OK, hintCaption);
    return;
  }
  int32_t password = 0;
  if (!runtime().inputBox("请输入写入密码！", hintCaption, {}, password, INPUT_INTEGER)) return;
  encipherBytes(bytes, password);
  if (!runtime().showFileDialog(saveDialogName)) return;
  const std::string path = runtime().dialogFileName(saveDialogName);
  if (!writeWholeFile(path, bytes)) {
    reportNotSaved(path);
    return;
  }
  contentModified = 0;
}

void decryptCommand() {
  if (!saveChangesFirst()) return;
  // After a cancel the dialog still names the file last confirmed in it, which is decrypted again.
  runtime().showFileDialog(openDialogName);
  const std::string path = runtime().dialogFileName(openDialogName);
  if (path.empty()) return;
  ReadStatus status = READ_FAILED;
  std::string bytes = readWholeFile(path, &status);
  if (status != READ_DONE) {
    reportNotRead(path, status);
    return;
  }
  int32_t password = 0;
  if (!runtime().inputBox("请输入被加密文件的打开密码！", hintCaption, {}, password, INPUT_INTEGER)) return;
  decipherBytes(bytes, password);
  runtime().setEditorText(std::move(bytes));
  contentModified = 0;
}

#include "app/help_commands.h"

#include "base/form.h"
#include "platform/runtime.h"

void aboutCommand() {
  runtime().messageBox(
      "Quorlin 1.0：把私人文本加密保存到文件，凭数字密码再解密打开。作者 Quorlin 工作室，联系号码 800012345\r\n"
      "1.1 版：修正了保存与打开的若干问题，加密解密更稳定。\r\n"
      "1.2 版：新增联系作者、自动检查新版本和在线人数统计。",
      MB_OK, hintCaption);
}

void contactAuthorCommand() { runtime().openUrl("tencent://message/?uin=800012345"); }

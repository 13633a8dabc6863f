#include "cipher/cli/cli_text.h"

#include "platform/textbridge.h"

std::string takeUtf8AsGbk(std::string& pending, bool atEnd) {
  size_t used = 0;
  std::string gbk = losslessUtf8FrontToGbk(pending, atEnd, used);
  pending.erase(0, used);
  return gbk;
}

std::string takeGbkAsUtf8(std::string& pending, bool atEnd) {
  size_t used = 0;
  std::string text = gbkFrontToLosslessUtf8(pending, atEnd, used);
  pending.erase(0, used);
  return text;
}

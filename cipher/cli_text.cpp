#include "cipher/cli_text.h"

#include "platform/textbridge.h"

std::string gbkToUtf8Text(const std::string& gbk) {
  // The bridge reads CR LF as the editor's line break, which has no byte form in UTF-8 other than
  // U+2029; a terminal wants the CR LF itself, so the text is converted between the CRs.
  std::string out;
  size_t start = 0;
  for (size_t cr = gbk.find('\r'); cr != std::string::npos; cr = gbk.find('\r', start)) {
    out += gbkToUtf8Path(gbk.substr(start, cr - start));
    out += '\r';
    start = cr + 1;
  }
  out += gbkToUtf8Path(gbk.substr(start));
  return out;
}

std::string takeUtf8AsGbk(std::string& pending, bool atEnd) {
  // A UTF-8 character is a lead byte and at most three continuation bytes (10xxxxxx). Cutting before a
  // byte that is not a continuation byte cuts no character; one within the last three bytes may start
  // a character whose rest is still to come.
  size_t cut = pending.size();
  if (!atEnd) {
    for (size_t back = 1; back <= 3 && back <= pending.size(); ++back) {
      if ((static_cast<unsigned char>(pending[pending.size() - back]) & 0xC0) != 0x80) {
        cut = pending.size() - back;
        break;
      }
    }
  }
  const std::string gbk = utf8PathToGbk(pending.substr(0, cut));
  pending.erase(0, cut);
  return gbk;
}

std::string takeGbkAsUtf8(std::string& pending, bool atEnd) {
  // GBK does not resynchronise: a run of high bytes pairs up only counted from its start. A byte below
  // 0x30 is never part of a two- or four-byte character, so the text splits cleanly after one.
  size_t cut = pending.size();
  if (!atEnd) {
    cut = 0;
    for (size_t i = pending.size(); i > 0; --i) {
      if (static_cast<unsigned char>(pending[i - 1]) < 0x30) {
        cut = i;
        break;
      }
    }
  }
  const std::string text = gbkToUtf8Text(pending.substr(0, cut));
  pending.erase(0, cut);
  return text;
}

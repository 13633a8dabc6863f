#pragma once
// Text conversion for quorlin-cipher --utf8: the encrypted files hold GBK text, terminals and files on
// this system UTF-8. The conversion runs chunk by chunk, so a character cut by a chunk's edge waits in
// the pending bytes for the rest of it; the chunks together convert exactly as the whole text would.
// Bytes that are no character in their encoding pass through as themselves, so nothing is lost.
#include <string>

// GBK bytes to UTF-8. CR and LF stay the bytes they are.
std::string gbkToUtf8Text(const std::string& gbk);

// Convert the front of pending up to the last point where no character can be cut, remove it from
// pending and return it; the rest stays for the next chunk. At the end of the input, all of it.
std::string takeUtf8AsGbk(std::string& pending, bool atEnd);
std::string takeGbkAsUtf8(std::string& pending, bool atEnd);

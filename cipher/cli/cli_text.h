#pragma once
// Text conversion for quorlin-cipher --utf8: the encrypted files hold GBK text, terminals and files on
// this system UTF-8 (platform/textbridge.h says what survives). The text arrives chunk by chunk; each
// take converts all of pending but a last character that the next chunk may still complete (at most
// three bytes wait), so time is linear and memory flat on any text, and the chunks together convert
// exactly as the whole text would.
#include <string>

// Convert the front of pending, remove it from pending and return it; at the end of the input, all.
std::string takeUtf8AsGbk(std::string& pending, bool atEnd);
std::string takeGbkAsUtf8(std::string& pending, bool atEnd);

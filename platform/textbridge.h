#pragma once
// The bridge between the program's texts (GBK bytes, line breaks CR LF) and the editor's Unicode text.
// Both directions are lossless:
// - bytes -> editor -> bytes gives the same bytes for any byte string: a byte that starts no valid
//   character is shown as the lone surrogate U+DC00 + byte, a lone CR as U+DC0D, a lone LF as the line
//   separator U+2028;
// - editor -> bytes -> editor gives the same text: characters of code page 936 take its bytes (the euro
//   sign is 0x80), every other character its GB18030 sequence.
// A line break of the editor (U+2029, or "\n" from elsewhere) is CR LF in the bytes.
#include <string>

std::u16string gbkToEditorText(const std::string& bytes);
std::string editorTextToGbk(const std::u16string& text);

// File names: GBK bytes to and from the file system's UTF-8; a byte that starts no valid character
// passes through as itself.
std::string gbkToUtf8Path(const std::string& path);
std::string utf8PathToGbk(const std::string& path);

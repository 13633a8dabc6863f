#pragma once
// The bridge between the program's texts (GBK bytes) and Unicode, built on one reading of the bytes:
// a byte below 0x80 is itself, 0x80 the euro sign, a pair of code page 936 its character, and every
// other character has its GB18030 bytes (four bytes for most). The exceptions: six ideographs whose
// GB18030 pair code page 936 gives another character take GB18030's four-byte form of their code
// point, and 24 private-use characters to which GB18030 here gives no bytes take an unassigned
// four-byte sequence past U+10FFFF. Any other byte starts no character and stands alone. A character's
// bytes read back as that character wherever they stand.
//
// Two ways across, which share no escape:
//
// The editor's text (UTF-16 as the editor's document holds it; the document turns CR, LF, U+FDD0 and
// U+FDD1 into its line break U+2029):
// - CR LF is U+2029 and a lone LF is U+2028 (both show as line breaks); a lone CR is U+DC0D; a byte
//   0x81 to 0xFF that starts no character is the lone surrogate U+DC00 + byte;
// - the characters U+2028, U+2029, U+FDD0 and U+FDD1, which the document would take for line breaks,
//   are the lone surrogates U+DD28, U+DD29, U+DDD0 and U+DDD1;
// - on the way back "\n" is also CR LF, and a lone surrogate that stands for nothing is "?".
// Guarantees: bytes -> editor -> bytes gives the same bytes for every byte string without a zero byte,
// and the editor text holds no CR, LF, U+FDD0 or U+FDD1; editor -> bytes -> editor gives the same text
// for every valid Unicode text without U+0000, CR, LF, U+FDD0 and U+FDD1 (the characters the document
// never holds). The escapes are lone surrogates, which no character is, so no character is ever taken
// for one.
//
// Lossless UTF-8 (file names, and the text of quorlin-cipher --utf8): characters as UTF-8, CR and LF as
// themselves, a byte that starts no character as itself. Guarantees: GBK -> UTF-8 -> GBK gives the same
// bytes for every byte string without a zero byte (a byte that starts no character is never read as
// part of UTF-8: each pair of a byte C2 to F4 and a byte 80 to BF is a character); UTF-8 -> GBK ->
// UTF-8 gives the same text for every valid UTF-8 text without U+0000. Bytes that are not valid UTF-8
// pass into the GBK as themselves, where they may read as part of a character.
#include <cstddef>
#include <string>
#include <string_view>

std::u16string gbkToEditorText(std::string_view bytes);
std::string editorTextToGbk(std::u16string_view text);
// gbkToEditorText into out, which has room for bytes.size() code units (no character takes more code
// units than bytes); returns the number written. Lets a backend convert into its own string's memory.
size_t gbkToEditorUnits(std::string_view bytes, char16_t* out);

std::string gbkToLosslessUtf8(const std::string& text);
std::string losslessUtf8ToGbk(const std::string& text);

// The lossless UTF-8 conversions over a text that arrives in pieces: convert text from its front up to a
// character that the rest may still complete (at most its last three bytes), and set used to the
// number of bytes converted. With atEnd all of it is converted. Pieces fed on in this way convert
// exactly as the whole text does.
std::string gbkFrontToLosslessUtf8(const std::string& text, bool atEnd, size_t& used);
std::string losslessUtf8FrontToGbk(const std::string& text, bool atEnd, size_t& used);

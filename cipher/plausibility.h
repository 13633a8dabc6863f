#pragma once
// How much the start of a deciphered text looks like text. A wrong password turns the bytes into noise,
// so this tells a right password from a wrong one: `recover` ranks passwords by it and decrypt warns when
// the start of its output fails it.
//
// The start is read as GBK characters: a byte from 0x81 to 0xFE and a byte from 0x40 to 0xFE other than
// 0x7F form one two-byte character; any other byte is a character of its own. Each character falls in
// one of three classes:
// - common: tab, LF, CR, space, the digits and letters of ASCII and , . ; : ! ? ' " ( ) -; the full-width
//   punctuation and forms of GB2312 (rows A1 and A3) and its level-1 hanzi (leads B0 to D7), each with a
//   second byte from A1 to FE;
// - text: the rest of printable ASCII (0x21 to 0x7E); the other symbol rows of GB2312 (A2 and A4 to A9)
//   and its level-2 hanzi (leads D8 to F7), each with a second byte from A1 to FE;
// - other: everything else: control bytes, zero and 0x7F, two-byte characters outside GB2312, and bytes
//   that start no character, a lead byte at the end of the text included.
//
// The window is the characters that start in the first 64 bytes, so at most 65 bytes are read.
//   score = (2 × common bytes + text bytes) / (2 × window bytes), from 0 to 1; 1 for the empty text.
//   plausible: at most one byte in 32 of the window is other, so a full window may hold one uncommon
//   two-byte character; a window under 32 bytes none.
#include <cstddef>
#include <string_view>

inline constexpr size_t plausibilityWindow = 64;
// The bytes the measure may read: the window and the second byte of a character that its end cuts.
inline constexpr size_t plausibilityBytes = plausibilityWindow + 1;

enum class TextClass { common, text, other };

struct TextCharacter {
  size_t size;  // 1 or 2
  TextClass kind;
};

// The character that starts at position at, which lies within text.
TextCharacter characterAt(std::string_view text, size_t at);

struct Plausibility {
  size_t windowBytes = 0;
  size_t otherBytes = 0;
  size_t weight = 0;  // 2 for each byte of a common character, 1 for each byte of a text character
};

// The measure of text; when more, the text is only the start of a longer one, and a lead byte at its end,
// whose character it cuts, is left out of the window. Measured so, a start never counts more other bytes
// than the whole text does.
Plausibility measureText(std::string_view text, bool more = false);
double plausibilityScore(const Plausibility& measure);
bool isPlausible(const Plausibility& measure);

// Whether the byte can be part of a character that is not other. A byte that cannot counts among the
// other bytes wherever it stands: 09, 0A, 0D, 20 to 7E and A1 to FE can, the rest cannot.
constexpr bool mayBeText(unsigned char byte) {
  return byte == 0x09 || byte == 0x0A || byte == 0x0D || (byte >= 0x20 && byte <= 0x7E) || (byte >= 0xA1 && byte <= 0xFE);
}

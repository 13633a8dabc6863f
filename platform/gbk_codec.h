#pragma once
// The GBK codec under the text bridge (platform/textbridge.h says how it reads bytes): tables that the
// code-page backend builds once from the system's code page 936 and GB18030, and reading and writing
// one character by table lookups and the arithmetic of GB18030's four-byte sequences.
#include <cstddef>
#include <cstdint>

#include "base/utf.h"

// GB18030's four-byte sequences by their linear index: 0 to 39419 hold BMP characters, 189000 on the
// supplementary planes in order, and from 1237576 (past U+10FFFF) up to 1587599 nothing. There the BMP
// characters that have no bytes otherwise take the sequence at 1237576 + their code.
inline constexpr uint32_t bmpFourCount = 39420;
inline constexpr uint32_t supplementaryFour = 189000;
inline constexpr uint32_t beyondUnicode = supplementaryFour + 0x100000;

constexpr uint32_t fourByteIndex(const unsigned char* b) {
  return (((b[0] - 0x81u) * 10 + (b[1] - 0x30u)) * 126 + (b[2] - 0x81u)) * 10 + (b[3] - 0x30u);
}

// The four bytes at index, packed first byte highest.
constexpr uint32_t fourBytesAt(uint32_t index) {
  const uint32_t b3 = 0x30 + index % 10;
  index /= 10;
  const uint32_t b2 = 0x81 + index % 126;
  index /= 126;
  const uint32_t b1 = 0x30 + index % 10;
  const uint32_t b0 = 0x81 + index / 10;
  return b0 << 24 | b1 << 16 | b2 << 8 | b3;
}

struct GbkCodecTables {
  char16_t pairChar[65536] = {};  // lead << 8 | trail; 0: none
  char16_t fourChar[bmpFourCount] = {};
  uint32_t charBytes[65536] = {};  // a BMP character's bytes packed first byte highest; 0: none
};

// Built on first use: a byte below 0x80 is itself and 0x80 the euro sign. A pair is code page 936's
// character, or GB18030's where 936 has none, taken only when the character encodes back to the pair,
// so that each character has one pair and it reads back. GB18030's four-byte BMP characters follow;
// the BMP characters still without bytes take their unassigned sequence past U+10FFFF.
const GbkCodecTables& gbkCodecTables();

constexpr bool isGbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
constexpr bool isGbkFourDigit(unsigned char b) { return b >= 0x30 && b <= 0x39; }

// Reads the GBK character at the front of p (left bytes there, the first 0x80 or above): returns its
// length and sets c, or 1 with c = noCharacter for a byte that starts none. Returns 0 when the bytes
// there may still begin a character and more may follow.
inline size_t readGbk(const GbkCodecTables& t, const unsigned char* p, size_t left, bool more, char32_t& c) {
  const unsigned char b = p[0];
  c = b == 0x80 ? char32_t(0x20AC) : noCharacter;
  if (!isGbkLead(b)) return 1;
  if (left < 2) return more ? 0 : 1;
  if (const char16_t pair = t.pairChar[b << 8 | p[1]]; pair != 0) {
    c = pair;
    return 2;
  }
  if (!isGbkFourDigit(p[1])) return 1;
  if (left < 4) return more ? 0 : 1;
  if (!isGbkLead(p[2]) || !isGbkFourDigit(p[3])) return 1;
  const uint32_t index = fourByteIndex(p);
  if (index < bmpFourCount) {
    if (t.fourChar[index] != 0) c = t.fourChar[index];
  } else if (index >= supplementaryFour && index < beyondUnicode) {
    c = 0x10000 + (index - supplementaryFour);
  } else if (index >= beyondUnicode && index - beyondUnicode <= 0xFFFF) {
    const char32_t slot = index - beyondUnicode;
    if (t.charBytes[slot] == fourBytesAt(index)) c = slot;
  }
  return c == noCharacter ? 1 : 4;
}

// Writes c's bytes at o and returns the end; c is no surrogate.
inline char* putGbk(const GbkCodecTables& t, char32_t c, char* o) {
  const uint32_t bytes = c <= 0xFFFF ? t.charBytes[c] : fourBytesAt(supplementaryFour + (c - 0x10000));
  if (bytes > 0xFFFF) {
    *o++ = char(bytes >> 24);
    *o++ = char(bytes >> 16 & 0xFF);
  }
  if (bytes > 0xFF) *o++ = char(bytes >> 8 & 0xFF);
  *o++ = char(bytes & 0xFF);
  return o;
}

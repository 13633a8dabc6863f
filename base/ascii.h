#pragma once
// ASCII character classes as the program's readers of numbers and names use them; bytes of 0x80 and
// above are none of these.

// A space, tab, line feed, vertical tab, form feed or carriage return.
constexpr bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }
// A to Z as a to z; every other byte as it is.
constexpr char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

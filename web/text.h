#pragma once
// Search-and-cut primitives over texts: GBK (code page 936) bytes in a std::string. A byte of 0x80 or
// above starts a two-byte character, which the searches step over whole. Positions are 1-based byte
// positions and a search that finds nothing gives -1. Spaces are the byte 0x20 and the full-width space
// A1 A1; tabs and line breaks are not spaces.
#include <string>
#include <vector>

// Position of the first occurrence of sought at or after start (1-based; 0 or less is the beginning).
// An empty sought gives 1 when a byte remains to be searched. With ignoreCase, ASCII letters match
// without case and every other byte exactly.
int findText(const std::string& text, const std::string& sought, int start = 0, bool ignoreCase = false);
// Position of the last occurrence of sought, or -1.
int findTextReverse(const std::string& text, const std::string& sought);

// The first, the last, or from start (1-based) the next count bytes; a two-byte character may be cut.
std::string textLeft(const std::string& text, int count);
std::string textRight(const std::string& text, int count);
std::string textMid(const std::string& text, int start, int count);

// A to Z lower-cased; the second byte of a two-byte character is left alone.
std::string toLowerAscii(const std::string& text);
std::string trimSpaces(const std::string& text);
std::string removeSpaces(const std::string& text);
// Every occurrence of from, scanned left to right without overlaps, replaced by to.
std::string replaceAll(const std::string& text, const std::string& from, const std::string& to);
// Items between separators, empty ones included, but never an empty last item. An empty text gives no
// items, an empty separator the whole text as one.
std::vector<std::string> splitText(const std::string& text, const std::string& separator);
// Exact byte search in a byte set, without character stepping; an empty sought gives -1.
int findBytes(const std::string& bytes, const std::string& sought);
// Full-width digits, signs and spaces read as ASCII; leading white space, an optional sign and the
// decimal digits up to the first other character. No digits give 0; values beyond int are clamped.
int textToInteger(const std::string& text);

// The bytes between the first leftMarker at or after startPos and the first rightMarker after it, or the
// empty text when either is missing. "#引号" in a marker stands for a double quote. Letters are compared
// without case unless caseSensitive.
std::string textBetween(const std::string& text, const std::string& leftMarker, const std::string& rightMarker,
                        int startPos = 0, bool caseSensitive = false);
// The trimmed text after the first ":" of a header line; empty when there is none.
std::string headerValue(const std::string& line);

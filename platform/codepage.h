#pragma once
// Code-page conversions between byte strings and UTF-16 for code pages 65001 (UTF-8) and 936 (GBK):
// in one pass (codePageToWide, wideToCodePage), and shaped like the Windows calls the web code uses.
// Those are used in two passes: a capacity of 0 asks for the length needed, a second call converts
// into a buffer of that length. Every character costs about the same, mapped or not.
//
// - A count of -1 converts up to and including the terminating zero, which is then counted too.
// - The result is the number of code units or bytes written (or needed); 0 on failure: an unknown code
//   page, a null or empty input, or a buffer too small for the whole result.
// - UTF-8 that is not well formed gives U+FFFD for each maximal invalid subsequence; a lone surrogate
//   becomes U+FFFD in UTF-8.
// - Bytes that form no 936 character give "?" (U+003F); a character 936 lacks becomes defaultChar, or
//   "?" when none is given, one per UTF-16 code unit, and sets *usedDefault. The euro sign is 0x80;
//   the user-defined rows of 936 (A140, AAA1, ...) map to no character.
// - Flags are accepted and have no effect: composition checks and best-fit mappings are not made.
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr unsigned CP_UTF8 = 65001;
inline constexpr unsigned CP_GBK = 936;
inline constexpr uint32_t WC_COMPOSITECHECK = 0x200;

int MultiByteToWideChar(unsigned codePage, uint32_t flags, const char* multiByte, int byteCount, char16_t* wide,
                        int wideCapacity);
int WideCharToMultiByte(unsigned codePage, uint32_t flags, const char16_t* wide, int wideCount, char* multiByte,
                        int byteCapacity, const char* defaultChar, bool* usedDefault);

// The code units, or bytes, that the calls above write for the whole input; empty for an unknown code
// page.
std::u16string codePageToWide(unsigned codePage, std::string_view bytes);
std::string wideToCodePage(unsigned codePage, std::u16string_view wide, const char* defaultChar = nullptr,
                           bool* usedDefault = nullptr);

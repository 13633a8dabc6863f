#include "web/text.h"

#include <algorithm>
#include <climits>

#include "base/ascii.h"
#include "base/entry.h"

namespace {

// Bytes taken by the character starting at index i; a lead byte at the very end stands alone.
size_t charLength(const std::string& text, size_t i) {
  return static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
}

bool isFullWidthSpace(const std::string& text, size_t i) {
  return i + 1 < text.size() && text[i] == '\xA1' && text[i + 1] == '\xA1';
}

// Length of the space starting at i: 1, 2 for a full-width one, 0 when the character is no space.
size_t spaceLength(const std::string& text, size_t i) {
  if (text[i] == ' ') return 1;
  return isFullWidthSpace(text, i) ? 2 : 0;
}

bool matchesAt(const std::string& text, size_t i, const std::string& sought, bool ignoreCase) {
  if (sought.size() > text.size() - i) return false;
  for (size_t k = 0; k < sought.size(); ++k) {
    const char a = text[i + k];
    const char b = sought[k];
    if (a != b && !(ignoreCase && lowerAscii(a) == lowerAscii(b))) return false;
  }
  return true;
}

}  // namespace

int findText(const std::string& text, const std::string& sought, int start, bool ignoreCase) {
  const size_t from = start > 1 ? size_t(start) - 1 : 0;
  if (from >= text.size()) return -1;
  if (sought.empty()) return 1;
  for (size_t i = from; i < text.size(); i += charLength(text, i)) {
    if (matchesAt(text, i, sought, ignoreCase)) return int(i) + 1;
  }
  return -1;
}

int findTextReverse(const std::string& text, const std::string& sought) {
  if (sought.empty()) return -1;
  int found = -1;
  for (size_t i = 0; i < text.size(); i += charLength(text, i)) {
    if (matchesAt(text, i, sought, false)) found = int(i) + 1;
  }
  return found;
}

std::string textLeft(const std::string& text, int count) {
  if (count <= 0) return {};
  return text.substr(0, size_t(count));
}

std::string textRight(const std::string& text, int count) {
  if (count <= 0) return {};
  const size_t n = std::min(size_t(count), text.size());
  return text.substr(text.size() - n);
}

std::string textMid(const std::string& text, int start, int count) {
  if (start < 1 || size_t(start) > text.size() || count <= 0) return {};
  return text.substr(size_t(start) - 1, size_t(count));
}

std::string toLowerAscii(const std::string& text) {
  std::string out = text;
  for (size_t i = 0; i < out.size(); i += charLength(out, i)) out[i] = lowerAscii(out[i]);
  return out;
}

std::string trimSpaces(const std::string& text) {
  size_t begin = 0;
  while (begin < text.size()) {
    const size_t space = spaceLength(text, begin);
    if (space == 0) break;
    begin += space;
  }
  // Character boundaries are known only from the front, so the end is found walking forward.
  size_t end = begin;
  for (size_t i = begin; i < text.size();) {
    const size_t space = spaceLength(text, i);
    if (space != 0) {
      i += space;
      continue;
    }
    i += charLength(text, i);
    end = i;
  }
  return text.substr(begin, end - begin);
}

std::string removeSpaces(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t space = spaceLength(text, i);
    if (space != 0) {
      i += space;
      continue;
    }
    const size_t n = charLength(text, i);
    out.append(text, i, n);
    i += n;
  }
  return out;
}

std::string replaceAll(const std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (matchesAt(text, i, from, false)) {
      out += to;
      i += from.size();
      continue;
    }
    const size_t n = charLength(text, i);
    out.append(text, i, n);
    i += n;
  }
  return out;
}

std::vector<std::string> splitText(const std::string& text, const std::string& separator) {
  if (text.empty()) return {};
  if (separator.empty()) return {text};
  std::vector<std::string> items;
  size_t itemStart = 0;
  for (size_t i = 0; i < text.size();) {
    if (matchesAt(text, i, separator, false)) {
      items.push_back(text.substr(itemStart, i - itemStart));
      i += separator.size();
      itemStart = i;
      continue;
    }
    i += charLength(text, i);
  }
  if (itemStart < text.size()) items.push_back(text.substr(itemStart));
  return items;
}

int findBytes(const std::string& bytes, const std::string& sought) {
  if (sought.empty()) return -1;
  const size_t p = bytes.find(sought);
  return p == std::string::npos ? -1 : int(p) + 1;
}

int textToInteger(const std::string& text) {
  std::string ascii;
  for (size_t i = 0; i < text.size();) {
    const size_t n = charLength(text, i);
    const auto second = n == 2 ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (isFullWidthSpace(text, i)) {
      ascii += ' ';
    } else if (text[i] == '\xA3' && second >= 0xB0 && second <= 0xB9) {
      ascii += char('0' + (second - 0xB0));
    } else if (text[i] == '\xA3' && second == 0xAB) {
      ascii += '+';
    } else if (text[i] == '\xA3' && second == 0xAD) {
      ascii += '-';
    } else {
      ascii.append(text, i, n);
    }
    i += n;
  }
  const LeadingNumber number = leadingNumber(ascii);
  long long value = 0;
  for (size_t i = number.digits; i < number.end; ++i) {
    value = std::min(value * 10 + (ascii[i] - '0'), (long long)INT_MAX + 1);
  }
  if (number.negative) value = -value;
  return int(std::clamp(value, (long long)INT_MIN, (long long)INT_MAX));
}

std::string textBetween(const std::string& text, const std::string& leftMarker, const std::string& rightMarker,
                        int startPos, bool caseSensitive) {
  // "#引号" lets a caller write a marker that holds a double quote.
  static const std::string quoteName = "#\xD2\xFD\xBA\xC5";
  const std::string left = replaceAll(leftMarker, quoteName, "\"");
  const std::string right = replaceAll(rightMarker, quoteName, "\"");
  int a = findText(text, left, startPos, !caseSensitive);
  if (a != -1) a += int(left.size());
  const int b = findText(text, right, a, !caseSensitive);
  if (a == -1 || b == -1) return {};
  return textMid(text, a, b - a);
}

std::string headerValue(const std::string& line) {
  const int p = findText(line, ":");
  if (p == -1) return {};
  return trimSpaces(textRight(line, int(line.size()) - p));
}

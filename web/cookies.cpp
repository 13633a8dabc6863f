#include "web/cookies.h"

#include <algorithm>

#include "web/text.h"

std::string mergeCookies(std::string& oldCookies, std::string& newCookies) {
  oldCookies = removeSpaces(oldCookies);
  newCookies = removeSpaces(newCookies);
  const std::vector<std::string> oldItems = splitText(oldCookies, ";");
  std::vector<std::string> items = splitText(newCookies, ";");
  // items grows while the old list is walked, so of two old items of one name only the first is kept.
  for (const std::string& item : oldItems) {
    if (!hasCookieNamed(items, cookieName(item))) items.push_back(item);
  }
  oldCookies.clear();
  for (const std::string& item : items) {
    if (textRight(item, 8) != "=deleted") oldCookies += item + "; ";
  }
  oldCookies = textLeft(oldCookies, int(oldCookies.size()) - 2);
  oldCookies = dedupeJoin(oldCookies, "; ");
  return oldCookies;
}

std::string cookieName(const std::string& item) {
  const int equals = findText(item, "=");
  return trimSpaces(equals == -1 ? item : textLeft(item, equals - 1));
}

bool hasCookieNamed(const std::vector<std::string>& items, const std::string& name) {
  return std::any_of(items.begin(), items.end(), [&](const std::string& item) { return cookieName(item) == name; });
}

std::string dedupeJoin(const std::string& text, const std::string& separator) {
  std::vector<std::string> kept;
  std::string joined;
  for (const std::string& item : splitText(text, separator)) {
    if (listContains(kept, item)) continue;
    kept.push_back(item);
    joined += item + separator;
  }
  return textLeft(joined, int(joined.size() - separator.size()));
}

bool listContains(const std::vector<std::string>& items, const std::string& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

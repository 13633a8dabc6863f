#pragma once
// Cookie texts as sent in a Cookie header: name=value items separated by ";", spaces allowed around and
// inside them.
#include <string>
#include <vector>

// Merges the cookies a server has just set (newCookies) into those held (oldCookies): the new items in
// their order, then the old ones whose names the new ones do not mention; items ending in "=deleted"
// are dropped and exact repeats kept once. oldCookies receives the result joined with "; ", newCookies
// loses all its spaces; the result is also returned.
std::string mergeCookies(std::string& oldCookies, std::string& newCookies);
// The trimmed text before an item's first "=", or the whole trimmed item.
std::string cookieName(const std::string& item);
bool hasCookieNamed(const std::vector<std::string>& items, const std::string& name);
// text split at separator, later repeats dropped, joined with separator again.
std::string dedupeJoin(const std::string& text, const std::string& separator);
bool listContains(const std::vector<std::string>& items, const std::string& item);

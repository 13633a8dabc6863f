// Seeded random texts through every helper, for crashes and sanitizer reports, with the invariants
// that hold for any input.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "web/cookies.h"
#include "web/text.h"
#include "web/url.h"

namespace {

// Pieces that make the helpers' edge cases likely: lead bytes, full-width spaces, markers.
const char* const pieces[] = {"a", "Z", " ", ":", "/", ";", "=", "\"", ".", "\r\n", "\xA1\xA1", "\xA1",
                              "\xB0", "\xB0\x41", "\xD6\xD0", "#\xD2\xFD\xBA\xC5", "http://", "https://",
                              "deleted", "8080", "\xA3\xB5", "-", "\xFF"};

std::string randomText(std::mt19937& random) {
  std::uniform_int_distribution<int> length(0, 12);
  std::uniform_int_distribution<size_t> piece(0, std::size(pieces) - 1);
  std::string text;
  for (int n = length(random); n > 0; --n) text += pieces[piece(random)];
  return text;
}

TEST(HelpersRandom, HoldTheirInvariants) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> number(-3, 40);
  for (int round = 0; round < 3000; ++round) {
    const std::string a = randomText(random);
    const std::string b = randomText(random);
    const int n = number(random);
    SCOPED_TRACE(::testing::Message() << "round " << round);

    const int found = findText(a, b, n, round % 2 == 0);
    ASSERT_TRUE(found == -1 || (found >= 1 && size_t(found) <= a.size()));
    if (found != -1 && round % 2 != 0) {
      ASSERT_EQ(a.compare(size_t(found) - 1, b.size(), b), 0);
    }
    const int last = findTextReverse(a, b);
    ASSERT_TRUE(last == -1 || (last >= 1 && a.compare(size_t(last) - 1, b.size(), b) == 0));
    const int bytes = findBytes(a, b);
    ASSERT_TRUE(bytes == -1 || a.compare(size_t(bytes) - 1, b.size(), b) == 0);

    ASSERT_LE(textLeft(a, n).size(), size_t(std::max(n, 0)));
    ASSERT_LE(textRight(a, n).size(), size_t(std::max(n, 0)));
    ASSERT_LE(textMid(a, n, n).size(), size_t(std::max(n, 0)));
    ASSERT_EQ(toLowerAscii(a).size(), a.size());
    const std::string trimmed = trimSpaces(a);
    ASSERT_EQ(trimSpaces(trimmed), trimmed);
    const std::string removed = removeSpaces(a);
    ASSERT_EQ(removeSpaces(removed), removed);
    ASSERT_LE(replaceAll(a, b, "").size(), a.size());
    for (const std::string& item : splitText(a, b)) ASSERT_LE(item.size(), a.size());
    ASSERT_EQ(textToInteger(" " + a), textToInteger(a)) << "leading blanks are skipped";
    const std::string between = textBetween(a, b, randomText(random), n, round % 3 == 0);
    ASSERT_TRUE(between.empty() || findBytes(a, between) != -1) << "a piece of the text";
    const std::string value = headerValue(a);
    ASSERT_EQ(trimSpaces(value), value);
    ASSERT_TRUE(value.empty() || findBytes(a, value) != -1);

    const bool keepPort = round % 3 == 0;
    const std::string host = urlHost(a, round % 2 == 0, keepPort);
    ASSERT_EQ(toLowerAscii(host), host);
    if (!keepPort) {
      ASSERT_EQ(findText(host, ":"), -1);
    }
    ASSERT_EQ(urlPath(a).substr(0, 1), "/");
    if (findTextReverse(urlHost(a, false, true), ":") == -1) {
      ASSERT_TRUE(urlPort(a) == 80 || urlPort(a) == 443);
    }

    std::string oldCookies = a;
    std::string newCookies = b;
    const std::string merged = mergeCookies(oldCookies, newCookies);
    ASSERT_EQ(merged, oldCookies);
    ASSERT_EQ(removeSpaces(newCookies), newCookies);
    const std::string deduped = dedupeJoin(a, "; ");
    const std::vector<std::string> kept = splitText(deduped, "; ");
    ASSERT_EQ(std::set<std::string>(kept.begin(), kept.end()).size(), kept.size()) << "every item once";
    ASSERT_EQ(dedupeJoin(deduped, "; "), deduped);
  }
}

}  // namespace

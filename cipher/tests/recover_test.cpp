#include "cipher/recover.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "cipher/plausibility.h"
#include "platform/textbridge.h"

namespace {

const std::string english =
    "It was a bright cold day in April, and the clocks were striking thirteen. The quick brown fox\r\n"
    "jumps over the lazy dog; the five boxing wizards jump quickly.";
const std::string chinese = losslessUtf8ToGbk(
    "人们常说，时间就是金钱。可是我觉得，时间比金钱更宝贵，因为金钱用完了还可以再挣，时间过去了就再也回不来了。\r\n"
    "所以我们要珍惜每一分钟。");

constexpr CipherIsa allIsas[] = {CipherIsa::scalar, CipherIsa::sse41, CipherIsa::avx2, CipherIsa::avx512};

std::string enciphered(std::string bytes, int32_t password) {
  encipherBytes(bytes, password);
  return bytes;
}

std::string randomBytes(size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(generator() & 0xFF);
  return bytes;
}

RecoverRequest requestFor(const std::string& file, uint32_t first, uint64_t end) {
  RecoverRequest request;
  request.head = file.substr(0, recoverHeadSize(std::nullopt));
  request.first = first;
  request.end = end;
  request.top = 20;
  return request;
}

bool better(const RecoverCandidate& a, const RecoverCandidate& b) {
  return a.score > b.score || (a.score == b.score && a.password < b.password);
}

// Every password of the request's range tried one by one, with the whole measure.
RecoverResult oneByOne(const RecoverRequest& request) {
  RecoverResult result;
  std::vector<RecoverCandidate> all;
  const std::string start = request.head.substr(0, recoverHeadSize(request.known));
  const size_t tested = std::min<size_t>(request.known ? request.known->size() : start.size(), 64);
  const size_t allowed = request.known ? 0 : std::min(start.size(), plausibilityBytes) / 32;
  for (uint64_t password = request.first; password < request.end; ++password) {
    std::string text = start;
    decipherBytes(text, static_cast<int32_t>(password));
    // The first pass: the bytes it tests, each matching the known text or able to be text.
    size_t failed = 0;
    for (size_t i = 0; i < tested; ++i)
      failed += request.known ? text[i] != (*request.known)[i] : !mayBeText(static_cast<unsigned char>(text[i]));
    if (failed <= allowed) ++result.measured;
    const Plausibility measure = measureText(text);
    if (request.known ? text.starts_with(*request.known) : isPlausible(measure))
      all.push_back({static_cast<int32_t>(password), plausibilityScore(measure)});
  }
  std::sort(all.begin(), all.end(), better);
  result.qualified = all.size();
  for (const RecoverCandidate& candidate : all) result.tied += candidate.score == all[0].score;
  all.resize(std::min(all.size(), request.top));
  result.best = all;
  return result;
}

void expectSame(const RecoverResult& found, const RecoverResult& expected, const std::string& what) {
  ASSERT_EQ(found.best.size(), expected.best.size()) << what;
  for (size_t i = 0; i < found.best.size(); ++i) {
    EXPECT_EQ(found.best[i].password, expected.best[i].password) << what << " #" << i;
    EXPECT_EQ(found.best[i].score, expected.best[i].score) << what << " #" << i;
  }
  EXPECT_EQ(found.qualified, expected.qualified) << what;
  EXPECT_EQ(found.tied, expected.tied) << what;
  EXPECT_TRUE(found.counted) << what;
  EXPECT_EQ(found.measured, expected.measured) << what << ": the first pass let other passwords through";
}

// Each variant of the search (the one the command runs on two threads) against every password of a range tried one by
// one. The ranges cross the edges of the variants' words (h 255 to 256), of their blocks (h 511 to 512)
// and the top of the passwords, and hold the password the file was encrypted with.
TEST(Recover, EveryVariantFindsWhatTryingEachPasswordFinds) {
  struct Case {
    const char* name;
    std::string plain;
    int32_t password;
    uint32_t first;
    std::optional<std::string> known;
    bool found;  // the password is the best
  };
  constexpr uint32_t span = 1 << 16;
  const int32_t acrossWords = (256 << 16) + 4321;
  const int32_t acrossBlocks = (512 << 16) + 77;
  const int32_t atTop = INT32_MAX - 3;
  const Case cases[] = {
      {"english", english, acrossWords, acrossWords - span / 2, std::nullopt, true},
      // -5 draws the keystream of 2^31 - 5, its smallest non-negative twin.
      {"chinese", chinese, -5, (uint32_t{1} << 31) - span, std::nullopt, true},
      {"40 bytes: one other byte allowed", english.substr(0, 40), acrossBlocks, acrossBlocks - span / 2, std::nullopt, true},
      {"20 bytes: many pass the first pass", english.substr(0, 20), atTop, INT32_MAX - span + 1, std::nullopt, true},
      {"not text", randomBytes(100, 5), acrossWords, acrossWords - span / 2, std::nullopt, false},
      {"known", english, acrossBlocks, acrossBlocks - span / 2, english.substr(0, 9), true},
      {"known, short", chinese, acrossWords, acrossWords - span / 2, chinese.substr(0, 1), true},
      {"known, not there", english, acrossWords, acrossWords - span / 2, std::string("It was a cold"), false},
  };
  for (const Case& c : cases) {
    const std::string file = enciphered(c.plain, c.password);
    RecoverRequest request = requestFor(file, c.first, uint64_t{c.first} + span);
    request.known = c.known;
    const RecoverResult expected = oneByOne(request);
    if (c.found) {
      ASSERT_FALSE(expected.best.empty()) << c.name;
      EXPECT_EQ(expected.best[0].password, c.password & INT32_MAX) << c.name;
    } else {
      EXPECT_EQ(expected.qualified, 0u) << c.name;
    }
    for (const CipherIsa isa : allIsas) {
      if (!cipherIsaAvailable(isa)) continue;
      request.isa = isa;
      request.threads = isa == activeCipherIsa() ? 2 : 1;
      expectSame(recoverPasswords(request), expected,
                 std::string(c.name) + ", " + cipherIsaName(isa) + ", threads " + std::to_string(request.threads));
    }
  }
}

// A file of a few bytes fits very many passwords: the search stops at the first top of them with the
// score 1, the smallest passwords that give the best text, and says it did not count them all.
TEST(Recover, ShortFilesStopAtTheSmallestOfTheBest) {
  for (const std::string& plain : {std::string(), std::string("ab"), std::string("Hello")}) {
    RecoverRequest request = requestFor(enciphered(plain, 123456789), 0, distinctPasswords);
    request.top = 5;
    request.isa = activeCipherIsa();
    const RecoverResult result = recoverPasswords(request);
    EXPECT_FALSE(result.counted) << plain;
    ASSERT_EQ(result.best.size(), 5u) << plain;
    for (const RecoverCandidate& candidate : result.best) EXPECT_EQ(candidate.score, 1.0) << plain;
    request.end = uint64_t(result.best.back().password) + 1;
    request.first = 0;
    const RecoverResult expected = oneByOne(request);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(result.best[i].password, expected.best[i].password) << plain << " #" << i;
  }
  // The empty file: every password gives the empty text.
  RecoverRequest request = requestFor("", 0, distinctPasswords);
  request.top = 3;
  const RecoverResult result = recoverPasswords(request);
  ASSERT_EQ(result.best.size(), 3u);
  EXPECT_EQ(result.best[2].password, 2);
}

TEST(Recover, KnownTextLongerThanTheFileFitsNoPassword) {
  RecoverRequest request = requestFor(enciphered("abc", 7), 0, distinctPasswords);
  request.known = "abcd";
  const RecoverResult result = recoverPasswords(request);
  EXPECT_TRUE(result.best.empty());
  EXPECT_EQ(result.qualified, 0u);
}

// All 2^31 keystreams, as the command runs it, with progress on the way. This text has a second password
// whose text's start is plausible (rare level-2 hanzi in the main), but its score is below the password's.
TEST(Recover, WholeSearchFindsThePassword) {
  const int32_t password = 1'234'567'890;
  RecoverRequest request = requestFor(enciphered(chinese, password), 0, distinctPasswords);
  request.isa = activeCipherIsa();
  request.threads = 2;
  std::vector<double> reported;
  const RecoverResult result = recoverPasswords(request, [&](double done) { reported.push_back(done); });
  ASSERT_EQ(result.best.size(), 2u);
  EXPECT_EQ(result.best[0].password, password);
  EXPECT_EQ(result.best[0].score, 1.0);
  EXPECT_LT(result.best[1].score, 0.9);
  EXPECT_EQ(result.qualified, 2u);
  EXPECT_EQ(result.tied, 1u);
  EXPECT_TRUE(result.counted);
  EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
  for (const double done : reported) {
    EXPECT_GE(done, 0.0);
    EXPECT_LE(done, 1.0);
  }
}

}  // namespace

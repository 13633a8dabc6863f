// The password search over all 2^31 keystreams, timed whole, against its goals: under 1 s on this
// machine's two cores with the widest variant, under 10 s with the scalar one. The baseline of the same
// run is the plain way: each password's start deciphered and measured, timed over 2^20 passwords and
// projected to all.
// Run a Release build: quorlin_bench --benchmark_filter=Recover --benchmark_counters_tabular=true
// seconds: wall time of the whole search; cpu_seconds: of all its threads; Gseeds_per_s: 10^9 passwords a
// second; goal_ratio: the goal over seconds (above 1 meets it); plain_ratio: the plain way's projected
// time over seconds.
#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "cipher/plausibility.h"
#include "cipher/recover.h"
#include "platform/textbridge.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string english =
    "It was a bright cold day in April, and the clocks were striking thirteen. The quick brown fox\r\n"
    "jumps over the lazy dog; the five boxing wizards jump quickly.";
const std::string chinese = losslessUtf8ToGbk(
    "人们常说，时间就是金钱。可是我觉得，时间比金钱更宝贵，因为金钱用完了还可以再挣，时间过去了就再也回不来了。");

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

RecoverRequest requestFor(const std::string& plain) {
  std::string file = plain;
  encipherBytes(file, 1'234'567'890);
  RecoverRequest request;
  request.head = file.substr(0, recoverHeadSize(std::nullopt));
  return request;
}

// Each password's start deciphered and measured, over 2^20 passwords: seconds for all 2^31, one thread.
double plainWaySeconds(const RecoverRequest& request) {
  constexpr uint32_t tried = 1 << 20;
  const Clock::time_point start = Clock::now();
  size_t plausible = 0;
  for (uint32_t password = 0; password < tried; ++password) {
    std::string text = request.head;
    decipherBytes(text, static_cast<int32_t>(password));
    plausible += isPlausible(measureText(text));
  }
  benchmark::DoNotOptimize(plausible);
  return std::chrono::duration<double>(Clock::now() - start).count() * (distinctPasswords / tried);
}

void wholeSearch(benchmark::State& state, const std::string* plain, CipherIsa isa, unsigned threads, double goal) {
  if (!cipherIsaAvailable(isa)) return state.SkipWithError("not available on this processor");
  RecoverRequest request = requestFor(*plain);
  request.isa = isa;
  request.threads = threads;
  double wall = 0, cpu = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const double cpuStart = cpuSeconds();
    const RecoverResult result = recoverPasswords(request);
    cpu += cpuSeconds() - cpuStart;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    wall += seconds;
    state.SetIterationTime(seconds);
    if (result.best.empty() || result.best[0].password != 1'234'567'890) state.SkipWithError("password not found");
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["seconds"] = wall / runs;
  state.counters["cpu_seconds"] = cpu / runs;
  state.counters["Gseeds_per_s"] = static_cast<double>(distinctPasswords) * runs / wall / 1e9;
  state.counters["goal_ratio"] = goal * runs / wall;
  state.counters["plain_ratio"] = plainWaySeconds(request) * runs / wall;
}

constexpr double widestGoal = 1;
constexpr double fallbackGoal = 10;  // the scalar goal, for every variant narrower than the widest

}  // namespace

#define QUORLIN_WHOLE ->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond)
BENCHMARK_CAPTURE(wholeSearch, english_avx512_2threads, &english, CipherIsa::avx512, 2, widestGoal) QUORLIN_WHOLE;
BENCHMARK_CAPTURE(wholeSearch, chinese_avx512_2threads, &chinese, CipherIsa::avx512, 2, widestGoal) QUORLIN_WHOLE;
BENCHMARK_CAPTURE(wholeSearch, english_avx512_1thread, &english, CipherIsa::avx512, 1, widestGoal) QUORLIN_WHOLE;
BENCHMARK_CAPTURE(wholeSearch, english_avx2_2threads, &english, CipherIsa::avx2, 2, fallbackGoal) QUORLIN_WHOLE;
BENCHMARK_CAPTURE(wholeSearch, english_sse41_2threads, &english, CipherIsa::sse41, 2, fallbackGoal) QUORLIN_WHOLE;
BENCHMARK_CAPTURE(wholeSearch, english_scalar_2threads, &english, CipherIsa::scalar, 2, fallbackGoal) QUORLIN_WHOLE;
BENCHMARK_CAPTURE(wholeSearch, chinese_scalar_2threads, &chinese, CipherIsa::scalar, 2, fallbackGoal) QUORLIN_WHOLE;

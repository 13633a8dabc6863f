// A response body's conversion from UTF-8 to GBK, per kind of text, against text that code page 936
// maps, measured in the same run. Run a Release build: quorlin_codepage_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "web/http_access.h"

namespace {

constexpr size_t oneMiB = size_t{1} << 20;

std::string repeated(const std::string& piece) {
  std::string text;
  while (text.size() + piece.size() <= oneMiB) text += piece;
  return text;
}

void utf8ToGbkOf(benchmark::State& state, const std::string& piece) {
  const std::string text = repeated(piece);
  for (auto _ : state) benchmark::DoNotOptimize(utf8ToGbk(text));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.counters["bytes"] = double(text.size());
}

// Prints each kind's processor time per byte as a multiple of the mapped text's (other work on the
// machine stretches wall time, not processor time).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        perByte_[run.benchmark_name()] = run.GetAdjustedCPUTime() / double(run.counters.at("bytes"));
      }
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto mapped = perByte_.find("utf8ToGbkOf/mapped");
    if (mapped == perByte_.end()) return;
    for (const auto& [name, perByte] : perByte_) std::printf("%-28s %6.2f x mapped\n", name.c_str(), perByte / mapped->second);
  }

 private:
  std::map<std::string, double> perByte_;
};

}  // namespace

BENCHMARK_CAPTURE(utf8ToGbkOf, mapped, "\xE4\xB8\xAD")->Unit(benchmark::kMillisecond);                // 中
BENCHMARK_CAPTURE(utf8ToGbkOf, unmappable, "\xE0\xB8\x81")->Unit(benchmark::kMillisecond);            // ก
BENCHMARK_CAPTURE(utf8ToGbkOf, mixed, "\xE4\xB8\xAD\xE0\xB8\x81")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(utf8ToGbkOf, notUtf8, "\xD6\xD0")->Unit(benchmark::kMillisecond);                   // GBK bytes

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

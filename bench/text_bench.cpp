// Text conversion speed, each against memcpy of the same bytes measured in the same run (x_memcpy: how
// many times as long). quorlin-cipher --utf8 converts in 64 KiB chunks: its time per byte must not
// grow with the text, with or without line breaks. Run a Release build:
// quorlin_text_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "cipher/cli/cli_text.h"
#include "platform/textbridge.h"

namespace {

constexpr int64_t oneMiB = int64_t{1} << 20;
constexpr size_t chunkSize = 64 * 1024;

// "中文" repeated: no byte below 0x30, so nothing but decoding says where a character starts.
std::string chinese(size_t size) {
  std::string text;
  while (text.size() < size) text += "\xD6\xD0\xCE\xC4";
  return text;
}

// Short Chinese lines.
std::string chineseLines(size_t size) {
  std::string text;
  while (text.size() < size) text += "\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4 abc\r\n";
  return text;
}

// Seconds per byte of memcpy over 64 MiB, the fastest of a few runs.
double copySecondsPerByte() {
  static const double seconds = [] {
    const std::string source(size_t(64 * oneMiB), 'a');
    std::string target(source.size(), '\0');
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
      const auto start = std::chrono::steady_clock::now();
      std::memcpy(target.data(), source.data(), source.size());
      benchmark::DoNotOptimize(target.data());
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best / double(source.size());
  }();
  return seconds;
}

// Runs convert once per iteration; reports bytes per second and x_memcpy.
template <typename Convert>
void measure(benchmark::State& state, size_t bytes, Convert convert) {
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(convert());
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.SetBytesProcessed(int64_t(state.iterations() * bytes));
  state.counters["x_memcpy"] = seconds / (double(state.iterations()) * double(bytes) * copySecondsPerByte());
}

// Converts text in chunks as quorlin-cipher does; returns the size of the result.
template <typename Take>
size_t inChunks(const std::string& text, Take take) {
  std::string pending;
  size_t size = 0;
  for (size_t offset = 0; offset < text.size(); offset += chunkSize) {
    pending.append(text, offset, chunkSize);
    size += take(pending, false).size();
  }
  return size + take(pending, true).size();
}

void decryptUtf8Chinese(benchmark::State& state) {
  const std::string text = chinese(size_t(state.range(0)));
  measure(state, text.size(), [&text] { return inChunks(text, takeGbkAsUtf8); });
}

void decryptUtf8Lines(benchmark::State& state) {
  const std::string text = chineseLines(size_t(state.range(0)));
  measure(state, text.size(), [&text] { return inChunks(text, takeGbkAsUtf8); });
}

void encryptUtf8Chinese(benchmark::State& state) {
  const std::string text = gbkToLosslessUtf8(chinese(size_t(state.range(0))));
  measure(state, text.size(), [&text] { return inChunks(text, takeUtf8AsGbk); });
}

// Opening and saving in the editor: the whole text at once.
void gbkToEditor(benchmark::State& state) {
  const std::string text = chineseLines(size_t(state.range(0)));
  measure(state, text.size(), [&text] { return gbkToEditorText(text).size(); });
}

void editorToGbk(benchmark::State& state) {
  const std::u16string text = gbkToEditorText(chineseLines(size_t(state.range(0))));
  measure(state, text.size() * 2, [&text] { return editorTextToGbk(text).size(); });
}

}  // namespace

BENCHMARK(decryptUtf8Chinese)->Arg(oneMiB)->Arg(64 * oneMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(decryptUtf8Lines)->Arg(oneMiB)->Arg(64 * oneMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(encryptUtf8Chinese)->Arg(oneMiB)->Arg(64 * oneMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(gbkToEditor)->Arg(64 * oneMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(editorToGbk)->Arg(64 * oneMiB)->Unit(benchmark::kMillisecond);

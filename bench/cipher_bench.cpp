// Encipher throughput against memcpy over the same buffers, measured in the same run. Run a Release
// build: quorlin_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "cipher/byte_cipher.h"

namespace {

constexpr int64_t oneMiB = int64_t{1} << 20;

void encipher(benchmark::State& state) {
  std::string bytes(size_t(state.range(0)), 'a');
  for (auto _ : state) {
    encipherBytes(bytes, 20240611);
    benchmark::DoNotOptimize(bytes.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void decipher(benchmark::State& state) {
  std::string bytes(size_t(state.range(0)), 'a');
  for (auto _ : state) {
    decipherBytes(bytes, 20240611);
    benchmark::DoNotOptimize(bytes.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

// The baseline: one pass that reads and writes every byte.
void copy(benchmark::State& state) {
  const std::string source(size_t(state.range(0)), 'a');
  std::string target(source.size(), '\0');
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), source.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(copy)->Arg(oneMiB)->Arg(64 * oneMiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(encipher)->Arg(oneMiB)->Arg(64 * oneMiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(decipher)->Arg(oneMiB)->Arg(64 * oneMiB)->Unit(benchmark::kMicrosecond);

// Cipher throughput of each variant against memcpy over a buffer of the same size. Every benchmark times
// a memcpy in the same loop as its own work, so the ratio holds while the load on the machine varies.
// Run a Release build: quorlin_bench --benchmark_counters_tabular=true
// GBps is the benchmark's own rate, memcpy_GBps the copy's, ratio the first over the second (GB = 10^9 B).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>

#include "cipher/byte_cipher.h"

namespace {

constexpr int64_t oneMiB = int64_t{1} << 20;
using Clock = std::chrono::steady_clock;

template <typename Work>
void againstMemcpy(benchmark::State& state, Work work) {
  const size_t size = static_cast<size_t>(state.range(0));
  std::string bytes(size, 'a');
  const std::string source(size, 'b');
  std::string target(size, '\0');
  double workSeconds = 0, copySeconds = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    work(bytes.data(), size);
    benchmark::DoNotOptimize(bytes.data());
    benchmark::ClobberMemory();
    const Clock::time_point worked = Clock::now();
    std::memcpy(target.data(), source.data(), size);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
    const Clock::time_point copied = Clock::now();
    const double seconds = std::chrono::duration<double>(worked - start).count();
    state.SetIterationTime(seconds);
    workSeconds += seconds;
    copySeconds += std::chrono::duration<double>(copied - worked).count();
  }
  const double total = static_cast<double>(state.iterations()) * static_cast<double>(size);
  state.SetBytesProcessed(static_cast<int64_t>(total));
  state.counters["GBps"] = total / workSeconds / 1e9;
  state.counters["memcpy_GBps"] = total / copySeconds / 1e9;
  state.counters["ratio"] = copySeconds / workSeconds;
}

// The ceiling for any in-place pass: one add per byte, the least work that reads and writes each byte.
void inPlaceAdd(benchmark::State& state) {
  againstMemcpy(state, [](char* data, size_t size) {
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(data[i] + 1);
  });
}

void encipher(benchmark::State& state, CipherIsa isa) {
  if (!cipherIsaAvailable(isa)) return state.SkipWithError("not available on this processor");
  againstMemcpy(state, [isa](char* data, size_t size) {
    Keystream keys(20240611);
    encipherChunkWith(isa, keys, data, size);
  });
}

void decipher(benchmark::State& state, CipherIsa isa) {
  if (!cipherIsaAvailable(isa)) return state.SkipWithError("not available on this processor");
  againstMemcpy(state, [isa](char* data, size_t size) {
    Keystream keys(20240611);
    decipherChunkWith(isa, keys, data, size);
  });
}

}  // namespace

#define QUORLIN_SIZES ->Arg(64 << 10)->Arg(64 * oneMiB)->UseManualTime()->Unit(benchmark::kMicrosecond)
BENCHMARK(inPlaceAdd) QUORLIN_SIZES;
BENCHMARK_CAPTURE(encipher, scalar, CipherIsa::scalar) QUORLIN_SIZES;
BENCHMARK_CAPTURE(encipher, sse41, CipherIsa::sse41) QUORLIN_SIZES;
BENCHMARK_CAPTURE(encipher, avx2, CipherIsa::avx2) QUORLIN_SIZES;
BENCHMARK_CAPTURE(encipher, avx512, CipherIsa::avx512) QUORLIN_SIZES;
BENCHMARK_CAPTURE(decipher, scalar, CipherIsa::scalar) QUORLIN_SIZES;
BENCHMARK_CAPTURE(decipher, sse41, CipherIsa::sse41) QUORLIN_SIZES;
BENCHMARK_CAPTURE(decipher, avx2, CipherIsa::avx2) QUORLIN_SIZES;
BENCHMARK_CAPTURE(decipher, avx512, CipherIsa::avx512) QUORLIN_SIZES;

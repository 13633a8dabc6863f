#include "cipher/recover.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "cipher/plausibility.h"
#include "cipher/recover_scan.h"

namespace {

// The passwords tried first on their own: when they hold top passwords of score 1 the search is over. A
// file of a few bytes fits so many passwords that this is the usual end for it.
constexpr uint32_t firstTry = uint32_t{1} << 20;
// The l of one piece of work: with scanBlock values of h, 2^20 passwords.
constexpr uint32_t sliceOfL = 2048;
constexpr auto progressPeriod = std::chrono::milliseconds(200);

ScanLoop loopOf([[maybe_unused]] CipherIsa isa) {
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
  if (cipherIsaAvailable(isa)) {
    switch (isa) {
      case CipherIsa::scalar: break;
      case CipherIsa::sse41: return scanSeedsSse41;
      case CipherIsa::avx2: return scanSeedsAvx2;
      case CipherIsa::avx512: return scanSeedsAvx512;
    }
  }
#endif
  return scanSeedsScalar;
}

// The inverse of an odd number modulo 2^32, by Newton's iteration: each step doubles the correct bits,
// and an odd number is its own inverse modulo 8.
uint32_t inverseOf(uint32_t odd) {
  uint32_t inverse = odd;
  for (int i = 0; i < 4; ++i) inverse *= 2 - odd * inverse;
  return inverse;
}

// The bit strings of the first pass. With a known prefix, byte k passes only with the one offset that
// turns the file's byte into the known one; otherwise when the byte it deciphers to may be text.
ScanTables scanTables(const RecoverRequest& request) {
  ScanTables tables;
  const std::string& head = request.head;
  unsigned tested = 0;
  if (request.known) {
    tested = static_cast<unsigned>(std::min<size_t>(request.known->size(), scanPositionsMax));
  } else {
    tested = static_cast<unsigned>(std::min<size_t>(head.size(), scanPositionsMax));
    // The most other bytes a plausible window may hold (plausibility.h), for the longest window.
    tables.budget = static_cast<unsigned>(std::min(head.size(), plausibilityBytes) / 32);
  }
  // The bytes that pass least go first, so that most runs of passwords stop sooner.
  std::vector<std::pair<int, unsigned>> order;  // (offsets that pass, byte)
  std::vector<std::array<bool, 100>> passes(tested);
  for (unsigned k = 0; k < tested; ++k) {
    int passing = 0;
    for (int remainder = 0; remainder < 100; ++remainder) {
      const auto plain = static_cast<unsigned char>(head[k] - 1 - remainder);
      passes[k][remainder] = request.known ? plain == static_cast<unsigned char>((*request.known)[k]) : mayBeText(plain);
      passing += passes[k][remainder];
    }
    order.emplace_back(passing, k);
  }
  std::sort(order.begin(), order.end());
  tables.positions = (tested + scanStepsPerCheck - 1) / scanStepsPerCheck * scanStepsPerCheck;
  tables.strings.assign(tables.positions * scanStringBytes, 0xFF);  // the padding passes all
  for (unsigned slot = 0; slot < tables.positions; ++slot) tables.start[slot] = static_cast<uint32_t>(slot * scanStringBytes);
  for (unsigned slot = 0; slot < tested; ++slot) {
    const unsigned k = order[slot].second;
    const KeystreamJump jump = keystreamJump(k + 1);
    tables.multiplier[slot] = jump.multiplier;
    tables.increment[slot] = jump.increment;
    tables.inverse[slot] = inverseOf(jump.multiplier);
    const bool* pass = passes[k].data();
    unsigned char* string = tables.strings.data() + slot * scanStringBytes;
    for (uint32_t u = 0; u < 0x8000; u += 8) {
      unsigned char bits = 0;
      for (uint32_t i = 0; i < 8; ++i) bits |= static_cast<unsigned char>(pass[(jump.multiplier * (u + i) & 0x7FFF) % 100] << i);
      string[u / 8] = bits;
    }
    std::memcpy(string + 4096, string, scanStringBytes - 4096);
  }
  return tables;
}

bool better(const RecoverCandidate& a, const RecoverCandidate& b) {
  return a.score > b.score || (a.score == b.score && a.password < b.password);
}

// One thread's share of the result.
struct Ranking {
  std::vector<RecoverCandidate> best;
  uint64_t qualified = 0;
  double bestScore = -1;
  uint64_t tied = 0;
  uint64_t measured = 0;

  void offer(const RecoverCandidate& candidate, size_t top) {
    ++qualified;
    if (candidate.score > bestScore) {
      bestScore = candidate.score;
      tied = 0;
    }
    if (candidate.score == bestScore) ++tied;
    if (best.size() == top && (top == 0 || !better(candidate, best.back()))) return;
    best.insert(std::upper_bound(best.begin(), best.end(), candidate, better), candidate);
    if (best.size() > top) best.pop_back();
  }

  void add(const Ranking& other, size_t top) {
    for (const RecoverCandidate& candidate : other.best) {
      best.insert(std::upper_bound(best.begin(), best.end(), candidate, better), candidate);
      if (best.size() > top) best.pop_back();
    }
    qualified += other.qualified;
    if (other.bestScore > bestScore) {
      bestScore = other.bestScore;
      tied = 0;
    }
    if (other.bestScore == bestScore) tied += other.tied;
    measured += other.measured;
  }
};

// The full measure of the passwords the first pass let through. Most of them fail within their first
// few characters, so without a known prefix the first bytes are deciphered and measured on their own.
class Measure {
 public:
  explicit Measure(const RecoverRequest& request, unsigned budget)
      : request(request), budget(budget), text(std::min(request.head.size(), recoverHeadSize(request.known)), '\0') {}

  void add(const std::vector<uint32_t>& seeds, Ranking& ranking) {
    ranking.measured += seeds.size();
    const size_t first = request.known ? 0 : std::min(text.size(), firstBytes);
    for (const uint32_t seed : seeds) {
      Keystream keys(static_cast<int32_t>(seed));
      for (size_t i = 0; i < first; ++i) text[i] = static_cast<char>(request.head[i] - keys.nextOffset());
      if (first < text.size() && measureText(std::string_view(text).substr(0, first), true).otherBytes > budget) continue;
      std::memcpy(text.data() + first, request.head.data() + first, text.size() - first);
      decipherChunk(keys, text.data() + first, text.size() - first);
      if (request.known && std::memcmp(text.data(), request.known->data(), request.known->size()) != 0) continue;
      const Plausibility measure = measureText(text);
      if (!request.known && !isPlausible(measure)) continue;
      ranking.offer({static_cast<int32_t>(seed), plausibilityScore(measure)}, request.top);
    }
  }

 private:
  static constexpr size_t firstBytes = 8;
  const RecoverRequest& request;
  const unsigned budget;  // the most other bytes a plausible text may hold
  std::string text;
};

// One search over the passwords first to end − 1, in pieces of scanBlock values of h by sliceOfL values
// of l that the threads take in turn.
class Search {
 public:
  Search(const RecoverRequest& request, const ScanTables& tables, uint32_t first, uint64_t end)
      : request(request), tables(tables), loop(loopOf(request.isa)), first(first), end(end) {
    const uint64_t blocks = first < end ? ((end - 1) >> 16) / scanBlock - (first >> 16) / scanBlock + 1 : 0;
    pieces = blocks * (0x10000 / sliceOfL);
  }

  uint64_t size() const { return end > first ? end - first : 0; }

  // Runs the search on threads threads, calling progress with the share done now and then.
  Ranking run(unsigned threads, const std::function<void(double)>& progress) {
    std::vector<Ranking> rankings(threads);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t)
      workers.emplace_back([this, &ranking = rankings[t]] {
        work(ranking);
        const std::lock_guard lock(mutex);
        ++finished;
        changed.notify_all();
      });
    {
      std::unique_lock lock(mutex);
      while (finished < threads) {
        changed.wait_for(lock, progressPeriod);
        if (progress && finished < threads && pieces > 0)
          progress(static_cast<double>(done.load()) / static_cast<double>(pieces));
      }
    }
    for (std::thread& worker : workers) worker.join();
    Ranking total;
    for (const Ranking& ranking : rankings) total.add(ranking, request.top);
    return total;
  }

 private:
  void work(Ranking& ranking) {
    Measure measure(request, tables.budget);
    std::vector<uint32_t> survivors;
    const uint32_t firstBlock = (first >> 16) / scanBlock;
    for (uint64_t piece = next++; piece < pieces; piece = next++) {
      const auto block = static_cast<uint32_t>(firstBlock + piece / (0x10000 / sliceOfL));
      const auto l = static_cast<uint32_t>(piece % (0x10000 / sliceOfL) * sliceOfL);
      survivors.clear();
      loop(tables, block, l, l + sliceOfL, first, end, survivors);
      measure.add(survivors, ranking);
      ++done;
    }
  }

  const RecoverRequest& request;
  const ScanTables& tables;
  const ScanLoop loop;
  const uint32_t first;
  const uint64_t end;
  uint64_t pieces = 0;
  std::atomic<uint64_t> next{0};
  std::atomic<uint64_t> done{0};
  std::mutex mutex;
  std::condition_variable changed;
  unsigned finished = 0;
};

}  // namespace

size_t recoverHeadSize(const std::optional<std::string>& known) {
  return std::max(plausibilityBytes, known ? known->size() : 0);
}

RecoverResult recoverPasswords(const RecoverRequest& request, const std::function<void(double)>& progress) {
  RecoverResult result;
  const uint64_t end = std::min(request.end, distinctPasswords);
  if (request.first >= end || (request.known && request.known->size() > request.head.size())) return result;
  unsigned threads = request.threads != 0 ? request.threads : std::thread::hardware_concurrency();
  threads = std::max(threads, 1u);
  const ScanTables tables = scanTables(request);

  Search opening(request, tables, request.first, std::min<uint64_t>(end, uint64_t{request.first} + firstTry));
  Ranking ranking = opening.run(1, {});
  const bool settled = request.top > 0 && ranking.best.size() == request.top && ranking.best.back().score == 1;
  if (!settled && opening.size() < end - request.first) {
    Search rest(request, tables, static_cast<uint32_t>(uint64_t{request.first} + opening.size()), end);
    const double share = static_cast<double>(rest.size()) / static_cast<double>(end - request.first);
    const double before = 1 - share;
    std::function<void(double)> report;
    if (progress) report = [&](double part) { progress(before + share * part); };
    ranking.add(rest.run(threads, report), request.top);
  }
  result.best = std::move(ranking.best);
  result.qualified = ranking.qualified;
  result.tied = ranking.tied;
  result.counted = !settled || opening.size() == end - request.first;
  result.measured = ranking.measured;
  return result;
}

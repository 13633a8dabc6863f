#pragma once
// The first pass's loop over words of the machine, written once for every variant. A variant's source
// defines QUORLIN_LANES_TARGET, the target attribute its words need, and a Lanes type with:
//   Word, bits (per word), zero(), fromLive(const uint64_t*), both(a, b), either(a, b), select(m, a, b)
//   (a where m is set, b elsewhere), any(w), store(w, uint64_t*);
//   bitsAt(at, down, up): the word of bits from bit *down of the byte at on (as the scalar variant);
//   reads(tables, k, l, block, reads): scanReads, as fast as the variant can.
// Each variant's Lanes type is its own, so each instance of the loop is its source's own too.
#include "cipher/recover_scan.h"

template <class Lanes, unsigned budget>
QUORLIN_LANES_TARGET void scanSeedsWith(const ScanTables& tables, uint32_t block, uint32_t lFirst, uint32_t lEnd,
                                        uint32_t first, uint64_t end, std::vector<uint32_t>& survivors) {
  using Word = typename Lanes::Word;
  constexpr unsigned wordBits = Lanes::bits;
  ScanReads reads;
  for (uint32_t l = lFirst; l < lEnd; ++l) {
    uint64_t live[scanBlock / 64];
    if (!scanLiveBits(block, l, first, end, live)) continue;
    unsigned ready = 0;  // reads worked out for this l so far, shared by its words
    for (unsigned w = 0; w < scanBlock / wordBits; ++w) {
      // alive[c]: the passwords with c failed bytes so far.
      Word alive[budget + 1];
      alive[0] = Lanes::fromLive(live + w * (wordBits / 64));
      for (unsigned c = 1; c <= budget; ++c) alive[c] = Lanes::zero();
      const unsigned char* word = tables.strings.data() + w * (wordBits / 8);
      Word left = alive[0];
      for (unsigned k = 0; k < tables.positions && Lanes::any(left); k += scanStepsPerCheck) {
        if (k == ready) {
          Lanes::reads(tables, k, l, block, reads);
          ready += scanReadsAtOnce;
        }
        for (unsigned i = k; i < k + scanStepsPerCheck; ++i) {
          const Word pass = Lanes::bitsAt(word + reads.at[i], reads.down + i, reads.up + i);
          for (unsigned c = budget; c >= 1; --c) alive[c] = Lanes::select(pass, alive[c], alive[c - 1]);
          alive[0] = Lanes::both(alive[0], pass);
        }
        left = alive[0];
        for (unsigned c = 1; c <= budget; ++c) left = Lanes::either(left, alive[c]);
      }
      if (!Lanes::any(left)) continue;
      uint64_t bits[wordBits / 64];
      Lanes::store(left, bits);
      const uint32_t h = block * scanBlock + w * wordBits;
      for (unsigned i = 0; i < wordBits / 64; ++i)
        for (uint64_t b = bits[i]; b != 0; b &= b - 1)
          survivors.push_back((h + 64 * i + static_cast<uint32_t>(__builtin_ctzll(b))) << 16 | l);
    }
  }
}

// The loop for the tables' budget.
template <class Lanes>
QUORLIN_LANES_TARGET void scanSeedsFor(const ScanTables& tables, uint32_t block, uint32_t lFirst, uint32_t lEnd,
                                       uint32_t first, uint64_t end, std::vector<uint32_t>& survivors) {
  static_assert(scanBudgetMax == 2);
  switch (tables.budget) {
    case 0: return scanSeedsWith<Lanes, 0>(tables, block, lFirst, lEnd, first, end, survivors);
    case 1: return scanSeedsWith<Lanes, 1>(tables, block, lFirst, lEnd, first, end, survivors);
    default: return scanSeedsWith<Lanes, 2>(tables, block, lFirst, lEnd, first, end, survivors);
  }
}

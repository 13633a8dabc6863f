#pragma once
// Finding the password of an encrypted file by trying every keystream. The offsets come from bits 16 to
// 30 of the state only, and bit 31 reaches none of the lower bits, so password n and n − 2^31 (and every
// entry passwordToSeed maps to either) draw the same keystream: the passwords 0 to 2^31 − 1 cover them
// all, each keystream under its smallest non-negative password.
//
// Which passwords qualify: with a known plain prefix, those whose text starts with it; otherwise those
// whose text's start is plausible (cipher/plausibility.h). The qualifying passwords rank by the score of
// their text's start, higher first, then by the password, smaller first.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cipher/byte_cipher.h"

inline constexpr uint64_t distinctPasswords = uint64_t{1} << 31;

struct RecoverRequest {
  // The file's first recoverHeadSize(known) bytes, or the whole file when it is shorter.
  std::string head;
  // Plain bytes the text must start with.
  std::optional<std::string> known;
  // How many of the best passwords to give.
  size_t top = 5;
  // The passwords tried: first to end − 1, within 0 to 2^31 − 1.
  uint32_t first = 0;
  uint64_t end = distinctPasswords;
  CipherIsa isa = CipherIsa::scalar;
  // Threads that share the search; 0 for one per processor.
  unsigned threads = 0;
};

struct RecoverCandidate {
  int32_t password;
  double score;
};

struct RecoverResult {
  // The best passwords, best first, at most top of them.
  std::vector<RecoverCandidate> best;
  // How many passwords qualify, and how many of them share the best score: more than one, and the file
  // is too short to tell which is right.
  uint64_t qualified = 0;
  uint64_t tied = 0;
  // False when the search stopped early: the first passwords tried already held top passwords of the
  // score 1, which no password can beat, as happens with a file of a few bytes. The counts then cover
  // only the passwords tried.
  bool counted = true;
  // How many passwords the first pass let through to the full measure: it drops those whose first bytes
  // cannot qualify, each keystream tried at a few machine instructions.
  uint64_t measured = 0;
};

// The bytes of a file that decide: the plausibility window, or the known prefix when that is longer.
size_t recoverHeadSize(const std::optional<std::string>& known);

// Tries the passwords of the request. progress, when given, is called on the calling thread about five
// times a second while the search runs, with the share of the passwords done so far, from 0 to 1.
RecoverResult recoverPasswords(const RecoverRequest& request, const std::function<void(double)>& progress = {});

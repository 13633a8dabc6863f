#include "cipher/cli/cli_recover.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cipher/cli/cli_files.h"
#include "cipher/cli/cli_text.h"
#include "cipher/plausibility.h"
#include "cipher/recover.h"
#include "platform/textbridge.h"

namespace {

constexpr char programName[] = "quorlin-cipher";
constexpr int exitFound = 0;
constexpr int exitNoneFound = 1;
constexpr int exitBadArguments = 2;
constexpr int exitRefused = 1;  // decrypt --check: the output does not look like text
constexpr int exitInputFailed = 3;
constexpr int exitOutputFailed = 4;
constexpr size_t defaultTop = 5;
constexpr size_t mostTop = 1000;
// The bytes of a text shown beside its password.
constexpr size_t previewBytes = 32;
// A search shorter than this shows no progress.
constexpr auto quietTime = std::chrono::seconds(1);

constexpr char usageText[] =
    "Usage: quorlin-cipher recover [options] FILE\n"
    "Finds the password of FILE, an encrypted file (- for standard input), by trying all 2^31\n"
    "keystreams the passwords give. Without --known, a password counts when the text it deciphers\n"
    "begins plausibly: GBK text of common characters, ASCII, tabs and line breaks, over its first\n"
    "64 bytes. Prints the best passwords, best first, one per line: the password, a tab, the score\n"
    "of the text's start (0 to 1), a tab and the first bytes of the text, with \\t, \\r, \\n, \\\\ and\n"
    "\\xHH standing for tabs, line breaks, backslashes and bytes that are not text.\n"
    "\n"
    "Options:\n"
    "      --known TEXT        the text starts with TEXT: only passwords that give it count\n"
    "      --top N             print the best N passwords (default 5)\n"
    "      --utf8              TEXT is UTF-8 and the texts are shown as UTF-8; GBK otherwise\n"
    "  -h, --help              show this help and exit\n"
    "\n"
    "A password n opens the file exactly as n - 2147483648 does; the one from 0 up is printed.\n"
    "\n"
    "Exit status: 0 a password found, 1 none found, 2 bad arguments, 3 FILE unreadable,\n"
    "4 standard output unwritable.\n";

struct Search {
  std::string file;
  std::optional<std::string> known;
  size_t top = defaultTop;
  bool utf8 = false;
};

int fail(int code, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", programName, message.c_str());
  return code;
}

void warn(const std::string& message) { std::fprintf(stderr, "%s: warning: %s\n", programName, message.c_str()); }

// N of --top: digits only, 1 to mostTop.
bool parseTop(const std::string& text, size_t& top) {
  if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  top = std::stoul(text);
  return top >= 1 && top <= mostTop;
}

// Fills search from the arguments; returns -1 to go on, or the exit code after help or an error.
int parseArguments(int argc, char** argv, Search& search) {
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      files.push_back(arg);
      continue;
    }
    const size_t equals = arg.find('=');
    const std::string name = arg.starts_with("--") ? arg.substr(0, equals) : arg;
    const bool takesValue = name == "--known" || name == "--top";
    std::string value;
    if (takesValue) {
      if (name != arg) value = arg.substr(equals + 1);
      else if (i + 1 < argc) value = argv[++i];
      else return fail(exitBadArguments, "option '" + name + "' needs a value (see recover --help)");
    } else if (name != arg) {
      return fail(exitBadArguments, "option '" + name + "' takes no value (see recover --help)");
    }

    if (name == "--") {
      optionsEnded = true;
    } else if (name == "-h" || name == "--help") {
      std::fputs(usageText, stdout);
      return 0;
    } else if (name == "--known") {
      if (value.empty()) return fail(exitBadArguments, "--known needs a text that is not empty");
      search.known = value;
    } else if (name == "--top") {
      if (!parseTop(value, search.top))
        return fail(exitBadArguments, "--top needs a number from 1 to " + std::to_string(mostTop) + ", not '" + value + "'");
    } else if (name == "--utf8") {
      search.utf8 = true;
    } else {
      return fail(exitBadArguments, "unknown option '" + name + "' (see recover --help)");
    }
  }
  if (files.size() != 1) return fail(exitBadArguments, "expected one FILE after 'recover' (see recover --help)");
  search.file = files[0];
  if (search.known && search.utf8) search.known = losslessUtf8ToGbk(*search.known);
  return -1;
}

// The start of a deciphered text on one line: its characters that start in the first previewBytes bytes,
// text as itself and the rest escaped.
std::string preview(const std::string& text, bool utf8) {
  std::string shown;
  for (size_t at = 0; at < text.size() && at < previewBytes;) {
    const TextCharacter found = characterAt(text, at);
    const char byte = text[at];
    if (byte == '\t') shown += "\\t";
    else if (byte == '\r') shown += "\\r";
    else if (byte == '\n') shown += "\\n";
    else if (byte == '\\') shown += "\\\\";
    else if (found.kind != TextClass::other) shown.append(text, at, found.size);
    else
      for (size_t i = 0; i < found.size; ++i) {
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(text[at + i]));
        shown += escape;
      }
    at += found.size;
  }
  return utf8 ? gbkToLosslessUtf8(shown) : shown;
}

// A line on a terminal's stderr that tells how far a long search has come; gone again at the end.
class Progress {
 public:
  Progress() : shown(isatty(STDERR_FILENO) == 1), start(std::chrono::steady_clock::now()) {}
  ~Progress() {
    if (written) std::fputs("\r\033[K", stderr);
  }

  void operator()(double done) {
    if (!shown || std::chrono::steady_clock::now() - start < quietTime) return;
    std::fprintf(stderr, "\r%s: trying passwords, %.0f%% done", programName, 100 * done);
    std::fflush(stderr);
    written = true;
  }

 private:
  const bool shown;
  const std::chrono::steady_clock::time_point start;
  bool written = false;
};

}  // namespace

ssize_t readFully(int fd, char* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = readInput(fd, buffer + done, size - done);
    if (n < 0) return -1;
    if (n == 0) break;
    done += size_t(n);
  }
  return static_cast<ssize_t>(done);
}

int recoverCommand(int argc, char** argv) {
  Search search;
  if (const int code = parseArguments(argc, argv, search); code >= 0) return code;

  const std::string name = search.file == "-" ? "standard input" : "'" + search.file + "'";
  const int input = openInput(search.file);
  if (input < 0) return fail(exitInputFailed, "cannot open " + name + ": " + std::strerror(errno));
  RecoverRequest request;
  request.known = search.known;
  request.top = search.top;
  request.isa = activeCipherIsa();
  request.head.resize(recoverHeadSize(request.known));
  const ssize_t n = readFully(input, request.head.data(), request.head.size());
  const int error = errno;
  closeInput(input);
  if (n < 0) return fail(exitInputFailed, "cannot read " + name + ": " + std::strerror(error));
  request.head.resize(size_t(n));

  RecoverResult result;
  {
    Progress progress;
    result = recoverPasswords(request, std::ref(progress));
  }
  for (const RecoverCandidate& candidate : result.best) {
    std::string text = request.head;
    decipherBytes(text, candidate.password);
    std::printf("%d\t%.3f\t%s\n", candidate.password, candidate.score, preview(text, search.utf8).c_str());
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout))
    return fail(exitOutputFailed, std::string("cannot write standard output: ") + std::strerror(errno));

  if (result.best.empty())
    return fail(exitNoneFound, search.known ? "no password gives a text that starts with the known text"
                                            : "no password gives plausible text");
  // Passwords of a lower score are shown below the best; only those as plausible as the best leave the
  // choice open.
  const std::string fit = search.known ? " passwords give a text that starts with the known text and is as plausible"
                                       : " passwords give a text as plausible";
  const std::string remedy = search.known ? "a longer known text tells them apart" : "the file is too short to tell them apart";
  if (!result.counted) warn("many" + fit + " as these, the first of them shown; " + remedy);
  else if (result.tied > 1) warn(std::to_string(result.tied) + fit + " as the first; " + remedy);
  return exitFound;
}

int judgeDecipheredStart(std::string_view start, bool check) {
  if (isPlausible(measureText(start))) return -1;
  constexpr char doubt[] = "the decrypted text does not look like text: is the password right?";
  if (check) return fail(exitRefused, std::string(doubt) + " Nothing written");
  warn(doubt);
  return -1;
}

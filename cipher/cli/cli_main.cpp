// quorlin-cipher: encrypts and decrypts the program's encrypted files from the command line, for many
// files at once or a machine without a desktop. The files are the same byte for byte as the window's
// Encrypt and Decrypt commands write and read.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/ascii.h"
#include "base/entry.h"
#include "base/version.h"
#include "cipher/byte_cipher.h"
#include "cipher/cli/cli_files.h"
#include "cipher/cli/cli_recover.h"
#include "cipher/cli/cli_stream.h"
#include "cipher/cli/cli_text.h"
#include "cipher/plausibility.h"
#include "platform/save_file.h"

namespace {

constexpr char programName[] = "quorlin-cipher";
constexpr char versionText[] = "quorlin-cipher " QUORLIN_VERSION "\n";
constexpr char passwordVariable[] = "QUORLIN_PASSWORD";
// The pieces the stream is cut into and how many of them circulate between the reading and the
// writing thread: large enough that a read call and a hand-over cost little beside the copy, few enough
// that they stay in the processor's cache and memory stays at 2 MiB whatever the size of the stream.
constexpr size_t pieceSize = 256 * 1024;
constexpr size_t pieceCount = 8;

constexpr int exitBadArguments = 2;
constexpr int exitInputFailed = 3;
constexpr int exitOutputFailed = 4;

constexpr char usageText[] =
    "Usage: quorlin-cipher encrypt|decrypt [options] INPUT OUTPUT\n"
    "       quorlin-cipher recover [options] FILE   (see quorlin-cipher recover --help)\n"
    "Encrypts INPUT into OUTPUT, or decrypts it, under a numeric password, exactly as Quorlin's\n"
    "Encrypt and Decrypt commands do. INPUT and OUTPUT are file names, or - for standard input\n"
    "and standard output.\n"
    "\n"
    "Options:\n"
    "  -p, --password NUMBER   the password: a whole number, such as 2024 or -7 (also -p2024)\n"
    "      --password-file FILE\n"
    "                          the password is the first line of FILE (at most 4096 bytes);\n"
    "                          nothing after that line is read, so FILE may be /dev/stdin\n"
    "      --force             replace OUTPUT if it exists\n"
    "      --check             decrypt: when the result does not look like text, write nothing\n"
    "                          and exit with 1 (without it, a warning only)\n"
    "      --utf8              encrypt: INPUT is UTF-8 text, enciphered as GBK like the editor's;\n"
    "                          decrypt: the deciphered GBK text is written as UTF-8\n"
    "  -h, --help              show this help and exit\n"
    "      --version           show the version and exit\n"
    "\n"
    "Instead of an option, the password may come from the environment variable QUORLIN_PASSWORD;\n"
    "give it exactly one way. A password is an optional sign and digits, with blanks around them\n"
    "allowed; as in the password box, numbers beyond 32 bits wrap around. A wrong password deciphers\n"
    "into other bytes; decrypt warns when they do not look like text.\n"
    "\n"
    "OUTPUT is written to a temporary file beside it and renamed into place when complete; a\n"
    "symbolic link is written through to its target. A file with other hard links, another owner,\n"
    "or in a folder where no file can be created is rewritten in place once the output is complete.\n"
    "An OUTPUT that is not a regular file (a device, FIFO or socket) or has no write permission\n"
    "bit is refused, even with --force. On SIGINT, SIGTERM or SIGHUP the temporary file is removed\n"
    "and the tool exits with 128 plus the signal's number.\n"
    "\n"
    "Exit status: 0 done, 1 refused by --check, 2 bad arguments (a password that is not a whole\n"
    "number included), 3 input (or password file) unreadable, 4 output unwritable or already there.\n";

struct Request {
  bool encrypt = false;
  bool utf8 = false;
  bool force = false;
  bool check = false;
  std::string input;
  std::string output;
  int passwordSources = 0;
  std::string password;
  std::optional<std::string> passwordFile;
};

int fail(int code, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", programName, message.c_str());
  return code;
}

std::string inputName(const std::string& path) { return path == "-" ? "standard input" : "'" + path + "'"; }
std::string outputName(const std::string& path) { return path == "-" ? "standard output" : "'" + path + "'"; }

int outputFailed(const std::string& path, const SaveError& error) {
  if (error.number == EEXIST)
    return fail(exitOutputFailed, outputName(path) + " already exists (use --force to replace it)");
  return fail(exitOutputFailed, "cannot write " + outputName(path) + ": " + error.message);
}

// An optional sign and at least one digit, blanks allowed around them: the entries that the password
// box's reading turns into the number they show. Any other entry would silently be the password 0 or a
// cut-off number.
bool isWholeNumber(const std::string& entry) {
  const LeadingNumber number = leadingNumber(entry);
  return number.end > number.digits &&
         std::all_of(entry.begin() + std::ptrdiff_t(number.end), entry.end(), [](char c) { return isBlank(c); });
}

// Fills request from the arguments; returns -1 to go on, or the exit code after help, the version or
// an error has been printed.
int parseArguments(int argc, char** argv, Request& request) {
  std::vector<std::string> positional;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    // Long options take a value after "=", short ones right after the letter ("-p5").
    const bool longOption = arg.starts_with("--");
    const size_t equals = arg.find('=');
    const std::string name = longOption ? arg.substr(0, equals) : arg.substr(0, 2);
    const bool takesValue = name == "-p" || name == "--password" || name == "--password-file";
    std::string value;
    if (takesValue) {
      if (name != arg) {
        value = longOption ? arg.substr(equals + 1) : arg.substr(2);
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        return fail(exitBadArguments, "option '" + name + "' needs a value (see --help)");
      }
    } else if (name != arg) {
      return fail(exitBadArguments, "option '" + name + "' takes no value (see --help)");
    }

    if (name == "--") {
      optionsEnded = true;
    } else if (name == "-h" || name == "--help") {
      std::fputs(usageText, stdout);
      return 0;
    } else if (name == "--version") {
      std::fputs(versionText, stdout);
      return 0;
    } else if (name == "-p" || name == "--password") {
      request.password = value;
      ++request.passwordSources;
    } else if (name == "--password-file") {
      request.passwordFile = value;
      ++request.passwordSources;
    } else if (name == "--force") {
      request.force = true;
    } else if (name == "--utf8") {
      request.utf8 = true;
    } else if (name == "--check") {
      request.check = true;
    } else {
      return fail(exitBadArguments, "unknown option '" + name + "' (see --help)");
    }
  }

  if (positional.empty()) return fail(exitBadArguments, "no command: encrypt or decrypt (see --help)");
  if (positional[0] != "encrypt" && positional[0] != "decrypt")
    return fail(exitBadArguments, "unknown command '" + positional[0] + "': encrypt or decrypt (see --help)");
  if (positional.size() != 3)
    return fail(exitBadArguments, "expected INPUT and OUTPUT after '" + positional[0] + "' (see --help)");
  request.encrypt = positional[0] == "encrypt";
  request.input = positional[1];
  request.output = positional[2];

  // A wrong password goes unnoticed, so two of them must not be left to a precedence rule.
  if (std::getenv(passwordVariable)) ++request.passwordSources;
  if (request.passwordSources == 0)
    return fail(exitBadArguments, "no password: give -p, --password-file or QUORLIN_PASSWORD (see --help)");
  if (request.passwordSources > 1)
    return fail(exitBadArguments, "more than one password: give only one of -p, --password-file and QUORLIN_PASSWORD");
  return -1;
}

// The password's text from the one place it was given; an exit code when the password file cannot be
// read or the password is not a whole number, else -1.
int readPassword(Request& request) {
  if (const char* variable = std::getenv(passwordVariable)) {
    request.password = variable;
  } else if (request.passwordFile && !readFirstLine(*request.passwordFile, request.password)) {
    const int error = errno;
    const std::string file = "password file '" + *request.passwordFile + "'";
    if (error == EFBIG)
      return fail(exitBadArguments, "the first line of " + file + " is longer than " +
                                        std::to_string(firstLineLimit) + " bytes: passwords are whole numbers");
    return fail(exitInputFailed, "cannot read " + file + ": " + std::strerror(error));
  }
  if (!isWholeNumber(request.password))
    return fail(exitBadArguments, "the password is not a whole number: passwords are whole numbers, such as 2024 or -7");
  return -1;
}

// Streams input to output through the cipher, piece by piece under one keystream. Reading a piece
// costs about as much as enciphering and writing one, so this thread reads while the output's own
// enciphers and writes the piece before. With --utf8 the text is converted here, and enciphered here
// too, as the cipher comes before the conversion in one direction and after it in the other; the
// keystream is only ever used on one of the threads.
int transform(const Request& request, int32_t seed) {
  const int input = openInput(request.input);
  if (input < 0) return fail(exitInputFailed, "cannot open " + inputName(request.input) + ": " + std::strerror(errno));
  ::posix_fadvise(input, 0, 0, POSIX_FADV_SEQUENTIAL);  // a longer read-ahead; refused by pipes, harmlessly
  const bool toStandardOutput = request.output == "-";
  SaveFile output;
  if (!toStandardOutput) {
    if (const SaveError error = openOutput(output, request.output, request.force); error.number) {
      closeInput(input);
      return outputFailed(request.output, error);
    }
  }

  Keystream keys(seed);
  const auto cipher = request.encrypt ? encipherChunk : decipherChunk;
  std::string pending;  // --utf8: text whose last character may still be cut
  int readError = 0;
  int judged = -1;  // decrypt's judgement of the start: an exit code to stop with, or -1
  SaveError written;
  {
    OutputThread writer(
        [&](char* data, size_t size) {
          if (!request.utf8) cipher(keys, data, size);
          return toStandardOutput ? writeFully(STDOUT_FILENO, data, size) : writeSave(output, data, size);
        },
        pieceCount);
    bool first = !request.encrypt;
    for (std::string* piece; (piece = writer.emptyPiece());) {
      std::string& into = request.utf8 ? pending : *piece;
      const size_t kept = request.utf8 ? pending.size() : 0;
      into.resize(kept + pieceSize);
      // Decrypt's first read holds the whole start that it judges.
      const ssize_t n = first ? readFully(input, into.data() + kept, plausibilityBytes)
                              : readInput(input, into.data() + kept, pieceSize);
      if (n < 0) {
        readError = errno;
        break;
      }
      into.resize(kept + size_t(n));
      if (first) {
        // Judged on a deciphered copy before anything is queued, so the writer has not moved keys yet.
        first = false;
        std::string start(into, kept);
        Keystream copy = keys;
        decipherChunk(copy, start.data(), start.size());
        if ((judged = judgeDecipheredStart(start, request.check)) >= 0) break;
      }
      const bool atEnd = n == 0;
      if (request.utf8 && request.encrypt) {
        *piece = takeUtf8AsGbk(pending, atEnd);
        cipher(keys, piece->data(), piece->size());
      } else if (request.utf8) {
        cipher(keys, pending.data() + kept, size_t(n));
        *piece = takeGbkAsUtf8(pending, atEnd);
      }
      if (!piece->empty()) writer.queuePiece();
      if (atEnd) break;
    }
    // A read error or a refused start drops the pieces still queued along with the thread.
    if (!readError && judged < 0) written = writer.finish();
  }
  closeInput(input);
  if (judged >= 0) {
    cancelOutput(output);
    return judged;
  }
  if (readError) {
    cancelOutput(output);
    return fail(exitInputFailed, "cannot read " + inputName(request.input) + ": " + std::strerror(readError));
  }
  if (written.number) {
    cancelOutput(output);
    return outputFailed(request.output, written);
  }
  if (toStandardOutput) return 0;
  if (const SaveError error = finishOutput(output); error.number) return outputFailed(request.output, error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "recover") == 0) return recoverCommand(argc - 2, argv + 2);
  Request request;
  if (const int code = parseArguments(argc, argv, request); code >= 0) return code;
  if (const int code = readPassword(request); code >= 0) return code;
  handleInterrupts();
  return transform(request, passwordToSeed(request.password));
}

// quorlin-cipher: encrypts and decrypts the program's encrypted files from the command line, for many
// files at once or a machine without a desktop. The files are the same byte for byte as the window's
// Encrypt and Decrypt commands write and read.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cipher/byte_cipher.h"
#include "cipher/cli_files.h"
#include "cipher/cli_recover.h"
#include "cipher/cli_text.h"
#include "cipher/plausibility.h"

namespace {

constexpr char programName[] = "quorlin-cipher";
constexpr char versionText[] = "quorlin-cipher 1.2\n";
constexpr char passwordVariable[] = "QUORLIN_PASSWORD";
// Memory stays at a few chunks whatever the size of the file.
constexpr size_t chunkSize = 64 * 1024;

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
    "  -p, --password TEXT     the password, read as the password box reads what is typed\n"
    "      --password-file FILE\n"
    "                          the password is the first line of FILE\n"
    "      --force             replace OUTPUT if it exists\n"
    "      --check             decrypt: when the result does not look like text, write nothing\n"
    "                          and exit with 1 (without it, a warning only)\n"
    "      --utf8              encrypt: INPUT is UTF-8 text, enciphered as GBK like the editor's;\n"
    "                          decrypt: the deciphered GBK text is written as UTF-8\n"
    "  -h, --help              show this help and exit\n"
    "      --version           show the version and exit\n"
    "\n"
    "Instead of an option, the password may come from the environment variable QUORLIN_PASSWORD;\n"
    "give it exactly one way. A wrong password deciphers into other bytes; decrypt warns when they\n"
    "do not look like text.\n"
    "\n"
    "Exit status: 0 done, 1 refused by --check, 2 bad arguments, 3 input (or password file) unreadable,\n"
    "4 output unwritable or already there.\n";

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

int outputFailed(const std::string& path, int error) {
  if (error == EEXIST) return fail(exitOutputFailed, outputName(path) + " already exists (use --force to replace it)");
  return fail(exitOutputFailed, "cannot write " + outputName(path) + ": " + std::strerror(error));
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
    const size_t equals = arg.find('=');
    const std::string name = arg.starts_with("--") ? arg.substr(0, equals) : arg;
    const bool takesValue = name == "-p" || name == "--password" || name == "--password-file";
    std::string value;
    if (takesValue) {
      if (name != arg) {
        value = arg.substr(equals + 1);
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
// read, else -1.
int readPassword(Request& request) {
  if (const char* variable = std::getenv(passwordVariable)) {
    request.password = variable;
  } else if (request.passwordFile && !readFirstLine(*request.passwordFile, request.password)) {
    return fail(exitInputFailed, "cannot read password file '" + *request.passwordFile + "': " + std::strerror(errno));
  }
  return -1;
}

// Streams input to output through the cipher, chunk by chunk under one keystream.
int transform(const Request& request, int32_t seed) {
  const int input = openInput(request.input);
  if (input < 0) return fail(exitInputFailed, "cannot open " + inputName(request.input) + ": " + std::strerror(errno));
  Output output;
  if (!openOutput(request.output, request.force, output)) {
    const int error = errno;
    closeInput(input);
    return outputFailed(request.output, error);
  }
  // Drops the output on a failure and gives back the failure's errno.
  auto stop = [&] {
    const int error = errno;
    abandonOutput(output);
    closeInput(input);
    return error;
  };

  Keystream keys(seed);
  std::vector<char> buffer(chunkSize);
  std::string pending;  // --utf8: text whose last character may still be cut
  for (bool first = true;; first = false) {
    // The first read holds the whole start that decrypt judges.
    const ssize_t n = first ? readFully(input, buffer.data(), plausibilityBytes) : readInput(input, buffer.data(), buffer.size());
    if (n < 0) {
      const int error = stop();
      return fail(exitInputFailed, "cannot read " + inputName(request.input) + ": " + std::strerror(error));
    }
    const bool atEnd = n == 0;
    std::string converted;
    const char* data = buffer.data();
    size_t size = size_t(n);
    if (request.utf8 && request.encrypt) {
      pending.append(buffer.data(), size);
      converted = takeUtf8AsGbk(pending, atEnd);
      encipherChunk(keys, converted.data(), converted.size());
      data = converted.data();
      size = converted.size();
    } else if (request.encrypt) {
      encipherChunk(keys, buffer.data(), size);
    } else {
      decipherChunk(keys, buffer.data(), size);
      if (const int code = first ? judgeDecipheredStart({buffer.data(), size}, request.check) : -1; code >= 0) {
        stop();
        return code;
      }
      if (request.utf8) {
        pending.append(buffer.data(), size);
        converted = takeGbkAsUtf8(pending, atEnd);
        data = converted.data();
        size = converted.size();
      }
    }
    if (!writeOutput(output, data, size)) return outputFailed(request.output, stop());
    if (atEnd) break;
  }
  closeInput(input);
  if (!finishOutput(output, request.force)) return outputFailed(request.output, errno);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "recover") == 0) return recoverCommand(argc - 2, argv + 2);
  Request request;
  if (const int code = parseArguments(argc, argv, request); code >= 0) return code;
  if (const int code = readPassword(request); code >= 0) return code;
  return transform(request, passwordToSeed(request.password));
}

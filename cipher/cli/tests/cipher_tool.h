#pragma once
// The real quorlin-cipher, run on real files in the work folder of a temporary directory; the tool's
// standard input, output and error are files beside that folder.
#include <gmock/gmock.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cipher/byte_cipher.h"
#include "testing/temporary_directory.h"

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

inline std::string enciphered(std::string bytes, int32_t seed) {
  encipherBytes(bytes, seed);
  return bytes;
}

// word quoted for the shell.
std::string quoted(const std::string& word);

class CipherTool : public TemporaryDirectoryTest {
 protected:
  void SetUp() override;

  // A name in the work folder.
  std::string file(const std::string& name) const { return path("work/" + name); }
  // The names in the work folder, to see that a failure left nothing behind.
  std::vector<std::string> workNames() const { return names("work"); }

  // Runs the tool with arguments; environment holds NAME=VALUE words (QUORLIN_PASSWORD is unset
  // otherwise), output redirects standard output to a file of its own. Standard input is a file, or a
  // pipe when pipeInput is set. The shell runs shellSetup first.
  Result run(const std::vector<std::string>& arguments, const std::string& input = {},
             const std::vector<std::string>& environment = {}, const std::string& output = {});

  // Starts the tool without waiting for it, with SIGINT, SIGTERM and SIGHUP at their default action as
  // a shell leaves them; standard input is the descriptor input, standard error the file "stderr".
  // The process's id, or -1.
  pid_t start(const std::vector<std::string>& arguments, int input = 0);

  bool pipeInput = false;
  std::string shellSetup;
};

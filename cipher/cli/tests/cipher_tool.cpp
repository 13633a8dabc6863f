#include "cipher/cli/tests/cipher_tool.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

namespace {

std::string quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

void CipherTool::SetUp() {
  TemporaryDirectoryTest::SetUp();
  std::filesystem::create_directory(path("work"));
}

Result CipherTool::run(const std::vector<std::string>& arguments, const std::string& input,
                     const std::vector<std::string>& environment, const std::string& output) {
  writeBytes(path("stdin"), input);
  std::string command = pipeInput ? "cat " + quoted(path("stdin")) + " | " : "";
  command += "env -u QUORLIN_PASSWORD";
  for (const std::string& word : environment) command += " " + quoted(word);
  command += " " + quoted(QUORLIN_CIPHER_TOOL);
  for (const std::string& word : arguments) command += " " + quoted(word);
  if (!pipeInput) command += " <" + quoted(path("stdin"));
  command += " >" + quoted(output.empty() ? path("stdout") : output);
  command += " 2>" + quoted(path("stderr"));
  const int status = std::system(command.c_str());
  Result result;
  result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = readBytes(path("stdout"));
  result.err = readBytes(path("stderr"));
  return result;
}

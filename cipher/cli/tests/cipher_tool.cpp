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
  // Appended piece by piece: GCC 12 at -O2 warns falsely (-Wrestrict) about "text" + std::string.
  std::string command;
  const auto add = [&command](const char* before, const std::string& word) { command.append(before).append(quoted(word)); };
  if (pipeInput) add("cat ", path("stdin"));
  command += pipeInput ? " | env -u QUORLIN_PASSWORD" : "env -u QUORLIN_PASSWORD";
  for (const std::string& word : environment) add(" ", word);
  add(" ", QUORLIN_CIPHER_TOOL);
  for (const std::string& word : arguments) add(" ", word);
  if (!pipeInput) add(" <", path("stdin"));
  add(" >", output.empty() ? path("stdout") : output);
  add(" 2>", path("stderr"));
  const int status = std::system(command.c_str());
  Result result;
  result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = readBytes(path("stdout"));
  result.err = readBytes(path("stderr"));
  return result;
}

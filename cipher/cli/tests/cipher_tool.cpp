#include "cipher/cli/tests/cipher_tool.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

std::string quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

void CipherTool::SetUp() {
  TemporaryDirectoryTest::SetUp();
  std::filesystem::create_directory(path("work"));
}

Result CipherTool::run(const std::vector<std::string>& arguments, const std::string& input,
                     const std::vector<std::string>& environment, const std::string& output) {
  writeBytes(path("stdin"), input);
  // Appended piece by piece: GCC 12 at -O2 warns falsely (-Wrestrict) about "text" + std::string.
  std::string command = shellSetup;
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

pid_t CipherTool::start(const std::vector<std::string>& arguments, int input) {
  std::vector<char*> environment;
  for (char** variable = environ; *variable; ++variable)
    if (!std::string(*variable).starts_with("QUORLIN_PASSWORD=")) environment.push_back(*variable);
  environment.push_back(nullptr);
  std::vector<std::string> words = {QUORLIN_CIPHER_TOOL};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  if (input != STDIN_FILENO) posix_spawn_file_actions_adddup2(&files, input, STDIN_FILENO);
  const std::string errors = path("stderr");
  posix_spawn_file_actions_addopen(&files, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&attributes, &signals);
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, s);
  posix_spawnattr_setsigdefault(&attributes, &signals);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, words[0].c_str(), &files, &attributes, argv.data(), environment.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&files);
  return error == 0 ? pid : -1;
}

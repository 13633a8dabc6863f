#pragma once
// Files of quorlin-cipher, named as given on the command line; "-" is standard input or output. Every
// routine returns false (or -1) with errno telling why.
#include <sys/types.h>

#include <cstddef>
#include <string>

// An open input: a file descriptor, or -1.
int openInput(const std::string& path);
// Some bytes, 0 at the end of the input, -1 on an error.
ssize_t readInput(int fd, char* buffer, size_t size);
void closeInput(int fd);

// The first line of a file, without its line break (LF or CR LF). "-" is a file of that name here:
// standard input may be the data.
bool readFirstLine(const std::string& path, std::string& line);

// True when something, even a dangling link, has this name.
bool pathExists(const std::string& path);

// An output being written. A file is written to a temporary file beside it and renamed into place only
// when everything is written, so a failure never leaves a half-written or destroyed target; standard
// output is written directly.
struct Output {
  std::string target;
  std::string temporary;
  int fd = -1;
};

// Starts an output; replace allows an existing file to be replaced (EEXIST otherwise).
bool openOutput(const std::string& path, bool replace, Output& out);
bool writeOutput(Output& out, const char* data, size_t size);
// Flushes the file to disk and renames it into place; still refuses to replace a file that appeared
// meanwhile unless replace.
bool finishOutput(Output& out, bool replace);
// Drops an output that will not be finished: the temporary file is removed, the target untouched.
void abandonOutput(Output& out);

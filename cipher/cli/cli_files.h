#pragma once
// Files of quorlin-cipher, named as given on the command line; "-" is standard input or output. Every
// routine returns false (or -1) with errno telling why, or an error value.
#include <sys/types.h>

#include <cstddef>
#include <string>

#include "platform/save_file.h"

// An open input: a file descriptor, or -1.
int openInput(const std::string& path);
// Some bytes, 0 at the end of the input, -1 on an error.
ssize_t readInput(int fd, char* buffer, size_t size);
void closeInput(int fd);

// The longest first line readFirstLine takes.
inline constexpr size_t firstLineLimit = 4096;
// The first line of a file, without its line break (LF or CR LF). It is read byte by byte and nothing
// after its line break is consumed, so standard input (/dev/stdin) can carry the password's line and
// then the data. A first line longer than firstLineLimit fails with EFBIG. "-" is a file of that name
// here.
bool readFirstLine(const std::string& path, std::string& line);

// From now on SIGINT, SIGTERM and SIGHUP end the tool with the exit code 128 + the signal's number,
// after removing the output's temporary file, so an interrupted run leaves no partial output behind. A
// signal that was ignored when the tool started (as nohup does) stays ignored.
void handleInterrupts();

// The output file, written as a save (platform/save_file.h) whose temporary file the interrupt handler
// knows about. Standard output is not opened here: it is written directly.
SaveError openOutput(SaveFile& save, const std::string& path, bool replace);
SaveError finishOutput(SaveFile& save);
void cancelOutput(SaveFile& save);

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

// The first line of a file, without its line break (LF or CR LF). "-" is a file of that name here:
// standard input may be the data.
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

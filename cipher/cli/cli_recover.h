#pragma once
// quorlin-cipher's use of the password search and of the plausibility measure: the recover command, and
// decrypt's check of what it deciphers.
#include <sys/types.h>

#include <cstddef>
#include <string_view>

// quorlin-cipher recover: argc and argv hold the arguments after the word recover. Returns the exit code.
int recoverCommand(int argc, char** argv);

// Reads until size bytes are in buffer or the input ends, so that a pipe's short reads do not cut what
// is to be judged; returns the bytes read, or -1 with errno on an error.
ssize_t readFully(int fd, char* buffer, size_t size);

// decrypt's judgement of the start of its deciphered output (plausibilityBytes of it, or all when it is
// shorter): when it is not plausible text, a warning on stderr, or with check an error. Returns -1 to go
// on, or the exit code to stop with, 1, when check refuses the output.
int judgeDecipheredStart(std::string_view start, bool check);

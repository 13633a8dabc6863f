#pragma once
// Whole files and their attributes. Paths are GBK bytes as the program holds them; the file system
// names are their UTF-8 form.
#include <cstddef>
#include <string>

// How a whole-file read went: read, failed (missing, unreadable, or not a regular file: a directory,
// device, FIFO or socket is never read, so none can hang or flood the program), or refused because the
// file is larger than maxReadSize.
enum ReadStatus { READ_DONE, READ_FAILED, READ_TOO_LARGE };
inline constexpr size_t maxReadSize = size_t(1) << 30;

// The file's bytes; empty when the path is empty or the file cannot be read. status, when given, tells a
// failure from an empty file.
std::string readWholeFile(const std::string& path, ReadStatus* status = nullptr);

// Replaces the file's content with bytes as a whole, or creates the file, through a save
// (platform/save_file.h): a failure leaves the previous file as it was, links are followed, and a
// special file is refused. False when the path is empty, the target is read-only (no write bit for
// anyone, the counterpart of the read-only attribute) or any step fails.
bool writeWholeFile(const std::string& path, const std::string& bytes);

// True for a file or a directory of that name.
bool fileExists(const std::string& path);

// File attributes as the program sets them: 1 read-only, 2 hidden. Read-only clears the file's write
// bits (and setting attributes without it restores the owner's). Hidden lists the file's name in the
// ".hidden" file of its directory, which the desktop's file managers honour. The value replaces both.
inline constexpr int ATTRIBUTE_READONLY = 1;
inline constexpr int ATTRIBUTE_HIDDEN = 2;
bool setFileAttributes(const std::string& path, int attributes);
// The attributes as setFileAttributes stores them; -1 when the file does not exist.
int fileAttributes(const std::string& path);

// A file-system path's directory ("." when it names none) and its last name.
std::string pathDirectory(const std::string& path);
std::string pathFileName(const std::string& path);

// The directory of the program's file, without a trailing "/"; set at start-up.
std::string runDirectory();
void setRunDirectory(const std::string& directory);

#pragma once
// Saving a file so that a failure at any point leaves the previous file as it was: open, write, then
// commit or cancel. Every file the program and quorlin-cipher write goes through here. Paths are
// file-system (UTF-8) paths.
//
// What a save does with the file it replaces:
// - A symbolic link is followed to its final target, which gets the new bytes in its own folder; the
//   link stays a link. A dangling link creates its target.
// - Only regular files are saved to. A device, FIFO, socket or directory, also behind a link, is
//   refused and left alone, whoever runs the save.
// - A file without any write bit is read-only and refused, whoever runs the save.
// - Usually the bytes go to a temporary file beside the target, which takes the target's mode (and, for
//   root, its owner and group), is flushed to disk and renamed over it; the folder is flushed after.
// - Where a rename would lose something, the file is rewritten in place instead: when it has more than
//   one hard link, when it belongs to another user, or when its folder does not let the user create a
//   file there. The new bytes are first staged in a nameless temporary file, so a failure before the
//   commit leaves the target untouched; the commit then writes them over the file, cuts it to their
//   length and flushes it. Links, owner and mode stay.
#include <sys/types.h>

#include <cstddef>
#include <string>

// Why a step failed: the errno value and a short English message for a command line. number is 0 when
// the step succeeded.
struct SaveError {
  int number = 0;
  std::string message;
};

// A save in progress. The destructor cancels a save that was not committed.
struct SaveFile {
  SaveFile() = default;
  SaveFile(const SaveFile&) = delete;
  SaveFile& operator=(const SaveFile&) = delete;
  ~SaveFile();

  std::string target;     // the file to be replaced or created, links followed
  std::string temporary;  // the named temporary file beside it; empty when rewriting in place
  int fd = -1;            // where the bytes go: the temporary file or the staging file
  int inPlace = -1;       // the target, open for rewriting in place; -1 when renaming
  bool replace = true;
  off_t written = 0;              // the bytes written so far
  off_t writtenBack = 0;          // of them, those whose writeback has been started
  mode_t mode = 0;                // the mode the renamed file takes
  uid_t owner = uid_t(-1);        // the owner and group it keeps (-1: a new file)
  gid_t group = gid_t(-1);
};

// Starts saving to path. Without replace, a path that names anything, even a dangling link, is refused
// with EEXIST, and so is a file that appears there before the commit.
SaveError openSave(SaveFile& save, const std::string& path, bool replace);
// Writes the next bytes. A long save to be renamed hands its bytes to the disk as it goes, so that the
// flush at the commit finds little left to do.
SaveError writeSave(SaveFile& save, const char* data, size_t size);
// Puts the written bytes in place and ends the save; on a failure the target stays as it was (except
// for an in-place rewrite that fails part-way, which no rename can guard).
SaveError commitSave(SaveFile& save);
// Ends the save without touching the target; the temporary file is removed.
void cancelSave(SaveFile& save);

// Writes all of data to fd, retrying short and interrupted writes.
SaveError writeFully(int fd, const char* data, size_t size);

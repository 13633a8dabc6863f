#pragma once
// The menu "文件" and the close prompt. The texts these commands handle are GBK bytes.
#include <string>

#include "platform/disk.h"

void newCommand();
void openCommand();
// Open's work after its dialog: loads the file into the editor up to its first zero byte, or reports
// that it cannot be read and leaves the editor alone.
void openFile(const std::string& path);
// A file dropped on the editor opens as with Open, asking about changed text first.
void openDroppedFile(const std::string& path);
// True unless text to be saved was not saved: the dialog was cancelled or the write failed (an empty
// editor has nothing to lose and gives true after its message).
bool saveCommand();
void exitCommand();

// Before changed text is closed or replaced: asks whether to save it (Yes, No, Cancel). True when the
// caller may go on: the text was saved, or the user chose not to save it. False after Cancel (or Esc,
// or closing the box) and when the save was cancelled or failed; the caller then stops and the text and
// contentModified stay as they are.
bool saveChangesFirst();
// The main window's will-be-destroyed event; false keeps the window open.
bool confirmSaveOnClose();

// Shows that a file could not be written or read, naming it; a read tells a file too large to load
// from one that could not be read at all.
void reportNotSaved(const std::string& path);
void reportNotRead(const std::string& path, ReadStatus status);

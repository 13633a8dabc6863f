#pragma once
// The main window's form: the names of its controls, which are also their Qt object names, and the
// texts and limits that more than one part of the program shows or keeps. Texts are GBK bytes, so
// every file that includes this one compiles its narrow literals to GBK (quorlin_form in CMake).
#include "base/version.h"

// Controls of the main window.
inline constexpr char editorName[] = "编辑框1";
inline constexpr char saveDialogName[] = "通用对话框1";
inline constexpr char openDialogName[] = "通用对话框2";
inline constexpr char versionClockName[] = "版本时钟";
inline constexpr char onlineCountClockName[] = "人数在线";
// The Help menu's item that shows the number of users online; its caption is its name.
inline constexpr char onlineCountItemName[] = "在线人数";

// The editor's font, which Linux desktops lack: the Qt runtime gives it a CJK stand-in.
inline constexpr char editorFontName[] = "宋体";

// Caption of the commands' message boxes and password boxes.
inline constexpr char hintCaption[] = "提示";

// The largest width and height the editor takes, in pixels.
inline constexpr int editorSizeLimit = 32627;

// The program's version, and the main window's caption that shows it.
inline constexpr char programVersion[] = QUORLIN_VERSION;
inline constexpr char windowCaption[] = "QuorlinV" QUORLIN_VERSION;

#pragma once
// Events of the main window.

// Form names of the two timers.
inline constexpr char versionClockName[] = "版本时钟";
inline constexpr char onlineCountClockName[] = "人数在线";

// Once the window and its controls exist: arms the timers and dresses the window.
void onWindowCreated();
// On every size change: the editor fills the client area under the menu bar.
void onWindowResized();

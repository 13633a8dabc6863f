#pragma once
// Events of the main window.

// Once the window and its controls exist: arms the timers and dresses the window.
void onWindowCreated();
// On every size change: the editor fills the client area under the menu bar.
void onWindowResized();

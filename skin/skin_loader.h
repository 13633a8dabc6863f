#pragma once
// The skin engine loader: writes the engine library next to the program and hands it a built-in skin
// and the aero settings. When the engine cannot be loaded the program runs without a skin.

// Writes the engine library into the run directory unless a file or directory of that name is there.
void ensureSkinEngine();

// Attaches built-in skin number 1 to 33; any other number hands the engine no skin at all.
void loadBuiltinSkin(int number);

// Hands p1 to p7 to the engine's aero settings.
void adjustAero(int p1, int p2, int p3, int p4, int p5, int p6, int p7);

// Switches the engine's aero effect on.
void enableAero();

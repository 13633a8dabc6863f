#pragma once

// The program's entry: sets up the runtime, creates the main window and runs the message loop; returns
// the exit code.
int startProgram(int argc, char** argv);

// The exit routine: runs once while the program ends, whichever way it ends.
void releaseVersionTexts();

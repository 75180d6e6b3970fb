// The running saver: the single-instance lock, the window, the frame timer, the start-up, the
// event loop that runs a frame whenever no event waits, and the tear-down.
// Owns: the order of those steps and the loop. Does not: show the settings dialog (main.cpp).
// Needs: the settings confirmed in g_saverSettings; SDL2 with a display.
#pragma once

// Runs the saver; returns the process exit code (0, also when another instance runs, the
// window cannot be made, or the start-up fails).
int Run();

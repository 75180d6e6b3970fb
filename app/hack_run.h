// The running hack: the stop signals, the host's window, the GL context on it, the start-up,
// the loop that follows the window and runs a frame at a time, and the tear-down.
// Owns: the order of those steps, the loop and the end's trace lines ("Stop: ...", "Cleanup...",
// "Ended"). Does not: parse the command line (app/hack_options.h) or show any dialog.
// Needs: the options parsed; an X display.
#pragma once

#include "app/hack_options.h"

// Runs the hack until a stop signal, the window's destruction or its close box; returns the
// exit code: 0 after a clean end, 1 when it cannot run, 2 when the given window does not exist.
int RunHack(const HackOptions& options);

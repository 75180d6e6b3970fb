// The scene's process-wide objects, one instance each, defined in app/globals.cpp in their
// construction order (C++ constructs the globals of one file in order, and destroys them in
// reverse order at exit). Objects that lower rooms also use are declared in their own headers
// (g_saverSettings, g_traceLog, g_frameTimer).
#pragma once

#include "app/frame_timer.h"
#include "app/saver_settings.h"
#include "app/trace_log.h"
#include "world/ferguson.h"

extern Ferguson g_ferguson;

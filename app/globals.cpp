#include "app/globals.h"

// Construction order of the scene objects; keep it.
SaverSettings g_saverSettings;
TraceLog g_traceLog(CurrentDirectory());
FrameTimer g_frameTimer;
Ferguson g_ferguson;

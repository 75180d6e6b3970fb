// The velmora-hack program: Velmora inside XScreenSaver and the MATE and Xfce screen savers. The
// command line chooses the window and the settings; no dialog is shown.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/hack_options.h"
#include "app/hack_run.h"

int main(int argc, char** argv) {
    HackOptions options;
    std::string error;
    switch (ParseHackOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), &options, &error)) {
        case HackParse::kHelp:
            std::fputs(HackUsage(), stdout);
            return 0;
        case HackParse::kError:
            std::fprintf(stderr, "%s: %s\n", kHackProgramName, error.c_str());
            return 2;
        case HackParse::kRun:
            break;
    }
    return RunHack(options);
}

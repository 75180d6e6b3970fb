// The command line of velmora-hack, in XScreenSaver's conventions: where to draw (-window-id ID,
// the XSCREENSAVER_WINDOW variable, -root, -window) and, as options, the settings the dialog
// offers (night, somersaults, the heavy pillar set, ambient sound, render size, bird count) plus
// -fps for the frame-rate text. Options take one dash or two, as XScreenSaver writes both.
// Owns: the option table, its parsing with one-line errors, the usage text, and the mapping of
// the options onto SaverSettings. Does not: open the display or check that a window exists
// (app/hack_window.h). Needs: nothing beyond the standard library.
#pragma once

#include <cstdint>
#include <string>

struct SaverSettings;

// Where the hack draws.
enum class HackTarget {
    kOwnWindow,    // a window of its own (-window, or nothing given)
    kGivenWindow,  // the window windowId: -window-id, or the host's XSCREENSAVER_WINDOW
    kRootWindow,   // the screen's root window (-root without XSCREENSAVER_WINDOW)
};

struct HackOptions {
    HackTarget target = HackTarget::kOwnWindow;
    unsigned long windowId = 0;  // X window id for kGivenWindow
    // The dialog's choices, with its defaults; the hack shows the frame rate only on -fps.
    int32_t night = 0;
    int32_t loops = 1;
    int32_t pillar01Enabled = 1;
    int32_t music = 0;
    int32_t resolution = 3;     // 1: 640x480, 2: 800x600, 3: 1024x768
    bool followWindow = false;  // -resolution window: the back buffer takes the window's size
    int32_t birdCount = 50;     // 5 to 100
    int32_t showFrameRate = 0;
    std::string traceFile;  // -trace FILE: the trace is written there at the end, when given
};

enum class HackParse { kRun, kHelp, kError };

constexpr const char* kHackProgramName = "velmora-hack";
constexpr int32_t kMinBirdCount = 5;
constexpr int32_t kMaxBirdCount = 100;

// Reads argv[1..argc-1]; hostWindow is the XSCREENSAVER_WINDOW variable (null when unset). On
// kError, error holds one line without the program name.
HackParse ParseHackOptions(int argc, const char* const* argv, const char* hostWindow,
                           HackOptions* options, std::string* error);
// Reads an X window id written in decimal or as 0x hexadecimal; false unless it is a whole
// number from 1 to 0xFFFFFFFF.
bool ParseWindowId(const char* text, unsigned long* id);
// Puts the options into the settings record: automatic flight always; in window-size mode the
// projection keeps the aspect the hack sets (aspectMode 0).
void ApplyHackOptions(const HackOptions& options, SaverSettings* settings);
// The -help text.
const char* HackUsage();

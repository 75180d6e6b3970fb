#include "app/hack_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "app/saver_settings.h"

namespace {
// The render sizes by name, in the order of SaverSettings::resolution.
const char* const kResolutionNames[] = {"640x480", "800x600", "1024x768"};
constexpr const char* kFollowWindowName = "window";

// An on/off pair of options and the field it sets.
struct Switch {
    const char* on;
    const char* off;
    int32_t HackOptions::*field;
};
const Switch kSwitches[] = {
    {"night", "day", &HackOptions::night},
    {"loops", "no-loops", &HackOptions::loops},
    {"pillars", "no-pillars", &HackOptions::pillar01Enabled},
    {"sound", "no-sound", &HackOptions::music},
    {"fps", "no-fps", &HackOptions::showFrameRate},
};

bool ParseBirdCount(const char* text, int32_t* count) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < kMinBirdCount ||
        value > kMaxBirdCount) {
        return false;
    }
    *count = static_cast<int32_t>(value);
    return true;
}

bool ParseResolution(const char* text, HackOptions* options) {
    if (std::strcmp(text, kFollowWindowName) == 0) {
        options->followWindow = true;
        return true;
    }
    for (int i = 0; i < 3; ++i) {
        if (std::strcmp(text, kResolutionNames[i]) == 0) {
            options->resolution = i + 1;
            options->followWindow = false;
            return true;
        }
    }
    return false;
}

// An option's name with its leading dashes (one or two) taken off; null when arg is no option.
const char* OptionName(const char* arg) {
    if (arg[0] != '-' || arg[1] == '\0')
        return nullptr;
    return arg[1] == '-' ? arg + 2 : arg + 1;
}
}  // namespace

bool ParseWindowId(const char* text, unsigned long* id) {
    if (text == nullptr || *text == '\0' || *text == '-' || *text == '+')
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 0);
    if (errno != 0 || *end != '\0' || value == 0 || value > 0xFFFFFFFFull)
        return false;
    *id = static_cast<unsigned long>(value);
    return true;
}

HackParse ParseHackOptions(int argc, const char* const* argv, const char* hostWindow,
                           HackOptions* options, std::string* error) {
    *options = HackOptions();
    bool givenId = false;  // -window-id was given
    // -root and -window: the one that came last counts.
    bool root = false;
    bool ownWindow = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* name = OptionName(arg);
        if (name == nullptr) {
            *error = std::string("unexpected argument \"") + arg + "\" (see -help)";
            return HackParse::kError;
        }
        if (std::strcmp(name, "h") == 0 || std::strcmp(name, "help") == 0)
            return HackParse::kHelp;

        bool matched = false;
        for (const Switch& option : kSwitches) {
            if (std::strcmp(name, option.on) == 0 || std::strcmp(name, option.off) == 0) {
                options->*option.field = std::strcmp(name, option.on) == 0 ? 1 : 0;
                matched = true;
            }
        }
        if (matched)
            continue;
        if (std::strcmp(name, "root") == 0) {
            root = true;
            ownWindow = false;
            continue;
        }
        if (std::strcmp(name, "window") == 0) {
            ownWindow = true;
            root = false;
            continue;
        }

        const bool takesValue =
            std::strcmp(name, "window-id") == 0 || std::strcmp(name, "birds") == 0 ||
            std::strcmp(name, "resolution") == 0 || std::strcmp(name, "trace") == 0;
        if (!takesValue) {
            *error = std::string("unknown option \"") + arg + "\" (see -help)";
            return HackParse::kError;
        }
        if (i + 1 >= argc) {
            *error = std::string(arg) + " needs a value";
            return HackParse::kError;
        }
        const char* value = argv[++i];
        if (std::strcmp(name, "window-id") == 0) {
            if (!ParseWindowId(value, &options->windowId)) {
                *error = std::string(arg) + ": \"" + value + "\" is not a window id";
                return HackParse::kError;
            }
            givenId = true;
        } else if (std::strcmp(name, "birds") == 0) {
            if (!ParseBirdCount(value, &options->birdCount)) {
                *error = std::string(arg) + " takes a number from 5 to 100, not \"" + value + "\"";
                return HackParse::kError;
            }
        } else if (std::strcmp(name, "resolution") == 0) {
            if (!ParseResolution(value, options)) {
                *error = std::string(arg) + " takes 640x480, 800x600, 1024x768 or window, not \"" +
                         value + "\"";
                return HackParse::kError;
            }
        } else {
            options->traceFile = value;
        }
    }

    // The host's window stands in for the root window (XScreenSaver's virtual root), and is the
    // target when nothing else is asked for; -window-id beats both, -window ignores it.
    const bool hostGiven = hostWindow != nullptr && *hostWindow != '\0';
    unsigned long hostId = 0;
    if (hostGiven && !givenId && !ownWindow && !ParseWindowId(hostWindow, &hostId)) {
        *error = std::string("XSCREENSAVER_WINDOW: \"") + hostWindow + "\" is not a window id";
        return HackParse::kError;
    }
    if (givenId) {
        options->target = HackTarget::kGivenWindow;
    } else if (ownWindow) {
        options->target = HackTarget::kOwnWindow;
    } else if (hostGiven) {
        options->target = HackTarget::kGivenWindow;
        options->windowId = hostId;
    } else {
        options->target = root ? HackTarget::kRootWindow : HackTarget::kOwnWindow;
    }
    return HackParse::kRun;
}

void ApplyHackOptions(const HackOptions& options, SaverSettings* settings) {
    settings->night = options.night;
    settings->loops = options.loops;
    settings->pillar01Enabled = options.pillar01Enabled;
    settings->music = options.music;
    settings->resolution = options.resolution;
    settings->birdCount = options.birdCount;
    settings->showFrameRate = options.showFrameRate;
    settings->userControl = 0;
    if (options.followWindow)
        settings->aspectMode = 0;
}

const char* HackUsage() {
    return "usage: velmora-hack [-window-id ID | -root | -window] [options]\n"
           "Velmora for XScreenSaver and the MATE and Xfce screen savers: a flock of birds among\n"
           "pillars, in automatic flight. Pointer and keys are the host's; SIGTERM, SIGINT or the\n"
           "window's destruction end it.\n"
           "\n"
           "Where it draws (the first that applies):\n"
           "  -window-id ID          the X window ID (decimal or 0x hexadecimal)\n"
           "  -window                a window of its own\n"
           "  XSCREENSAVER_WINDOW    the host's window, also for -root\n"
           "  -root                  the root window\n"
           "  (nothing)              a window of its own\n"
           "\n"
           "Settings (defaults first):\n"
           "  -day | -night          daylight or night sky\n"
           "  -loops | -no-loops     the flock's somersaults\n"
           "  -pillars | -no-pillars the heavy first pillar set\n"
           "  -no-sound | -sound     ambient sound\n"
           "  -resolution SIZE       1024x768, 800x600, 640x480, or window (its own size)\n"
           "  -birds N               number of birds, 5 to 100 (50)\n"
           "  -no-fps | -fps         the frame-rate text\n"
           "  -trace FILE            write the start-up and tear-down trace to FILE at the end\n"
           "\n"
           "Every option may also be written with two dashes. Exit status: 0 after a clean end,\n"
           "1 when it cannot run (no display, no OpenGL 4.5, a failed start-up), 2 for a bad\n"
           "command line or a window that does not exist.\n";
}

#include "app/hack_options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "app/saver_settings.h"

namespace {
// Parses the arguments after the program name, with XSCREENSAVER_WINDOW as hostWindow.
HackParse Parse(std::initializer_list<const char*> args, HackOptions* options,
                std::string* error = nullptr, const char* hostWindow = nullptr) {
    std::vector<const char*> argv = {"velmora-hack"};
    argv.insert(argv.end(), args);
    std::string ignored;
    return ParseHackOptions(static_cast<int>(argv.size()), argv.data(), hostWindow, options,
                            error ? error : &ignored);
}

HackOptions Parsed(std::initializer_list<const char*> args, const char* hostWindow = nullptr) {
    HackOptions options;
    std::string error;
    EXPECT_EQ(Parse(args, &options, &error, hostWindow), HackParse::kRun) << error;
    return options;
}

std::string ErrorOf(std::initializer_list<const char*> args, const char* hostWindow = nullptr) {
    HackOptions options;
    std::string error;
    EXPECT_EQ(Parse(args, &options, &error, hostWindow), HackParse::kError);
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    return error;
}
}  // namespace

TEST(HackOptionsTest, NothingGivenMeansTheDialogsDefaultsWithoutFrameRate) {
    SaverSettings settings;
    settings.userControl = 1;  // the hack always flies automatically
    ApplyHackOptions(Parsed({}), &settings);
    EXPECT_EQ(settings.night, 0);
    EXPECT_EQ(settings.loops, 1);
    EXPECT_EQ(settings.pillar01Enabled, 1);
    EXPECT_EQ(settings.music, 0);
    EXPECT_EQ(settings.resolution, 3);
    EXPECT_EQ(settings.aspectMode, 1);
    EXPECT_EQ(settings.birdCount, 50);
    EXPECT_EQ(settings.showFrameRate, 0);
    EXPECT_EQ(settings.userControl, 0);
}

TEST(HackOptionsTest, EverySwitchTakesOneOrTwoDashesAndTheLastOneWins) {
    SaverSettings settings;
    ApplyHackOptions(Parsed({"-night", "--no-loops", "-no-pillars", "--sound", "-fps"}), &settings);
    EXPECT_EQ(settings.night, 1);
    EXPECT_EQ(settings.loops, 0);
    EXPECT_EQ(settings.pillar01Enabled, 0);
    EXPECT_EQ(settings.music, 1);
    EXPECT_EQ(settings.showFrameRate, 1);

    ApplyHackOptions(Parsed({"-night", "-day", "-no-loops", "--loops", "-fps", "-no-fps"}),
                     &settings);
    EXPECT_EQ(settings.night, 0);
    EXPECT_EQ(settings.loops, 1);
    EXPECT_EQ(settings.showFrameRate, 0);
}

TEST(HackOptionsTest, BirdCountIsTheDialogsRangeOfFiveToHundred) {
    EXPECT_EQ(Parsed({"-birds", "5"}).birdCount, 5);
    EXPECT_EQ(Parsed({"--birds", "100"}).birdCount, 100);
    for (const char* bad : {"4", "101", "0", "1000", "-5", "", "50x", "5.5", "99999999999"}) {
        const std::string error = ErrorOf({"-birds", bad});
        EXPECT_NE(error.find("5 to 100"), std::string::npos) << bad << ": " << error;
    }
}

TEST(HackOptionsTest, ResolutionNamesTheDialogsSizesOrTheWindowsOwn) {
    SaverSettings settings;
    ApplyHackOptions(Parsed({"-resolution", "640x480"}), &settings);
    EXPECT_EQ(settings.resolution, 1);
    ApplyHackOptions(Parsed({"-resolution", "800x600"}), &settings);
    EXPECT_EQ(settings.resolution, 2);
    EXPECT_EQ(settings.aspectMode, 1);

    const HackOptions follow = Parsed({"-resolution", "window"});
    EXPECT_TRUE(follow.followWindow);
    ApplyHackOptions(follow, &settings);
    EXPECT_EQ(settings.aspectMode, 0);  // the projection keeps the window's aspect

    EXPECT_FALSE(Parsed({"-resolution", "window", "-resolution", "1024x768"}).followWindow);
    EXPECT_NE(ErrorOf({"-resolution", "1024*768"}).find("\"1024*768\""), std::string::npos);
}

TEST(HackOptionsTest, TargetFollowsXScreenSaversConventions) {
    EXPECT_EQ(Parsed({}).target, HackTarget::kOwnWindow);
    EXPECT_EQ(Parsed({"-root"}).target, HackTarget::kRootWindow);
    EXPECT_EQ(Parsed({"-window"}).target, HackTarget::kOwnWindow);
    EXPECT_EQ(Parsed({"-window", "-root"}).target, HackTarget::kRootWindow);

    // The host's window is the virtual root, and the default.
    for (const HackOptions& options : {Parsed({}, "0x400008"), Parsed({"--root"}, "0x400008")}) {
        EXPECT_EQ(options.target, HackTarget::kGivenWindow);
        EXPECT_EQ(options.windowId, 0x400008ul);
    }
    // -window ignores it, even when it is no window id; -window-id beats it.
    EXPECT_EQ(Parsed({"-window"}, "junk").target, HackTarget::kOwnWindow);
    const HackOptions given = Parsed({"--root", "--window-id", "0x1A"}, "0x400008");
    EXPECT_EQ(given.target, HackTarget::kGivenWindow);
    EXPECT_EQ(given.windowId, 0x1Aul);
    EXPECT_EQ(Parsed({"-window-id", "26"}).windowId, 26ul);

    EXPECT_NE(ErrorOf({"-root"}, "junk").find("XSCREENSAVER_WINDOW"), std::string::npos);
    EXPECT_EQ(Parsed({}, "").target, HackTarget::kOwnWindow);  // set but empty: not given
}

TEST(HackOptionsTest, WindowIdsAreWholeNumbersOfThirtyTwoBits) {
    unsigned long id = 0;
    EXPECT_TRUE(ParseWindowId("0x400008", &id));
    EXPECT_EQ(id, 0x400008ul);
    EXPECT_TRUE(ParseWindowId("4194312", &id));
    EXPECT_EQ(id, 4194312ul);
    EXPECT_TRUE(ParseWindowId("0xFFFFFFFF", &id));
    for (const char* bad : {"", "0", "-1", "+5", "0x", "12ab", "0x100000000", "window"})
        EXPECT_FALSE(ParseWindowId(bad, &id)) << bad;
    EXPECT_FALSE(ParseWindowId(nullptr, &id));
}

TEST(HackOptionsTest, MistakesGiveOneLineNamingTheArgument) {
    EXPECT_NE(ErrorOf({"-flock"}).find("unknown option \"-flock\""), std::string::npos);
    EXPECT_NE(ErrorOf({"-root", "now"}).find("\"now\""), std::string::npos);
    EXPECT_NE(ErrorOf({"-window-id"}).find("-window-id needs a value"), std::string::npos);
    EXPECT_NE(ErrorOf({"-birds"}).find("needs a value"), std::string::npos);
    EXPECT_NE(ErrorOf({"-window-id", "0"}).find("\"0\" is not a window id"), std::string::npos);
    EXPECT_NE(ErrorOf({"-"}).find("\"-\""), std::string::npos);
}

TEST(HackOptionsTest, HelpStopsTheParse) {
    HackOptions options;
    EXPECT_EQ(Parse({"-help"}, &options), HackParse::kHelp);
    EXPECT_EQ(Parse({"-birds", "7", "--help", "-flock"}, &options), HackParse::kHelp);
    EXPECT_EQ(Parse({"-h"}, &options), HackParse::kHelp);
    EXPECT_NE(std::string(HackUsage()).find("-window-id ID"), std::string::npos);
}

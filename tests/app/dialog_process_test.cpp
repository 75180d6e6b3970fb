#include "app/dialog_process.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {

int g_parentCalls = 0;

// A dialog that picks night, 100 birds and confirms.
int ConfirmNight(SaverSettings* settings) {
    ++g_parentCalls;  // counted in whichever process runs it
    settings->night = 1;
    settings->birdCount = 100;
    return 1;
}

int Crash(SaverSettings* settings) {
    settings->night = 1;
    std::raise(SIGKILL);
    return 1;
}

// Exits without answering, as a toolkit calling exit() on a lost display would.
int ExitEarly(SaverSettings*) {
    _exit(0);
}

TEST(DialogProcess, TheChildsChoicesAndResultReachTheParentWhichNeverRunsTheDialog) {
    SaverSettings settings;
    settings.night = 0;
    settings.birdCount = 50;
    g_parentCalls = 0;
    EXPECT_EQ(ShowDialogApart(ConfirmNight, &settings), 1);
    EXPECT_EQ(settings.night, 1);
    EXPECT_EQ(settings.birdCount, 100);
    EXPECT_EQ(g_parentCalls, 0);
}

TEST(DialogProcess, AChildThatDiesOrExitsWithoutAnAnswerIsACancelThatChangesNothing) {
    for (int (*show)(SaverSettings*) : {Crash, ExitEarly}) {
        SaverSettings settings;
        settings.night = 0;
        EXPECT_EQ(ShowDialogApart(show, &settings), 0);
        EXPECT_EQ(settings.night, 0);
    }
}

}  // namespace

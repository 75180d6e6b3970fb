#include "app/dialog_process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace {

int g_shown = 0;

int ConfirmNight(SaverSettings* settings) {
    ++g_shown;
    settings->night = 1;
    return 1;
}

// Runs the stand-in dialog program with a behaviour.
int ShowChild(const char* behaviour, SaverSettings* settings) {
    setenv("VELMORA_TEST_DIALOG", behaviour, 1);
    const int result = ShowDialogApart(DIALOG_PROCESS_CHILD, settings);
    unsetenv("VELMORA_TEST_DIALOG");
    return result;
}

TEST(DialogProcess, TheProgramsChoicesAndResultReachTheSaver) {
    SaverSettings settings;
    settings.night = 0;
    settings.birdCount = 50;
    settings.music = 0;
    EXPECT_EQ(ShowChild("night", &settings), 1);
    EXPECT_EQ(settings.night, 1);
    EXPECT_EQ(settings.birdCount, 100);
    EXPECT_EQ(settings.music, 0) << "what the dialog left alone comes back as sent";
}

TEST(DialogProcess, AProgramThatDiesExitsOrAnswersHalfIsACancelThatChangesNothing) {
    for (const char* behaviour : {"crash", "exit", "short"}) {
        SaverSettings settings;
        settings.night = 0;
        EXPECT_EQ(ShowChild(behaviour, &settings), 0) << behaviour;
        EXPECT_EQ(settings.night, 0) << behaviour;
    }
}

TEST(DialogProcess, AMissingProgramIsACancelThatSaysWhichProgram) {
    SaverSettings settings;
    settings.night = 0;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ShowDialogApart("/nonexistent/velmora-settings", &settings), 0);
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("cannot run the settings dialog /nonexistent/velmora-settings"),
              std::string::npos)
        << errors;
    EXPECT_EQ(settings.night, 0);
}

TEST(DialogProcess, TheProgramAnswersOnlyAWholeRequestFromTheSaver) {
    int request[2], answer[2];
    ASSERT_EQ(pipe(request), 0);
    ASSERT_EQ(pipe(answer), 0);
    ASSERT_EQ(write(request[1], "not settings", 12), 12);
    close(request[1]);
    g_shown = 0;
    EXPECT_EQ(ServeDialog(ConfirmNight, request[0], answer[1]), 2);
    EXPECT_EQ(g_shown, 0) << "no dialog without the saver's settings";
    close(request[0]);
    close(answer[1]);
    char byte;
    EXPECT_EQ(read(answer[0], &byte, 1), 0) << "and no answer";
    close(answer[0]);
}

TEST(DialogProcess, TheProgramIsFoundBesideTheSaverElseWhereItIsInstalled) {
    const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) /
                                         ("velmora-dialog-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "bin");
    const std::string saver = (folder / "bin" / "velmora").string();
    EXPECT_EQ(DialogProgramBeside(saver, "../libexec/velmora"),
              (folder / "bin" / "../libexec/velmora/velmora-settings").string());
    const std::filesystem::path beside = folder / "bin" / kDialogProgramName;
    std::ofstream(beside) << "#!/bin/sh\n";
    EXPECT_EQ(DialogProgramBeside(saver, "../libexec/velmora"),
              (folder / "bin" / "../libexec/velmora/velmora-settings").string())
        << "a file that cannot run is not the program";
    chmod(beside.c_str(), 0755);
    EXPECT_EQ(DialogProgramBeside(saver, "../libexec/velmora"), beside.string());
    EXPECT_EQ(DialogProgramBeside("velmora", "x"), "./x/velmora-settings");
    std::filesystem::remove_all(folder);
}

}  // namespace

#include "app/settings_dialog.h"

#include <gtest/gtest.h>

namespace {
int Command(SettingsDialog& dialog, int id) { return dialog.Procedure(kWmCommand, id, 0); }

TEST(SettingsDialog, DefaultsAreLoadedIntoTheControls) {
    SaverSettings settings;
    SettingsDialog dialog(&settings);
    EXPECT_EQ(dialog.Procedure(kWmInitDialog, 0, 0), 0);
    EXPECT_EQ(dialog.IsChecked(kIdDay), 1);
    EXPECT_EQ(dialog.IsChecked(kIdNight), 0);
    EXPECT_EQ(dialog.IsChecked(kIdAutomatic), 1);
    EXPECT_EQ(dialog.IsChecked(kIdUserControl), 0);
    EXPECT_EQ(dialog.IsChecked(kIdLoops), 1);
    EXPECT_EQ(dialog.IsChecked(kIdBackground), 1);
    EXPECT_EQ(dialog.IsChecked(kIdMusic), 0);
    EXPECT_EQ(dialog.IsChecked(kId1024x768), 1);
    EXPECT_EQ(dialog.IsChecked(kId640x480) + dialog.IsChecked(kId800x600), 0);
    EXPECT_EQ(dialog.TrackbarMin(), 5);
    EXPECT_EQ(dialog.TrackbarMax(), 100);
    EXPECT_EQ(dialog.TrackbarPos(), 50);
    EXPECT_EQ(dialog.Text(kIdBirdLabel), "50");
    EXPECT_FALSE(dialog.Text(kIdCredit).empty());
    EXPECT_FALSE(dialog.HasEnded());
}

TEST(SettingsDialog, StartWithoutTouchingAnythingKeepsTheDefaults) {
    SaverSettings settings;
    SettingsDialog dialog(&settings);
    dialog.Procedure(kWmInitDialog, 0, 0);
    Command(dialog, kIdStart);
    EXPECT_EQ(dialog.Result(), kDialogStart);
    EXPECT_EQ(settings.night, 0);
    EXPECT_EQ(settings.userControl, 0);
    EXPECT_EQ(settings.loops, 1);
    EXPECT_EQ(settings.pillar01Enabled, 1);
    EXPECT_EQ(settings.music, 0);
    EXPECT_EQ(settings.resolution, 3);
    EXPECT_EQ(settings.birdCount, 50);
}

TEST(SettingsDialog, OutOfRangeValuesLoadAsTheFirstChoice) {
    SaverSettings settings;
    settings.night = 7;
    settings.userControl = -1;
    settings.resolution = 9;
    settings.birdCount = 500;
    SettingsDialog dialog(&settings);
    dialog.Procedure(kWmInitDialog, 0, 0);
    EXPECT_EQ(dialog.IsChecked(kIdDay), 1);
    EXPECT_EQ(dialog.IsChecked(kIdAutomatic), 1);
    EXPECT_EQ(dialog.IsChecked(kId640x480), 1);
    EXPECT_EQ(dialog.TrackbarPos(), 100);  // the thumb cannot leave the range
    EXPECT_EQ(dialog.Text(kIdBirdLabel), "100");
}

TEST(SettingsDialog, ControlsAreReadBackOnStartOnly) {
    SaverSettings settings;
    SettingsDialog dialog(&settings);
    dialog.Procedure(kWmInitDialog, 0, 0);
    dialog.CheckRadio(kIdNight);
    dialog.CheckRadio(kIdUserControl);
    dialog.SetChecked(kIdLoops, 0);
    dialog.SetChecked(kIdBackground, 0);
    dialog.SetChecked(kIdMusic, 1);
    dialog.CheckRadio(kId800x600);
    dialog.SetTrackbarPos(7);
    // Radio clicks and unknown commands change nothing until Start.
    Command(dialog, kIdNight);
    Command(dialog, 4242);
    EXPECT_EQ(settings.night, 0);
    EXPECT_FALSE(dialog.HasEnded());
    Command(dialog, kIdStart | (1u << 16));  // notification code in the high word is ignored
    EXPECT_EQ(dialog.Result(), kDialogStart);
    EXPECT_EQ(settings.night, 1);
    EXPECT_EQ(settings.userControl, 1);
    EXPECT_EQ(settings.loops, 0);
    EXPECT_EQ(settings.pillar01Enabled, 0);
    EXPECT_EQ(settings.music, 1);
    EXPECT_EQ(settings.resolution, 2);
    EXPECT_EQ(settings.birdCount, 7);
}

TEST(SettingsDialog, ResolutionTakesTheFirstCheckedAndOneWhenNoneIs) {
    SaverSettings settings;
    SettingsDialog dialog(&settings);
    dialog.Procedure(kWmInitDialog, 0, 0);
    dialog.SetChecked(kId1024x768, 1);
    dialog.SetChecked(kId800x600, 1);  // both checked: the first in order wins
    Command(dialog, kIdStart);
    EXPECT_EQ(settings.resolution, 2);

    SettingsDialog none(&settings);
    none.Procedure(kWmInitDialog, 0, 0);
    none.SetChecked(kId800x600, 0);
    Command(none, kIdStart);
    EXPECT_EQ(settings.resolution, 1);
}

TEST(SettingsDialog, OnlyTheCheckedStateOneCountsAsTicked) {
    SaverSettings settings;
    SettingsDialog dialog(&settings);
    dialog.Procedure(kWmInitDialog, 0, 0);
    dialog.SetChecked(kIdLoops, 2);  // indeterminate
    Command(dialog, kIdStart);
    EXPECT_EQ(settings.loops, 0);
}

TEST(SettingsDialog, CancelEndsWithResultTwoAndChangesNothing) {
    SaverSettings settings;
    SettingsDialog dialog(&settings);
    dialog.Procedure(kWmInitDialog, 0, 0);
    dialog.CheckRadio(kIdNight);
    dialog.SetTrackbarPos(99);
    Command(dialog, kIdCancel);
    EXPECT_EQ(dialog.Result(), kDialogCancel);
    EXPECT_EQ(settings.night, 0);
    EXPECT_EQ(settings.birdCount, 50);
}

TEST(SettingsDialog, TrackbarScrollUpdatesTheLabelAndOtherSourcesAreIgnored) {
    SaverSettings settings;
    SettingsDialog dialog(&settings);
    dialog.Procedure(kWmInitDialog, 0, 0);
    dialog.SetTrackbarPos(73);
    dialog.Procedure(kWmHScroll, 0, 1234);  // some other scroll bar
    EXPECT_EQ(dialog.Text(kIdBirdLabel), "50");
    dialog.Procedure(kWmHScroll, 0, kIdBirdTrackbar);
    EXPECT_EQ(dialog.Text(kIdBirdLabel), "73");
    dialog.SetTrackbarPos(1);
    dialog.Procedure(kWmHScroll, 0, kIdBirdTrackbar);
    EXPECT_EQ(dialog.Text(kIdBirdLabel), "5");
}

TEST(SaverSettings, EveryFieldStartsAtItsDefault) {
    const SaverSettings s;
    const int32_t expected[] = {1, 0, 3, 1, 1, 0, 1, 1, 1, 1, 0, 0, 50, 400, 200, 100, 25, 100,
                                100, 100};
    static_assert(sizeof(SaverSettings) == sizeof expected, "one int32 per field");
    const int32_t* fields = &s.showFrameRate;
    for (size_t i = 0; i < sizeof expected / sizeof expected[0]; ++i)
        EXPECT_EQ(fields[i], expected[i]) << "field " << i;
}
}  // namespace

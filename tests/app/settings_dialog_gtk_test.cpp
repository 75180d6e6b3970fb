// Runs under an X server of its own (tests/app/xvfb_run.sh).
#include "app/settings_dialog_gtk.h"

#include <gtest/gtest.h>

#include <string>

namespace {
class SettingsDialogGtkTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        gtk_disable_setlocale();
        ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "no display";
    }

    void SetUp() override {
        m_view.Build();
        m_view.Show();
        Pump();
    }

    static void Pump() {
        while (gtk_events_pending())
            gtk_main_iteration();
    }

    GtkWidget* Control(int id) const {
        GtkWidget* widget = m_view.Control(id);
        EXPECT_NE(widget, nullptr) << "control " << id;
        return widget;
    }
    bool Active(int id) const {
        return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(Control(id)));
    }
    std::string Label(int id) const {
        GtkWidget* widget = Control(id);
        return GTK_IS_BUTTON(widget) ? gtk_button_get_label(GTK_BUTTON(widget))
                                     : gtk_label_get_text(GTK_LABEL(widget));
    }
    GtkRange* Trackbar() const { return GTK_RANGE(Control(kIdBirdTrackbar)); }
    void Click(int id) { gtk_button_clicked(GTK_BUTTON(Control(id))); }
    // A key press delivered to the dialog window, as the window system would deliver it.
    void PressKey(guint keyval) {
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(m_view.Window())));
        event->key.send_event = TRUE;
        event->key.time = GDK_CURRENT_TIME;
        event->key.keyval = keyval;
        GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
        gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
        gtk_widget_event(m_view.Window(), event);
        gdk_event_free(event);
        Pump();
    }

    SaverSettings m_settings;
    SettingsDialog m_controller{&m_settings};
    SettingsDialogGtk m_view{&m_controller};
};

TEST_F(SettingsDialogGtkTest, ShowsTheTemplateTextsAndTheDefaults) {
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(m_view.Window())), "Velmora");
    const std::pair<int, const char*> texts[] = {
        {kIdStart, "起動"},           {kIdCancel, "ｷｬﾝｾﾙ"},
        {kIdDay, "DaySignal"},        {kIdNight, "NightSignal"},
        {kIdAutomatic, "自動モード"}, {kIdUserControl, "ユーザー操作"},
        {kIdLoops, "宙返り"},         {kIdBackground, "背景表示（動作重）"},
        {kIdMusic, "環境音"},         {kId640x480, "640*480"},
        {kId800x600, "800*600"},      {kId1024x768, "1024*768"},
    };
    for (const auto& [id, text] : texts)
        EXPECT_EQ(Label(id), text) << "control " << id;
    EXPECT_FALSE(Label(kIdCredit).empty());

    EXPECT_TRUE(Active(kIdDay));
    EXPECT_FALSE(Active(kIdNight));
    EXPECT_TRUE(Active(kIdAutomatic));
    EXPECT_FALSE(Active(kIdUserControl));
    EXPECT_TRUE(Active(kIdLoops));
    EXPECT_TRUE(Active(kIdBackground));
    EXPECT_FALSE(Active(kIdMusic));
    EXPECT_FALSE(Active(kId640x480));
    EXPECT_FALSE(Active(kId800x600));
    EXPECT_TRUE(Active(kId1024x768));
    GtkAdjustment* range = gtk_range_get_adjustment(Trackbar());
    EXPECT_EQ(gtk_adjustment_get_lower(range), 5.0);
    EXPECT_EQ(gtk_adjustment_get_upper(range), 100.0);
    EXPECT_EQ(gtk_range_get_value(Trackbar()), 50.0);
    EXPECT_EQ(Label(kIdBirdLabel), "50");
    EXPECT_FALSE(gtk_scale_get_draw_value(GTK_SCALE(Trackbar())));
    EXPECT_TRUE(gtk_widget_has_default(Control(kIdStart)));
}

TEST_F(SettingsDialogGtkTest, CarriesTheSaversIconAndADialogsHintsForTheWindowManager) {
    GtkWindow* window = GTK_WINDOW(m_view.Window());
    GdkPixbuf* icon = gtk_window_get_icon(window);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(icon), 48);
    EXPECT_TRUE(gdk_pixbuf_get_has_alpha(icon));
    SetSaverIcon(static_cast<GtkWindow*>(nullptr));  // without a window nothing happens
    EXPECT_EQ(gtk_window_get_type_hint(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    EXPECT_FALSE(gtk_window_get_resizable(window));

    // _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status. Only moving and
    // closing are offered: no minimise, no maximise.
    GdkAtom type = GDK_NONE;
    gint format = 0, length = 0;
    guchar* data = nullptr;
    ASSERT_TRUE(gdk_property_get(gtk_widget_get_window(m_view.Window()),
                                 gdk_atom_intern_static_string("_MOTIF_WM_HINTS"), GDK_NONE, 0,
                                 5 * 4, FALSE, &type, &format, &length, &data));
    ASSERT_EQ(format, 32);
    ASSERT_GE(length, static_cast<gint>(3 * sizeof(long)));
    const long* hints = reinterpret_cast<const long*>(data);
    constexpr long kFunctionsFlag = 1, kDecorationsFlag = 2;
    constexpr long kMove = 4, kClose = 32;
    EXPECT_EQ(hints[0] & (kFunctionsFlag | kDecorationsFlag), kFunctionsFlag | kDecorationsFlag);
    EXPECT_EQ(hints[1], kMove | kClose);
    g_free(data);
}

TEST_F(SettingsDialogGtkTest, WhatIsToggledAndSlidReachesTheSettingsOnlyOnStart) {
    Click(kIdNight);
    Click(kIdUserControl);
    Click(kIdLoops);
    Click(kIdBackground);
    Click(kIdMusic);
    Click(kId640x480);
    gtk_range_set_value(Trackbar(), 17.0);
    Pump();
    EXPECT_FALSE(Active(kIdDay));
    EXPECT_FALSE(Active(kId1024x768));
    EXPECT_EQ(m_settings.night, 0);
    EXPECT_EQ(m_settings.birdCount, 50);
    EXPECT_FALSE(m_controller.HasEnded());

    Click(kIdStart);
    EXPECT_EQ(m_view.RunModal(), kDialogStart);
    EXPECT_EQ(m_settings.night, 1);
    EXPECT_EQ(m_settings.userControl, 1);
    EXPECT_EQ(m_settings.loops, 0);
    EXPECT_EQ(m_settings.pillar01Enabled, 0);
    EXPECT_EQ(m_settings.music, 1);
    EXPECT_EQ(m_settings.resolution, 1);
    EXPECT_EQ(m_settings.birdCount, 17);
    EXPECT_FALSE(gtk_widget_get_visible(m_view.Window()));
}

TEST_F(SettingsDialogGtkTest, TrackbarLabelFollowsEveryMoveWithinTheRange) {
    for (double value : {5.0, 100.0, 73.0}) {
        gtk_range_set_value(Trackbar(), value);
        EXPECT_EQ(Label(kIdBirdLabel), std::to_string(static_cast<int>(value)));
    }
    gtk_range_set_value(Trackbar(), 250.0);
    EXPECT_EQ(Label(kIdBirdLabel), "100");
    gtk_range_set_value(Trackbar(), -3.0);
    EXPECT_EQ(Label(kIdBirdLabel), "5");
    Click(kIdStart);
    EXPECT_EQ(m_settings.birdCount, 5);
}

TEST_F(SettingsDialogGtkTest, CancelButtonEndsWithTwoAndChangesNothing) {
    Click(kIdNight);
    gtk_range_set_value(Trackbar(), 99.0);
    Click(kIdCancel);
    EXPECT_EQ(m_view.RunModal(), kDialogCancel);
    EXPECT_EQ(m_settings.night, 0);
    EXPECT_EQ(m_settings.birdCount, 50);
}

TEST_F(SettingsDialogGtkTest, EscapeCancels) {
    Click(kIdMusic);
    PressKey(GDK_KEY_Escape);
    EXPECT_EQ(m_view.RunModal(), kDialogCancel);
    EXPECT_EQ(m_settings.music, 0);
}

TEST_F(SettingsDialogGtkTest, CloseBoxCancelsAndTheWindowSurvivesUntilTheViewHidesIt) {
    gtk_window_close(GTK_WINDOW(m_view.Window()));
    Pump();
    EXPECT_TRUE(m_controller.HasEnded());
    EXPECT_EQ(m_view.RunModal(), kDialogCancel);
    EXPECT_NE(m_view.Control(kIdStart), nullptr);
}

TEST_F(SettingsDialogGtkTest, ReturnOnACheckBoxPressesTheDefaultButtonWithoutToggling) {
    gtk_widget_grab_focus(Control(kIdMusic));
    PressKey(GDK_KEY_Return);
    EXPECT_FALSE(Active(kIdMusic));
    EXPECT_EQ(m_view.RunModal(), kDialogStart);
    EXPECT_EQ(m_settings.music, 0);
    EXPECT_EQ(m_settings.resolution, 3);
}

TEST_F(SettingsDialogGtkTest, ReturnOnTheFocusedCancelButtonCancels) {
    gtk_widget_grab_focus(Control(kIdCancel));
    PressKey(GDK_KEY_Return);
    EXPECT_EQ(m_view.RunModal(), kDialogCancel);
}
}  // namespace

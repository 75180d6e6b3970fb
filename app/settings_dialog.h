// The settings dialog's behaviour, without a toolkit: the control states by id and the three
// messages of the original dialog procedure. The GTK view (app/settings_dialog_gtk.h) builds
// the widgets, mirrors their states here and forwards its signals as these messages.
// Owns: check states, the trackbar's range and position, label texts, the end result.
// Does not: draw anything; read settings after the dialog has ended.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "app/saver_settings.h"

// Control ids of dialog resource 176.
enum SettingsControlId {
    kIdStart = 1,            // "起動", the default button
    kIdCancel = 2,           // "ｷｬﾝｾﾙ"; also Escape and the close box
    kIdLoops = 1051,         // "宙返り"
    kIdDay = 1052,           // "DaySignal"
    kIdCredit = 1053,        // the author credit
    kIdBackground = 1054,    // "背景表示（動作重）"
    kIdAutomatic = 1055,     // "自動モード"
    kIdUserControl = 1056,   // "ユーザー操作"
    kIdNight = 1057,         // "NightSignal"
    kId640x480 = 1058,       // "640*480"
    kId800x600 = 1059,       // "800*600"
    kId1024x768 = 1060,      // "1024*768"
    kIdBirdTrackbar = 1061,  // "Slider1"
    kIdBirdLabel = 1062,     // the bird count beside the trackbar
    kIdMusic = 1063,         // "環境音"
};

// The three messages the procedure handles, with their Win32 values.
constexpr unsigned kWmInitDialog = 0x0110;
constexpr unsigned kWmCommand = 0x0111;
constexpr unsigned kWmHScroll = 0x0114;

constexpr int kBirdCountMin = 5;
constexpr int kBirdCountMax = 100;
constexpr const char* kCreditText = "Velmora  by the Velmora developers";

// Dialog results.
constexpr int kDialogStart = 1;
constexpr int kDialogCancel = 2;

class SettingsDialog {
public:
    explicit SettingsDialog(SaverSettings* settings) : m_pSettings(settings) {}

    // The dialog procedure. WM_COMMAND takes the control id in the low 16 bits of wParam;
    // WM_HSCROLL takes the id of the scrolling control as lParam. Always returns 0.
    int Procedure(unsigned message, uint32_t wParam, intptr_t lParam);

    // Control states, as the Win32 controls would report them.
    int IsChecked(int id) const;
    void SetChecked(int id, int state);
    // Checks one radio button of a group and clears the others of the group.
    void CheckRadio(int id);
    int TrackbarMin() const { return m_nTrackMin; }
    int TrackbarMax() const { return m_nTrackMax; }
    int TrackbarPos() const { return m_nTrackPos; }
    // Moves the thumb, clamped into the range as a trackbar does.
    void SetTrackbarPos(int pos);
    const std::string& Text(int id) const;

    bool HasEnded() const { return m_nResult != 0; }
    int Result() const { return m_nResult; }

private:
    void OnInitDialog();
    void OnStart();
    void ShowTrackbarPos();

    SaverSettings* m_pSettings;
    std::map<int, int> m_checked;
    std::map<int, std::string> m_texts;
    int m_nTrackMin = 0;
    int m_nTrackMax = 100;
    int m_nTrackPos = 0;
    int m_nResult = 0;
};

#include "app/settings_dialog.h"

#include <cstdio>

namespace {
// The radio groups of the template: each id with the ids that clear when it is checked.
const int kRadioGroups[][3] = {
    {kIdDay, kIdNight, 0},
    {kIdAutomatic, kIdUserControl, 0},
    {kId640x480, kId800x600, kId1024x768},
};
}  // namespace

int SettingsDialog::Procedure(unsigned message, uint32_t wParam, intptr_t lParam) {
    switch (message) {
        case kWmInitDialog:
            OnInitDialog();
            break;
        case kWmHScroll:
            if (lParam == kIdBirdTrackbar) ShowTrackbarPos();
            break;
        case kWmCommand:
            switch (wParam & 0xFFFF) {
                case kIdStart:
                    OnStart();
                    m_nResult = kDialogStart;
                    break;
                case kIdCancel:
                    m_nResult = kDialogCancel;
                    break;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return 0;
}

void SettingsDialog::OnInitDialog() {
    const SaverSettings& s = *m_pSettings;
    CheckRadio(s.night == 1 ? kIdNight : kIdDay);
    CheckRadio(s.userControl == 1 ? kIdUserControl : kIdAutomatic);
    SetChecked(kIdLoops, s.loops);
    SetChecked(kIdBackground, s.pillar01Enabled);
    SetChecked(kIdMusic, s.music);
    switch (s.resolution) {
        case 2: CheckRadio(kId800x600); break;
        case 3: CheckRadio(kId1024x768); break;
        default: CheckRadio(kId640x480); break;
    }
    m_nTrackMin = kBirdCountMin;
    m_nTrackMax = kBirdCountMax;
    SetTrackbarPos(s.birdCount);
    ShowTrackbarPos();
    m_texts[kIdCredit] = kCreditText;
}

void SettingsDialog::OnStart() {
    SaverSettings& s = *m_pSettings;
    s.night = IsChecked(kIdDay) ? 0 : IsChecked(kIdNight) ? 1 : 0;
    s.userControl = IsChecked(kIdAutomatic) ? 0 : IsChecked(kIdUserControl) ? 1 : 0;
    s.loops = IsChecked(kIdLoops) == 1 ? 1 : 0;
    s.pillar01Enabled = IsChecked(kIdBackground) == 1 ? 1 : 0;
    s.music = IsChecked(kIdMusic) == 1 ? 1 : 0;
    s.resolution = IsChecked(kId640x480)    ? 1
                   : IsChecked(kId800x600)  ? 2
                   : IsChecked(kId1024x768) ? 3
                                            : 1;
    s.birdCount = TrackbarPos();
}

void SettingsDialog::ShowTrackbarPos() {
    char text[16];
    std::snprintf(text, sizeof text, "%d", TrackbarPos());
    m_texts[kIdBirdLabel] = text;
}

int SettingsDialog::IsChecked(int id) const {
    const auto it = m_checked.find(id);
    return it == m_checked.end() ? 0 : it->second;
}

void SettingsDialog::SetChecked(int id, int state) { m_checked[id] = state; }

void SettingsDialog::CheckRadio(int id) {
    for (const auto& group : kRadioGroups) {
        bool inGroup = false;
        for (int member : group) inGroup |= member == id;
        if (!inGroup) continue;
        for (int member : group)
            if (member) m_checked[member] = 0;
    }
    m_checked[id] = 1;
}

void SettingsDialog::SetTrackbarPos(int pos) {
    m_nTrackPos = pos < m_nTrackMin ? m_nTrackMin : pos > m_nTrackMax ? m_nTrackMax : pos;
}

const std::string& SettingsDialog::Text(int id) const {
    static const std::string kEmpty;
    const auto it = m_texts.find(id);
    return it == m_texts.end() ? kEmpty : it->second;
}

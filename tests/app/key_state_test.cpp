#include "app/key_state.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

namespace {
struct KeyField {
    SDL_Scancode key;
    int32_t KeyState::*field;
    const char* name;
};

// The record's 13 fields in their order, with the key of each (US layout).
const KeyField kFields[] = {
    {SDL_SCANCODE_W, &KeyState::w, "W"},
    {SDL_SCANCODE_S, &KeyState::s, "S"},
    {SDL_SCANCODE_D, &KeyState::d, "D"},
    {SDL_SCANCODE_A, &KeyState::a, "A"},
    {SDL_SCANCODE_E, &KeyState::e, "E"},
    {SDL_SCANCODE_Q, &KeyState::q, "Q"},
    {SDL_SCANCODE_UP, &KeyState::up, "Up"},
    {SDL_SCANCODE_DOWN, &KeyState::down, "Down"},
    {SDL_SCANCODE_LEFT, &KeyState::left, "Left"},
    {SDL_SCANCODE_RIGHT, &KeyState::right, "Right"},
    {SDL_SCANCODE_PAGEUP, &KeyState::pageUp, "Page Up"},
    {SDL_SCANCODE_PAGEDOWN, &KeyState::pageDown, "Page Down"},
    {SDL_SCANCODE_ESCAPE, &KeyState::escape, "Escape"},
};

class KeyStateTest : public ::testing::Test {
  protected:
    // The dummy video driver gives SDL its default (US) keymap without a display.
    static void SetUpTestSuite() {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

    std::vector<uint8_t> m_keys = std::vector<uint8_t>(SDL_NUM_SCANCODES, 0);
};

TEST_F(KeyStateTest, EachKeyFillsOnlyItsOwnField) {
    static_assert(sizeof(KeyState) == 13 * sizeof(int32_t), "13 flags");
    for (const KeyField& pressed : kFields) {
        std::fill(m_keys.begin(), m_keys.end(), 0);
        m_keys[pressed.key] = 1;
        KeyState state;
        ReadKeys(m_keys.data(), SDL_NUM_SCANCODES, &state);
        for (const KeyField& field : kFields)
            EXPECT_EQ(state.*field.field, field.field == pressed.field ? 1 : 0)
                << pressed.name << " held, field " << field.name;
    }
}

TEST_F(KeyStateTest, ThePollReplacesEveryFieldAndOtherKeysCountForNothing) {
    KeyState state;
    for (const KeyField& field : kFields)
        m_keys[field.key] = 1;
    ReadKeys(m_keys.data(), SDL_NUM_SCANCODES, &state);
    for (const KeyField& field : kFields)
        EXPECT_EQ(state.*field.field, 1) << field.name;

    std::fill(m_keys.begin(), m_keys.end(), 0);
    for (SDL_Scancode other : {SDL_SCANCODE_Z, SDL_SCANCODE_SPACE, SDL_SCANCODE_RETURN,
                               SDL_SCANCODE_LSHIFT, SDL_SCANCODE_KP_8, SDL_SCANCODE_HOME})
        m_keys[other] = 1;
    ReadKeys(m_keys.data(), SDL_NUM_SCANCODES, &state);
    for (const KeyField& field : kFields)
        EXPECT_EQ(state.*field.field, 0) << field.name;
}

TEST_F(KeyStateTest, KeysBeyondTheReportedCountReadAsUp) {
    for (const KeyField& field : kFields)
        m_keys[field.key] = 1;
    KeyState state;
    ReadKeys(m_keys.data(), SDL_SCANCODE_Q, &state);  // A, D, E and W lie below Q; Q and up do not
    EXPECT_EQ(state.a, 1);
    EXPECT_EQ(state.e, 1);
    EXPECT_EQ(state.q, 0);
    EXPECT_EQ(state.w, 0);
    EXPECT_EQ(state.escape, 0);
    ReadKeys(nullptr, SDL_NUM_SCANCODES, &state);
    for (const KeyField& field : kFields)
        EXPECT_EQ(state.*field.field, 0) << field.name;
}
}  // namespace

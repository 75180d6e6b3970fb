// The key-state record: 13 flags, each 1 while its key is held at the moment of the per-frame
// poll, read by the whale (W S D A E Q), the user camera (arrows, Page Up, Page Down) and the
// frame (Escape posts the close after present).
// Owns: the record's layout and the poll. Does not: close anything or react to key events.
// Needs: SDL2's keyboard state (SDL_GetKeyboardState), kept current by the event loop.
#pragma once

#include <cstdint>

struct KeyState {
    int32_t w = 0;
    int32_t s = 0;
    int32_t d = 0;
    int32_t a = 0;
    int32_t e = 0;
    int32_t q = 0;
    int32_t up = 0;
    int32_t down = 0;
    int32_t left = 0;
    int32_t right = 0;
    int32_t pageUp = 0;
    int32_t pageDown = 0;
    int32_t escape = 0;
};

// Fills the record from a keyboard state indexed by scancode, with count entries (keys beyond
// count read as up). Letters follow the keyboard layout, as Windows virtual keys do.
void ReadKeys(const uint8_t* keys, int count, KeyState* state);
// The per-frame poll: the live keyboard state into g_keyState.
void PollKeys();

extern KeyState g_keyState;

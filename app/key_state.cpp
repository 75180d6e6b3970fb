#include "app/key_state.h"

#include <SDL.h>

namespace {
// The scancode of a letter in the current layout; its US position when SDL has no keymap.
SDL_Scancode LetterScancode(SDL_Keycode key, SDL_Scancode usPosition) {
    const SDL_Scancode code = SDL_GetScancodeFromKey(key);
    return code == SDL_SCANCODE_UNKNOWN ? usPosition : code;
}

int32_t IsDown(const uint8_t* keys, int count, SDL_Scancode code) {
    return keys && code > SDL_SCANCODE_UNKNOWN && code < count && keys[code] ? 1 : 0;
}
}  // namespace

void ReadKeys(const uint8_t* keys, int count, KeyState* state) {
    state->w = IsDown(keys, count, LetterScancode(SDLK_w, SDL_SCANCODE_W));
    state->s = IsDown(keys, count, LetterScancode(SDLK_s, SDL_SCANCODE_S));
    state->d = IsDown(keys, count, LetterScancode(SDLK_d, SDL_SCANCODE_D));
    state->a = IsDown(keys, count, LetterScancode(SDLK_a, SDL_SCANCODE_A));
    state->e = IsDown(keys, count, LetterScancode(SDLK_e, SDL_SCANCODE_E));
    state->q = IsDown(keys, count, LetterScancode(SDLK_q, SDL_SCANCODE_Q));
    state->up = IsDown(keys, count, SDL_SCANCODE_UP);
    state->down = IsDown(keys, count, SDL_SCANCODE_DOWN);
    state->left = IsDown(keys, count, SDL_SCANCODE_LEFT);
    state->right = IsDown(keys, count, SDL_SCANCODE_RIGHT);
    state->pageUp = IsDown(keys, count, SDL_SCANCODE_PAGEUP);
    state->pageDown = IsDown(keys, count, SDL_SCANCODE_PAGEDOWN);
    state->escape = IsDown(keys, count, SDL_SCANCODE_ESCAPE);
}

void PollKeys() {
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    ReadKeys(keys, count, &g_keyState);
}

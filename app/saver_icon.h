// The saver's icon: "Icon156.bmp" among the embedded resources (icon resource 156), one picture
// for the saver's window and the settings dialog.
// Owns: nothing past a call. Does not: draw, or choose sizes (window managers scale the icon).
// Needs: the resource table and the BMP reader; SDL2 for the window's setter (the dialog's is
// in app/settings_dialog_gtk.h).
#pragma once

#include <SDL.h>

#include "platform/image/bmp_image.h"

constexpr const char* kSaverIconResource = "Icon156.bmp";

// Decodes the icon; false (and *image empty) when the resource is missing or unreadable.
bool LoadSaverIcon(BmpImage* image);
// Sets the icon on the window; without a readable icon nothing changes.
void SetSaverIcon(SDL_Window* window);

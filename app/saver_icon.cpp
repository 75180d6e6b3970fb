#include "app/saver_icon.h"

#include "platform/system/resource_table.h"

bool LoadSaverIcon(BmpImage* image) {
    *image = BmpImage();
    HRSRC resource = LoadResource(FindResourceA(kSaverIconResource, kRtRcdata));
    if (!resource)
        return false;
    return SUCCEEDED(ReadBmpImage(LockResource(resource), SizeofResource(resource),
                                  kSaverIconResource, image, nullptr));
}

void SetSaverIcon(SDL_Window* window) {
    BmpImage icon;
    if (!window || !LoadSaverIcon(&icon))
        return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        icon.bgra.data(), static_cast<int>(icon.width), static_cast<int>(icon.height), 32,
        static_cast<int>(icon.width * 4), SDL_PIXELFORMAT_BGRA32);
    if (!surface)
        return;
    SDL_SetWindowIcon(window, surface);  // SDL keeps a copy
    SDL_FreeSurface(surface);
}

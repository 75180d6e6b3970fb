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

void SetSaverIcon(GtkWindow* window) {
    BmpImage icon;
    if (!window || !LoadSaverIcon(&icon))
        return;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, static_cast<int>(icon.width),
                                       static_cast<int>(icon.height));
    if (!pixbuf)
        return;
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (UINT y = 0; y < icon.height; ++y)
        for (UINT x = 0; x < icon.width; ++x) {
            const BYTE* from = &icon.bgra[(y * icon.width + x) * 4];
            guchar* to = pixels + y * stride + x * 4;
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = from[3];
        }
    gtk_window_set_icon(window, pixbuf);  // the window holds its own reference
    g_object_unref(pixbuf);
}

#include "app/saver_window.h"

#include <cstdlib>

#include "app/saver_icon.h"

bool SaverWindow::Create() {
    if (m_pWindow)
        return true;
    // SDL reads the X11 class and the Wayland application id at window creation.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", kSaverWindowClass, 1);
    SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", kSaverWindowClass, 1);
    if (!m_bVideoStarted) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return false;
        m_bVideoStarted = true;
    }
    // Frames are drawn into the device's own back buffer and copied in, so the window's visual
    // needs no depth or stencil planes: a software driver would keep a frame-sized one unused.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_Rect bounds = {0, 0, 640, 480};
    SDL_GetDisplayBounds(0, &bounds);
    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS |
                         SDL_WINDOW_ALWAYS_ON_TOP;
    m_pWindow = SDL_CreateWindow(kSaverWindowTitle, bounds.x, bounds.y, bounds.w, bounds.h, flags);
    if (!m_pWindow)
        return false;
    SetSaverIcon(m_pWindow);
    // The new window takes the foreground, so that the keys and the focus are its own.
    SDL_RaiseWindow(m_pWindow);
    SDL_ShowCursor(SDL_DISABLE);
    SDL_StopTextInput();
    SDL_DisableScreenSaver();
    return true;
}

void SaverWindow::Destroy() {
    if (m_pWindow) {
        SDL_ShowCursor(SDL_ENABLE);
        SDL_StartTextInput();
        SDL_DestroyWindow(m_pWindow);
        m_pWindow = nullptr;
    }
    if (m_bVideoStarted) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        m_bVideoStarted = false;
    }
}

void SaverWindow::StorePointerPosition() {
    // Asked of the server: SDL's cache is fresh until its first raw motion, and this runs once
    // before the loop's first event.
    SDL_GetGlobalMouseState(&m_nStoredX, &m_nStoredY);
}

bool SaverWindow::PointerMovedAway(int x, int y) {
    if (std::abs(x - m_nStoredX) + std::abs(y - m_nStoredY) <= kMouseTolerance)
        return false;
    m_nStoredX = x;
    m_nStoredY = y;
    return true;
}

void SaverWindow::HandleEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_MOUSEBUTTONDOWN:
        case SDL_QUIT:
            PostClose();
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                PostClose();
            break;
        case SDL_MOUSEMOTION: {
            // The global position is the window's origin plus the position the event carries.
            // SDL's global mouse state is no substitute: on X11 it is a cache refreshed only by
            // raw motion, which warped and absolute moves (remote desktops, tablets) never send.
            int originX = 0;
            int originY = 0;
            if (m_pWindow)
                SDL_GetWindowPosition(m_pWindow, &originX, &originY);
            if (PointerMovedAway(originX + event.motion.x, originY + event.motion.y))
                PostClose();
            break;
        }
        default:
            break;
    }
}

void SaverWindow::Close() {
    m_bClosed = true;
    // The pointer and the input method come back as the saver leaves.
    SDL_ShowCursor(SDL_ENABLE);
    SDL_StartTextInput();
    if (m_pWindow)
        SDL_HideWindow(m_pWindow);
}

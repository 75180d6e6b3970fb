// The saver's window on SDL2: a borderless, always-on-top, fullscreen-desktop window over the
// primary display, titled "Velmora Screen Saver" with the X11 class "WindowsScreenSaverClass",
// and its reactions to input: the close triggers of the running saver.
// Owns: the SDL video subsystem reference, the SDL_Window, the pointer's hidden state, the
// stored pointer position and the posted close request.
// Does not: draw (the device does, through a GL context on this window); read keys (PollKeys).
// Needs: SDL2 with a display.
#pragma once

#include <SDL.h>

#include <cstdint>

class SaverWindow {
  public:
    // A pointer movement up to this many pixels (sum of the absolute differences) is tolerated.
    static constexpr int kMouseTolerance = 4;

    SaverWindow() = default;
    ~SaverWindow() { Destroy(); }
    SaverWindow(const SaverWindow&) = delete;
    SaverWindow& operator=(const SaverWindow&) = delete;

    // Starts SDL video and creates the window with SDL_WINDOW_OPENGL and the saver's icon;
    // hides the pointer, turns text input off and keeps the desktop's screen saver from
    // starting. false on failure.
    bool Create();
    // Destroys the window (if any) with the pointer shown and text input on, and stops SDL
    // video.
    void Destroy();
    SDL_Window* Handle() const { return m_pWindow; }

    // Stores the pointer's global position, the reference of the movement trigger.
    void StorePointerPosition();
    // The window's reactions to one event: any mouse button, loss of input focus, a quit
    // request, or a pointer beyond the tolerance posts the close. Keys never do. A motion is
    // judged by the position it carries, on the window's origin.
    void HandleEvent(const SDL_Event& event);
    // true when the global position (x, y) is more than the tolerance away from the stored
    // one; the stored position then becomes (x, y).
    bool PointerMovedAway(int x, int y);

    // Asks for the close; the loop performs it before the next frame.
    void PostClose() { m_bClosePosted = true; }
    bool ClosePosted() const { return m_bClosePosted; }
    // The close: the pointer is shown and text input (the input method) turned on again, and
    // the window hidden. The window itself lives on until Destroy, after the tear-down, so
    // that the GL context outlives the device.
    void Close();
    bool IsClosed() const { return m_bClosed; }

  private:
    SDL_Window* m_pWindow = nullptr;
    bool m_bVideoStarted = false;
    int m_nStoredX = 0;  // global pointer position, pixels
    int m_nStoredY = 0;
    bool m_bClosePosted = false;
    bool m_bClosed = false;
};

constexpr const char* kSaverWindowTitle = "Velmora Screen Saver";
// What the window shows from its GL context's creation until the first frame: white.
constexpr uint32_t kSaverWindowBackground = 0xFFFFFFFFu;
constexpr const char* kSaverWindowClass = "WindowsScreenSaverClass";

// The X11 window velmora-hack draws into: the screen-saver host's window (by id), the root
// window, or a window of its own, and what becomes of it: resizes, unmapping, destruction, and
// the close box of its own window.
// Owns: the Xlib display connection, the hack's own window when it has one, and a process-wide
// X error handler that counts errors instead of ending the process (a host may destroy its
// window while a frame is drawn into it).
// Does not: make the GL context (platform/gl/gl_window.h), draw, or read the pointer and keys:
// they belong to the host. Needs: an X display (DISPLAY).
#pragma once

#include <string>

#include "app/hack_options.h"

struct _XDisplay;

enum class HackWindowStatus {
    kOpened,
    kNoDisplay,     // the display cannot be opened
    kNoSuchWindow,  // the given window does not exist
    kFailed,        // the hack's own window cannot be made
};

class HackWindow {
  public:
    HackWindow() = default;
    ~HackWindow() { Close(); }
    HackWindow(const HackWindow&) = delete;
    HackWindow& operator=(const HackWindow&) = delete;

    // Opens the display and takes the target window: checks that a given window exists, makes
    // the own window (width x height, titled "Velmora") and starts watching its structure.
    // error names the window on failure.
    HackWindowStatus Open(HackTarget target, unsigned long windowId, int width, int height,
                          std::string* error);
    // Destroys the own window, if any, and closes the display; safe when Open failed or twice.
    void Close();

    // Handles every event waiting on the display, without blocking.
    void ProcessEvents();

    _XDisplay* X11Display() const { return m_pDisplay; }
    unsigned long X11Window() const { return m_nWindow; }
    unsigned long VisualId() const { return m_nVisualId; }
    int Width() const { return m_nWidth; }  // pixels
    int Height() const { return m_nHeight; }
    // true while the window is mapped (also when an unmapped ancestor hides it).
    bool IsMapped() const { return m_bMapped; }
    // true once the window was destroyed, or the own window's close box was pressed.
    bool IsDestroyed() const { return m_bDestroyed; }
    bool CloseRequested() const { return m_bCloseRequested; }

  private:
    _XDisplay* m_pDisplay = nullptr;
    unsigned long m_nWindow = 0;
    unsigned long m_nVisualId = 0;
    unsigned long m_nDeleteAtom = 0;  // WM_DELETE_WINDOW, for the own window
    bool m_bOwnWindow = false;
    int m_nWidth = 0;
    int m_nHeight = 0;
    bool m_bMapped = false;
    bool m_bDestroyed = false;
    bool m_bCloseRequested = false;
};

constexpr const char* kHackWindowTitle = "Velmora";

#include "app/hack_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>

namespace {
int s_nXErrors = 0;  // X errors seen since the handler was installed

// Counts the error and lets the program go on: Xlib's default handler would end the process.
int CountXError(Display*, XErrorEvent*) {
    ++s_nXErrors;
    return 0;
}

std::string WindowName(unsigned long id) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}
}  // namespace

HackWindowStatus HackWindow::Open(HackTarget target, unsigned long windowId, int width, int height,
                                  std::string* error) {
    Close();
    XSetErrorHandler(CountXError);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        *error = "cannot open the X display";
        return HackWindowStatus::kNoDisplay;
    }
    m_pDisplay = display;
    const Window root = DefaultRootWindow(display);

    if (target == HackTarget::kOwnWindow) {
        const int screen = DefaultScreen(display);
        ::Window window = XCreateSimpleWindow(
            display, root, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
            BlackPixel(display, screen), BlackPixel(display, screen));
        if (window == 0) {
            *error = "cannot make a window";
            return HackWindowStatus::kFailed;
        }
        m_nWindow = window;
        m_bOwnWindow = true;
        XStoreName(display, window, kHackWindowTitle);
        XClassHint hint;
        hint.res_name = const_cast<char*>(kHackProgramName);
        hint.res_class = const_cast<char*>(kHackWindowTitle);
        XSetClassHint(display, window, &hint);
        Atom deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, window, &deleteAtom, 1);
        m_nDeleteAtom = deleteAtom;
    } else {
        m_nWindow = target == HackTarget::kRootWindow ? root : windowId;
    }

    // The window's visual and size; a window that does not exist fails here with BadWindow.
    const int errorsBefore = s_nXErrors;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, m_nWindow, &attributes) || s_nXErrors != errorsBefore) {
        *error = "there is no window " + WindowName(m_nWindow);
        m_nWindow = 0;
        return HackWindowStatus::kNoSuchWindow;
    }
    m_nVisualId = XVisualIDFromVisual(attributes.visual);
    m_nWidth = attributes.width;
    m_nHeight = attributes.height;
    m_bMapped = attributes.map_state != IsUnmapped;
    // Structure events do not take anything from the host: any number of clients may ask for
    // them, unlike the pointer and key events.
    XSelectInput(display, m_nWindow, StructureNotifyMask);
    if (m_bOwnWindow)
        XMapRaised(display, m_nWindow);
    XSync(display, False);
    if (s_nXErrors != errorsBefore) {
        *error = "window " + WindowName(m_nWindow) + " went away";
        m_bDestroyed = true;
    }
    return HackWindowStatus::kOpened;
}

void HackWindow::Close() {
    if (m_pDisplay == nullptr)
        return;
    if (m_bOwnWindow && m_nWindow != 0 && !m_bDestroyed)
        XDestroyWindow(m_pDisplay, m_nWindow);
    XCloseDisplay(m_pDisplay);
    m_pDisplay = nullptr;
    m_nWindow = 0;
    m_bOwnWindow = false;
}

void HackWindow::ProcessEvents() {
    if (m_pDisplay == nullptr)
        return;
    while (XPending(m_pDisplay) > 0) {
        XEvent event;
        XNextEvent(m_pDisplay, &event);
        if (event.xany.window != m_nWindow)
            continue;
        switch (event.type) {
            case ConfigureNotify:
                m_nWidth = event.xconfigure.width;
                m_nHeight = event.xconfigure.height;
                break;
            case MapNotify:
                m_bMapped = true;
                break;
            case UnmapNotify:
                m_bMapped = false;
                break;
            case DestroyNotify:
                m_bDestroyed = true;
                break;
            case ClientMessage:
                if (m_bOwnWindow &&
                    static_cast<unsigned long>(event.xclient.data.l[0]) == m_nDeleteAtom)
                    m_bCloseRequested = true;
                break;
            default:
                break;
        }
    }
}

// GlWindow: the window a device presents into (the HWND of CreateDevice) and its OpenGL 4.5 core
// context: on an SDL window, on an X11 window that another program owns (through EGL), or
// headless through EGL (an offscreen framebuffer).
// Owns: the GL context, the EGL display reference and surface, the headless framebuffer.
// Does not: create, show or watch the SDL or X11 window (the shell does), draw, or know the
// device; it never owns the window it is given.
// Needs: SDL2 for SDL windows, EGL's X11 platform for X11 windows, EGL (device platform, else
// Mesa's surfaceless platform) headless.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SDL_Window;

class GlWindow {
  public:
    // A headless window of width x height pixels on an EGL context (no display server needed).
    static GlWindow* CreateHeadless(int width, int height, std::string* error);
    // A GL 4.5 core context on an SDL window created with SDL_WINDOW_OPENGL.
    static GlWindow* CreateForSdl(SDL_Window* window, std::string* error);
    // A GL 4.5 core context on an existing X11 window: display is the caller's open Xlib
    // Display*, visualId the window's visual (the EGL config must match it), width x height its
    // size in pixels. The caller keeps the display open until Destroy and reports size changes.
    static GlWindow* CreateForX11(void* display, unsigned long window, unsigned long visualId,
                                  int width, int height, std::string* error);
    // Destroys the context (and the headless framebuffer); null is ignored.
    static void Destroy(GlWindow* window);
    // The window whose context this thread made current last, or nullptr.
    static GlWindow* Current();

    bool MakeCurrent();
    bool IsHeadless() const { return m_pSdlWindow == nullptr && m_nX11Window == 0; }
    // Size of the drawable in pixels.
    void GetDrawableSize(int* width, int* height) const;
    // true while the window cannot show anything (minimised or hidden).
    bool IsHidden() const;
    // Headless windows: pretend the window was minimised (true) or restored (false). X11 windows:
    // the owner reports that the window was unmapped or mapped again.
    void SetHidden(bool hidden) { m_bHidden = hidden; }
    // X11 windows: the owner reports the window's new size in pixels; others ignore it.
    void SetSize(int width, int height);
    // The desktop mode of the window's display (headless: the window's size, 32 bits, 60 Hz).
    void GetDesktopMode(int* width, int* height, int* refreshHz, int* bitsPerPixel) const;

    // GL name of the framebuffer Present draws into (0: the SDL window's default framebuffer).
    uint32_t FramebufferName() const { return m_nFramebuffer; }
    // Shows the frame: SDL and X11 windows swap with the interval (0 = no wait, 1 = every
    // vertical blank); headless windows only flush and never wait.
    void Swap(int interval);
    // Waits until the GPU has carried out every command sent so far (benchmarks end a frame
    // with it, so that the driver's queue never runs ahead of the timing).
    void Finish();
    // Paints the whole window one colour (0xAARRGGBB) and shows it at once: the background a
    // window shows until its first frame. Changes no GL state.
    void Fill(uint32_t argb);
    // The window's pixels as RGBA8 rows, top row first (SDL: the front buffer).
    bool ReadPixels(std::vector<uint8_t>* rgba, int* width, int* height);
    // true when the driver reports that the context was lost (GL_KHR_robustness).
    bool ContextWasReset() const;
    // Replaces a lost context by a fresh one (every GL object of the old one is gone).
    bool RecreateContext(std::string* error);

  private:
    GlWindow() = default;
    ~GlWindow();
    bool CreateEglContext(std::string* error);
    bool CreateSdlContext(std::string* error);
    bool CreateX11Context(std::string* error);
    bool CreateHeadlessFramebuffer(std::string* error);
    void DestroyContext();

    SDL_Window* m_pSdlWindow = nullptr;  // not owned
    void* m_pSdlContext = nullptr;       // SDL_GLContext
    void* m_pEglDisplay = nullptr;       // EGLDisplay
    void* m_pEglContext = nullptr;       // EGLContext
    void* m_pEglSurface = nullptr;       // EGLSurface: X11's window, else a 1x1 pbuffer where
                                         // surfaceless fails
    void* m_pEglConfig = nullptr;        // EGLConfig, or null for a config-less context
    void* m_pX11Display = nullptr;       // Display*, not owned
    unsigned long m_nX11Window = 0;      // Window, not owned
    unsigned long m_nX11Visual = 0;      // VisualID
    bool m_bRobust = false;              // the context reports resets
    int m_nWidth = 0;                    // headless and X11 size in pixels
    int m_nHeight = 0;
    bool m_bHidden = false;       // headless test hook; X11: the window is unmapped
    int m_nSwapInterval = -1;     // last interval given to SDL or EGL, -1 before the first
    uint32_t m_nFramebuffer = 0;  // headless: framebuffer and its colour renderbuffer
    uint32_t m_nColorBuffer = 0;
};

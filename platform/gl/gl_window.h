// GlWindow: the window a device presents into (the HWND of CreateDevice) and its OpenGL 4.5 core
// context, either on an SDL window or headless through EGL (an offscreen framebuffer).
// Owns: the GL context, the EGL display reference, the headless window's framebuffer.
// Does not: create or show the SDL window (the shell does, with SDL_WINDOW_OPENGL), draw, or
// know the device; it never owns the SDL_Window it is given.
// Needs: SDL2 for SDL windows, EGL (device platform, else Mesa's surfaceless platform) headless.
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
    // Destroys the context (and the headless framebuffer); null is ignored.
    static void Destroy(GlWindow* window);
    // The window whose context this thread made current last, or nullptr.
    static GlWindow* Current();

    bool MakeCurrent();
    bool IsHeadless() const { return m_pSdlWindow == nullptr; }
    // Size of the drawable in pixels.
    void GetDrawableSize(int* width, int* height) const;
    // true while the window cannot show anything (minimised or hidden).
    bool IsHidden() const;
    // Headless windows only: pretend the window was minimised (true) or restored (false).
    void SetHidden(bool hidden) { m_bHidden = hidden; }
    // The desktop mode of the window's display (headless: the window's size, 32 bits, 60 Hz).
    void GetDesktopMode(int* width, int* height, int* refreshHz, int* bitsPerPixel) const;

    // GL name of the framebuffer Present draws into (0: the SDL window's default framebuffer).
    uint32_t FramebufferName() const { return m_nFramebuffer; }
    // Shows the frame: SDL swaps with the interval (0 = no wait, 1 = every vertical blank);
    // headless windows only flush and never wait.
    void Swap(int interval);
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
    bool CreateHeadlessFramebuffer(std::string* error);
    void DestroyContext();

    SDL_Window* m_pSdlWindow = nullptr;  // not owned
    void* m_pSdlContext = nullptr;       // SDL_GLContext
    void* m_pEglDisplay = nullptr;       // EGLDisplay
    void* m_pEglContext = nullptr;       // EGLContext
    void* m_pEglSurface = nullptr;       // EGLSurface: a 1x1 pbuffer where surfaceless fails
    void* m_pEglConfig = nullptr;        // EGLConfig, or null for a config-less context
    bool m_bRobust = false;              // the context reports resets
    int m_nWidth = 0;                    // headless size in pixels
    int m_nHeight = 0;
    bool m_bHidden = false;       // headless test hook
    int m_nSwapInterval = -1;     // last interval given to SDL, -1 before the first
    uint32_t m_nFramebuffer = 0;  // headless: framebuffer and its colour renderbuffer
    uint32_t m_nColorBuffer = 0;
};

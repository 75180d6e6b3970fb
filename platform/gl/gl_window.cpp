#include "platform/gl/gl_window.h"

#include <SDL.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <cstring>

namespace {

thread_local GlWindow* t_pCurrentWindow = nullptr;

// EGL displays are shared by every headless window of a process and terminated with the last
// one: eglTerminate would otherwise pull the display from under a live sibling window.
struct EglDisplayUse {
    EGLDisplay display = EGL_NO_DISPLAY;
    int users = 0;
};
EglDisplayUse s_eglDisplays[4];

void RetainEglDisplay(EGLDisplay display) {
    for (EglDisplayUse& use : s_eglDisplays) {
        if (use.display == display) {
            ++use.users;
            return;
        }
    }
    for (EglDisplayUse& use : s_eglDisplays) {
        if (use.users == 0) {
            use.display = display;
            use.users = 1;
            return;
        }
    }
}

bool EglDisplayInUse(EGLDisplay display) {
    for (const EglDisplayUse& use : s_eglDisplays) {
        if (use.display == display && use.users > 0)
            return true;
    }
    return false;
}

void ReleaseEglDisplay(EGLDisplay display) {
    for (EglDisplayUse& use : s_eglDisplays) {
        if (use.display == display && use.users > 0) {
            if (--use.users == 0) {
                eglTerminate(display);
                use.display = EGL_NO_DISPLAY;
            }
            return;
        }
    }
    eglTerminate(display);
}

bool HasExtension(const char* list, const char* name) {
    if (list == nullptr)
        return false;
    const size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p != nullptr; p = std::strstr(p + 1, name)) {
        const bool starts = p == list || p[-1] == ' ';
        const bool ends = p[length] == ' ' || p[length] == '\0';
        if (starts && ends)
            return true;
    }
    return false;
}

// Creates a 4.5 core context on an initialised display, with reset notification when the driver
// accepts it. Returns EGL_NO_CONTEXT on failure.
EGLContext CreateCoreContext(EGLDisplay display, EGLConfig config, bool* robust) {
    const EGLint robustAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                       4,
                                       EGL_CONTEXT_MINOR_VERSION,
                                       5,
                                       EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                       EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                       EGL_CONTEXT_OPENGL_RESET_NOTIFICATION_STRATEGY,
                                       EGL_LOSE_CONTEXT_ON_RESET,
                                       EGL_NONE};
    const EGLint plainAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                      4,
                                      EGL_CONTEXT_MINOR_VERSION,
                                      5,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                      EGL_NONE};
    if (!eglBindAPI(EGL_OPENGL_API))
        return EGL_NO_CONTEXT;
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, robustAttributes);
    *robust = context != EGL_NO_CONTEXT;
    if (context == EGL_NO_CONTEXT) {
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, plainAttributes);
    }
    return context;
}

// A pbuffer-capable RGBA8 OpenGL config, or null (a config-less context is tried then).
EGLConfig ChooseConfig(EGLDisplay display) {
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1)
        return nullptr;
    return config;
}

// Displays worth trying, best first: GPU devices, software devices, then Mesa's surfaceless
// platform and the default display.
int CandidateDisplays(EGLDisplay* displays, int capacity) {
    int count = 0;
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (HasExtension(client, "EGL_EXT_platform_device") &&
        HasExtension(client, "EGL_EXT_device_enumeration")) {
        EGLDeviceEXT devices[8] = {};
        EGLint deviceCount = 0;
        if (eglQueryDevicesEXT(8, devices, &deviceCount)) {
            for (int pass = 0; pass < 2; ++pass) {
                for (EGLint i = 0; i < deviceCount && count < capacity; ++i) {
                    const char* ext = eglQueryDeviceStringEXT(devices[i], EGL_EXTENSIONS);
                    const bool software = HasExtension(ext, "EGL_MESA_device_software");
                    if (software != (pass == 1))
                        continue;
                    EGLDisplay display =
                        eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
                    if (display != EGL_NO_DISPLAY)
                        displays[count++] = display;
                }
            }
        }
    }
    if (HasExtension(client, "EGL_MESA_platform_surfaceless") && count < capacity) {
        EGLDisplay display =
            eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY)
            displays[count++] = display;
    }
    if (count < capacity) {
        EGLDisplay display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
        if (display != EGL_NO_DISPLAY)
            displays[count++] = display;
    }
    return count;
}

// The EGL display of an Xlib connection, through the X11 platform when the client offers it.
EGLDisplay X11EglDisplay(void* display) {
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (HasExtension(client, "EGL_KHR_platform_x11") ||
        HasExtension(client, "EGL_EXT_platform_x11")) {
        return eglGetPlatformDisplayEXT(EGL_PLATFORM_X11_KHR, display, nullptr);
    }
    return eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(display));
}

// An OpenGL window config whose native visual is the window's: a surface on a window of
// another visual fails with EGL_BAD_MATCH. Null when none matches.
EGLConfig ChooseWindowConfig(EGLDisplay display, unsigned long visualId) {
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, nullptr, 0, &count) || count < 1)
        return nullptr;
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    if (!eglChooseConfig(display, attributes, configs.data(), count, &count))
        return nullptr;
    for (EGLint i = 0; i < count; ++i) {
        EGLint visual = 0;
        if (eglGetConfigAttrib(display, configs[i], EGL_NATIVE_VISUAL_ID, &visual) &&
            static_cast<unsigned long>(visual) == visualId) {
            return configs[i];
        }
    }
    return nullptr;
}

bool ContextIsAtLeast45() {
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    return major > 4 || (major == 4 && minor >= 5);
}

}  // namespace

GlWindow* GlWindow::CreateHeadless(int width, int height, std::string* error) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        if (error)
            *error = "headless window size out of range";
        return nullptr;
    }
    GlWindow* window = new GlWindow();
    window->m_nWidth = width;
    window->m_nHeight = height;
    std::string message;
    if (!window->CreateEglContext(&message) || !window->CreateHeadlessFramebuffer(&message)) {
        if (error)
            *error = message;
        Destroy(window);
        return nullptr;
    }
    return window;
}

GlWindow* GlWindow::CreateForSdl(SDL_Window* sdlWindow, std::string* error) {
    if (sdlWindow == nullptr || (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_OPENGL) == 0) {
        if (error)
            *error = "the SDL window was not created with SDL_WINDOW_OPENGL";
        return nullptr;
    }
    GlWindow* window = new GlWindow();
    window->m_pSdlWindow = sdlWindow;
    std::string message;
    if (!window->CreateSdlContext(&message)) {
        if (error)
            *error = message;
        Destroy(window);
        return nullptr;
    }
    return window;
}

GlWindow* GlWindow::CreateForX11(void* display, unsigned long x11Window, unsigned long visualId,
                                 int width, int height, std::string* error) {
    if (display == nullptr || x11Window == 0) {
        if (error)
            *error = "no X11 window to draw into";
        return nullptr;
    }
    GlWindow* window = new GlWindow();
    window->m_pX11Display = display;
    window->m_nX11Window = x11Window;
    window->m_nX11Visual = visualId;
    window->SetSize(width, height);
    std::string message;
    if (!window->CreateX11Context(&message)) {
        if (error)
            *error = message;
        Destroy(window);
        return nullptr;
    }
    return window;
}

void GlWindow::Destroy(GlWindow* window) {
    delete window;
}

GlWindow* GlWindow::Current() {
    return t_pCurrentWindow;
}

GlWindow::~GlWindow() {
    DestroyContext();
    if (m_pEglDisplay != nullptr)
        ReleaseEglDisplay(static_cast<EGLDisplay>(m_pEglDisplay));
    if (t_pCurrentWindow == this)
        t_pCurrentWindow = nullptr;
}

bool GlWindow::CreateEglContext(std::string* error) {
    // A recreated context stays on the display the window already holds.
    EGLDisplay displays[10] = {};
    int count = 1;
    if (m_pEglDisplay != nullptr) {
        displays[0] = static_cast<EGLDisplay>(m_pEglDisplay);
    } else {
        count = CandidateDisplays(displays, 10);
    }
    std::string tried;
    for (int i = 0; i < count; ++i) {
        EGLDisplay display = displays[i];
        const bool known = display == m_pEglDisplay;
        auto drop = [&] {
            if (!known && !EglDisplayInUse(display))
                eglTerminate(display);
        };
        EGLint major = 0, minor = 0;
        if (!known && !eglInitialize(display, &major, &minor))
            continue;
        const char* ext = eglQueryString(display, EGL_EXTENSIONS);
        EGLConfig config = ChooseConfig(display);
        if (config == nullptr && !HasExtension(ext, "EGL_KHR_no_config_context")) {
            drop();
            continue;
        }
        bool robust = false;
        EGLContext context = CreateCoreContext(display, config, &robust);
        if (context == EGL_NO_CONTEXT) {
            tried += " (no 4.5 core context)";
            drop();
            continue;
        }
        EGLSurface surface = EGL_NO_SURFACE;
        bool current = HasExtension(ext, "EGL_KHR_surfaceless_context") &&
                       eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
        if (!current && config != nullptr) {
            const EGLint pbufferAttributes[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
            surface = eglCreatePbufferSurface(display, config, pbufferAttributes);
            current =
                surface != EGL_NO_SURFACE && eglMakeCurrent(display, surface, surface, context);
        }
        if (!current || !ContextIsAtLeast45()) {
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            if (surface != EGL_NO_SURFACE)
                eglDestroySurface(display, surface);
            eglDestroyContext(display, context);
            drop();
            tried += " (context not usable)";
            continue;
        }
        if (!known)
            RetainEglDisplay(display);
        m_pEglDisplay = display;
        m_pEglContext = context;
        m_pEglSurface = surface;
        m_pEglConfig = config;
        m_bRobust = robust;
        t_pCurrentWindow = this;
        return true;
    }
    if (error)
        *error = "no EGL display offers an OpenGL 4.5 core context" + tried;
    return false;
}

bool GlWindow::CreateSdlContext(std::string* error) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION, SDL_GL_CONTEXT_RESET_LOSE_CONTEXT);
    SDL_GLContext context = SDL_GL_CreateContext(m_pSdlWindow);
    m_bRobust = context != nullptr;
    if (context == nullptr) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION,
                            SDL_GL_CONTEXT_RESET_NO_NOTIFICATION);
        context = SDL_GL_CreateContext(m_pSdlWindow);
    }
    if (context == nullptr) {
        if (error)
            *error = std::string("SDL_GL_CreateContext: ") + SDL_GetError();
        return false;
    }
    m_pSdlContext = context;
    m_nSwapInterval = -1;
    if (SDL_GL_MakeCurrent(m_pSdlWindow, context) != 0 || !ContextIsAtLeast45()) {
        if (error)
            *error = "the SDL window's context is not OpenGL 4.5 core";
        return false;
    }
    t_pCurrentWindow = this;
    return true;
}

bool GlWindow::CreateX11Context(std::string* error) {
    // A recreated context stays on the display the window already holds.
    EGLDisplay display = static_cast<EGLDisplay>(m_pEglDisplay);
    if (display == EGL_NO_DISPLAY) {
        display = X11EglDisplay(m_pX11Display);
        EGLint major = 0, minor = 0;
        if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
            if (error)
                *error = "EGL cannot use the X11 display";
            return false;
        }
        RetainEglDisplay(display);
        m_pEglDisplay = display;
    }
    EGLConfig config = ChooseWindowConfig(display, m_nX11Visual);
    if (config == nullptr) {
        if (error)
            *error = "no OpenGL config of EGL matches the window's visual";
        return false;
    }
    bool robust = false;
    EGLContext context = CreateCoreContext(display, config, &robust);
    if (context == EGL_NO_CONTEXT) {
        if (error)
            *error = "EGL offers no OpenGL 4.5 core context on the X11 display";
        return false;
    }
    EGLSurface surface = eglCreateWindowSurface(
        display, config, static_cast<EGLNativeWindowType>(m_nX11Window), nullptr);
    if (surface == EGL_NO_SURFACE) {
        eglDestroyContext(display, context);
        if (error)
            *error = "EGL cannot make a surface on the X11 window";
        return false;
    }
    m_pEglContext = context;
    m_pEglSurface = surface;
    m_pEglConfig = config;
    m_bRobust = robust;
    m_nSwapInterval = -1;
    if (!eglMakeCurrent(display, surface, surface, context) || !ContextIsAtLeast45()) {
        if (error)
            *error = "the X11 window's context is not OpenGL 4.5 core";
        return false;
    }
    t_pCurrentWindow = this;
    return true;
}

bool GlWindow::CreateHeadlessFramebuffer(std::string* error) {
    glCreateRenderbuffers(1, &m_nColorBuffer);
    glNamedRenderbufferStorage(m_nColorBuffer, GL_RGBA8, m_nWidth, m_nHeight);
    glCreateFramebuffers(1, &m_nFramebuffer);
    glNamedFramebufferRenderbuffer(m_nFramebuffer, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                   m_nColorBuffer);
    if (glCheckNamedFramebufferStatus(m_nFramebuffer, GL_DRAW_FRAMEBUFFER) !=
        GL_FRAMEBUFFER_COMPLETE) {
        if (error)
            *error = "the headless window's framebuffer is incomplete";
        return false;
    }
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glClearNamedFramebufferfv(m_nFramebuffer, GL_COLOR, 0, black);
    return true;
}

void GlWindow::DestroyContext() {
    if (m_pSdlContext != nullptr) {
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_pSdlContext));
        m_pSdlContext = nullptr;
    }
    if (m_pEglContext != nullptr) {
        EGLDisplay display = static_cast<EGLDisplay>(m_pEglDisplay);
        if (m_nFramebuffer != 0 && MakeCurrent()) {
            glDeleteFramebuffers(1, &m_nFramebuffer);
            glDeleteRenderbuffers(1, &m_nColorBuffer);
        }
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (m_pEglSurface != nullptr)
            eglDestroySurface(display, m_pEglSurface);
        eglDestroyContext(display, static_cast<EGLContext>(m_pEglContext));
        m_pEglContext = nullptr;
        m_pEglSurface = nullptr;
    }
    m_nFramebuffer = 0;
    m_nColorBuffer = 0;
    if (t_pCurrentWindow == this)
        t_pCurrentWindow = nullptr;
}

bool GlWindow::MakeCurrent() {
    bool ok = false;
    if (m_pSdlContext != nullptr) {
        ok = SDL_GL_MakeCurrent(m_pSdlWindow, static_cast<SDL_GLContext>(m_pSdlContext)) == 0;
    } else if (m_pEglContext != nullptr) {
        EGLSurface surface = static_cast<EGLSurface>(m_pEglSurface);
        ok = eglMakeCurrent(static_cast<EGLDisplay>(m_pEglDisplay), surface, surface,
                            static_cast<EGLContext>(m_pEglContext));
    }
    if (ok)
        t_pCurrentWindow = this;
    return ok;
}

void GlWindow::GetDrawableSize(int* width, int* height) const {
    if (m_pSdlWindow != nullptr) {
        SDL_GL_GetDrawableSize(m_pSdlWindow, width, height);
    } else {
        *width = m_nWidth;
        *height = m_nHeight;
    }
}

bool GlWindow::IsHidden() const {
    if (m_pSdlWindow == nullptr)
        return m_bHidden;
    const Uint32 flags = SDL_GetWindowFlags(m_pSdlWindow);
    return (flags & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) != 0;
}

void GlWindow::SetSize(int width, int height) {
    if (m_nX11Window == 0)
        return;
    m_nWidth = width > 0 ? width : 1;
    m_nHeight = height > 0 ? height : 1;
}

void GlWindow::GetDesktopMode(int* width, int* height, int* refreshHz, int* bitsPerPixel) const {
    *width = m_nWidth;
    *height = m_nHeight;
    *refreshHz = 60;
    *bitsPerPixel = 32;
    if (m_pSdlWindow == nullptr)
        return;
    SDL_DisplayMode mode = {};
    const int display = SDL_GetWindowDisplayIndex(m_pSdlWindow);
    if (display >= 0 && SDL_GetDesktopDisplayMode(display, &mode) == 0) {
        *width = mode.w;
        *height = mode.h;
        *refreshHz = mode.refresh_rate;
        *bitsPerPixel = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
    } else {
        GetDrawableSize(width, height);
    }
}

void GlWindow::Swap(int interval) {
    if (m_nX11Window != 0) {
        EGLDisplay display = static_cast<EGLDisplay>(m_pEglDisplay);
        if (interval != m_nSwapInterval) {
            eglSwapInterval(display, interval);
            m_nSwapInterval = interval;
        }
        eglSwapBuffers(display, static_cast<EGLSurface>(m_pEglSurface));
        return;
    }
    if (m_pSdlWindow == nullptr) {
        glFlush();
        return;
    }
    if (interval != m_nSwapInterval) {
        SDL_GL_SetSwapInterval(interval);
        m_nSwapInterval = interval;
    }
    SDL_GL_SwapWindow(m_pSdlWindow);
}

void GlWindow::Finish() {
    glFinish();
}

void GlWindow::Fill(uint32_t argb) {
    const float rgba[4] = {static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                           static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
                           static_cast<float>(argb & 0xFF) / 255.0f,
                           static_cast<float>(argb >> 24) / 255.0f};
    glClearNamedFramebufferfv(m_nFramebuffer, GL_COLOR, 0, rgba);
    if (m_pSdlWindow == nullptr)
        glFlush();
    else
        SDL_GL_SwapWindow(m_pSdlWindow);
}

bool GlWindow::ReadPixels(std::vector<uint8_t>* rgba, int* width, int* height) {
    int w = 0, h = 0;
    GetDrawableSize(&w, &h);
    if (w <= 0 || h <= 0)
        return false;
    // glReadPixels may return before a threaded rasteriser (llvmpipe) has finished the last
    // frame's tiles; wait for every queued command first.
    glFinish();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_nFramebuffer);
    // An EGL window surface has no readable front buffer: its back buffer is read.
    glReadBuffer(m_nFramebuffer != 0 ? GL_COLOR_ATTACHMENT0
                                     : (m_nX11Window != 0 ? GL_BACK : GL_FRONT));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<uint8_t> bottomUp(static_cast<size_t>(w) * h * 4);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    const size_t row = static_cast<size_t>(w) * 4;
    rgba->resize(bottomUp.size());
    for (int y = 0; y < h; ++y) {
        std::memcpy(rgba->data() + row * y, bottomUp.data() + row * (h - 1 - y), row);
    }
    *width = w;
    *height = h;
    return true;
}

bool GlWindow::ContextWasReset() const {
    return m_bRobust && glGetGraphicsResetStatus() != GL_NO_ERROR;
}

bool GlWindow::RecreateContext(std::string* error) {
    DestroyContext();
    if (m_pSdlWindow != nullptr)
        return CreateSdlContext(error);
    if (m_nX11Window != 0)
        return CreateX11Context(error);
    return CreateEglContext(error) && CreateHeadlessFramebuffer(error);
}

#include "app/hack_run.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>

#include "app/frame.h"
#include "app/globals.h"
#include "app/hack_window.h"
#include "app/startup.h"
#include "platform/gl/gl_window.h"
#include "platform/system/system_clock.h"

namespace {
volatile std::sig_atomic_t s_nStopSignal = 0;

void OnStopSignal(int signal) {
    s_nStopSignal = signal;
}

// SIGTERM (the host's end of a hack) and SIGINT only set a flag; the loop ends and the
// tear-down runs on the main thread.
void InstallStopHandlers() {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// The largest back buffer that window-size mode asks for, per side in pixels; a larger window
// shows it scaled up.
constexpr int kMaxFollowedSize = 4096;

// The device window learns the X window's size and whether it is mapped; in window-size mode the
// back buffer is reset to that size, and the projection takes its aspect.
void FollowWindow(const HackWindow& window, bool followWindow) {
    GlWindow* deviceWindow = g_hDeviceWindow;
    deviceWindow->SetHidden(!window.IsMapped());
    deviceWindow->SetSize(window.Width(), window.Height());
    if (!followWindow || !g_bDeviceReady || window.Width() <= 0 || window.Height() <= 0)
        return;
    int width = window.Width();
    int height = window.Height();
    const int longest = std::max(width, height);
    if (longest > kMaxFollowedSize) {
        width = std::max(1, width * kMaxFollowedSize / longest);
        height = std::max(1, height * kMaxFollowedSize / longest);
    }
    g_fAspect = static_cast<float>(window.Width()) / static_cast<float>(window.Height());
    if (g_d3dpp.BackBufferWidth == static_cast<UINT>(width) &&
        g_d3dpp.BackBufferHeight == static_cast<UINT>(height))
        return;
    g_nRenderWidth = g_d3dpp.BackBufferWidth = static_cast<UINT>(width);
    g_nRenderHeight = g_d3dpp.BackBufferHeight = static_cast<UINT>(height);
    // A reset that cannot happen now (the window unmapped) is retried by the frame.
    if (SUCCEEDED(g_pd3dDevice->Reset(&g_d3dpp)))
        InitiateRenderer(nullptr);
}

const char* StopReason(const HackWindow& window) {
    if (s_nStopSignal == SIGTERM)
        return "SIGTERM";
    if (s_nStopSignal == SIGINT)
        return "SIGINT";
    if (window.IsDestroyed())
        return "window destroyed";
    return "window closed";
}

void WriteTrace(const std::string& path) {
    if (path.empty())
        return;
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        std::fprintf(stderr, "%s: cannot write the trace to %s\n", kHackProgramName, path.c_str());
        return;
    }
    std::fputs(g_traceLog.Text(), file);
    std::fclose(file);
}

// The own window's size: the render size (the default one in window-size mode).
void OwnWindowSize(const HackOptions& options, int* width, int* height) {
    *width = 1024;
    *height = 768;
    if (!options.followWindow && options.resolution == 1) {
        *width = 640;
        *height = 480;
    } else if (!options.followWindow && options.resolution == 2) {
        *width = 800;
        *height = 600;
    }
}
}  // namespace

int RunHack(const HackOptions& options) {
    InstallStopHandlers();
    ApplyHackOptions(options, &g_saverSettings);

    HackWindow window;
    std::string error;
    int ownWidth = 0, ownHeight = 0;
    OwnWindowSize(options, &ownWidth, &ownHeight);
    const HackWindowStatus status =
        window.Open(options.target, options.windowId, ownWidth, ownHeight, &error);
    if (status != HackWindowStatus::kOpened) {
        std::fprintf(stderr, "%s: %s\n", kHackProgramName, error.c_str());
        return status == HackWindowStatus::kNoSuchWindow ? 2 : 1;
    }
    if (options.followWindow && window.Width() > 0 && window.Height() > 0)
        g_fAspect = static_cast<float>(window.Width()) / static_cast<float>(window.Height());

    timeBeginPeriod(1);
    g_frameTimer(kTimerStart);
    GlWindow* deviceWindow =
        GlWindow::CreateForX11(window.X11Display(), window.X11Window(), window.VisualId(),
                               window.Width(), window.Height(), &error);
    int exitCode = 0;
    if (deviceWindow == nullptr) {
        std::fprintf(stderr, "%s: no OpenGL 4.5 on the window: %s\n", kHackProgramName,
                     error.c_str());
        exitCode = 1;
    } else if (!InitiateOnDeviceWindow(deviceWindow)) {
        std::fprintf(stderr, "%s: the start-up failed; its trace is in %s\n", kHackProgramName,
                     g_traceLog.ErrorLogPath().c_str());
        exitCode = 1;
    } else {
        while (s_nStopSignal == 0) {
            window.ProcessEvents();
            if (window.IsDestroyed() || window.CloseRequested())
                break;
            FollowWindow(window, options.followWindow);
            // The host owns the pointer and the keys: the frame sees none held.
            FrameWithKeys(nullptr, KeyState());
        }
        g_traceLog.AppendFormat("Stop: %s\n", StopReason(window));
    }
    timeEndPeriod(1);
    g_frameTimer(kTimerStop);
    g_traceLog.Append("Cleanup...\n");
    Cleanup();
    window.Close();
    g_traceLog.Append("Ended\n");
    WriteTrace(options.traceFile);
    return exitCode;
}

#include "app/saver_run.h"

#include "app/frame.h"
#include "app/globals.h"
#include "app/instance_lock.h"
#include "app/saver_window.h"
#include "app/startup.h"
#include "audio/music_player.h"
#include "platform/system/system_clock.h"

namespace {
// Handles every waiting event, or runs one frame when none waits, until the window has closed.
// Returns the quit code.
int RunLoop(SaverWindow* window) {
    SDL_Event event;
    while (!window->IsClosed()) {
        if (SDL_PollEvent(&event))
            window->HandleEvent(event);
        else
            Frame(window);
        if (window->ClosePosted()) {
            // The sound ends with the picture, not after the tear-down that follows it.
            if (g_saverSettings.music == 1)
                g_musicPlayer.Stop();
            window->Close();
        }
    }
    return 0;
}
}  // namespace

int Run() {
    InstanceLock lock;
    if (!lock.Acquire(SaverInstanceLockName().c_str()))
        return 0;
    SaverWindow window;
    const bool created = window.Create();
    timeBeginPeriod(1);
    g_frameTimer(kTimerStart);
    int exitCode = 0;
    if (created && Initiate(&window)) {
        window.StorePointerPosition();
        exitCode = RunLoop(&window);
    }
    timeEndPeriod(1);
    g_frameTimer(kTimerStop);
    Cleanup();
    window.Destroy();
    lock.Release();
    return exitCode;
}

#include "app/frame.h"

#include "app/globals.h"
#include "app/saver_window.h"
#include "app/startup.h"

void Frame(SaverWindow* window) {
    if (!g_bDeviceReady)
        return;
    const float elapsed = g_frameTimer(kTimerElapsed);
    g_fTimeStep = elapsed <= kMaxTimeStep ? elapsed : kMaxTimeStep;
    g_fRawStep = elapsed;
    PollKeys();
    Render();
    // A lost device is retried every frame until it can be reset; the scene keeps its
    // resources, only the fixed states are applied again.
    if (g_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST &&
        g_pd3dDevice->TestCooperativeLevel() == D3DERR_DEVICENOTRESET &&
        SUCCEEDED(g_pd3dDevice->Reset(&g_d3dpp)))
        InitiateRenderer(window);
    if (g_keyState.escape && window)
        window->PostClose();
}

void Render() {
    g_pd3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, g_dwClearColor, 1.0f, 0);
    if (FAILED(g_pd3dDevice->BeginScene()))
        return;
    g_pd3dDevice->EndScene();
}

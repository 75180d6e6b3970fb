#include "app/startup.h"

#include <string>

#include "app/globals.h"
#include "app/saver_window.h"
#include "audio/music_player.h"
#include "platform/d3d8/d3d8.h"
#include "platform/d3dx/d3dx_font.h"
#include "platform/d3dx/gdi_font.h"
#include "platform/gl/gl_window.h"
#include "platform/system/lcg_random.h"
#include "platform/system/resource_table.h"
#include "platform/system/system_clock.h"

namespace {
// The back-buffer formats in the order they are tried: 16-bit before 32-bit.
const D3DFORMAT kBackBufferFormats[] = {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_X8R8G8B8,
                                        D3DFMT_R8G8B8};

// The camera's eye after every (re)start of the renderer, world units.
const D3DXVECTOR3 kStartEye(2500.0f, 750.0f, -1500.0f);
constexpr const char* kCircuitResource = "CLOCK.FPP";
constexpr float kObstacleQueryRadius = 200.0f;  // world units
constexpr const char* kMusicResource = "BGM1.WAV";
constexpr const char* kMusicType = "Midi";
constexpr int32_t kMasterVolume = 750;  // hundredths of a decibel over the track as stored

int FailStartup() {
    g_traceLog.Append("Failed\n");
    g_traceLog.WriteErrorLog();
    return 0;
}

HRESULT FailObject() {
    g_traceLog.Append("\tFailed\n");
    return E_FAIL;
}
}  // namespace

int Initiate(SaverWindow* window) {
    RandomSeed(timeGetTime());
    switch (g_saverSettings.resolution) {
        case 2:
            g_nRenderWidth = 800;
            g_nRenderHeight = 600;
            break;
        case 3:
            g_nRenderWidth = 1024;
            g_nRenderHeight = 768;
            break;
        default:
            g_nRenderWidth = 640;
            g_nRenderHeight = 480;
            break;
    }
    g_dwClearColor = g_saverSettings.night == 1 ? 0xFF000000u : 0xFFFFFFFFu;

    g_traceLog.Append("InitiateD3D...\n");
    if (FAILED(InitiateD3D(window)))
        return FailStartup();
    g_traceLog.Append("InitiateRenderer...\n");
    if (FAILED(InitiateRenderer(window)))
        return FailStartup();
    g_traceLog.Append("InitiateObjects...\n");
    if (FAILED(InitiateObjects(window)))
        return FailStartup();
    if (g_saverSettings.music == 1) {
        g_traceLog.Append("InitiateBGM...\n");
        if (FAILED(InitiateBGM(window)))
            return FailStartup();
    }
    g_traceLog.Append("InitiateFont...\n");
    g_hFont = CreateFontA(0, 0, 0, 0, FW_SEMIBOLD, FALSE, TRUE, FALSE, ANSI_CHARSET,
                          OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, "Lucida Console");
    if (!g_hFont)
        return FailStartup();
    g_traceLog.Append("Initiate3DFont...\n");
    if (FAILED(D3DXCreateFont(g_pd3dDevice, g_hFont, &g_pD3DXFont)))
        return FailStartup();
    // Every model, bitmap and shader text has been read; their pages need not stay resident.
    ReleaseResourcePages();
    return 1;
}

int InitiateOnDeviceWindow(HWND deviceWindow) {
    g_hDeviceWindow = deviceWindow;
    return Initiate(nullptr);
}

HRESULT InitiateD3D(SaverWindow* window) {
    // Without a GL 4.5 context on the window there is no Direct3D object to be had. Without a
    // window the device draws into a headless window of the render size; a device window that
    // the caller brought (InitiateOnDeviceWindow) is used as it is.
    g_traceLog.Append("\tDirect3DCreate8...\n");
    std::string error;
    if (!g_hDeviceWindow && !window)
        g_hDeviceWindow = GlWindow::CreateHeadless(static_cast<int>(g_nRenderWidth),
                                                   static_cast<int>(g_nRenderHeight), &error);
    else if (!g_hDeviceWindow && window->Handle()) {
        g_hDeviceWindow = GlWindow::CreateForSdl(window->Handle(), &error);
        if (g_hDeviceWindow)
            g_hDeviceWindow->Fill(kSaverWindowBackground);  // until the first frame
    }
    if (g_hDeviceWindow)
        g_pD3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (!g_pD3D) {
        g_traceLog.Append("\tFailed\n");
        return E_FAIL;
    }

    g_traceLog.Append("\tGetAdapterDisplayMode...\n");
    D3DDISPLAYMODE mode;
    HRESULT hr = g_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
    if (FAILED(hr)) {
        g_traceLog.Append("\tFailed\n");
        return hr;
    }

    D3DFORMAT format = D3DFMT_UNKNOWN;
    for (D3DFORMAT candidate : kBackBufferFormats) {
        if (SUCCEEDED(g_pD3D->CheckDeviceType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, candidate,
                                              candidate, FALSE))) {
            format = candidate;
            break;
        }
    }

    g_d3dpp = D3DPRESENT_PARAMETERS();
    g_d3dpp.BackBufferWidth = g_nRenderWidth;
    g_d3dpp.BackBufferHeight = g_nRenderHeight;
    g_d3dpp.BackBufferFormat = format;
    g_d3dpp.BackBufferCount = 1;
    g_d3dpp.MultiSampleType = D3DMULTISAMPLE_NONE;
    g_d3dpp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    g_d3dpp.hDeviceWindow = g_hDeviceWindow;
    g_d3dpp.Windowed = FALSE;
    g_d3dpp.EnableAutoDepthStencil = TRUE;
    g_d3dpp.AutoDepthStencilFormat = D3DFMT_D16;

    g_traceLog.Append("\tChecking VertexShaderVersion...\n");
    D3DCAPS8 caps;
    g_pD3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
    const DWORD vertexProcessing = caps.VertexShaderVersion >= D3DVS_VERSION(1, 1)
                                       ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                       : D3DCREATE_SOFTWARE_VERTEXPROCESSING;

    g_traceLog.Append("\tCreateDevice...\n");
    hr = g_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g_hDeviceWindow, vertexProcessing,
                              &g_d3dpp, &g_pd3dDevice);
    if (FAILED(hr)) {
        g_traceLog.AppendFormat("\tFailed hr=%x\n", static_cast<unsigned>(hr));
        return hr;
    }
    g_pd3dDevice->GetDeviceCaps(&g_d3dCaps);
    g_bDeviceReady = 1;
    return S_OK;
}

HRESULT InitiateRenderer(SaverWindow*) {
    if (!g_bDeviceReady)
        return E_FAIL;
    IDirect3DDevice8* device = g_pd3dDevice;
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);

    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(1, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(1, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(1, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);

    device->SetRenderState(D3DRS_DITHERENABLE, FALSE);
    device->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF000000u);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    if (g_saverSettings.aspectMode == 1)
        g_fAspect = kAspect4x3;
    if (g_saverSettings.aspectMode == 2)
        g_fAspect = kAspect16x9;

    g_camera.Reset();
    g_camera.SetEye(kStartEye.x, kStartEye.y, kStartEye.z);
    g_fog.SetColour(g_dwClearColor);
    g_fog.Apply(device, &g_camera, g_fAspect, 1);
    return S_OK;
}

HRESULT InitiateObjects(SaverWindow*) {
    if (!g_bDeviceReady)
        return E_FAIL;
    IDirect3DDevice8* device = g_pd3dDevice;

    g_traceLog.Append("\tZSortRender.InitDeviceObjects...\n");
    if (FAILED(g_zSortRender.InitDeviceObjects(device, g_saverSettings)))
        return FailObject();
    g_traceLog.Append("\tZSortRender.RestoreDeviceObjects...\n");
    if (FAILED(g_zSortRender.RestoreDeviceObjects(device)))
        return FailObject();

    g_traceLog.Append("\tDammySkm.InitDeviceObjects...\n");
    if (FAILED(g_dammySkm.InitDeviceObjects(device, g_d3dCaps, "Dammy.x")))
        return FailObject();
    g_dammySkm.RestoreDeviceObjects();

    g_traceLog.Append("\tFerguson.InitDeviceObjects...\n");
    if (FAILED(g_ferguson.InitDeviceObjects(kCircuitResource)))
        return FailObject();

    g_backGrounds.ApplySettings(g_saverSettings);
    g_traceLog.Append("\tBackGrounds.InitDeviceObjects...\n");
    if (FAILED(g_backGrounds.InitDeviceObjects(device)))
        return FailObject();

    g_boids.ApplySettings(g_saverSettings);
    g_traceLog.Append("\tBoids.InitDeviceObjects...\n");
    if (FAILED(g_boids.InitDeviceObjects(device, g_d3dCaps)))
        return FailObject();
    g_boids.RestoreDeviceObjects();

    g_goal.ApplySettings(g_saverSettings);
    g_traceLog.Append("\tGoal.InitDeviceObjects...\n");
    if (FAILED(g_goal.InitDeviceObjects(device, g_d3dCaps)))
        return FailObject();
    g_goal.RestoreDeviceObjects();

    g_goalUser.ApplySettings(g_saverSettings);
    g_traceLog.Append("\tGoalUser.InitDeviceObjects...\n");
    if (FAILED(g_goalUser.InitDeviceObjects(device, g_d3dCaps)))
        return FailObject();
    g_goalUser.RestoreDeviceObjects();

    g_traceLog.Append("\tObstacle01BGO.InitDeviceObjects...\n");
    if (FAILED(g_obstacle01BGO.InitDeviceObjects(device, "OBSTACLE01.X", "OBSTACLE01.BPS")))
        return FailObject();
    g_obstacle01BGO.m_fQueryRadius = kObstacleQueryRadius;
    g_traceLog.Append("\tObstacle02BGO.InitDeviceObjects...\n");
    if (FAILED(g_obstacle02BGO.InitDeviceObjects(device, "OBSTACLE02.X", "OBSTACLE02.BPS")))
        return FailObject();
    g_obstacle02BGO.m_fQueryRadius = kObstacleQueryRadius;
    return S_OK;
}

HRESULT InitiateBGM(SaverWindow* window) {
    HRESULT hr = g_musicPlayer.InitAudio(window);
    if (FAILED(hr))
        return hr;
    g_traceLog.Append("\tLoading Wave File...\n");
    hr = g_musicPlayer.Load(kMusicResource, kMusicType);
    if (FAILED(hr)) {
        g_traceLog.AppendFormat("\tFailed hr=%x", static_cast<unsigned>(hr));  // no line feed
        return hr;
    }
    g_musicPlayer.SetRepeats(0, 1);
    g_musicPlayer.SetMasterVolume(kMasterVolume);
    g_musicPlayer.Play();
    return S_OK;
}

void Cleanup() {
    g_bDeviceReady = 0;
    g_zSortRender.ReleaseDeviceObjects(g_pd3dDevice);
    g_zSortRender.DestroyObjects();
    g_dammySkm.ReleaseDeviceObjects();
    g_dammySkm.DestroyObjects();
    g_ferguson.DeleteDeviceObjects();
    g_backGrounds.DeleteDeviceObjects();
    g_boids.ReleaseDeviceObjects();
    g_boids.DestroyObjects();
    g_goal.ReleaseDeviceObjects();
    g_goal.DestroyObjects();
    g_goalUser.ReleaseDeviceObjects();
    g_goalUser.DestroyObjects();
    g_obstacle01BGO.DeleteDeviceObjects();
    g_obstacle02BGO.DeleteDeviceObjects();
    if (g_saverSettings.music == 1)
        g_musicPlayer.Stop();
    DeleteObject(g_hFont);
    g_hFont = nullptr;
    if (g_pD3DXFont) {
        g_pD3DXFont->Release();
        g_pD3DXFont = nullptr;
    }
    if (g_pd3dDevice) {
        g_pd3dDevice->Release();
        g_pd3dDevice = nullptr;
    }
    if (g_pD3D) {
        g_pD3D->Release();
        g_pD3D = nullptr;
    }
    GlWindow::Destroy(g_hDeviceWindow);
    g_hDeviceWindow = nullptr;
}

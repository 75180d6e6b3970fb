#include "app/globals.h"

// Construction order of the scene objects; keep it.
SaverSettings g_saverSettings;
TraceLog g_traceLog(CurrentDirectory());
FrameTimer g_frameTimer;
ZSortRender g_zSortRender;
Ferguson g_ferguson;
BackGrounds g_backGrounds;
BackGroundObject g_obstacle01BGO;  // drawn every frame; the flock steers around it
BackGroundObject g_obstacle02BGO;  // never drawn; only steered around

// Device-level and frame state: plain data, constant-initialised before any constructor runs.
IDirect3D8* g_pD3D = nullptr;
IDirect3DDevice8* g_pd3dDevice = nullptr;
HWND g_hDeviceWindow = nullptr;
int32_t g_bDeviceReady = 0;
D3DPRESENT_PARAMETERS g_d3dpp;
D3DCAPS8 g_d3dCaps;
UINT g_nRenderWidth = 640;
UINT g_nRenderHeight = 480;
D3DCOLOR g_dwClearColor = 0xFFFFFFFFu;
float g_fAspect = kAspect4x3;
KeyState g_keyState;
float g_fTimeStep = 0.0f;
float g_fRawStep = 0.0f;

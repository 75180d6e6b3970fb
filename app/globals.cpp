#include "app/globals.h"

#include "audio/music_player.h"

// Construction order of the scene objects; keep it.
SaverSettings g_saverSettings;
TraceLog g_traceLog(CurrentDirectory());
MusicPlayer g_musicPlayer;
FrameTimer g_frameTimer;
D3DXVECTOR4 g_vBaseLight(0.5f, 0.9f, 0.5f, 0.0f);
D3DXVECTOR4 g_vLight(0.0f, 0.8f, -0.2f, 0.0f);
Camera g_camera;
Fog g_fog;
ZSortRender g_zSortRender;
SkinnedMesh g_dammySkm;
Ferguson g_ferguson;
CameraDolly g_cameraDolly;
BackGrounds g_backGrounds;
Boids g_boids;
Goal g_goal;  // draws its first waypoint from a generator seeded with the tick count
GoalUser g_goalUser;
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
HFONT g_hFont = nullptr;
ID3DXFont* g_pD3DXFont = nullptr;
KeyState g_keyState;
float g_fTimeStep = 0.0f;
float g_fRawStep = 0.0f;
CameraBlend g_cameraBlend;
D3DXVECTOR3 g_vFlockCentre;
uint32_t g_dwFrameCount = 0;
float g_fLastRateTime = 0.0f;
float g_fFrameRate = 0.0f;
FrameRecord g_frameRecord;

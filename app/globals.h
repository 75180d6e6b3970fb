// The scene's process-wide objects, one instance each, defined in app/globals.cpp in their
// construction order (C++ constructs the globals of one file in order, and destroys them in
// reverse order at exit). Objects that lower rooms also use are declared in their own headers
// (g_saverSettings, g_traceLog, g_frameTimer).
#pragma once

#include <cstdint>

#include "app/camera.h"
#include "app/camera_dolly.h"
#include "app/fog.h"
#include "app/frame.h"
#include "app/frame_timer.h"
#include "app/key_state.h"
#include "app/saver_settings.h"
#include "app/trace_log.h"
#include "flock/boids.h"
#include "flock/goal.h"
#include "flock/goal_user.h"
#include "platform/d3d8/d3d8.h"
#include "platform/d3dx/d3dx_font.h"
#include "platform/d3dx/gdi_font.h"
#include "render/skinned_mesh.h"
#include "render/z_sort_render.h"
#include "world/back_grounds.h"
#include "world/background_object.h"
#include "world/ferguson.h"

// Light vectors, four floats: the fixed base and the current one, rotated every frame.
extern D3DXVECTOR4 g_vBaseLight;
extern D3DXVECTOR4 g_vLight;
extern ZSortRender g_zSortRender;  // the queue every static display mesh is drawn through
extern SkinnedMesh g_dammySkm;     // "Dammy.x": loaded and released, never advanced or drawn
extern Ferguson g_ferguson;
extern BackGrounds g_backGrounds;  // the three pillar sets
extern Boids g_boids;              // the flock
extern Goal g_goal;                // the lead bird of automatic mode
extern GoalUser g_goalUser;        // the whale of user mode
extern BackGroundObject g_obstacle01BGO;
extern BackGroundObject g_obstacle02BGO;

// Device-level state, set by the start-up (app/startup.h) and released by its Cleanup.
extern IDirect3D8* g_pD3D;
extern IDirect3DDevice8* g_pd3dDevice;
extern HWND g_hDeviceWindow;           // the GL context on the saver's window
extern int32_t g_bDeviceReady;         // 1 from device creation until the tear-down starts
extern D3DPRESENT_PARAMETERS g_d3dpp;  // kept for Reset after a device loss
extern D3DCAPS8 g_d3dCaps;             // read once after creation
extern UINT g_nRenderWidth;            // back buffer, pixels
extern UINT g_nRenderHeight;
extern D3DCOLOR g_dwClearColor;  // also the fog colour
extern float g_fAspect;          // projection aspect, width / height
extern HFONT g_hFont;            // the frame-rate font request
extern ID3DXFont* g_pD3DXFont;   // and the font realised on the device

constexpr float kAspect4x3 = 1.3333334f;
constexpr float kAspect16x9 = 1.7777778f;

// Frame state (app/frame.h).
extern float g_fTimeStep;  // seconds since the previous frame, at most kMaxTimeStep
extern float g_fRawStep;   // the same without the cap, for the camera dolly
extern D3DXVECTOR3 g_vFlockCentre;  // the mean of the birds' positions, world units
extern uint32_t g_dwFrameCount;     // frames since the frame rate was last computed
extern float g_fLastRateTime;       // absolute seconds of that computation
extern float g_fFrameRate;          // frames per second, as shown
extern FrameRecord g_frameRecord;

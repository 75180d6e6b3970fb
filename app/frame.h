// One frame of the running saver: the time step, the key poll, the update of the light, the
// circuit, the dolly and the camera, the drawing in its fixed order with the frame-rate text,
// the present with the recovery of a lost device, and Escape's close request after the present.
// Owns: the order of a frame's steps, the frame globals (app/globals.h) and the FrameRecord.
// Does not: handle window events (app/saver_window.h); create or release the device.
// Needs: a device made by the start-up (app/startup.h); does nothing before it is ready.
#pragma once

#include <cstdint>

#include "app/key_state.h"
#include "platform/system/d3d8_types.h"
#include "platform/system/d3dx_math.h"

class SaverWindow;

// The time step's cap, seconds: a slow frame never advances the scene by more.
constexpr float kMaxTimeStep = 0.03f;
// The frame-rate text's colour (0xAARRGGBB): a translucent pale blue.
constexpr D3DCOLOR kFrameRateColour = 0x88BBBBFFu;

// What the last frame did, for velmora-tool's report and the tests; Frame fills it.
struct FrameRecord {
    uint32_t m_dwQueued = 0;       // queue entries drawn
    D3DXVECTOR3 m_vSortDirection;  // the view direction the queue was sorted along
    float m_fFirstKey = 0.0f;      // sort keys of the first and last entry drawn
    float m_fLastKey = 0.0f;
    char m_szFrameRate[48] = {};  // the frame-rate text as drawn; empty when none was
    HRESULT m_hrPresent = 0;      // what Present reported
    int32_t m_bReset = 0;         // 1: the device was reset and the renderer set again
};

// One actor's flight state, as velmora-tool render --actors writes it: position (world units),
// angles (radians), speed, and for birds the somersault flag and progress.
struct ActorState {
    D3DXVECTOR3 vPos;
    float fYaw = 0.0f;
    float fPitch = 0.0f;
    float fRoll = 0.0f;
    float fSpeed = 0.0f;
    int32_t bLoop = 0;
    float fLoopAngle = 0.0f;
};

// The active leader after this frame's move: the lead bird in automatic mode, the whale in
// user mode.
ActorState LeaderState();

// Runs one frame with the keys polled; window receives the close when Escape was down at the
// poll (may be null).
void Frame(SaverWindow* window);
// The same frame with the keys given instead of polled (headless runs have no keyboard).
void FrameWithKeys(SaverWindow* window, const KeyState& keys);
// The simulation part of a frame: light, leader, flock, flock centre, circuit, dolly, camera.
void Update();
// The drawing part of a frame, from the clear to the end of the scene.
void Render();
// The pillar sets and Obstacle01BGO put their visible pieces into ZSortRender (the frustum must
// be built for this frame).
void QueueScenery();
// The queue sorted along the view direction (near first), drawn with the light and fog end,
// and emptied.
void DrawQueue();
// Fog off, the frame-rate text when showFrameRate is 1 (a new rate at most once a second), fog
// on again.
void DrawFrameRate();

#include "app/frame.h"

#include <cstdio>

#include "app/camera.h"
#include "app/camera_dolly.h"
#include "app/fog.h"
#include "app/globals.h"
#include "app/saver_window.h"
#include "app/startup.h"
#include "flock/actor_pose.h"
#include "platform/d3dx/d3dx_font.h"
#include "platform/system/system_clock.h"
#include "world/model_instance.h"

namespace {
// A leader's world position: the translation row of its instance's world matrix (where it was
// before its latest move), also cached as the instance's position.
D3DXVECTOR3 LeaderPosition(ModelInstance* instance, const D3DXVECTOR3& fallback) {
    if (!instance)
        return fallback;
    instance->m_vPosition = ActorPosition(instance->m_matWorld);
    return instance->m_vPosition;
}

// The leader of the mode moves; the other one is neither updated nor drawn. Returns the
// position the flock steers toward.
D3DXVECTOR3 UpdateLeader() {
    if (g_saverSettings.userControl == 1) {
        g_goalUser.ApplyKeys(g_keyState, g_fTimeStep);
        g_goalUser.Update(g_fTimeStep);
        return LeaderPosition(g_goalUser.m_pInstance, g_goalUser.m_vPos);
    }
    g_goal.ChooseWaypoint(g_fTimeStep);
    g_goal.Update(g_fTimeStep);
    return LeaderPosition(g_goal.m_pInstance, g_goal.m_vPos);
}

// The mean of the birds' positions: the sum divided by the count as a float. Without birds
// the centre stays where it was.
void ComputeFlockCentre() {
    if (!g_boids.m_pBoids)
        return;
    D3DXVECTOR3 sum;
    for (int i = 0; i < g_boids.m_nBoids; ++i)
        sum += g_boids.m_pBoids[i].vPos;
    g_vFlockCentre = sum / static_cast<float>(g_boids.m_nBoids);
}

constexpr float kDayLightPeriod = 6000.0f;     // ms per radian about y by day
constexpr float kNightLightPeriodY = 2000.0f;  // at night, about y
constexpr float kNightLightPeriodX = 2500.0f;  // and about x
constexpr float kFrameRateInterval = 1.0f;     // seconds between two rate computations

void RotateLight() {
    const float t = static_cast<float>(timeGetTime());
    D3DXMATRIX rotation;
    if (g_saverSettings.night == 1) {
        D3DXMATRIX aboutY, aboutX;
        D3DXMatrixRotationY(&aboutY, t / kNightLightPeriodY);
        D3DXMatrixRotationX(&aboutX, t / kNightLightPeriodX);
        D3DXMatrixMultiply(&rotation, &aboutY, &aboutX);
    } else {
        D3DXMatrixRotationY(&rotation, t / kDayLightPeriod);
    }
    D3DXVec4Transform(&g_vLight, &g_vBaseLight, &rotation);
}

void SetColourStage(IDirect3DDevice8* device, DWORD stage, DWORD op, DWORD arg1, DWORD arg2) {
    device->SetTextureStageState(stage, D3DTSS_COLOROP, op);
    device->SetTextureStageState(stage, D3DTSS_COLORARG1, arg1);
    device->SetTextureStageState(stage, D3DTSS_COLORARG2, arg2);
}

// The time step, capped for the simulation and raw for the dolly; read before the key poll.
void MeasureTimeStep() {
    const float elapsed = g_frameTimer(kTimerElapsed);
    g_fTimeStep = elapsed <= kMaxTimeStep ? elapsed : kMaxTimeStep;
    g_fRawStep = elapsed;
}

void RunFrame(SaverWindow* window) {
    Update();
    Render();
    // A lost device is retried every frame until it can be reset; the scene keeps its
    // resources, only the fixed states, the camera and the fog are applied again.
    g_frameRecord.m_bReset = 0;
    g_frameRecord.m_hrPresent = g_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
    if (g_frameRecord.m_hrPresent == D3DERR_DEVICELOST &&
        g_pd3dDevice->TestCooperativeLevel() == D3DERR_DEVICENOTRESET &&
        SUCCEEDED(g_pd3dDevice->Reset(&g_d3dpp))) {
        InitiateRenderer(window);
        g_frameRecord.m_bReset = 1;
    }
    if (g_keyState.escape && window)
        window->PostClose();
}
}  // namespace

void Frame(SaverWindow* window) {
    if (!g_bDeviceReady)
        return;
    MeasureTimeStep();
    PollKeys();
    RunFrame(window);
}

void FrameWithKeys(SaverWindow* window, const KeyState& keys) {
    if (!g_bDeviceReady)
        return;
    MeasureTimeStep();
    g_keyState = keys;
    RunFrame(window);
}

ActorState LeaderState() {
    ActorState leader;
    if (g_saverSettings.userControl == 1) {
        leader.vPos = g_goalUser.m_vPos;
        leader.fYaw = g_goalUser.m_fYaw;
        leader.fPitch = g_goalUser.m_fPitch;
        leader.fSpeed = g_goalUser.m_fCurSpeed;  // the whale never rolls
    } else {
        leader.vPos = g_goal.m_vPos;
        leader.fYaw = g_goal.m_fYaw;
        leader.fPitch = g_goal.m_fPitch;
        leader.fRoll = g_goal.m_fRoll;
        leader.fSpeed = g_goal.m_fCurSpeed;
    }
    return leader;
}

void Update() {
    RotateLight();
    const D3DXVECTOR3 target = UpdateLeader();
    g_boids.Update(target, g_obstacle01BGO, g_obstacle02BGO, g_fTimeStep);
    ComputeFlockCentre();
    g_ferguson.Translate(g_vFlockCentre.x, g_vFlockCentre.y, g_vFlockCentre.z);
    g_cameraDolly.Ride(g_ferguson, g_fRawStep);
    if (g_saverSettings.userControl == 1)
        UpdateUserCamera(g_pd3dDevice, &g_camera, g_keyState,
                         LeaderPosition(g_goalUser.m_pInstance, g_goalUser.m_vPos), g_fTimeStep);
    else
        UpdateAutomaticCamera(g_pd3dDevice, &g_camera, &g_cameraDolly, &g_cameraBlend,
                              g_vFlockCentre, g_fAspect, g_fog.m_fFogEnd, g_fTimeStep);
}

void Render() {
    IDirect3DDevice8* device = g_pd3dDevice;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, g_dwClearColor, 1.0f, 0);
    // A frame without a scene records no queue and no text.
    g_frameRecord.m_dwQueued = 0;
    g_frameRecord.m_szFrameRate[0] = '\0';
    if (FAILED(device->BeginScene()))
        return;
    g_camera.BuildFrustum();

    // At night the flock is drawn as silhouettes in its vertex colour.
    const bool night = g_saverSettings.night == 1;
    if (night) {
        SetColourStage(device, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE);
        SetColourStage(device, 1, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE);
    }
    g_boids.Render(device, g_camera, &g_zSortRender, g_vLight, g_fog.m_fFogEnd);
    if (night) {
        SetColourStage(device, 0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        SetColourStage(device, 1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT);
    }

    QueueScenery();

    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    DrawQueue();
    if (g_saverSettings.userControl == 1)
        g_goalUser.Render(device, g_camera, &g_zSortRender, g_vLight, g_fog.m_fFogEnd);
    else
        g_goal.Render(device, g_camera, &g_zSortRender, g_vLight, g_fog.m_fFogEnd);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    DrawFrameRate();
    device->EndScene();
}

void QueueScenery() {
    g_backGrounds.Render(g_pd3dDevice, g_camera.m_matWorld, g_camera.m_frustum, 0, &g_zSortRender);
    g_obstacle01BGO.Render(g_pd3dDevice, g_camera.m_matWorld, g_camera.m_frustum, 0,
                           &g_zSortRender);
}

void DrawQueue() {
    D3DXMATRIX view;
    D3DXMatrixInverse(&view, nullptr, &g_camera.m_matWorld);
    const D3DXVECTOR3 direction = ViewSortDirection(view);
    g_zSortRender.Sort(direction.x, direction.y, direction.z);

    const DWORD queued = g_zSortRender.Count();
    g_frameRecord.m_dwQueued = queued;
    g_frameRecord.m_vSortDirection = direction;
    g_frameRecord.m_fFirstKey = g_frameRecord.m_fLastKey = 0.0f;
    if (queued > 0) {
        g_frameRecord.m_fFirstKey =
            D3DXVec3Dot(&direction, &g_zSortRender.Entry(0).m_vSortPosition);
        g_frameRecord.m_fLastKey =
            D3DXVec3Dot(&direction, &g_zSortRender.Entry(queued - 1).m_vSortPosition);
    }

    g_zSortRender.Render(g_pd3dDevice, view, g_camera.m_matProjection, g_vLight, g_fog.m_fFogEnd);
    g_zSortRender.Clear();
}

void DrawFrameRate() {
    g_pd3dDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    g_frameRecord.m_szFrameRate[0] = '\0';
    if (g_saverSettings.showFrameRate == 1) {
        const float now = g_frameTimer(kTimerAbsolute);
        ++g_dwFrameCount;
        if (now - g_fLastRateTime > kFrameRateInterval) {
            g_fFrameRate = static_cast<float>(g_dwFrameCount) / (now - g_fLastRateTime);
            g_fLastRateTime = now;
            g_dwFrameCount = 0;
        }
        std::snprintf(g_frameRecord.m_szFrameRate, sizeof g_frameRecord.m_szFrameRate, " %.02f ",
                      g_fFrameRate);
        RECT area = {0, 0, static_cast<LONG>(g_nRenderWidth), static_cast<LONG>(g_nRenderHeight)};
        if (g_pD3DXFont)
            g_pD3DXFont->DrawTextA(g_frameRecord.m_szFrameRate, -1, &area,
                                   DT_SINGLELINE | DT_NOCLIP, kFrameRateColour);
    }
    g_pd3dDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
}

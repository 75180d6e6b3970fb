#include "flock/goal.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "flock/actor_pose.h"
#include "flock/actor_render_params.h"
#include "platform/system/lcg_random.h"
#include "platform/system/system_clock.h"
#include "render/skinned_mesh.h"
#include "world/mesh_model.h"
#include "world/model_instance.h"

namespace {
constexpr float kWaypointHalfWidth = 2500.0f;  // x and z, world units
constexpr float kWaypointHalfHeight = 200.0f;  // y
constexpr float kIntervalPerDistance = 40.0f;  // seconds per kIntervalDistance travelled
constexpr float kIntervalDistance = 2500.0f;   // world units
constexpr float kIntervalSpread = 40.0f;       // seconds either way
constexpr float kPitchRate = 0.1f;             // radians per second, driven directly
constexpr float kPitchLimit = 0.8f;            // radians
constexpr float kClimbThreshold = 0.01f;       // steering y beyond which the bird climbs or dives
constexpr float kSpeedRelaxation = 0.3f;       // per second, of the current speed
constexpr float kSpeedUp = 0.5f;               // base speeds per second, waypoint ahead
constexpr float kSlowDown = 0.25f;             // base speeds per second, waypoint abeam or behind
constexpr float kTurnThreshold = 0.1f;         // cross product y beyond which the bird turns
constexpr float kYawRateLimit = 1.0f;          // radians per second
constexpr float kYawRateRecovery = 20.0f;      // radians per second per second
constexpr float kStraightYawRate = 0.01f;      // the bird never flies perfectly straight
constexpr float kBankPerYawRate = -0.25f;      // roll per yaw rate
constexpr float kUnitsPerSpeed = 100.0f;       // world units per second per unit of speed
constexpr float kStrayDistance = 20000.0f;     // beyond it the bird returns to the origin
constexpr float kSkinnedScale = 2.5f;          // the skinned bird's size over the dammy's

constexpr const char* kDammyResource = "BIRDDAMMY01.X";
constexpr const char* kDaySkin = "BIRDSKINNED01.X";
constexpr const char* kNightSkin = "BIRDSKINNED03.X";

// Six draws r1 ... r6 in order: ((r4 - r5) 2500, (r2 - r3) 200, (r6 - r1) 2500).
D3DXVECTOR3 DrawWaypoint() {
    const float r1 = RandomFractionF(), r2 = RandomFractionF(), r3 = RandomFractionF();
    const float r4 = RandomFractionF(), r5 = RandomFractionF(), r6 = RandomFractionF();
    return D3DXVECTOR3((r4 - r5) * kWaypointHalfWidth, (r2 - r3) * kWaypointHalfHeight,
                       (r6 - r1) * kWaypointHalfWidth);
}

// v normalised when it has a length, else unchanged.
D3DXVECTOR3 NormalisedIfLong(const D3DXVECTOR3& v) {
    D3DXVECTOR3 out = v;
    if (D3DXVec3Length(&v) > 0.0f)
        D3DXVec3Normalize(&out, &v);
    return out;
}
}  // namespace

Goal::Goal() {
    RandomSeed(timeGetTime());
    m_vWaypoint = DrawWaypoint();
}

void Goal::ApplySettings(const SaverSettings& settings) {
    m_fSpeed = static_cast<float>(settings.speedPercent) / 100.0f * 0.4f + 0.4f;
    m_bSkinned = settings.skinnedModels;
    m_bNight = settings.night;
}

HRESULT Goal::InitDeviceObjects(IDirect3DDevice8* device, const D3DCAPS8& caps) {
    DestroyObjects();
    RandomSeed(timeGetTime());
    m_pDammyMdl = new (std::nothrow) MeshModel();
    m_pInstance = new (std::nothrow) ModelInstance();
    if (!m_pDammyMdl || !m_pInstance)
        return E_OUTOFMEMORY;
    const HRESULT hr = m_pDammyMdl->LoadXFile(device, kDammyResource);
    if (FAILED(hr))
        return hr;
    m_pInstance->SetModel(m_pDammyMdl);
    if (!m_bSkinned)
        return S_OK;
    m_pSkinnedSkm = new (std::nothrow) SkinnedMesh();
    if (!m_pSkinnedSkm || FAILED(m_pSkinnedSkm->InitDeviceObjects(
                              device, caps, m_bNight == 1 ? kNightSkin : kDaySkin)))
        return E_FAIL;
    return S_OK;
}

HRESULT Goal::RestoreDeviceObjects() {
    if (m_bSkinned && m_pSkinnedSkm)
        m_pSkinnedSkm->RestoreDeviceObjects();
    return S_OK;
}

void Goal::ChooseWaypoint(float dt) {
    m_fWaypointTimer += 1.0f * dt;
    if (!(m_fWaypointTimer > m_fWaypointInterval))
        return;
    m_fWaypointTimer = 0.0f;
    m_vWaypoint = DrawWaypoint();
    const D3DXVECTOR3 jump = m_vWaypoint - m_vPrevWaypoint;
    const float d = D3DXVec3Length(&jump);
    const float r7 = RandomFractionF();
    const float r8 = RandomFractionF();
    m_fWaypointInterval =
        (r8 - r7) * kIntervalSpread + kIntervalPerDistance * (d / kIntervalDistance);
    m_vPrevWaypoint = m_vWaypoint;
}

void Goal::Update(float dt) {
    D3DXVECTOR3 w = m_vWaypoint - m_vPos;
    D3DXVec3Normalize(&w, &w);
    const float fromOrigin = D3DXVec3Length(&m_vPos);

    D3DXVECTOR3 s = w;
    if (D3DXVec3Length(&s) > 1.0f)
        D3DXVec3Normalize(&s, &s);

    // Pitch is driven at a fixed rate; in the level band it is pushed back by one step from
    // either side, so a small pitch swings about zero instead of settling there.
    if (s.y > kClimbThreshold) {
        m_fPitch += kPitchRate * dt;
        if (m_fPitch > kPitchLimit)
            m_fPitch = kPitchLimit;
    } else if (s.y < -kClimbThreshold) {
        m_fPitch -= kPitchRate * dt;
        if (m_fPitch < -kPitchLimit)
            m_fPitch = -kPitchLimit;
    } else {
        if (m_fPitch > 0.0f)
            m_fPitch -= kPitchRate * dt;
        if (m_fPitch < 0.0f)
            m_fPitch += kPitchRate * dt;
    }

    // The speed relaxes toward the base speed in proportion to itself, inside its band.
    if (m_fCurSpeed > m_fSpeed)
        m_fCurSpeed -= std::fabs(m_fCurSpeed) * kSpeedRelaxation * dt;
    if (m_fCurSpeed < m_fSpeed)
        m_fCurSpeed += std::fabs(m_fCurSpeed) * kSpeedRelaxation * dt;
    m_fCurSpeed = std::min(std::max(m_fCurSpeed, m_fSpeed / 2.0f), 2.0f * m_fSpeed);

    // Turning from the horizontal part of the steering; the speed change comes after the
    // clamp, so it may leave the band until the next frame.
    const D3DXVECTOR3 h = NormalisedIfLong(D3DXVECTOR3(s.x, 0.0f, s.z));
    const D3DXVECTOR3 f = NormalisedIfLong(m_vDir);
    const float p = D3DXVec3Dot(&h, &f);
    if (p > 0.0f)
        m_fCurSpeed += kSpeedUp * m_fSpeed * dt;
    else
        m_fCurSpeed -= kSlowDown * m_fSpeed * dt;
    const float crossY = f.z * h.x - f.x * h.z;
    const float k = std::max(1.0f - p, 0.25f) * 1.0f * dt;
    if (crossY > kTurnThreshold) {
        if (m_fYawRate > -kYawRateLimit)
            m_fYawRate -= k;
    } else if (crossY < -kTurnThreshold) {
        if (m_fYawRate < kYawRateLimit)
            m_fYawRate += k;
    } else if (p > 0.0f) {
        // Ahead: the rate recovers toward a small turn of either sign. Straight behind it is
        // left alone, so the bird keeps turning until the waypoint is off its tail.
        if (m_fYawRate > kStraightYawRate)
            m_fYawRate -= kYawRateRecovery * dt;
        else if (m_fYawRate < -kStraightYawRate)
            m_fYawRate += kYawRateRecovery * dt;
        else
            m_fYawRate = RandomDraw() % 2 == 0 ? kStraightYawRate : -kStraightYawRate;
    }
    m_fYaw += m_fYawRate * dt;
    m_fRoll = kBankPerYawRate * m_fYawRate;

    D3DXMATRIX world;
    PoseActor(m_fYaw, m_fPitch, m_fRoll, m_vPos, &world);
    if (m_pInstance)
        m_pInstance->m_matWorld = world;
    m_vDir = ActorHeading(world);
    m_vPos += m_vDir * m_fCurSpeed * kUnitsPerSpeed * dt;

    if (fromOrigin > kStrayDistance)
        m_vPos = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

void Goal::Render(IDirect3DDevice8* device, const Camera& camera, ZSortRender* zSort,
                  const D3DXVECTOR4& light, float fogEnd) {
    if (!m_pInstance)
        return;
    if (!m_bSkinned) {
        m_pInstance->Render(device, camera.m_matWorld, camera.m_frustum, 0, zSort);
        return;
    }
    if (!m_pSkinnedSkm)
        return;
    m_pSkinnedSkm->Advance(1, 1, 0);
    m_pInstance->ApplyScale(kSkinnedScale);
    RenderParams params = ActorRenderParams(camera, light, fogEnd);
    params.matWorld = m_pInstance->m_matWorld;
    m_pSkinnedSkm->Render(params);
}

HRESULT Goal::ReleaseDeviceObjects() {
    if (m_pSkinnedSkm)
        m_pSkinnedSkm->ReleaseDeviceObjects();
    return S_OK;
}

HRESULT Goal::DestroyObjects() {
    if (m_pDammyMdl) {
        m_pDammyMdl->Release();
        delete m_pDammyMdl;
        m_pDammyMdl = nullptr;
    }
    delete m_pInstance;
    m_pInstance = nullptr;
    // Freed whenever it exists, even if the skinned flag changed since it was made.
    if (m_pSkinnedSkm) {
        m_pSkinnedSkm->DestroyObjects();
        delete m_pSkinnedSkm;
        m_pSkinnedSkm = nullptr;
    }
    return S_OK;
}

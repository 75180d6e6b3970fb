#include "flock/goal_user.h"

#include <cmath>
#include <new>

#include "flock/actor_pose.h"
#include "flock/actor_render_params.h"
#include "render/skinned_mesh.h"
#include "world/mesh_model.h"
#include "world/model_instance.h"

namespace {
constexpr float kThrottleRate = 70.0f;     // W and S: units per second squared, per second
constexpr float kTurnRate = 1.0f;          // A and D: radians per second, per second
constexpr float kNoseRate = 0.4f;          // E and Q: radians per second, per second
constexpr float kSpeedLag = 0.99f;         // per second: the speed settles near thrust / 0.99
constexpr float kPitchLimit = 0.6f;        // radians
constexpr float kLevelling = 0.2f;         // per second, of the pitch
constexpr float kThrottleDecay = 0.5f;     // per second, of the throttle
constexpr float kThrottleDeadBand = 0.1f;  // a smaller throttle stays as it is
constexpr float kRateDecay = 0.9f;         // per second, of the yaw and pitch rates
constexpr float kRateDeadBand = 0.01f;     // a smaller rate stays as it is
constexpr float kBoundary = 15000.0f;      // world units from the origin
constexpr float kWhaleScale = 30.0f;       // the drawn whale's size over its model's

constexpr const char* kDammyResource = "WHALEDAMMY.X";
constexpr const char* kSkin = "WHALESKINNED.X";

// Moves value toward zero by |value| x rate x dt while it lies beyond band on either side.
void Decay(float* value, float rate, float band, float dt) {
    if (*value > band)
        *value -= std::fabs(*value) * rate * dt;
    if (*value < -band)
        *value += std::fabs(*value) * rate * dt;
}
}  // namespace

void GoalUser::ApplySettings(const SaverSettings& settings) {
    m_bSkinned = settings.skinnedModels;
}

HRESULT GoalUser::InitDeviceObjects(IDirect3DDevice8* device, const D3DCAPS8& caps) {
    DestroyObjects();
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
    if (!m_pSkinnedSkm || FAILED(m_pSkinnedSkm->InitDeviceObjects(device, caps, kSkin)))
        return E_FAIL;
    return S_OK;
}

HRESULT GoalUser::RestoreDeviceObjects() {
    if (m_bSkinned && m_pSkinnedSkm)
        m_pSkinnedSkm->RestoreDeviceObjects();
    return S_OK;
}

void GoalUser::ApplyKeys(const KeyState& keys, float dt) {
    if (keys.w)
        m_fThrust += kThrottleRate * dt;
    if (keys.s)
        m_fThrust -= kThrottleRate * dt;
    if (keys.d)
        m_fYawRate -= kTurnRate * dt;
    if (keys.a)
        m_fYawRate += kTurnRate * dt;
    if (keys.e)
        m_fPitchRate += kNoseRate * dt;
    if (keys.q)
        m_fPitchRate -= kNoseRate * dt;
}

void GoalUser::Update(float dt) {
    const D3DXVECTOR3 before = m_vPos;

    float k = 1.0f - kSpeedLag * dt;
    if (!(k > 0.0f))
        k = 0.0f;
    m_fCurSpeed = m_fThrust * dt + k * m_fCurSpeed;

    m_fYaw += m_fYawRate * dt;
    m_fPitch += m_fPitchRate * dt;
    if (m_fPitch > kPitchLimit)
        m_fPitch = kPitchLimit;
    if (m_fPitch < -kPitchLimit)
        m_fPitch = -kPitchLimit;
    if (m_fPitch > 0.0f)
        m_fPitch -= std::fabs(kLevelling * m_fPitch) * dt;
    if (m_fPitch < 0.0f)
        m_fPitch += std::fabs(kLevelling * m_fPitch) * dt;

    Decay(&m_fThrust, kThrottleDecay, kThrottleDeadBand, dt);
    Decay(&m_fYawRate, kRateDecay, kRateDeadBand, dt);
    Decay(&m_fPitchRate, kRateDecay, kRateDeadBand, dt);

    D3DXMATRIX world;
    PoseActor(m_fYaw, m_fPitch, 0.0f, m_vPos, &world);
    if (m_pInstance)
        m_pInstance->m_matWorld = world;
    m_vDir = ActorHeading(world);
    m_vPos += m_vDir * m_fCurSpeed * dt;

    // The whale stops dead at the boundary sphere; the user must turn and throttle up again.
    if (D3DXVec3Length(&m_vPos) > kBoundary) {
        m_vPos = before;
        m_fCurSpeed = 0.0f;
        m_fThrust = 0.0f;
    }
}

void GoalUser::Render(IDirect3DDevice8* device, const Camera& camera, ZSortRender* zSort,
                      const D3DXVECTOR4& light, float fogEnd) {
    if (!m_pInstance)
        return;
    m_pInstance->ApplyScale(kWhaleScale);
    if (!m_bSkinned) {
        m_pInstance->Render(device, camera.m_matWorld, camera.m_frustum, 0, zSort);
        return;
    }
    if (!m_pSkinnedSkm)
        return;
    m_pSkinnedSkm->Advance(1, 1, 0);
    RenderParams params = ActorRenderParams(camera, light, fogEnd);
    params.matWorld = m_pInstance->m_matWorld;
    m_pSkinnedSkm->Render(params);
}

HRESULT GoalUser::ReleaseDeviceObjects() {
    if (m_pSkinnedSkm)
        m_pSkinnedSkm->ReleaseDeviceObjects();
    return S_OK;
}

HRESULT GoalUser::DestroyObjects() {
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

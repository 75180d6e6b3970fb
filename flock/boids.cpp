#include "flock/boids.h"

#include <new>

#include "app/camera.h"
#include "app/saver_settings.h"
#include "app/trace_log.h"
#include "platform/system/lcg_random.h"
#include "platform/system/system_clock.h"
#include "render/z_sort_render.h"
#include "world/mesh_model.h"

namespace {
constexpr float kStartSpread = 33.0f;  // half the edge of the start cube, world units
const D3DXVECTOR3 kStartCentre(200.0f, 1.0f, 200.0f);
constexpr float kLoopRateBase = 0.45f;  // radians per second
constexpr float kLoopRateSpread = 0.05f;

// A percentage of the settings as a fraction, in floats.
float Percent(int32_t value) {
    return static_cast<float>(value) / 100.0f;
}
}  // namespace

void Boids::ApplySettings(const SaverSettings& settings) {
    m_nBoids = settings.birdCount;
    m_bSkinned = settings.skinnedModels;
    m_bAvoidObstacles = settings.avoidObstacles;
    m_bLoop = settings.loops;
    m_bNight = settings.night;
    m_fRadius = static_cast<float>(settings.flockRadius);
    m_fSpeed = Percent(settings.speedPercent) * 0.6f + 0.6f;
    m_fSeparation = Percent(settings.separationPercent);
    m_fAlignment = Percent(settings.alignmentPercent);
    m_fCohesion = Percent(settings.cohesionPercent);
    m_fCenterWeight = Percent(settings.centerPercent);
    m_fTargetWeight = Percent(settings.targetPercent);
}

HRESULT Boids::CreateBirds() {
    // A count below one leaves nothing to allocate (and no centroid to divide by).
    delete[] m_pBoids;
    m_pBoids = nullptr;
    delete[] m_pPairData;
    m_pPairData = nullptr;
    if (m_nBoids >= 1) {
        m_pBoids = new (std::nothrow) Boid[static_cast<size_t>(m_nBoids)];
        m_pPairData = new (std::nothrow) PairLanes[(static_cast<size_t>(m_nBoids) + 3) / 4]();
    }
    if (!m_pBoids || !m_pPairData) {
        g_traceLog.Append("\t\t m_pBoids == NULL\n");
        return E_FAIL;
    }
    m_vTarget = D3DXVECTOR3();
    for (int i = 0; i < m_nBoids; ++i) {
        Boid& b = m_pBoids[i];
        float r[14];
        for (float& fraction : r)
            fraction = RandomFractionF();
        b.vDir = D3DXVECTOR3(r[3] - r[4], r[1] - r[2], r[5] - r[0]);
        D3DXVec3Normalize(&b.vDir, &b.vDir);
        b.vPos = D3DXVECTOR3((r[9] - r[10]) * kStartSpread + kStartCentre.x,
                             (r[7] - r[8]) * kStartSpread + kStartCentre.y,
                             (r[11] - r[6]) * kStartSpread + kStartCentre.z);
        b.fYaw = b.fPitch = b.fRoll = b.fPitchRate = b.fYawRate = 0.0f;
        b.fSpeed = m_fSpeed;
        b.bLoop = 0;
        b.bLoopStarted = 0;
        b.fLoopAngle = 0.0f - r[12] * kLoopDelay;
        b.fLoopRate = r[13] * kLoopRateSpread + kLoopRateBase;
        b.bAvoiding = 0;
        b.nNeighbours = 0;
        b.nSkin = RandomDraw() % 2;
    }
    return S_OK;
}

HRESULT Boids::InitDeviceObjects(IDirect3DDevice8* device, const D3DCAPS8& caps) {
    RandomSeed(timeGetTime());
    if (FAILED(CreateBirds()))
        return E_FAIL;

    m_pDammyMdl = new (std::nothrow) MeshModel;
    if (!m_pDammyMdl) {
        g_traceLog.Append("\t\tm_pDammyMdl == NULL\n");
        return E_FAIL;
    }
    g_traceLog.Append("\t\tm_pDammyMdl->LoadXFile...\n");
    const HRESULT hr = m_pDammyMdl->LoadXFile(device, kBirdDammyModel);
    if (FAILED(hr)) {
        g_traceLog.Append("\t\tFailed\n");
        return hr;
    }
    for (int i = 0; i < m_nBoids; ++i)
        m_pBoids[i].SetModel(m_pDammyMdl);
    return m_bSkinned ? LoadSkins(device, caps) : S_OK;
}

HRESULT Boids::Render(IDirect3DDevice8* device, const Camera& camera, ZSortRender* renderer,
                      const D3DXVECTOR4& light, float fogEnd) {
    if (!m_pBoids)
        return S_OK;
    if (!m_bSkinned) {
        for (int i = 0; i < m_nBoids; ++i)
            m_pBoids[i].Render(device, camera.m_matWorld, camera.m_frustum, 0, renderer);
        return S_OK;
    }
    RenderSkins(camera, light, fogEnd);
    return S_OK;
}

HRESULT Boids::DestroyObjects() {
    if (m_pDammyMdl) {
        m_pDammyMdl->Release();
        delete m_pDammyMdl;
        m_pDammyMdl = nullptr;
    }
    DestroySkins();
    delete[] m_pBoids;
    m_pBoids = nullptr;
    delete[] m_pPairData;
    m_pPairData = nullptr;
    return S_OK;
}

// The flock's skinned birds: two SkinnedMeshes, the day or the night pair, each drawing the
// birds of its variant in one shared pose.
#include <new>

#include "app/camera.h"
#include "app/trace_log.h"
#include "flock/actor_render_params.h"
#include "flock/boids.h"
#include "render/skinned_mesh.h"

HRESULT Boids::LoadSkins(IDirect3DDevice8* device, const D3DCAPS8& caps) {
    m_pSkinnedSkm = new (std::nothrow) SkinnedMesh[2];
    if (!m_pSkinnedSkm) {
        g_traceLog.Append("\t\tm_pSkinnedSkm == NULL\n");
        return E_FAIL;
    }
    const char* const* names = m_bNight == 1 ? kNightBirdSkins : kDayBirdSkins;
    g_traceLog.Append("\t\tm_pSkinnedSkm.InitDeviceObjects...\n");
    if (FAILED(m_pSkinnedSkm[0].InitDeviceObjects(device, caps, names[0]))) {
        g_traceLog.Append("\t\tFailed(0)\n");
        return E_FAIL;
    }
    if (FAILED(m_pSkinnedSkm[1].InitDeviceObjects(device, caps, names[1]))) {
        g_traceLog.Append("\t\tFailed(1)\n");
        return E_FAIL;
    }
    return S_OK;
}

HRESULT Boids::RestoreDeviceObjects() {
    if (m_bSkinned && m_pSkinnedSkm) {
        m_pSkinnedSkm[0].RestoreDeviceObjects();
        m_pSkinnedSkm[1].RestoreDeviceObjects();
    }
    return S_OK;
}

void Boids::RenderSkins(const Camera& camera, const D3DXVECTOR4& light, float fogEnd) {
    if (!m_pSkinnedSkm)
        return;
    m_pSkinnedSkm[0].Advance(1, 1, 0);
    m_pSkinnedSkm[1].Advance(1, 1, 0);

    RenderParams params = ActorRenderParams(camera, light, fogEnd);
    for (int i = 0; i < m_nBoids; ++i) {
        Boid& b = m_pBoids[i];
        // Culled on the dammy at its own size; a bird without a model is never visible.
        if (b.IsVisible(camera.m_frustum) != 1)
            continue;
        b.ApplyScale(kSkinnedBirdScale);
        params.matWorld = b.m_matWorld;
        m_pSkinnedSkm[b.nSkin].Render(params);
    }
}

HRESULT Boids::ReleaseDeviceObjects() {
    if (m_bSkinned && m_pSkinnedSkm) {
        m_pSkinnedSkm[0].ReleaseDeviceObjects();
        m_pSkinnedSkm[1].ReleaseDeviceObjects();
    }
    return S_OK;
}

void Boids::DestroySkins() {
    if (!m_pSkinnedSkm)
        return;
    m_pSkinnedSkm[0].DestroyObjects();
    m_pSkinnedSkm[1].DestroyObjects();
    delete[] m_pSkinnedSkm;
    m_pSkinnedSkm = nullptr;
}

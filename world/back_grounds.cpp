#include "world/back_grounds.h"

#include <new>

#include "app/trace_log.h"

namespace {
struct PillarSet {
    const char* allocationFailure;
    const char* loadLine;
    const char* model;
    const char* placements;
};

const PillarSet kPillarSets[3] = {
    {"\t\tm_pPillar01BGO == NULL\n", "\t\tm_pPillar01BGO->InitDeviceObjects...\n", "PILLAR01.X",
     "PILLAR01.BPS"},
    {"\t\tm_pPillar02BGO == NULL\n", "\t\tm_pPillar02BGO->InitDeviceObjects...\n", "PILLAR02.X",
     "PILLAR02.BPS"},
    {"\t\tm_pPillar03BGO == NULL\n", "\t\tm_pPillar03BGO->InitDeviceObjects...\n", "PILLAR03.X",
     "PILLAR03.BPS"},
};
}  // namespace

void BackGrounds::ApplySettings(const SaverSettings& settings) {
    m_bPillar01 = settings.pillar01Enabled;
    m_bPillar02 = settings.pillar02Enabled;
    m_bPillar03 = settings.pillar03Enabled;
}

HRESULT BackGrounds::InitDeviceObjects(IDirect3DDevice8* device) {
    BackGroundObject** sets[3] = {&m_pPillar01BGO, &m_pPillar02BGO, &m_pPillar03BGO};
    const int32_t flags[3] = {m_bPillar01, m_bPillar02, m_bPillar03};
    for (int k = 0; k < 3; ++k) {
        if (flags[k] == 0)
            continue;
        delete *sets[k];
        *sets[k] = new (std::nothrow) BackGroundObject();
        if (!*sets[k]) {
            g_traceLog.Append(kPillarSets[k].allocationFailure);
            return E_FAIL;
        }
        g_traceLog.Append(kPillarSets[k].loadLine);
        const HRESULT hr =
            (*sets[k])->InitDeviceObjects(device, kPillarSets[k].model, kPillarSets[k].placements);
        if (FAILED(hr)) {
            g_traceLog.Append("\t\tFailed\n");
            return hr;
        }
    }
    return S_OK;
}

HRESULT BackGrounds::Render(IDirect3DDevice8* device, const D3DXMATRIX& cameraWorld,
                            const ViewFrustum& frustum, int32_t ignored, ZSortRender* renderer) {
    BackGroundObject* sets[3] = {m_pPillar01BGO, m_pPillar02BGO, m_pPillar03BGO};
    const int32_t flags[3] = {m_bPillar01, m_bPillar02, m_bPillar03};
    for (int k = 0; k < 3; ++k)
        if (flags[k] != 0 && sets[k])
            sets[k]->Render(device, cameraWorld, frustum, ignored, renderer);
    return S_OK;
}

HRESULT BackGrounds::DeleteDeviceObjects() {
    BackGroundObject** sets[3] = {&m_pPillar01BGO, &m_pPillar02BGO, &m_pPillar03BGO};
    for (BackGroundObject** set : sets) {
        if (*set)
            (*set)->DeleteDeviceObjects();
        delete *set;
        *set = nullptr;
    }
    return S_OK;
}

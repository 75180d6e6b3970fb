#include "world/background_object.h"

#include <new>
#include <vector>

#include "app/trace_log.h"
#include "world/bps_format.h"
#include "world/misc_resource.h"

HRESULT BackGroundObject::InitDeviceObjects(IDirect3DDevice8* device, const char* xName,
                                            const char* bpsName) {
    DeleteDeviceObjects();
    g_traceLog.Append("\t\tm_pBackGroundMdl->LoadXFile...\n");
    m_pBackGroundMdl = new (std::nothrow) MeshModel();
    if (!m_pBackGroundMdl) {
        g_traceLog.Append("\t\tm_pBackGroundMdl == NULL\n");
        return E_FAIL;
    }
    HRESULT hr = m_pBackGroundMdl->LoadXFile(device, xName);
    if (FAILED(hr)) {
        g_traceLog.Append("\t\tFailed\n");
        return hr;
    }

    ResourceBytes bytes;
    if (FAILED(ReadMiscResource(bpsName, "\t\tFineResource...\n", &bytes)))
        return E_FAIL;
    std::vector<D3DXMATRIX> matrices;
    if (FAILED(ReadMatrixList(bytes, bpsName, &matrices)))
        return E_FAIL;
    m_nCount = static_cast<int32_t>(matrices.size());
    m_pBackGroundObj = new (std::nothrow) ModelInstance[matrices.size()];
    if (!m_pBackGroundObj) {
        g_traceLog.Append("\t\tm_pBackGroundObj == NULL\n");
        return E_FAIL;
    }
    for (int32_t i = 0; i < m_nCount; ++i) {
        m_pBackGroundObj[i].SetModel(m_pBackGroundMdl);
        m_pBackGroundObj[i].m_matWorld = matrices[i];
    }
    return S_OK;
}

HRESULT BackGroundObject::Render(IDirect3DDevice8* device, const D3DXMATRIX& cameraWorld,
                                 const ViewFrustum& frustum, int32_t ignored,
                                 ZSortRender* renderer) {
    for (int32_t i = 0; m_pBackGroundObj && i < m_nCount; ++i)
        m_pBackGroundObj[i].Render(device, cameraWorld, frustum, ignored, renderer);
    return S_OK;
}

HRESULT BackGroundObject::DeleteDeviceObjects() {
    if (m_pBackGroundMdl)
        m_pBackGroundMdl->Release();
    delete m_pBackGroundMdl;
    delete[] m_pBackGroundObj;
    m_pBackGroundMdl = nullptr;
    m_pBackGroundObj = nullptr;
    m_nCount = 0;
    return S_OK;
}

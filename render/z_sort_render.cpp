#include "render/z_sort_render.h"

#include <algorithm>
#include <cmath>

#include "app/trace_log.h"
#include "platform/d3dx/d3dx_shader.h"
#include "platform/d3dx/d3dx_texture.h"
#include "render/vertex_declarations.h"

namespace {
constexpr UINT kToonVertexStride = 44;  // bytes

// The sort key; a NaN position sorts last, so the order stays a strict weak one.
float SortKey(const QueueEntry& e, const D3DXVECTOR3& d) {
    const float key = D3DXVec3Dot(&d, &e.m_vSortPosition);
    return std::isnan(key) ? INFINITY : key;
}
}  // namespace

HRESULT ZSortRender::InitDeviceObjects(IDirect3DDevice8* device, const SaverSettings& settings) {
    g_traceLog.Append("\t\tD3DXCreateTextureFromResource...\n");
    DestroyObjects();
    const char* ramp = settings.night != 0 ? "ToonToon.bmp" : "Toon.bmp";
    if (FAILED(D3DXCreateTextureFromResourceA(device, ramp, &m_pToonRamp))) {
        m_pToonRamp = nullptr;
        g_traceLog.Append("\t\tFailed\n");
        return E_FAIL;
    }
    return S_OK;
}

HRESULT ZSortRender::RestoreDeviceObjects(IDirect3DDevice8* device) {
    g_traceLog.Append("\t\tD3DXAssembleShaderFromResource...\n");
    ID3DXBuffer* code = nullptr;
    const HRESULT hr = D3DXAssembleShaderFromResource("Toon.vsh", 0, nullptr, &code, nullptr);
    if (FAILED(hr)) {
        g_traceLog.Append("\t\tFailed\n");
        return hr;
    }
    g_traceLog.Append("\t\tCreateVertexShader...\n");
    ReleaseDeviceObjects(device);
    DWORD handle = kNoVertexShader;
    const HRESULT created = device->CreateVertexShader(
        kToonDeclaration, static_cast<const DWORD*>(code->GetBufferPointer()), &handle, 0);
    code->Release();
    if (FAILED(created)) {
        g_traceLog.Append("\t\tFailed\n");
        return E_FAIL;
    }
    m_dwShader = handle;
    return S_OK;
}

HRESULT ZSortRender::Enqueue(IDirect3DVertexBuffer8* vertexBuffer,
                             IDirect3DIndexBuffer8* indexBuffer, const D3DXATTRIBUTERANGE* ranges,
                             D3DXMATRIX world, D3DXVECTOR3 sortPosition,
                             const D3DMATERIAL8* materials, IDirect3DTexture8* const* textures,
                             DWORD rangeCount) {
    if (m_dwCount >= kZSortCapacity)
        return S_OK;
    QueueEntry& e = m_entries[m_dwCount++];
    e.m_pVertexBuffer = vertexBuffer;
    e.m_pIndexBuffer = indexBuffer;
    e.m_pRanges = ranges;
    e.m_pMaterials = materials;
    e.m_ppTextures = textures;
    e.m_dwRangeCount = rangeCount;
    e.m_matWorld = world;
    e.m_vSortPosition = sortPosition;
    return S_OK;
}

HRESULT ZSortRender::Sort(float x, float y, float z) {
    if (m_dwCount < 2)
        return S_OK;
    const D3DXVECTOR3 d(x, y, z);
    std::sort(m_entries, m_entries + m_dwCount, [&d](const QueueEntry& a, const QueueEntry& b) {
        return SortKey(a, d) < SortKey(b, d);
    });
    return S_OK;
}

HRESULT ZSortRender::Render(IDirect3DDevice8* device, const D3DXMATRIX& view,
                            const D3DXMATRIX& projection, const D3DXVECTOR4& light, float fogEnd) {
    if (m_dwCount == 0)
        return S_OK;
    const D3DXVECTOR4 shaderConstants(0.0f, 0.5f, 1.0f, -1.0f);
    const D3DXVECTOR4 fog(-1.0f / fogEnd, fogEnd / fogEnd, 0.0f, 0.0f);
    for (DWORD i = 0; i < m_dwCount; ++i) {
        const QueueEntry& e = m_entries[i];
        D3DXMATRIX worldView, worldViewProjection, transposed;
        D3DXMatrixMultiply(&worldView, &e.m_matWorld, &view);
        D3DXMatrixMultiplyTranspose(&worldViewProjection, &worldView, &projection);
        device->SetVertexShaderConstant(0, &worldViewProjection, 4);
        D3DXMatrixTranspose(&transposed, &worldView);
        device->SetVertexShaderConstant(4, &transposed, 4);
        device->SetVertexShaderConstant(12, &shaderConstants, 1);
        // The light in model space; a singular world leaves it as it is.
        D3DXMATRIX inverseWorld;
        D3DXMatrixInverse(&inverseWorld, nullptr, &e.m_matWorld);
        D3DXVECTOR4 modelLight;
        D3DXVec4Transform(&modelLight, &light, &inverseWorld);
        D3DXVec4Normalize(&modelLight, &modelLight);
        device->SetVertexShaderConstant(13, &modelLight, 1);
        device->SetVertexShaderConstant(14, &fog, 1);

        device->SetVertexShader(m_dwShader);
        device->SetStreamSource(0, e.m_pVertexBuffer, kToonVertexStride);
        device->SetIndices(e.m_pIndexBuffer, 0);
        for (DWORD r = 0; r < e.m_dwRangeCount && e.m_pRanges; ++r) {
            const D3DXATTRIBUTERANGE& range = e.m_pRanges[r];
            // Materials and textures are per material id, which is the range's attribute id
            // (not its position in the table, which differs once a material has no faces).
            if (e.m_pMaterials)
                device->SetMaterial(&e.m_pMaterials[range.AttribId]);
            device->SetTexture(0, m_pToonRamp);
            device->SetTexture(1, e.m_ppTextures ? e.m_ppTextures[range.AttribId] : nullptr);
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, range.VertexStart, range.VertexCount,
                                         range.FaceStart * 3, range.FaceCount);
        }
        device->SetTexture(0, nullptr);
        device->SetTexture(1, nullptr);
    }
    return S_OK;
}

HRESULT ZSortRender::Clear() {
    for (QueueEntry& e : m_entries)
        e = QueueEntry();
    m_dwCount = 0;
    return S_OK;
}

HRESULT ZSortRender::ReleaseDeviceObjects(IDirect3DDevice8* device) {
    if (m_dwShader != kNoVertexShader && device)
        device->DeleteVertexShader(m_dwShader);
    m_dwShader = kNoVertexShader;
    return S_OK;
}

HRESULT ZSortRender::DestroyObjects() {
    // Pieces queued after the frame's draw (the leader's dammy model) would outlive the
    // buffers they point at.
    Clear();
    if (m_pToonRamp)
        m_pToonRamp->Release();
    m_pToonRamp = nullptr;
    return S_OK;
}

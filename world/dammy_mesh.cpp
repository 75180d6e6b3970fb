#include "world/dammy_mesh.h"

#include <cstdio>

#include "app/trace_log.h"
#include "platform/d3d8/vertex_format.h"
#include "platform/d3dx/xfile_mesh.h"
#include "world/segment_query.h"

namespace {
constexpr DWORD kDammyFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
}  // namespace

HRESULT DammyMesh::Load(IDirect3DDevice8* device, const XData& meshObject, std::string* error) {
    Release();
    std::snprintf(m_szName, sizeof m_szName, "%s", meshObject.Name().c_str());
    g_traceLog.Append("\t\t\tD3DXLoadMeshFromXof...\n");
    ID3DXMesh* loaded = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;
    HRESULT hr = D3DXLoadMeshFromXof(&meshObject, D3DXMESH_SYSTEMMEM, device, &adjacency,
                                     &materials, &materialCount, &loaded, error);
    if (SUCCEEDED(hr)) {
        g_traceLog.Append("\t\t\tCloneMeshFVF...\n");
        hr = loaded->CloneMeshFVF(D3DXMESH_SYSTEMMEM, kDammyFvf, device, &m_pMesh);
        if (FAILED(hr) && error)
            *error = std::string(m_szName) + ": CloneMeshFVF failed";
    }
    if (FAILED(hr)) {
        g_traceLog.Append("\t\t\tFailed\n");
        m_pMesh = nullptr;
    }
    if (loaded)
        loaded->Release();
    if (adjacency)
        adjacency->Release();
    if (materials)
        materials->Release();
    return hr;
}

void DammyMesh::Release() {
    if (m_pMesh)
        m_pMesh->Release();
    m_pMesh = nullptr;
}

int DammyMesh::HitSegment(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, D3DXVECTOR3* normal,
                          const D3DXMATRIX& world) const {
    if (!m_pMesh || !normal)
        return 0;
    BYTE* vertices = nullptr;
    BYTE* indices = nullptr;
    m_pMesh->LockIndexBuffer(D3DLOCK_READONLY, &indices);
    m_pMesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices);
    const int hit =
        HitSegmentTriangles(vertices, m_pMesh->GetNumBytesPerVertex(), m_pMesh->GetNumVertices(),
                            reinterpret_cast<const unsigned short*>(indices),
                            m_pMesh->GetNumFaces(), world, p0, p1, normal);
    m_pMesh->UnlockVertexBuffer();
    m_pMesh->UnlockIndexBuffer();
    return hit;
}

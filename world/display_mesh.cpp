#include "world/display_mesh.h"

#include <cstdio>
#include <cstring>

#include "app/trace_log.h"
#include "platform/d3d8/vertex_format.h"
#include "platform/d3dx/xfile_mesh.h"
#include "render/vertex_declarations.h"
#include "render/z_sort_render.h"
#include "world/frustum_test.h"
#include "world/texture_cache.h"

namespace {
constexpr D3DCOLOR kOpaqueRed = 0xFFFF0000u;
constexpr D3DCOLOR kOpaqueWhite = 0xFFFFFFFFu;

template <typename T>
void ReleaseAndNull(T** object) {
    if (*object)
        (*object)->Release();
    *object = nullptr;
}

std::string StepFailure(const char* mesh, const char* step, HRESULT hr) {
    char text[160];
    std::snprintf(text, sizeof text, ": %s failed (0x%08X)", step, static_cast<unsigned>(hr));
    return mesh + std::string(text);
}
}  // namespace

int FadeLevelForDistance(float distance) {
    float r = distance / kFadeDistance;
    if (r > 1.0f)
        r = 1.0f;
    if (r < 0.5f)
        return kFadeLevels - 1;
    const int level = static_cast<int>((1.0f - (2.0f * r - 1.0f)) * 10.0f);
    return level > kFadeLevels - 1 ? kFadeLevels - 1 : level;
}

HRESULT DisplayMesh::Load(IDirect3DDevice8* device, const XData& meshObject, std::string* error) {
    Release();
    std::snprintf(m_szName, sizeof m_szName, "%s", meshObject.Name().c_str());
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    HRESULT hr = S_OK;

    // Every exit goes through here: only the buffers, table, materials and textures stay.
    auto finish = [&](HRESULT result) {
        ReleaseAndNull(&mesh);
        ReleaseAndNull(&adjacency);
        ReleaseAndNull(&materials);
        return result;
    };
    auto fail = [&](HRESULT result, const char* step) {
        g_traceLog.Append("\t\t\tFailed\n");
        if (error && error->empty())
            *error = StepFailure(m_szName, step, result);
        return finish(result);
    };

    g_traceLog.Append("\t\t\tD3DXLoadMeshFromXof...\n");
    hr = D3DXLoadMeshFromXof(&meshObject, D3DXMESH_SYSTEMMEM, device, &adjacency, &materials,
                             &m_dwRangeCount, &mesh, error);
    if (FAILED(hr))
        return fail(hr, "D3DXLoadMeshFromXof");

    const DWORD materialCount = m_dwRangeCount;
    if (materialCount > 0) {
        const D3DXMATERIAL* loaded =
            static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
        for (int k = 0; k < kFadeLevels; ++k) {
            m_fadeMaterials[k].resize(materialCount);
            for (DWORD m = 0; m < materialCount; ++m) {
                D3DMATERIAL8& copy = m_fadeMaterials[k][m];
                copy = loaded[m].MatD3D;
                copy.Diffuse.a = static_cast<float>(k + 1) * 0.1f;
                copy.Ambient = copy.Diffuse;
            }
        }
        m_textures.assign(materialCount, nullptr);
        for (DWORD m = 0; m < materialCount; ++m)
            if (loaded[m].pTextureFilename)
                m_textures[m] = g_textureCache.Acquire(device, loaded[m].pTextureFilename);
    }

    g_traceLog.Append("\t\t\tpTempMesh1->Optimize...\n");
    ID3DXMesh* optimized = nullptr;
    hr = mesh->Optimize(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr, &optimized);
    if (FAILED(hr))
        return fail(hr, "Optimize");
    mesh->Release();
    mesh = optimized;
    mesh->GetAttributeTable(nullptr, &m_dwRangeCount);
    m_attributeTable.resize(m_dwRangeCount);
    mesh->GetAttributeTable(m_attributeTable.data(), &m_dwRangeCount);

    g_traceLog.Append("\t\t\tpTempMesh1->CloneMeshFVF...\n");
    ID3DXMesh* clone = nullptr;
    hr = mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, kStaticVertexFvf, device, &clone);
    if (FAILED(hr))
        return fail(hr, "CloneMeshFVF");
    mesh->Release();
    mesh = clone;
    D3DXComputeNormals(mesh, nullptr);

    g_traceLog.Append("\t\t\tCreateVertex,IndexBuffer...\n");
    m_dwVertexCount = mesh->GetNumVertices();
    const DWORD faceCount = mesh->GetNumFaces();
    if (!device)
        return fail(D3DERR_INVALIDCALL, "CreateVertexBuffer (no device)");
    hr = device->CreateVertexBuffer(m_dwVertexCount * static_cast<UINT>(sizeof(StaticVertex)), 0,
                                    kStaticVertexFvf, D3DPOOL_MANAGED, &m_pVertexBuffer);
    if (FAILED(hr))
        return fail(hr, "CreateVertexBuffer");
    hr = device->CreateIndexBuffer(faceCount * 6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                   &m_pIndexBuffer);
    if (FAILED(hr))
        return fail(hr, "CreateIndexBuffer");

    BYTE* source = nullptr;
    BYTE* target = nullptr;
    mesh->LockVertexBuffer(D3DLOCK_READONLY, &source);
    hr = m_pVertexBuffer->Lock(0, 0, &target, 0);
    if (FAILED(hr))
        return fail(hr, "vertex buffer Lock");
    for (DWORD v = 0; v < m_dwVertexCount; ++v) {
        StaticVertex vertex;
        std::memcpy(&vertex, source + static_cast<size_t>(v) * sizeof vertex, sizeof vertex);
        // Opaque pure red in the art stands for white; every other colour is kept.
        if (vertex.colour == kOpaqueRed)
            vertex.colour = kOpaqueWhite;
        vertex.tex1 = vertex.tex0;
        std::memcpy(target + static_cast<size_t>(v) * sizeof vertex, &vertex, sizeof vertex);
    }
    m_pVertexBuffer->Unlock();
    mesh->UnlockVertexBuffer();

    mesh->LockIndexBuffer(D3DLOCK_READONLY, &source);
    hr = m_pIndexBuffer->Lock(0, 0, &target, 0);
    if (FAILED(hr))
        return fail(hr, "index buffer Lock");
    std::memcpy(target, source, static_cast<size_t>(faceCount) * 6);
    m_pIndexBuffer->Unlock();
    mesh->UnlockIndexBuffer();

    hr = m_pVertexBuffer->Lock(0, 0, &source, D3DLOCK_READONLY);
    if (FAILED(hr))
        return fail(hr, "vertex buffer Lock");
    g_traceLog.Append("\t\t\tD3DXComputeBoundingBox...\n");
    D3DXVECTOR3 low, high;
    hr = D3DXComputeBoundingBox(source, m_dwVertexCount, kStaticVertexFvf, &low, &high);
    if (FAILED(hr)) {
        m_pVertexBuffer->Unlock();
        return fail(hr, "D3DXComputeBoundingBox");
    }
    for (int k = 0; k < 8; ++k)
        m_vLocalCorners[k] = D3DXVECTOR3((k & 1) ? high.x : low.x, (k & 2) ? high.y : low.y,
                                         (k & 4) ? high.z : low.z);
    g_traceLog.Append("\t\t\tD3DXComputeBoundingSphere...\n");
    hr = D3DXComputeBoundingSphere(source, m_dwVertexCount, kStaticVertexFvf, &m_vLocalCentre,
                                   &m_fLocalRadius);
    m_pVertexBuffer->Unlock();
    if (FAILED(hr))
        return fail(hr, "D3DXComputeBoundingSphere");
    return finish(S_OK);
}

void DisplayMesh::Release() {
    for (IDirect3DTexture8* texture : m_textures)
        g_textureCache.Unacquire(texture);
    m_textures.clear();
    for (std::vector<D3DMATERIAL8>& copies : m_fadeMaterials)
        copies.clear();
    m_attributeTable.clear();
    m_dwRangeCount = 0;
    ReleaseAndNull(&m_pVertexBuffer);
    ReleaseAndNull(&m_pIndexBuffer);
    m_dwVertexCount = 0;
}

void DisplayMesh::UpdateWorldBounds(const D3DXMATRIX& world) {
    for (int k = 0; k < 8; ++k)
        D3DXVec3TransformCoord(&m_vWorldCorners[k], &m_vLocalCorners[k], &world);
    PlanesFromCorners(m_vWorldCorners, m_worldPlanes);
    D3DXVec3TransformCoord(&m_vWorldCentre, &m_vLocalCentre, &world);
}

bool DisplayMesh::IsVisible(const ViewFrustum& frustum) const {
    return TestBoxAgainstFrustum(m_vWorldCorners, m_worldPlanes, frustum).visible;
}

HRESULT DisplayMesh::Render(const D3DXMATRIX& world, const D3DXMATRIX& cameraWorld,
                            const ViewFrustum& frustum, ZSortRender* renderer) const {
    const D3DXVECTOR3 eye(cameraWorld._41, cameraWorld._42, cameraWorld._43);
    const D3DXVECTOR3 offset = m_vWorldCentre - eye;
    const int level = FadeLevelForDistance(D3DXVec3Length(&offset));
    if (!renderer || !m_pVertexBuffer || !IsVisible(frustum))
        return S_OK;
    const std::vector<D3DMATERIAL8>& materials = m_fadeMaterials[level];
    renderer->Enqueue(m_pVertexBuffer, m_pIndexBuffer, m_attributeTable.data(), world,
                      m_vWorldCentre, materials.empty() ? nullptr : materials.data(),
                      m_textures.empty() ? nullptr : m_textures.data(), m_dwRangeCount);
    return S_OK;
}

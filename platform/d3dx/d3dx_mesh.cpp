#include "platform/d3dx/d3dx_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numeric>
#include <unordered_map>

namespace {
constexpr DWORD kKnownFvfBits = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_PSIZE |
                                D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK |
                                D3DFVF_LASTBETA_UBYTE4 | 0x8000u;  // LASTBETA_D3DCOLOR
constexpr DWORD kOptimizeSorts =
    D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER;
constexpr DWORD kNoVertex = 0xFFFFFFFFu;
constexpr D3DCOLOR kOpaqueWhite = 0xFFFFFFFFu;

// Byte offsets of the components of one FVF vertex; -1 for a component it lacks.
struct FvfLayout {
    DWORD stride = 0;
    DWORD betas = 0;  // 4-byte blend values after the position (weights, last beta included)
    int normal = -1;
    int pointSize = -1;
    int diffuse = -1;
    int specular = -1;
    int texture = -1;  // first 2D coordinate pair
    DWORD textureSets = 0;
};

// False for formats a mesh cannot hold: no untransformed position, unknown bits, 3D or 1D
// texture coordinates (the upper 16 bits), more than 8 coordinate sets.
bool DescribeFvf(DWORD fvf, FvfLayout* layout) {
    if ((fvf & ~kKnownFvfBits) != 0)
        return false;
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position == 0 || position == D3DFVF_XYZRHW)
        return false;
    FvfLayout l;
    l.betas = position == D3DFVF_XYZ ? 0 : (position - D3DFVF_XYZB1) / 2 + 1;
    int offset = 12 + 4 * static_cast<int>(l.betas);
    if (fvf & D3DFVF_NORMAL) {
        l.normal = offset;
        offset += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        l.pointSize = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuse = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        l.specular = offset;
        offset += 4;
    }
    l.textureSets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (l.textureSets > 8)
        return false;
    if (l.textureSets > 0)
        l.texture = offset;
    offset += 8 * static_cast<int>(l.textureSets);
    l.stride = static_cast<DWORD>(offset);
    *layout = l;
    return true;
}

D3DXVECTOR3 PositionAt(const BYTE* vertices, DWORD stride, DWORD index) {
    D3DXVECTOR3 p;
    std::memcpy(&p, vertices + static_cast<size_t>(stride) * index, sizeof p);
    return p;
}

// Copies the component at `from` of src to `to` of dst (both offsets present), else fills.
void CopyComponent(BYTE* dst, int to, const BYTE* src, int from, size_t bytes, const void* fill) {
    if (to < 0)
        return;
    if (from >= 0)
        std::memcpy(dst + to, src + from, bytes);
    else
        std::memcpy(dst + to, fill, bytes);
}

// The face across each edge; vertices within epsilon of one another on every axis share a
// representative, found by sorting on (x, y, z) and sweeping along x.
void ComputeAdjacency(const BYTE* vertices, DWORD stride, DWORD vertexCount, const WORD* indices,
                      DWORD faceCount, float epsilon, DWORD* adjacency) {
    std::vector<DWORD> order(vertexCount);
    std::iota(order.begin(), order.end(), 0u);
    std::vector<D3DXVECTOR3> p(vertexCount);
    for (DWORD v = 0; v < vertexCount; ++v)
        p[v] = PositionAt(vertices, stride, v);
    std::sort(order.begin(), order.end(), [&p](DWORD a, DWORD b) {
        if (p[a].x != p[b].x)
            return p[a].x < p[b].x;
        if (p[a].y != p[b].y)
            return p[a].y < p[b].y;
        if (p[a].z != p[b].z)
            return p[a].z < p[b].z;
        return a < b;
    });
    std::vector<DWORD> rep(vertexCount);
    std::iota(rep.begin(), rep.end(), 0u);
    const float eps = epsilon > 0.0f ? epsilon : 0.0f;
    for (DWORD i = 0; i < vertexCount; ++i) {
        const D3DXVECTOR3& a = p[order[i]];
        if (rep[order[i]] != order[i])
            continue;  // already joined to an earlier vertex
        for (DWORD j = i + 1; j < vertexCount && p[order[j]].x - a.x <= eps; ++j) {
            const D3DXVECTOR3& b = p[order[j]];
            if (std::fabs(b.y - a.y) <= eps && std::fabs(b.z - a.z) <= eps &&
                rep[order[j]] == order[j])
                rep[order[j]] = order[i];
        }
    }
    auto key = [](DWORD a, DWORD b) { return (static_cast<uint64_t>(a) << 32) | b; };
    std::unordered_map<uint64_t, DWORD> edges;
    edges.reserve(static_cast<size_t>(faceCount) * 3);
    for (DWORD f = 0; f < faceCount; ++f)
        for (DWORD e = 0; e < 3; ++e) {
            const DWORD a = rep[indices[3 * f + e]], b = rep[indices[3 * f + (e + 1) % 3]];
            if (a != b)
                edges.emplace(key(a, b), f);
        }
    for (DWORD f = 0; f < faceCount; ++f)
        for (DWORD e = 0; e < 3; ++e) {
            const DWORD a = rep[indices[3 * f + e]], b = rep[indices[3 * f + (e + 1) % 3]];
            adjacency[3 * f + e] = kNoAdjacentFace;
            if (a == b)
                continue;
            const auto found = edges.find(key(b, a));
            if (found != edges.end() && found->second != f)
                adjacency[3 * f + e] = found->second;
        }
}
}  // namespace

ULONG ID3DXMesh::Release() {
    const ULONG refs = --m_nRefs;
    if (refs == 0)
        delete this;
    return refs;
}

ID3DXMesh::~ID3DXMesh() {
    if (m_pVertexBuffer)
        m_pVertexBuffer->Release();
    if (m_pIndexBuffer)
        m_pIndexBuffer->Release();
    if (m_pDevice)
        m_pDevice->Release();
}

HRESULT ID3DXMesh::GetDevice(IDirect3DDevice8** device) const {
    if (!device)
        return D3DERR_INVALIDCALL;
    *device = m_pDevice;
    if (m_pDevice)
        m_pDevice->AddRef();
    return D3D_OK;
}

HRESULT ID3DXMesh::LockVertexBuffer(DWORD flags, BYTE** data) {
    if (!data)
        return D3DERR_INVALIDCALL;
    *data = m_vertices.data();
    if (!(flags & D3DLOCK_READONLY))
        m_bVerticesDirty = true;
    return D3D_OK;
}

HRESULT ID3DXMesh::UnlockVertexBuffer() {
    return D3D_OK;
}

HRESULT ID3DXMesh::LockIndexBuffer(DWORD flags, BYTE** data) {
    if (!data)
        return D3DERR_INVALIDCALL;
    *data = reinterpret_cast<BYTE*>(m_indices.data());
    if (!(flags & D3DLOCK_READONLY))
        m_bIndicesDirty = true;
    return D3D_OK;
}

HRESULT ID3DXMesh::UnlockIndexBuffer() {
    return D3D_OK;
}

HRESULT ID3DXMesh::LockAttributeBuffer(DWORD /*flags*/, DWORD** data) {
    if (!data)
        return D3DERR_INVALIDCALL;
    *data = m_attributes.data();
    return D3D_OK;
}

HRESULT ID3DXMesh::UnlockAttributeBuffer() {
    return D3D_OK;
}

HRESULT ID3DXMesh::UpdateDeviceBuffers() {
    if (!m_pDevice)
        return D3DERR_INVALIDCALL;
    const UINT vertexBytes = static_cast<UINT>(m_vertices.size());
    const UINT indexBytes = static_cast<UINT>(m_indices.size() * sizeof(WORD));
    if (vertexBytes == 0 || indexBytes == 0)
        return D3DERR_INVALIDCALL;
    HRESULT hr = D3D_OK;
    if (!m_pVertexBuffer) {
        hr = m_pDevice->CreateVertexBuffer(vertexBytes, 0, m_dwFvf, D3DPOOL_MANAGED,
                                           &m_pVertexBuffer);
        if (FAILED(hr))
            return hr;
        m_bVerticesDirty = true;
    }
    if (!m_pIndexBuffer) {
        hr = m_pDevice->CreateIndexBuffer(indexBytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                          &m_pIndexBuffer);
        if (FAILED(hr))
            return hr;
        m_bIndicesDirty = true;
    }
    BYTE* data = nullptr;
    if (m_bVerticesDirty) {
        hr = m_pVertexBuffer->Lock(0, 0, &data, 0);
        if (FAILED(hr))
            return hr;
        std::memcpy(data, m_vertices.data(), vertexBytes);
        m_pVertexBuffer->Unlock();
        m_bVerticesDirty = false;
    }
    if (m_bIndicesDirty) {
        hr = m_pIndexBuffer->Lock(0, 0, &data, 0);
        if (FAILED(hr))
            return hr;
        std::memcpy(data, m_indices.data(), indexBytes);
        m_pIndexBuffer->Unlock();
        m_bIndicesDirty = false;
    }
    return D3D_OK;
}

HRESULT ID3DXMesh::GetVertexBuffer(IDirect3DVertexBuffer8** buffer) {
    if (!buffer)
        return D3DERR_INVALIDCALL;
    const HRESULT hr = UpdateDeviceBuffers();
    if (FAILED(hr))
        return hr;
    m_pVertexBuffer->AddRef();
    *buffer = m_pVertexBuffer;
    return D3D_OK;
}

HRESULT ID3DXMesh::GetIndexBuffer(IDirect3DIndexBuffer8** buffer) {
    if (!buffer)
        return D3DERR_INVALIDCALL;
    const HRESULT hr = UpdateDeviceBuffers();
    if (FAILED(hr))
        return hr;
    m_pIndexBuffer->AddRef();
    *buffer = m_pIndexBuffer;
    return D3D_OK;
}

HRESULT ID3DXMesh::GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) const {
    if (!size)
        return D3DERR_INVALIDCALL;
    const DWORD count = static_cast<DWORD>(m_attributeTable.size());
    if (!table) {
        *size = count;
        return D3D_OK;
    }
    const DWORD copied = std::min(*size, count);
    std::copy(m_attributeTable.begin(), m_attributeTable.begin() + copied, table);
    *size = copied;
    return D3D_OK;
}

HRESULT ID3DXMesh::Optimize(DWORD flags, const DWORD* /*adjacencyIn*/, DWORD* adjacencyOut,
                            DWORD* faceRemap, ID3DXBuffer** vertexRemap,
                            ID3DXMesh** optimized) const {
    if (!optimized)
        return D3DERR_INVALIDCALL;
    const DWORD faceCount = GetNumFaces();
    const bool sort = (flags & kOptimizeSorts) != 0;
    const bool compact = sort || (flags & D3DXMESHOPT_COMPACT) != 0;

    std::vector<DWORD> faceOrder(faceCount);
    std::iota(faceOrder.begin(), faceOrder.end(), 0u);
    if (sort)
        std::stable_sort(faceOrder.begin(), faceOrder.end(),
                         [this](DWORD a, DWORD b) { return m_attributes[a] < m_attributes[b]; });

    // New vertex -> old vertex. Sorting numbers each group's vertices by first use, so a
    // vertex used by two groups is split; compaction alone numbers them once by first use.
    std::vector<DWORD> vertexOrder;
    std::vector<WORD> newIndices(m_indices.size());
    std::vector<D3DXATTRIBUTERANGE> table;
    if (compact) {
        std::vector<DWORD> mapped(m_dwNumVertices, kNoVertex);
        std::vector<DWORD> stamp(m_dwNumVertices, kNoVertex);
        DWORD group = kNoVertex;
        for (DWORD n = 0; n < faceCount; ++n) {
            const DWORD f = faceOrder[n];
            if (sort && (table.empty() || table.back().AttribId != m_attributes[f])) {
                D3DXATTRIBUTERANGE range;
                range.AttribId = m_attributes[f];
                range.FaceStart = n;
                range.VertexStart = static_cast<DWORD>(vertexOrder.size());
                table.push_back(range);
                group = n;
            } else if (!sort) {
                group = 0;
            }
            for (DWORD c = 0; c < 3; ++c) {
                const DWORD old = m_indices[3 * f + c];
                if (stamp[old] != group) {
                    stamp[old] = group;
                    mapped[old] = static_cast<DWORD>(vertexOrder.size());
                    vertexOrder.push_back(old);
                }
                newIndices[3 * n + c] = static_cast<WORD>(mapped[old]);
            }
            if (sort)
                ++table.back().FaceCount;
            if (vertexOrder.size() > kMaxMesh16Vertices)
                return D3DXERR_CANNOTATTRSORT;
        }
        for (size_t r = 0; r < table.size(); ++r) {
            const DWORD end = r + 1 < table.size() ? table[r + 1].VertexStart
                                                   : static_cast<DWORD>(vertexOrder.size());
            table[r].VertexCount = end - table[r].VertexStart;
        }
    } else {
        vertexOrder.resize(m_dwNumVertices);
        std::iota(vertexOrder.begin(), vertexOrder.end(), 0u);
        for (DWORD n = 0; n < faceCount; ++n)
            for (DWORD c = 0; c < 3; ++c)
                newIndices[3 * n + c] = m_indices[3 * faceOrder[n] + c];
        table = m_attributeTable;
    }

    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXCreateMeshFVF(faceCount, static_cast<DWORD>(vertexOrder.size()), m_dwOptions,
                                   m_dwFvf, m_pDevice, &mesh);
    if (FAILED(hr))
        return hr;
    for (size_t v = 0; v < vertexOrder.size(); ++v)
        std::memcpy(mesh->m_vertices.data() + v * m_dwStride,
                    m_vertices.data() + static_cast<size_t>(vertexOrder[v]) * m_dwStride,
                    m_dwStride);
    mesh->m_indices = std::move(newIndices);
    for (DWORD n = 0; n < faceCount; ++n)
        mesh->m_attributes[n] = m_attributes[faceOrder[n]];
    mesh->m_attributeTable = std::move(table);

    if (vertexRemap) {
        *vertexRemap = ID3DXBuffer::Create(vertexOrder.size() * sizeof(DWORD));
        std::memcpy((*vertexRemap)->GetBufferPointer(), vertexOrder.data(),
                    vertexOrder.size() * sizeof(DWORD));
    }
    if (faceRemap)
        std::copy(faceOrder.begin(), faceOrder.end(), faceRemap);
    if (adjacencyOut)
        mesh->GenerateAdjacency(0.0f, adjacencyOut);
    *optimized = mesh;
    return D3D_OK;
}

HRESULT ID3DXMesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device,
                                ID3DXMesh** clone) const {
    if (!clone)
        return D3DERR_INVALIDCALL;
    FvfLayout from, to;
    if (!DescribeFvf(m_dwFvf, &from) || !DescribeFvf(fvf, &to))
        return D3DERR_INVALIDCALL;
    ID3DXMesh* mesh = nullptr;
    const HRESULT hr =
        D3DXCreateMeshFVF(GetNumFaces(), m_dwNumVertices, options, fvf, device, &mesh);
    if (FAILED(hr))
        return hr;
    const BYTE zeros[16] = {};
    const DWORD betas = std::min(from.betas, to.betas);
    const DWORD sets = std::min(from.textureSets, to.textureSets);
    for (DWORD v = 0; v < m_dwNumVertices; ++v) {
        const BYTE* src = m_vertices.data() + static_cast<size_t>(v) * from.stride;
        BYTE* dst = mesh->m_vertices.data() + static_cast<size_t>(v) * to.stride;
        std::memcpy(dst, src, 12 + 4 * betas);
        CopyComponent(dst, to.normal, src, from.normal, 12, zeros);
        CopyComponent(dst, to.pointSize, src, from.pointSize, 4, zeros);
        CopyComponent(dst, to.diffuse, src, from.diffuse, 4, &kOpaqueWhite);
        CopyComponent(dst, to.specular, src, from.specular, 4, zeros);
        if (sets > 0)
            std::memcpy(dst + to.texture, src + from.texture, 8 * sets);
    }
    mesh->m_indices = m_indices;
    mesh->m_attributes = m_attributes;
    mesh->m_attributeTable = m_attributeTable;
    *clone = mesh;
    return D3D_OK;
}

HRESULT ID3DXMesh::GenerateAdjacency(float epsilon, DWORD* adjacency) const {
    if (!adjacency)
        return D3DERR_INVALIDCALL;
    try {
        ComputeAdjacency(m_vertices.data(), m_dwStride, m_dwNumVertices, m_indices.data(),
                         GetNumFaces(), epsilon, adjacency);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT ID3DXMesh::DrawSubset(DWORD attribId) {
    HRESULT hr = UpdateDeviceBuffers();
    if (FAILED(hr))
        return hr;
    m_pDevice->SetStreamSource(0, m_pVertexBuffer, m_dwStride);
    m_pDevice->SetIndices(m_pIndexBuffer, 0);
    if (!m_attributeTable.empty()) {
        for (const D3DXATTRIBUTERANGE& r : m_attributeTable)
            if (r.AttribId == attribId && r.FaceCount > 0)
                return m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, r.VertexStart,
                                                       r.VertexCount, r.FaceStart * 3, r.FaceCount);
        return D3D_OK;
    }
    const DWORD faceCount = GetNumFaces();
    for (DWORD f = 0; f < faceCount;) {
        if (m_attributes[f] != attribId) {
            ++f;
            continue;
        }
        const DWORD start = f;
        DWORD low = kNoVertex, high = 0;
        for (; f < faceCount && m_attributes[f] == attribId; ++f)
            for (DWORD c = 0; c < 3; ++c) {
                low = std::min<DWORD>(low, m_indices[3 * f + c]);
                high = std::max<DWORD>(high, m_indices[3 * f + c]);
            }
        hr = m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, low, high - low + 1, start * 3,
                                             f - start);
        if (FAILED(hr))
            return hr;
    }
    return D3D_OK;
}

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                          IDirect3DDevice8* device, ID3DXMesh** mesh) {
    if (!mesh)
        return D3DERR_INVALIDCALL;
    FvfLayout layout;
    if ((options & D3DXMESH_32BIT) || numVertices > kMaxMesh16Vertices ||
        !DescribeFvf(fvf, &layout))
        return D3DERR_INVALIDCALL;
    ID3DXMesh* created = new (std::nothrow) ID3DXMesh();
    if (!created)
        return E_OUTOFMEMORY;
    try {
        created->m_vertices.assign(static_cast<size_t>(numVertices) * layout.stride, 0);
        created->m_indices.assign(static_cast<size_t>(numFaces) * 3, 0);
        created->m_attributes.assign(numFaces, 0);
    } catch (const std::exception&) {
        created->Release();
        return E_OUTOFMEMORY;
    }
    created->m_dwOptions = options;
    created->m_dwFvf = fvf;
    created->m_dwStride = layout.stride;
    created->m_dwNumVertices = numVertices;
    created->m_pDevice = device;
    if (device)
        device->AddRef();
    *mesh = created;
    return D3D_OK;
}

HRESULT D3DXComputeNormals(ID3DXMesh* mesh, const DWORD* /*adjacency*/) {
    FvfLayout layout;
    if (!mesh || !DescribeFvf(mesh->GetFVF(), &layout) || layout.normal < 0)
        return D3DERR_INVALIDCALL;
    BYTE* vertices = nullptr;
    BYTE* indexBytes = nullptr;
    mesh->LockVertexBuffer(0, &vertices);
    mesh->LockIndexBuffer(D3DLOCK_READONLY, &indexBytes);
    const WORD* indices = reinterpret_cast<const WORD*>(indexBytes);
    const DWORD vertexCount = mesh->GetNumVertices();
    std::vector<D3DXVECTOR3> sums(vertexCount);
    for (DWORD f = 0; f < mesh->GetNumFaces(); ++f) {
        const WORD* c = indices + 3 * f;
        const D3DXVECTOR3 p = PositionAt(vertices, layout.stride, c[0]);
        const D3DXVECTOR3 e1 = PositionAt(vertices, layout.stride, c[1]) - p;
        const D3DXVECTOR3 e2 = PositionAt(vertices, layout.stride, c[2]) - p;
        D3DXVECTOR3 n;
        D3DXVec3Cross(&n, &e1, &e2);
        D3DXVec3Normalize(&n, &n);
        for (int k = 0; k < 3; ++k)
            sums[c[k]] += n;
    }
    for (DWORD v = 0; v < vertexCount; ++v) {
        D3DXVec3Normalize(&sums[v], &sums[v]);
        std::memcpy(vertices + static_cast<size_t>(v) * layout.stride + layout.normal, &sums[v],
                    sizeof(D3DXVECTOR3));
    }
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();
    return D3D_OK;
}

HRESULT D3DXComputeBoundingBox(const void* points, DWORD numVertices, DWORD fvf, D3DXVECTOR3* min,
                               D3DXVECTOR3* max) {
    FvfLayout layout;
    if (!points || !min || !max || numVertices == 0 || !DescribeFvf(fvf, &layout))
        return D3DERR_INVALIDCALL;
    const BYTE* bytes = static_cast<const BYTE*>(points);
    D3DXVECTOR3 low = PositionAt(bytes, layout.stride, 0), high = low;
    for (DWORD v = 1; v < numVertices; ++v) {
        const D3DXVECTOR3 p = PositionAt(bytes, layout.stride, v);
        low = D3DXVECTOR3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high = D3DXVECTOR3(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
    }
    *min = low;
    *max = high;
    return D3D_OK;
}

HRESULT D3DXComputeBoundingSphere(const void* points, DWORD numVertices, DWORD fvf,
                                  D3DXVECTOR3* centre, float* radius) {
    FvfLayout layout;
    if (!points || !centre || !radius || numVertices == 0 || !DescribeFvf(fvf, &layout))
        return D3DERR_INVALIDCALL;
    const BYTE* bytes = static_cast<const BYTE*>(points);
    double sx = 0.0, sy = 0.0, sz = 0.0;
    for (DWORD v = 0; v < numVertices; ++v) {
        const D3DXVECTOR3 p = PositionAt(bytes, layout.stride, v);
        sx += p.x;
        sy += p.y;
        sz += p.z;
    }
    const D3DXVECTOR3 c(static_cast<float>(sx / numVertices), static_cast<float>(sy / numVertices),
                        static_cast<float>(sz / numVertices));
    float farthestSq = 0.0f;
    for (DWORD v = 0; v < numVertices; ++v) {
        const D3DXVECTOR3 d = PositionAt(bytes, layout.stride, v) - c;
        farthestSq = std::max(farthestSq, D3DXVec3LengthSq(&d));
    }
    *centre = c;
    *radius = std::sqrt(farthestSq);
    return D3D_OK;
}

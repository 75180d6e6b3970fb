// ID3DXMesh, the D3DX-style indexed triangle mesh: vertices of one FVF, 16-bit indices, one
// attribute (material id) per face, attribute-sorted optimisation with its attribute table,
// cloning to another vertex format, subset drawing; and the normal and bounds helpers.
// Owns: the mesh's data in system memory, and the managed device buffers it draws from.
// Does not: read .X data (platform/d3dx/xfile_mesh.h), skin, or support 32-bit indices: a mesh
// addresses at most kMaxMesh16Vertices vertices.
// Needs: platform/d3d8/d3d8.h for the device buffers, platform/d3d8/vertex_format.h for FVF codes.
#pragma once

#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/d3dx/d3dx_buffer.h"
#include "platform/system/d3dx_math.h"
#include "platform/d3d8/vertex_format.h"

// Mesh creation options (D3DXMESH_*). Every mesh keeps its data in system memory; the pool bits
// are recorded for GetOptions and change nothing else.
constexpr DWORD D3DXMESH_32BIT = 0x001;
constexpr DWORD D3DXMESH_VB_SYSTEMMEM = 0x010;
constexpr DWORD D3DXMESH_VB_MANAGED = 0x020;
constexpr DWORD D3DXMESH_IB_SYSTEMMEM = 0x100;
constexpr DWORD D3DXMESH_IB_MANAGED = 0x200;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESH_MANAGED = 0x220;

// Optimisation flags (D3DXMESHOPT_*). ATTRSORT and the stronger orders sort faces by attribute
// and build the attribute table; COMPACT alone drops unused vertices.
constexpr DWORD D3DXMESHOPT_COMPACT = 0x01000000;
constexpr DWORD D3DXMESHOPT_ATTRSORT = 0x02000000;
constexpr DWORD D3DXMESHOPT_VERTEXCACHE = 0x04000000;
constexpr DWORD D3DXMESHOPT_STRIPREORDER = 0x08000000;

// 16-bit indices name vertices 0 to 65534 (0xFFFF stays free, as a strip cut would use it).
constexpr DWORD kMaxMesh16Vertices = 65535;
// An adjacency entry for an edge that no other face shares.
constexpr DWORD kNoAdjacentFace = 0xFFFFFFFFu;

// One subset of an attribute-sorted mesh: its faces and the vertices they use, both contiguous.
struct D3DXATTRIBUTERANGE {
    DWORD AttribId = 0;
    DWORD FaceStart = 0;
    DWORD FaceCount = 0;
    DWORD VertexStart = 0;
    DWORD VertexCount = 0;
};

// A material as the mesh loaders hand it back; pTextureFilename points into the same buffer
// (null when the material names no texture).
struct D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    char* pTextureFilename = nullptr;
};

class ID3DXMesh {
  public:
    ULONG AddRef() { return ++m_nRefs; }
    ULONG Release();

    DWORD GetNumFaces() const { return static_cast<DWORD>(m_attributes.size()); }
    DWORD GetNumVertices() const { return m_dwNumVertices; }
    DWORD GetFVF() const { return m_dwFvf; }
    DWORD GetOptions() const { return m_dwOptions; }
    DWORD GetNumBytesPerVertex() const { return m_dwStride; }
    // The device given at creation (AddRef'd), or null when the mesh has none.
    HRESULT GetDevice(IDirect3DDevice8** device) const;

    // Pointers into the system-memory data; a lock without D3DLOCK_READONLY marks the device
    // buffers for a refresh before the next draw.
    HRESULT LockVertexBuffer(DWORD flags, BYTE** data);
    HRESULT UnlockVertexBuffer();
    // 16-bit indices, three per face.
    HRESULT LockIndexBuffer(DWORD flags, BYTE** data);
    HRESULT UnlockIndexBuffer();
    // One attribute id per face. Editing it does not change an existing attribute table.
    HRESULT LockAttributeBuffer(DWORD flags, DWORD** data);
    HRESULT UnlockAttributeBuffer();

    // The managed device buffers the mesh draws from (AddRef'd), made and refreshed on demand.
    // D3DERR_INVALIDCALL when the mesh has no device.
    HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** buffer);
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** buffer);

    // With table null, writes the number of ranges to *size; else copies min(*size, ranges).
    // A mesh that was never attribute-sorted has no ranges.
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) const;

    // A new mesh (same options and device) reordered by `flags`. With D3DXMESHOPT_ATTRSORT the
    // faces are grouped by ascending attribute id (keeping their order within a group), each
    // group's vertices are made contiguous in order of first use (a vertex shared by two groups
    // is split), unused vertices are dropped, and the attribute table is built. Optional
    // outputs: adjacencyOut (3 per new face), faceRemap (new face -> old face) and vertexRemap
    // (new vertex -> old vertex, a buffer of DWORDs). adjacencyIn is not needed and ignored.
    HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                     ID3DXBuffer** vertexRemap, ID3DXMesh** optimized) const;

    // A copy with vertices of another format: components both formats have are copied, texture
    // sets up to the smaller count; a new normal or coordinate is zero, a new diffuse colour is
    // opaque white (so an uncoloured mesh keeps its lit colours instead of turning transparent).
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device,
                         ID3DXMesh** clone) const;

    // Three entries per face: the face across edges (v0, v1), (v1, v2), (v2, v0), or
    // kNoAdjacentFace. Vertices whose positions lie within epsilon on every axis count as one.
    HRESULT GenerateAdjacency(float epsilon, DWORD* adjacency) const;

    // Draws the faces of one attribute id: the attribute table's range when there is one, else
    // each run of consecutive faces with that id. Binds stream 0 and the indices, and leaves
    // the vertex shader and the other device state to the caller.
    HRESULT DrawSubset(DWORD attribId);

  private:
    friend HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                                     IDirect3DDevice8* device, ID3DXMesh** mesh);
    ID3DXMesh() = default;
    ~ID3DXMesh();
    HRESULT UpdateDeviceBuffers();

    ULONG m_nRefs = 1;
    DWORD m_dwOptions = 0;
    DWORD m_dwFvf = 0;
    DWORD m_dwStride = 0;  // bytes per vertex
    DWORD m_dwNumVertices = 0;
    std::vector<BYTE> m_vertices;     // m_dwNumVertices * m_dwStride bytes
    std::vector<WORD> m_indices;      // 3 per face
    std::vector<DWORD> m_attributes;  // 1 per face
    std::vector<D3DXATTRIBUTERANGE> m_attributeTable;
    IDirect3DDevice8* m_pDevice = nullptr;  // AddRef'd; may be null
    IDirect3DVertexBuffer8* m_pVertexBuffer = nullptr;
    IDirect3DIndexBuffer8* m_pIndexBuffer = nullptr;
    bool m_bVerticesDirty = true;  // device copies are stale
    bool m_bIndicesDirty = true;
};

typedef ID3DXMesh* LPD3DXMESH;

// An empty mesh of that size and format: zeroed vertices, indices and attributes. Refuses with
// D3DERR_INVALIDCALL: 32-bit indices, more than kMaxMesh16Vertices vertices, an FVF without
// an untransformed position or with bits this layer does not know, a null output.
HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                          IDirect3DDevice8* device, ID3DXMesh** mesh);

// Replaces every vertex normal by the normalised sum of the unit normals
// cross(Q - P, R - P) of the faces that use it. Adjacency is accepted and ignored (vertices
// split in the data keep their own normals). D3DERR_INVALIDCALL without a normal in the FVF.
HRESULT D3DXComputeNormals(ID3DXMesh* mesh, const DWORD* adjacency);

// Axis-aligned box of the positions of numVertices vertices of format fvf starting at points.
HRESULT D3DXComputeBoundingBox(const void* points, DWORD numVertices, DWORD fvf, D3DXVECTOR3* min,
                               D3DXVECTOR3* max);
// Sphere around the same positions: the centre is their mean, the radius the largest
// distance from it.
HRESULT D3DXComputeBoundingSphere(const void* points, DWORD numVertices, DWORD fvf,
                                  D3DXVECTOR3* centre, float* radius);

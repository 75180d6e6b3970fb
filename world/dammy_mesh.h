// DammyMesh: one collision mesh of a static model, a system-memory mesh of positions, normals
// and one texture pair that segment queries walk face by face.
// Owns: its ID3DXMesh. Does not: draw, or pick the nearest hit (the first accepted face wins).
// Needs: platform/d3dx/xfile_mesh.h to load, world/segment_query.h for the test.
#pragma once

#include <string>

#include "platform/d3dx/d3dx_mesh.h"
#include "platform/xfile/xfile_document.h"

class DammyMesh {
  public:
    DammyMesh() = default;
    ~DammyMesh() { Release(); }
    DammyMesh(const DammyMesh&) = delete;
    DammyMesh& operator=(const DammyMesh&) = delete;

    // Loads one Mesh object (traced); on failure *error (when not null) says why.
    HRESULT Load(IDirect3DDevice8* device, const XData& meshObject, std::string* error);
    void Release();
    // 1 when the world segment p0-p1 hits a face against its normal (*normal then holds the
    // face normal carried by world's upper 3x3), else 0. An unloaded mesh is never hit.
    int HitSegment(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, D3DXVECTOR3* normal,
                   const D3DXMATRIX& world) const;

    char m_szName[512] = {};
    ID3DXMesh* m_pMesh = nullptr;  // FVF position | normal | one texture pair
};

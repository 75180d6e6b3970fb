// DisplayMesh: one visible mesh of a static model: managed 44-byte vertices and 16-bit indices,
// its attribute table, ten fade copies of its materials, its shared textures and its bounds.
// Owns: the buffers, the table, the material copies and one cache reference per texture.
// Does not: draw itself: visible meshes are queued into ZSortRender at a fade level.
// Needs: platform/d3dx/xfile_mesh.h to load, world/texture_cache.h, world/frustum_test.h.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/d3dx/d3dx_mesh.h"
#include "platform/xfile/xfile_document.h"
#include "world/view_frustum.h"

class ZSortRender;

constexpr int kFadeLevels = 10;
constexpr float kFadeDistance = 5000.0f;  // world units where a mesh reaches its faintest level

// The fade level of a mesh whose centre lies `distance` from the eye: 9 (opaque) up to half of
// kFadeDistance, then down to 0 at kFadeDistance and beyond.
int FadeLevelForDistance(float distance);

class DisplayMesh {
  public:
    DisplayMesh() = default;
    ~DisplayMesh() { Release(); }
    DisplayMesh(const DisplayMesh&) = delete;
    DisplayMesh& operator=(const DisplayMesh&) = delete;

    // Loads one Mesh object (traced step by step); on failure *error (when not null) says why.
    HRESULT Load(IDirect3DDevice8* device, const XData& meshObject, std::string* error);
    // Frees everything the load made; the textures go back to the cache.
    void Release();
    // World corners, planes and centre for the instance's world matrix.
    void UpdateWorldBounds(const D3DXMATRIX& world);
    // Whether the world box (as last updated) meets the frustum.
    bool IsVisible(const ViewFrustum& frustum) const;
    // Picks the fade level from the eye (fourth row of cameraWorld) and queues the mesh when it
    // is visible. Always 0.
    HRESULT Render(const D3DXMATRIX& world, const D3DXMATRIX& cameraWorld,
                   const ViewFrustum& frustum, ZSortRender* renderer) const;

    char m_szName[512] = {};
    IDirect3DVertexBuffer8* m_pVertexBuffer = nullptr;  // m_dwVertexCount x 44 bytes
    IDirect3DIndexBuffer8* m_pIndexBuffer = nullptr;    // 3 x 16-bit per face
    DWORD m_dwVertexCount = 0;
    std::vector<D3DXATTRIBUTERANGE> m_attributeTable;
    std::vector<D3DMATERIAL8> m_fadeMaterials[kFadeLevels];  // [k][material], alpha 0.1 (k + 1)
    std::vector<IDirect3DTexture8*> m_textures;  // per material, null when it names none
    DWORD m_dwRangeCount = 0;
    D3DXVECTOR3 m_vLocalCorners[8];  // model space, box corner order
    D3DXVECTOR3 m_vLocalCentre;
    float m_fLocalRadius = 0.0f;
    D3DXVECTOR3 m_vWorldCorners[8];
    D3DXPLANE m_worldPlanes[6];
    D3DXVECTOR3 m_vWorldCentre;
};

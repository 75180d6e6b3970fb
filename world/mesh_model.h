// MeshModel: a static .X model of the MODEL resources, split into its visible DisplayMeshes
// (names containing "display") and as many collision DammyMeshes (names containing "dammy").
// Owns: both mesh arrays. Does not: own a placement (ModelInstance holds one) or apply any
// FrameTransformMatrix: vertices are used as stored.
// Needs: platform/xfile/xfile_parser.h, world/display_mesh.h, world/dammy_mesh.h.
#pragma once

#include <string>

#include "platform/d3d8/d3d8.h"
#include "world/dammy_mesh.h"
#include "world/display_mesh.h"
#include "world/view_frustum.h"

class ModelInstance;
class ZSortRender;

class MeshModel {
  public:
    MeshModel() = default;
    ~MeshModel() { Release(); }
    MeshModel(const MeshModel&) = delete;
    MeshModel& operator=(const MeshModel&) = delete;

    // Loads the MODEL resource `name`: a counting pass over its Frame and Mesh objects, then a
    // loading pass, each step traced. Failures: the parser's code for a missing or unreadable
    // resource, E_FAIL for a mesh named neither way, unequal counts, a data reference inside a
    // frame or a mesh that does not load. LastError() then says what and where.
    HRESULT LoadXFile(IDirect3DDevice8* device, const char* name);
    // Frees every mesh and both arrays. Always 0.
    HRESULT Release();

    // World bounds of every display mesh for one placement. Always 0.
    HRESULT UpdateWorldBounds(const D3DXMATRIX& world);
    // 1 at the first display mesh whose world box meets the frustum, else 0.
    int IsVisible(const ViewFrustum& frustum) const;
    // 1 at the first dammy mesh the world segment hits (normal written), else 0.
    int HitSegment(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, D3DXVECTOR3* normal,
                   const ModelInstance& instance) const;
    // Queues the visible display meshes of one placement. cameraWorld: the camera-to-world
    // matrix (the camera record's first 16 floats); `ignored` is not read.
    HRESULT Render(IDirect3DDevice8* device, const ModelInstance& instance,
                   const D3DXMATRIX& cameraWorld, const ViewFrustum& frustum, int32_t ignored,
                   ZSortRender* renderer) const;

    // The reason for the last failed load, with mesh names and lines; empty after a success.
    const std::string& LastError() const { return m_strLastError; }

    char m_szName[512] = {};
    DisplayMesh* m_pMeshDisplay = nullptr;  // file order
    DWORD m_dwMeshDisplayNum = 0;
    DWORD m_dwDisplayCursor = 0;        // fill position of the loading pass
    DammyMesh* m_pMeshDammy = nullptr;  // file order
    DWORD m_dwMeshDammyNum = 0;
    DWORD m_dwDammyCursor = 0;

  private:
    HRESULT Walk(IDirect3DDevice8* device, const XData& object, bool loading);

    std::string m_strLastError;
};

// ModelInstance: one placement of a shared MeshModel: a world matrix (row vectors, translation
// in the fourth row) with the matrix operations the actors and the camera dolly use.
// Owns: nothing but its matrices; the model is shared and never released here.
// Needs: world/mesh_model.h for the queries it forwards.
#pragma once

#include "platform/d3d8/d3d8.h"
#include "platform/system/d3dx_math.h"
#include "world/view_frustum.h"

class MeshModel;
class ZSortRender;

class ModelInstance {
  public:
    // Stores the model pointer (replacing any earlier one). Always 0.
    HRESULT SetModel(MeshModel* model);
    // Writes the translation row of the world matrix. Always 0.
    HRESULT SetPosition(float x, float y, float z);
    // unscaled = world; world = uniform scale by s, then unscaled. Compounds: callers rebuild
    // world before each call. Always 0.
    HRESULT ApplyScale(float s);
    // Turns the rotation rows toward `target` with y up, keeping the translation row. A target
    // at the position or straight above or below it leaves the rotation as it was. Always 0.
    HRESULT FaceToward(const D3DXVECTOR3& target);

    // Updates the model's world bounds for this placement and queues its visible display
    // meshes; E_FAIL without a model.
    HRESULT Render(IDirect3DDevice8* device, const D3DXMATRIX& cameraWorld,
                   const ViewFrustum& frustum, int32_t ignored, ZSortRender* renderer);
    // 1 when a display mesh is visible, 0 when none is, E_FAIL without a model.
    HRESULT IsVisible(const ViewFrustum& frustum);
    // 1 when the world segment hits a dammy mesh (normal written), else 0 (also without model).
    int HitSegment(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, D3DXVECTOR3* normal) const;

    D3DXMATRIX m_matWorld;
    D3DXVECTOR3 m_vPosition;  // last position copied from the translation row
    D3DXMATRIX m_matUnscaled;
    D3DXMATRIX m_matScale;
    MeshModel* m_pModel = nullptr;
};

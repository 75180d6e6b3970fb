// BackGroundObject: one scenery set: one MeshModel placed at every matrix of a BPS list, with
// the radius within which actors test its instances for collisions.
// Owns: the model and the instance array. Does not: decide whether it is drawn (its owner
// does) or test collisions itself (the actors walk the instances).
// Needs: world/mesh_model.h, world/model_instance.h, world/misc_resource.h, world/bps_format.h.
#pragma once

#include <cstdint>

#include "platform/d3d8/d3d8.h"
#include "world/mesh_model.h"
#include "world/model_instance.h"

class BackGroundObject {
  public:
    BackGroundObject() = default;
    ~BackGroundObject() { DeleteDeviceObjects(); }
    BackGroundObject(const BackGroundObject&) = delete;
    BackGroundObject& operator=(const BackGroundObject&) = delete;

    // Loads the model `xName` and places one instance per matrix of the MISC list `bpsName`.
    HRESULT InitDeviceObjects(IDirect3DDevice8* device, const char* xName, const char* bpsName);
    // Queues every instance's visible display meshes, in order. Always 0.
    HRESULT Render(IDirect3DDevice8* device, const D3DXMATRIX& cameraWorld,
                   const ViewFrustum& frustum, int32_t ignored, ZSortRender* renderer);
    // Releases and deletes the model and the instances, and sets the count to 0 so that an actor
    // walking the set afterwards finds nothing. Always 0.
    HRESULT DeleteDeviceObjects();

    int32_t m_nCount = 0;  // placements read from the BPS list
    MeshModel* m_pBackGroundMdl = nullptr;
    ModelInstance* m_pBackGroundObj = nullptr;  // m_nCount instances
    float m_fQueryRadius = 0.0f;  // world units; actors test instances nearer than this
};

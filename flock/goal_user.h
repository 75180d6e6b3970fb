// GoalUser: the whale of user-steered mode, flown with W and S (throttle), A and D (turn), E
// and Q (nose up and down); the flock follows the position its world matrix holds. It never
// rolls, flies in world units per second and stops dead at the sphere of radius 15000.
// Owns: its dammy model WHALEDAMMY.X, its model instance and the skinned whale mesh.
// Does not: poll the keyboard (the frame hands it the key-state record), trace its own steps,
// draw random numbers or run in automatic mode.
// Needs: world/mesh_model.h, world/model_instance.h, render/skinned_mesh.h, app/key_state.h.
#pragma once

#include <cstdint>

#include "app/camera.h"
#include "app/key_state.h"
#include "app/saver_settings.h"
#include "platform/d3d8/d3d8.h"
#include "platform/system/d3dx_math.h"

class MeshModel;
class ModelInstance;
class SkinnedMesh;
class ZSortRender;

class GoalUser {
  public:
    GoalUser() = default;
    ~GoalUser() { DestroyObjects(); }
    GoalUser(const GoalUser&) = delete;
    GoalUser& operator=(const GoalUser&) = delete;

    // The skinned flag.
    void ApplySettings(const SaverSettings& settings);
    // Loads WHALEDAMMY.X (its failure code returned as is), then when skinned WHALESKINNED.X;
    // E_FAIL when that fails.
    HRESULT InitDeviceObjects(IDirect3DDevice8* device, const D3DCAPS8& caps);
    // The skinned mesh's shaders when skinned. Always 0.
    HRESULT RestoreDeviceObjects();
    // The six whale keys, each on its own, for a step of dt seconds: W and S the throttle, D
    // and A the yaw rate, E and Q the pitch rate.
    void ApplyKeys(const KeyState& keys, float dt);
    // Speed lag, angles, decays, one step of dt seconds; a step that would end beyond 15000
    // from the origin is refused and stops the whale.
    void Update(float dt);
    // The world matrix scaled by 30, then the skinned whale drawn (no frustum test) or the
    // dammy model queued into zSort.
    void Render(IDirect3DDevice8* device, const Camera& camera, ZSortRender* zSort,
                const D3DXVECTOR4& light, float fogEnd);
    // The skinned mesh's device objects. Always 0.
    HRESULT ReleaseDeviceObjects();
    // Frees the model, the instance and the skinned mesh, whatever exists. Always 0.
    HRESULT DestroyObjects();

    D3DXVECTOR3 m_vPos = D3DXVECTOR3(1000.0f, 0.0f, -500.0f);  // world units
    D3DXVECTOR3 m_vDir;         // unit heading after the first Update
    float m_fThrust = 0.0f;     // throttle, world units per second squared
    float m_fCurSpeed = 0.0f;   // world units per second
    float m_fYaw = 0.0f;        // radians
    float m_fPitch = 0.0f;      // radians, positive climbs
    float m_fYawRate = 0.0f;    // radians per second
    float m_fPitchRate = 0.0f;  // radians per second
    MeshModel* m_pDammyMdl = nullptr;
    ModelInstance* m_pInstance = nullptr;
    SkinnedMesh* m_pSkinnedSkm = nullptr;
    int32_t m_bSkinned = 0;
};

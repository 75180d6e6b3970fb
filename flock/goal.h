// Goal: the lead bird of automatic mode. It wanders between random waypoints in the box
// x, z in [-2500, 2500], y in [-200, 200], turning, climbing and banking smoothly; the flock
// follows the position its world matrix holds.
// Owns: its dammy model BIRDDAMMY01.X, its model instance and one skinned bird mesh.
// Does not: test obstacles, trace its own steps (the start-up does) or run in user mode.
// Needs: world/mesh_model.h, world/model_instance.h, render/skinned_mesh.h, app/camera.h.
#pragma once

#include <cstdint>

#include "app/camera.h"
#include "app/saver_settings.h"
#include "platform/d3d8/d3d8.h"
#include "platform/system/d3dx_math.h"

class MeshModel;
class ModelInstance;
class SkinnedMesh;
class ZSortRender;

class Goal {
  public:
    // Seeds the random generator with timeGetTime and draws the first waypoint (six draws).
    Goal();
    ~Goal() { DestroyObjects(); }
    Goal(const Goal&) = delete;
    Goal& operator=(const Goal&) = delete;

    // Base speed speedPercent / 100 x 0.4 + 0.4; the skinned and night flags.
    void ApplySettings(const SaverSettings& settings);
    // Seeds the generator with timeGetTime, loads BIRDDAMMY01.X (its failure code returned as
    // is), then when skinned the skinned bird: BIRDSKINNED03.X at night (night exactly 1),
    // else BIRDSKINNED01.X; E_FAIL when that fails.
    HRESULT InitDeviceObjects(IDirect3DDevice8* device, const D3DCAPS8& caps);
    // The skinned mesh's shaders when skinned. Always 0.
    HRESULT RestoreDeviceObjects();
    // Advances the waypoint clock by dt seconds; once it passes the interval (strictly), a new
    // waypoint and a new interval from its distance to the previous one.
    void ChooseWaypoint(float dt);
    // Turns toward the waypoint and flies one step of dt seconds (at most 0.03).
    void Update(float dt);
    // Skinned: the animation advanced, the world matrix scaled by 2.5 and the bird drawn, with
    // no frustum test. Otherwise the dammy model is queued into zSort like a flock bird.
    void Render(IDirect3DDevice8* device, const Camera& camera, ZSortRender* zSort,
                const D3DXVECTOR4& light, float fogEnd);
    // The skinned mesh's device objects. Always 0.
    HRESULT ReleaseDeviceObjects();
    // Frees the model, the instance and the skinned mesh, whatever exists. Always 0.
    HRESULT DestroyObjects();

    D3DXVECTOR3 m_vPos = D3DXVECTOR3(10.0f, 1.0f, 10.0f);  // world units
    D3DXVECTOR3 m_vDir = D3DXVECTOR3(1.0f, 0.0f, 0.0f);    // unit heading after an Update
    float m_fSpeed = 0.0f;              // base speed; distance per second is speed x 100
    float m_fCurSpeed = 0.0f;           // current speed
    float m_fYaw = 0.0f;                // radians
    float m_fPitch = 0.0f;              // radians, positive climbs
    float m_fRoll = 0.0f;               // radians
    float m_fYawRate = 0.0f;            // radians per second
    D3DXVECTOR3 m_vWaypoint;            // the point flown toward
    float m_fWaypointInterval = 20.0f;  // seconds until the next waypoint
    float m_fWaypointTimer = 0.0f;      // seconds since the last waypoint change
    MeshModel* m_pDammyMdl = nullptr;
    ModelInstance* m_pInstance = nullptr;
    SkinnedMesh* m_pSkinnedSkm = nullptr;
    int32_t m_bSkinned = 1;
    int32_t m_bNight = 1;
    D3DXVECTOR3 m_vPrevWaypoint;  // the waypoint before the last change; origin before any
};

// Boids: the flock of up to a hundred birds that follow the leader: their records and random
// start state, the dammy model every bird is placed with, the two skinned meshes that draw them
// by day or by night, and the per-frame steering, somersaults and drawing.
// Owns: the bird array with its pair-step lanes, the dammy model and the two skinned meshes.
// Does not: move the leader (flock/goal.h, flock/goal_user.h) or own the obstacle sets it
// steers around (world/background_object.h); the steering arithmetic is flock/boid_steering.cpp,
// the skinned birds flock/boid_skins.cpp. Needs: world/model_instance.h, world/mesh_model.h,
// render/skinned_mesh.h, app/camera.h, app/saver_settings.h, render/z_sort_render.h.
#pragma once

#include <cstdint>

#include "platform/d3d8/d3d8.h"
#include "platform/system/d3dx_math.h"
#include "world/model_instance.h"

struct SaverSettings;
class BackGroundObject;
class Camera;
class MeshModel;
class SkinnedMesh;
class ZSortRender;

// One bird: its placement (the instance's world matrix, written by MoveBoid, lags one step
// behind vPos), then its flight state. Angles in radians, rates in radians per second.
struct Boid : public ModelInstance {
    D3DXVECTOR3 vPos;       // world units
    D3DXVECTOR3 vDir;       // unit heading, the image of the local +z axis
    float fSpeed = 0.0f;    // the bird flies fSpeed * 100 world units per second
    int32_t bAvoiding = 0;  // 1: an obstacle lies ahead this frame
    float fYaw = 0.0f;
    float fPitch = 0.0f;  // positive climbs
    float fRoll = 0.0f;   // bank
    float fPitchRate = 0.0f;
    float fYawRate = 0.0f;
    int32_t bLoop = 0;         // 1: in the somersault
    int32_t bLoopStarted = 0;  // 1: levelled out and looping
    float fLoopAngle = 0.0f;   // loop progress; negative while the bird waits its turn
    float fLoopRate = 0.0f;
    D3DXVECTOR3 vSeparation;  // accumulators of the pair step, then the steering terms
    D3DXVECTOR3 vAlignment;
    D3DXVECTOR3 vCohesion;
    D3DXVECTOR3 vToCenter;    // unit vector toward the centroid, or zero
    D3DXVECTOR3 vToTarget;    // unit vector toward the leader, or an obstacle's face normal
    int32_t nNeighbours = 0;  // birds nearer than the neighbour radius this frame
    int32_t nSkin = 0;        // which skinned mesh draws the bird, 0 or 1
};

// Four floats or integers computed lane by lane (GCC and Clang vector extension).
typedef float Lanes __attribute__((vector_size(16)));
typedef int32_t IntLanes __attribute__((vector_size(16)));
// Four birds of the pair step, one lane each: their unmoved positions and headings, and the
// separation, alignment and cohesion sums and neighbour counts their partners gave them so far.
struct PairLanes {
    Lanes x = {}, y = {}, z = {}, hx = {}, hy = {}, hz = {};
    Lanes sx = {}, sy = {}, sz = {}, ax = {}, ay = {}, az = {}, cx = {}, cy = {}, cz = {};
    IntLanes n = {};
};

// Which resources draw the birds.
constexpr const char* kBirdDammyModel = "BIRDDAMMY01.X";
constexpr const char* kDayBirdSkins[2] = {"BIRDSKINNED01.X", "BIRDSKINNED02.X"};
constexpr const char* kNightBirdSkins[2] = {"BIRDSKINNED03.X", "BIRDSKINNED04.X"};
// The longest wait before a bird's loop begins, radians of loop angle: pi / 3.
constexpr float kLoopDelay = 1.0471976f;
// The skinned birds are drawn this many times the size of the dammy they are culled with.
constexpr float kSkinnedBirdScale = 3.0f;

class Boids {
  public:
    Boids() = default;
    ~Boids() { DestroyObjects(); }
    Boids(const Boids&) = delete;
    Boids& operator=(const Boids&) = delete;

    // Copies the flock's settings: count, radius, speed, weights and flags.
    void ApplySettings(const SaverSettings& settings);
    // Seeds the generator with timeGetTime, creates the birds, loads the dammy model and, when
    // skinned birds are on, the day or night pair of skinned meshes. Traces every failure and
    // returns it; whatever was made stays for DestroyObjects.
    HRESULT InitDeviceObjects(IDirect3DDevice8* device, const D3DCAPS8& caps);
    // Allocates m_nBoids birds and draws their start state (15 draws per bird, in index order)
    // from the generator as it stands. E_FAIL, traced, when the array cannot be had.
    HRESULT CreateBirds();
    // The skinned meshes' vertex shaders. Always 0.
    HRESULT RestoreDeviceObjects();
    // Steers and moves every bird toward target for one time step dt (seconds), looking ahead
    // for obstacles1 then obstacles2 when avoidance is on.
    void Update(const D3DXVECTOR3& target, BackGroundObject& obstacles1,
                BackGroundObject& obstacles2, float dt);
    // Dammy birds: every bird's display meshes go to the queue. Skinned birds: both meshes
    // advance once, then every bird inside the frustum is scaled and drawn. Always 0.
    HRESULT Render(IDirect3DDevice8* device, const Camera& camera, ZSortRender* renderer,
                   const D3DXVECTOR4& light, float fogEnd);
    // The skinned meshes' device objects. Always 0.
    HRESULT ReleaseDeviceObjects();
    // Frees the dammy model, the skinned meshes and the birds; safe after any set-up. Always 0.
    HRESULT DestroyObjects();

    // One bird's steps (i indexes m_pBoids), public for the tests.
    void SteerBoid(int i, float dt);
    void LoopBoid(int i, float dt);
    void MoveBoid(int i, float dt);

    int32_t m_nBoids = 40;
    Boid* m_pBoids = nullptr;  // m_nBoids birds
    D3DXVECTOR3 m_vTarget;     // the leader's position this frame
    D3DXVECTOR3 m_vCenter;     // the flock's centroid this frame
    MeshModel* m_pDammyMdl = nullptr;
    SkinnedMesh* m_pSkinnedSkm = nullptr;  // two meshes, only with m_bSkinned
    int32_t m_bSkinned = 1;
    int32_t m_bAvoidObstacles = 1;
    int32_t m_bLoop = 0;
    float m_fLoopInterval = 50.0f;  // seconds until the next somersault
    float m_fLoopTimer = 0.0f;      // seconds since the last one began
    int32_t m_bNight = 1;
    float m_fRadius = 0.0f;  // neighbour radius; also the near distance to centroid and leader
    float m_fSpeed = 0.0f;   // base speed, hundreds of world units per second
    float m_fSeparation = 1.0f;
    float m_fAlignment = 0.25f;
    float m_fCohesion = 1.0f;
    float m_fCenterWeight = 1.0f;
    float m_fTargetWeight = 1.0f;

  private:
    // The skinned birds (flock/boid_skins.cpp): the pair of meshes, their per-frame advance and
    // the culled, scaled draw of every bird, and their freeing.
    HRESULT LoadSkins(IDirect3DDevice8* device, const D3DCAPS8& caps);
    void RenderSkins(const Camera& camera, const D3DXVECTOR4& light, float fogEnd);
    void DestroySkins();
    void GatherPairs(int i);

    PairLanes* m_pPairData = nullptr;  // (m_nBoids + 3) / 4 blocks, made with the birds
    void LookAhead(int i, BackGroundObject& obstacles);
};

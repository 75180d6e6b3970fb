// Camera: the one camera of the scene: its camera-to-world matrix, projection and view, and the
// view frustum every visibility test uses; plus the two ways a frame steers it, the automatic
// swing between a fixed point and the dolly (app/automatic_camera.cpp) and the user's flight
// with the arrow and page keys (app/user_camera.cpp).
// Does not: own the fog (app/fog.h, which sets the start-up projection) or ride the circuit
// (app/camera_dolly.h).
// Needs: platform/d3d8/d3d8.h for the transforms, world/view_frustum.h, app/key_state.h.
#pragma once

#include "app/key_state.h"
#include "platform/d3d8/d3d8.h"
#include "platform/system/d3dx_math.h"
#include "world/view_frustum.h"

class CameraDolly;

// Vertical field of view of the projection that SetProjection builds: 2 pi / 7, radians.
constexpr float kCameraFieldOfView = 0.8975979f;
// The dolly's wide lens of the automatic camera: pi / 3, radians.
constexpr float kDollyFieldOfView = 1.0471976f;
// Near plane of every projection, world units.
constexpr float kCameraNear = 1.0f;

class Camera {
  public:
    // All four matrices to the identity.
    void Reset();
    // The eye: the world matrix's translation row.
    void SetEye(float x, float y, float z);
    void SetWorld(const D3DXMATRIX& world) { m_matWorld = world; }
    void SetProjectionMatrix(const D3DXMATRIX& projection) { m_matProjection = projection; }
    // Looks from the eye at target: the view goes to the device and is kept, the world becomes
    // its inverse.
    void LookAt(IDirect3DDevice8* device, const D3DXVECTOR3& target, const D3DXVECTOR3& up);
    // The perspective of kCameraFieldOfView, kept and set on the device.
    void SetProjection(IDirect3DDevice8* device, float aspect, float nearPlane, float farPlane);
    // Moves the eye along the camera's own right, up and forward axes (world units). The view
    // field holds the translation until the next LookAt.
    void Move(float dx, float dy, float dz);
    // The view as the inverse of the world, and the frustum of view and projection.
    void BuildFrustum();

    D3DXVECTOR3 Eye() const { return D3DXVECTOR3(m_matWorld._41, m_matWorld._42, m_matWorld._43); }

    D3DXMATRIX m_matWorld;       // camera to world; the translation row is the eye
    D3DXMATRIX m_matProjection;  // the projection last set
    D3DXMATRIX m_matWork;        // scratch copy of a move
    D3DXMATRIX m_matView;        // the view last computed
    ViewFrustum m_frustum;
};

// The automatic camera's swing between the fixed point and the dolly: the blend phase (radians)
// and its sine, the weight of the dolly's eye. Starts on the dolly.
struct CameraBlend {
    float m_fPhase = 1.5707964f;
    float m_fBlend = 1.0f;
};

// Automatic mode, after the dolly's ride: the eye swings between (1, 1, 1), where a narrow lens
// zooms on the flock, and the dolly, where the lens is kDollyFieldOfView; it always looks at
// flockCentre. Sets view and projection on the device and in the camera. dt: capped step, s.
void UpdateAutomaticCamera(IDirect3DDevice8* device, Camera* camera, CameraDolly* dolly,
                           CameraBlend* blend, const D3DXVECTOR3& flockCentre, float aspect,
                           float fogEnd, float dt);
// User mode: the held arrow and page keys fly the eye at kUserCameraSpeed while it looks at
// target; a move that leaves the kUserCameraRadius sphere is undone (the view already on the
// device stays). The projection is left as it is. dt: capped step, s.
void UpdateUserCamera(IDirect3DDevice8* device, Camera* camera, const KeyState& keys,
                      const D3DXVECTOR3& target, float dt);

constexpr float kUserCameraSpeed = 120.0f;     // world units per second
constexpr float kUserCameraRadius = 15000.0f;  // world units around the origin

extern Camera g_camera;
extern CameraBlend g_cameraBlend;

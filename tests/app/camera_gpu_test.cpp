// The camera, its automatic and user modes, and the fog, on a headless device: what they leave
// in the camera and in the device's transforms and render states.
#include <cmath>
#include <cstring>

#include "app/camera.h"
#include "app/camera_dolly.h"
#include "app/fog.h"
#include "tests/platform/d3d8/gpu_test_support.h"

namespace {
constexpr float kPi = 3.14159265f;

// The vertical field of view and the aspect a perspective matrix was built with.
float FieldOfView(const D3DXMATRIX& p) {
    return 2.0f * std::atan(1.0f / p._22);
}

float Aspect(const D3DXMATRIX& p) {
    return p._22 / p._11;
}

D3DXVECTOR3 Row(const D3DXMATRIX& m, int row) {
    return D3DXVECTOR3(m.m[row][0], m.m[row][1], m.m[row][2]);
}

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

class CameraTest : public GpuTest {
  protected:
    D3DXMATRIX DeviceTransform(D3DTRANSFORMSTATETYPE state) {
        D3DXMATRIX m;
        m_pDevice->GetTransform(state, &m);
        return m;
    }

    // The automatic camera with the blend at zero: the eye on the fixed point, the narrow lens.
    float NarrowLensFor(const D3DXVECTOR3& flockCentre) {
        Camera camera;
        CameraDolly dolly;
        CameraBlend blend;
        blend.m_fPhase = kPi;  // the next step wraps it to 0
        UpdateAutomaticCamera(m_pDevice, &camera, &dolly, &blend, flockCentre, 1.0f, 20000.0f,
                              0.01f);
        EXPECT_EQ(blend.m_fBlend, 0.0f);
        EXPECT_NEAR(Distance(camera.Eye(), D3DXVECTOR3(1.0f, 1.0f, 1.0f)), 0.0f, 1e-3f);
        return FieldOfView(camera.m_matProjection);
    }

    // A user camera at eye looking at target, after one step with keys.
    Camera UserStep(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, const KeyState& keys,
                    float dt) {
        Camera camera;
        camera.SetEye(eye.x, eye.y, eye.z);
        camera.LookAt(m_pDevice, target, D3DXVECTOR3(0.0f, 1.0f, 0.0f));
        UpdateUserCamera(m_pDevice, &camera, keys, target, dt);
        return camera;
    }
};

TEST_F(CameraTest, LookAtPutsTheViewOnTheDeviceAndItsInverseInTheWorld) {
    Camera camera;
    camera.SetEye(10.0f, 20.0f, 30.0f);
    camera.LookAt(m_pDevice, D3DXVECTOR3(10.0f, 20.0f, 100.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(DeviceTransform(D3DTS_VIEW), camera.m_matView);
    EXPECT_EQ(camera.Eye(), D3DXVECTOR3(10.0f, 20.0f, 30.0f));
    EXPECT_NEAR(Distance(Row(camera.m_matWorld, 2), D3DXVECTOR3(0.0f, 0.0f, 1.0f)), 0.0f, 1e-6f);

    // Moves go along the camera's own axes, whatever the world's are.
    camera.LookAt(m_pDevice, D3DXVECTOR3(100.0f, 20.0f, 30.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f));
    camera.Move(0.0f, 0.0f, 5.0f);
    camera.Move(0.0f, 2.0f, 0.0f);
    EXPECT_NEAR(Distance(camera.Eye(), D3DXVECTOR3(15.0f, 22.0f, 30.0f)), 0.0f, 1e-4f);
}

TEST_F(CameraTest, FogAppliesLinearFogAndTheProjectionOnlyWhenDirtyOrForced) {
    const auto state = [this](D3DRENDERSTATETYPE type) {
        DWORD value = 0;
        m_pDevice->GetRenderState(type, &value);
        return value;
    };
    Camera camera;
    Fog fog;
    const D3DXMATRIX marker(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1);
    m_pDevice->SetTransform(D3DTS_PROJECTION, &marker);
    camera.SetProjectionMatrix(marker);
    fog.Apply(m_pDevice, &camera, 1.5f, 0);
    EXPECT_EQ(state(D3DRS_FOGENABLE), 0u);
    EXPECT_EQ(camera.m_matProjection, marker);
    EXPECT_EQ(DeviceTransform(D3DTS_PROJECTION), marker);

    fog.SetColour(0xFF000000u);
    fog.Apply(m_pDevice, &camera, 1.5f, 0);
    EXPECT_EQ(fog.m_bDirty, 0);
    const DWORD start = state(D3DRS_FOGSTART), end = state(D3DRS_FOGEND);
    float startValue = -1.0f, endValue = 0.0f;
    std::memcpy(&startValue, &start, sizeof start);
    std::memcpy(&endValue, &end, sizeof end);
    EXPECT_EQ(state(D3DRS_FOGENABLE), 1u);
    EXPECT_EQ(state(D3DRS_FOGCOLOR), 0xFF000000u);
    EXPECT_EQ(state(D3DRS_FOGVERTEXMODE), static_cast<DWORD>(D3DFOG_LINEAR));
    EXPECT_EQ(startValue, 0.0f);
    EXPECT_EQ(endValue, 20000.0f);
    EXPECT_NEAR(FieldOfView(camera.m_matProjection), kCameraFieldOfView, 1e-6f);
    EXPECT_NEAR(Aspect(camera.m_matProjection), 1.5f, 1e-6f);
    EXPECT_NEAR(-camera.m_matProjection._43 / camera.m_matProjection._33, 1.0f, 1e-4f);
    EXPECT_EQ(DeviceTransform(D3DTS_PROJECTION), camera.m_matProjection);

    // Clean again: a forced apply still sets the projection.
    camera.SetProjectionMatrix(marker);
    fog.Apply(m_pDevice, &camera, 1.5f, 1);
    EXPECT_NEAR(FieldOfView(camera.m_matProjection), kCameraFieldOfView, 1e-6f);
}

TEST_F(CameraTest, AutomaticCameraStartsOnTheDollyWithTheWideLensLookingAtTheFlock) {
    Camera camera;
    CameraDolly dolly;
    dolly.m_instance.SetPosition(500.0f, 100.0f, -300.0f);
    CameraBlend blend;
    const D3DXVECTOR3 flock(200.0f, 1.0f, 200.0f);
    UpdateAutomaticCamera(m_pDevice, &camera, &dolly, &blend, flock, 4.0f / 3.0f, 20000.0f, 0.0f);
    EXPECT_EQ(blend.m_fBlend, 1.0f);
    EXPECT_NEAR(Distance(camera.Eye(), D3DXVECTOR3(500.0f, 100.0f, -300.0f)), 0.0f, 1e-2f);
    EXPECT_EQ(dolly.m_instance.m_vPosition, D3DXVECTOR3(500.0f, 100.0f, -300.0f));
    EXPECT_NEAR(FieldOfView(camera.m_matProjection), kPi / 3.0f, 1e-5f);
    EXPECT_NEAR(Aspect(camera.m_matProjection), 4.0f / 3.0f, 1e-5f);
    EXPECT_EQ(DeviceTransform(D3DTS_PROJECTION), camera.m_matProjection);
    D3DXVECTOR3 toFlock = flock - camera.Eye();
    D3DXVec3Normalize(&toFlock, &toFlock);
    EXPECT_NEAR(Distance(Row(camera.m_matWorld, 2), toFlock), 0.0f, 1e-5f);

    // The swing away from the dolly follows the sine of the phase, 0.05 radians a second.
    UpdateAutomaticCamera(m_pDevice, &camera, &dolly, &blend, flock, 1.0f, 20000.0f, 10.0f);
    EXPECT_NEAR(blend.m_fPhase, kPi / 2.0f + 0.5f, 1e-6f);
    EXPECT_NEAR(blend.m_fBlend, std::sin(kPi / 2.0f + 0.5f), 1e-6f);
}

TEST_F(CameraTest, AutomaticCameraBlendsEyeAndLensBetweenTheDollyAndTheFixedPoint) {
    const D3DXVECTOR3 dolly(801.0f, 201.0f, -599.0f), fixed(1.0f, 1.0f, 1.0f);
    const D3DXVECTOR3 flock(1.0f, 1.0f, 6001.0f);  // 6000 from the fixed point: lens pi / 35
    const float wide = kPi / 3.0f, narrow = kPi / 35.0f;
    // On the way from the dolly (phase pi/2) to the fixed point (pi), and back from the wrap
    // (phase 0) to the dolly: the same blend gives the same eye and lens either way.
    for (float s : {0.25f, 0.5f, 0.75f}) {
        for (float phase : {kPi - std::asin(s), std::asin(s)}) {
            Camera camera;
            CameraDolly rider;
            rider.m_instance.SetPosition(dolly.x, dolly.y, dolly.z);
            CameraBlend blend;
            blend.m_fPhase = phase;
            UpdateAutomaticCamera(m_pDevice, &camera, &rider, &blend, flock, 1.0f, 20000.0f, 0.0f);
            EXPECT_NEAR(blend.m_fBlend, s, 1e-5f) << "phase " << phase;
            const D3DXVECTOR3 eye = fixed * (1.0f - s) + dolly * s;
            EXPECT_NEAR(Distance(camera.Eye(), eye), 0.0f, 1e-2f) << "phase " << phase;
            EXPECT_NEAR(FieldOfView(camera.m_matProjection), wide * s + narrow * (1.0f - s), 1e-5f)
                << "phase " << phase;
            D3DXVECTOR3 gaze = flock - eye;
            D3DXVec3Normalize(&gaze, &gaze);
            EXPECT_NEAR(Distance(Row(camera.m_matWorld, 2), gaze), 0.0f, 1e-4f);
        }
    }

    // Past pi the phase wraps to 0: the eye is on the fixed point with the narrow lens, and
    // the next steps swing it back toward the dolly.
    Camera camera;
    CameraDolly rider;
    rider.m_instance.SetPosition(dolly.x, dolly.y, dolly.z);
    CameraBlend blend;
    blend.m_fPhase = kPi - 0.001f;
    UpdateAutomaticCamera(m_pDevice, &camera, &rider, &blend, flock, 1.0f, 20000.0f, 0.03f);
    EXPECT_EQ(blend.m_fPhase, 0.0f);
    EXPECT_NEAR(Distance(camera.Eye(), fixed), 0.0f, 1e-3f);
    EXPECT_NEAR(FieldOfView(camera.m_matProjection), narrow, 1e-6f);
    UpdateAutomaticCamera(m_pDevice, &camera, &rider, &blend, flock, 1.0f, 20000.0f, 10.0f);
    EXPECT_NEAR(blend.m_fPhase, 0.5f, 1e-6f);
    const float s = std::sin(0.5f);
    EXPECT_NEAR(Distance(camera.Eye(), fixed * (1.0f - s) + dolly * s), 0.0f, 1e-2f);
}

TEST_F(CameraTest, AutomaticNarrowLensZoomsWithTheFlocksDistanceWithinItsLimits) {
    EXPECT_NEAR(NarrowLensFor(D3DXVECTOR3(1.0f, 1.0f, 300.0f)), kPi / 3.5f, 1e-6f);
    EXPECT_NEAR(NarrowLensFor(D3DXVECTOR3(1.0f, 1.0f, 600.0f)), kPi / 3.5f, 1e-6f);
    EXPECT_NEAR(NarrowLensFor(D3DXVECTOR3(1.0f, 1.0f, 6001.0f)), kPi / 35.0f, 1e-6f);
    EXPECT_NEAR(NarrowLensFor(D3DXVECTOR3(30001.0f, 1.0f, 1.0f)), kPi / 175.0f, 1e-7f);
    EXPECT_NEAR(NarrowLensFor(D3DXVECTOR3(1.0f, 1.0f, -90001.0f)), kPi / 175.0f, 1e-7f);
}

TEST_F(CameraTest, UserCameraFliesAlongItsAxesAndKeysCombine) {
    const D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f), target(0.0f, 0.0f, 1000.0f);
    KeyState up;
    up.up = 1;
    // 120 units a second forward: 3.6 units in a 0.03 s step.
    EXPECT_NEAR(Distance(UserStep(eye, target, up, 0.03f).Eye(), D3DXVECTOR3(0, 0, 3.6f)), 0.0f,
                1e-4f);
    KeyState upRight = up;
    upRight.right = 1;
    EXPECT_NEAR(Distance(UserStep(eye, target, upRight, 0.5f).Eye(), D3DXVECTOR3(60, 0, 60)), 0.0f,
                1e-3f);
    KeyState opposite;
    opposite.pageUp = opposite.pageDown = opposite.left = opposite.right = 1;
    EXPECT_NEAR(Distance(UserStep(eye, target, opposite, 0.5f).Eye(), eye), 0.0f, 1e-3f);
    KeyState down;
    down.pageDown = 1;
    EXPECT_NEAR(Distance(UserStep(eye, target, down, 0.25f).Eye(), D3DXVECTOR3(0, -30, 0)), 0.0f,
                1e-3f);
}

TEST_F(CameraTest, UserCameraUndoesAMoveBeyondItsSphereButKeepsTheViewItSet) {
    const D3DXVECTOR3 eye(0.0f, 0.0f, 14999.0f), target(0.0f, 0.0f, 20000.0f);
    KeyState up;
    up.up = 1;
    const Camera camera = UserStep(eye, target, up, 0.03f);
    EXPECT_EQ(camera.Eye(), eye);
    // The view on the device is the one looking from the refused eye.
    const D3DXMATRIX view = DeviceTransform(D3DTS_VIEW);
    EXPECT_NEAR(view._43, -(14999.0f + 3.6f), 1e-2f);

    const Camera inside = UserStep(D3DXVECTOR3(0, 0, 14990.0f), target, up, 0.03f);
    EXPECT_NEAR(inside.Eye().z, 14993.6f, 1e-2f);
}
}  // namespace

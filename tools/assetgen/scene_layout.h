// The fixed facts of the scene that the authored assets are fitted around: where the flock
// flies, where it and the camera start, how far the fog reaches, at what scale the actors
// are drawn. Placements and models are built to these numbers, and the tests check them.
// Does not: decide anything at run time; the saver has its own copies of these values.
#pragma once

#include "platform/system/d3dx_math.h"

// The lead bird's waypoints lie in x, z within +-2500 and y within +-200 of the origin.
constexpr float kFlightHalfWidth = 2500.0f;
constexpr float kFlightHalfHeight = 200.0f;
// Pillars are never steered around: their bounds stay this far outside the flight box.
constexpr float kPillarClearance = 400.0f;
// Actors test an obstacle only when it is closer than this (world units).
constexpr float kObstacleQueryRadius = 200.0f;
// Fog end and far plane.
constexpr float kFogEnd = 20000.0f;
// Scales applied when the actors are drawn: skinned bird, lead bird, whale.
constexpr float kBirdDrawScale = 3.0f;
constexpr float kWhaleDrawScale = 30.0f;

inline D3DXVECTOR3 FlockStart() {
    return D3DXVECTOR3(200.0f, 1.0f, 200.0f);
}
inline D3DXVECTOR3 CameraStart() {
    return D3DXVECTOR3(2500.0f, 750.0f, -1500.0f);
}

// The headless device of the drawing commands, set up as the saver's renderer sets it for its
// toon models: ramp x vertex colour in stage 0, x mesh texture in stage 1, depth test,
// counter-clockwise culling, alpha blending, no fog.
// Owns: nothing beyond HeadlessDevice. Does not: draw anything itself.
// Needs: platform/d3d8/headless_device.h.
#pragma once

#include "platform/d3d8/headless_device.h"

struct ToonDevice : HeadlessDevice {
    // A square back buffer of `side` pixels with those states; false (after a message on
    // stderr) when no device can be made.
    bool Create(UINT side);
};

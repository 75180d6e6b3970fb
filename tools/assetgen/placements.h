// The placement lists (BPS, and the TPS dial marks) and the camera circuit (FPP), built from
// fixed seeds, and their byte layouts.
// Owns: where every scenery copy stands and the shape of the circuit.
// Does not: know the models' geometry beyond the sizes written here; tests check the lists
// against the models' bounds.
// Needs: scene_layout.h, platform/system/d3dx_math.h, platform/system/lcg_random.h (seeded per list).
#pragma once

#include <string>
#include <vector>

#include "platform/system/d3dx_math.h"

// A named list of world matrices (row-vector convention, fourth column 0, 0, 0, 1).
struct MatrixList {
    std::string name;  // resource name under MISC, e.g. "PILLAR01.BPS"
    std::vector<D3DXMATRIX> matrices;
};

// One control point of the circuit with its two trailing values.
struct CircuitPoint {
    D3DXVECTOR3 position;
    float turn = 0.0f;  // angle the whole loop turns through, 2 pi
    float pace = 0.0f;  // pace hint from 70 (innermost point) to 150 (outermost); unread
};

// Every list, in resource-name order: OBSTACLE01..03.BPS, PILLAR01..03.BPS, WORLDCLOCK.TPS.
std::vector<MatrixList> BuildMatrixLists();
// int32 count then 64 bytes per matrix, little-endian.
std::string MatrixListBytes(const std::vector<D3DXMATRIX>& matrices);

// The 49 control points of CLOCK.FPP in circuit order; point 0 is (27.98963, 9.167835,
// -191.1297).
std::vector<CircuitPoint> BuildCircuit();
// int32 count, the points, then the turn column and the pace column.
std::string CircuitBytes(const std::vector<CircuitPoint>& points);

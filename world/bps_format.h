// The BPS placement list (and the TPS list, which has the same layout): int32 M, then M
// world matrices of 16 floats, row by row. 4 + 64 M bytes, little-endian.
// Does not: find the resource (world/misc_resource.h) or normalise the matrices.
#pragma once

#include <vector>

#include "platform/system/d3dx_math.h"
#include "world/misc_resource.h"

constexpr size_t kBpsBytesPerMatrix = 64;

// Reads the matrices verbatim; short data or a negative count is traced and gives E_FAIL.
HRESULT ReadMatrixList(const ResourceBytes& bytes, const char* name,
                       std::vector<D3DXMATRIX>* matrices);

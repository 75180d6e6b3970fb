// The FPP control-point format: int32 N, N points (3 floats), then two N-float columns that
// nothing reads. 4 + 20 N bytes, little-endian.
// Does not: find the resource (world/misc_resource.h).
#pragma once

#include <vector>

#include "platform/system/d3dx_math.h"
#include "world/misc_resource.h"

constexpr size_t kFppBytesPerPoint = 20;  // 12 of position + two 4-byte columns

// Reads the control points; short data or a negative count is traced and gives E_FAIL.
HRESULT ReadFpp(const ResourceBytes& bytes, const char* name, std::vector<D3DXVECTOR3>* points);

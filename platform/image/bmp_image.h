// The Windows BMP reader behind the D3DX-style texture loader: uncompressed 24- and 32-bit
// images, bottom-up or top-down, from bytes in memory.
// Owns: the decoded pixels of one image (BGRA8, top row first, no row padding).
// Does not: read files, find resources (platform/system/resource_table.h), touch the device or build
// mip levels (platform/d3dx/d3dx_texture.h); palettes, bit fields and compressed images are refused.
// Needs: nothing beyond the standard library.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/system/d3d8_types.h"

struct BmpImage {
    UINT width = 0;          // pixels
    UINT height = 0;         // pixels
    UINT bitsPerPixel = 0;   // as stored: 24 (alpha set to 255) or 32 (alpha as stored)
    std::vector<BYTE> bgra;  // width * height * 4 bytes: B, G, R, A per pixel, top row first
};

// Largest width or height accepted, in pixels; anything wider is taken as corrupt.
constexpr UINT kBmpMaxDimension = 16384;

// Decodes a BMP of `size` bytes. On success fills *image and returns S_OK. On any malformed or
// unsupported input returns D3DXERR_INVALIDDATA, leaves *image empty and, when error is not
// null, sets it to "<name>: <what is wrong>". Never reads outside [data, data + size).
HRESULT ReadBmpImage(const void* data, size_t size, const char* name, BmpImage* image,
                     std::string* error);

// D3DX-style texture loading: a BMP (from memory or from an RT_RCDATA resource) becomes a
// managed texture with a full box-filtered mip chain, as D3DX does with its default arguments.
// Owns: the mip chain computation and the upload through the device's texture locks.
// Does not: decode anything but BMP (platform/image/bmp_image.h), cache textures (the scene's texture
// cache shares them), colour-key, resize to powers of two, or keep the image after upload.
// Needs: an IDirect3DDevice8 (platform/d3d8/d3d8.h) and the resource table.
#pragma once

#include <cstddef>
#include <string>

#include "platform/d3d8/d3d8.h"

// Creates a texture from BMP bytes: the image's size, every level down to 1x1 (each texel the
// rounded box average of the 2x2 block it covers in the level above; the last texel of an odd
// side takes three), D3DFMT_X8R8G8B8 for 24-bit and D3DFMT_A8R8G8B8 for 32-bit images, managed
// pool. A bad image gives D3DXERR_INVALIDDATA (and,
// when error is not null, its message); a device failure passes the device's code up; null
// arguments give D3DERR_INVALIDCALL. *texture is written only on success.
HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice8* device, const void* data, UINT size,
                                          IDirect3DTexture8** texture,
                                          std::string* error = nullptr);

// The same from the RT_RCDATA resource `resourceName` (names compare without regard to case).
// A missing resource gives D3DXERR_INVALIDDATA with the message "<name>: no RCDATA resource".
HRESULT D3DXCreateTextureFromResourceA(IDirect3DDevice8* device, const char* resourceName,
                                       IDirect3DTexture8** texture,
                                       std::string* error = nullptr);

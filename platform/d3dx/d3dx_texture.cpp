#include "platform/d3dx/d3dx_texture.h"

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/image/bmp_image.h"
#include "platform/system/resource_table.h"

namespace {
// One mip level: BGRA8 texels, rows top first, no padding.
struct MipLevel {
    UINT width = 0;
    UINT height = 0;
    std::vector<BYTE> bgra;
};

UINT MipLevelCount(UINT width, UINT height) {
    UINT levels = 1;
    for (UINT side = width > height ? width : height; side > 1; side >>= 1) ++levels;
    return levels;
}

// The next level down: each texel averages the block of `above` it covers. Block edges are
// floor(i * from / to), so a side of 2n gives 2-wide blocks and 2n + 1 ends with a 3-wide one.
MipLevel HalveLevel(const MipLevel& above) {
    MipLevel below;
    below.width = above.width > 1 ? above.width / 2 : 1;
    below.height = above.height > 1 ? above.height / 2 : 1;
    below.bgra.resize(static_cast<size_t>(below.width) * below.height * 4u);
    for (UINT y = 0; y < below.height; ++y) {
        const UINT y0 = static_cast<UINT>(uint64_t{y} * above.height / below.height);
        const UINT y1 = static_cast<UINT>(uint64_t{y + 1} * above.height / below.height);
        for (UINT x = 0; x < below.width; ++x) {
            const UINT x0 = static_cast<UINT>(uint64_t{x} * above.width / below.width);
            const UINT x1 = static_cast<UINT>(uint64_t{x + 1} * above.width / below.width);
            UINT sum[4] = {};
            for (UINT sy = y0; sy < y1; ++sy)
                for (UINT sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 4; ++c)
                        sum[c] += above.bgra[(static_cast<size_t>(sy) * above.width + sx) * 4 + c];
            const UINT count = (x1 - x0) * (y1 - y0);
            BYTE* out = &below.bgra[(static_cast<size_t>(y) * below.width + x) * 4];
            for (int c = 0; c < 4; ++c) out[c] = static_cast<BYTE>((sum[c] + count / 2) / count);
        }
    }
    return below;
}

HRESULT UploadLevel(IDirect3DTexture8* texture, UINT level, const MipLevel& mip) {
    D3DLOCKED_RECT locked;
    HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
    if (FAILED(hr)) return hr;
    const size_t rowBytes = static_cast<size_t>(mip.width) * 4u;
    if (!locked.pBits || locked.Pitch < static_cast<int>(rowBytes)) {
        texture->UnlockRect(level);
        return D3DERR_INVALIDCALL;
    }
    BYTE* dst = static_cast<BYTE*>(locked.pBits);
    for (UINT y = 0; y < mip.height; ++y)
        std::memcpy(dst + static_cast<size_t>(y) * static_cast<size_t>(locked.Pitch),
                    &mip.bgra[y * rowBytes], rowBytes);
    return texture->UnlockRect(level);
}

HRESULT CreateFromBytes(IDirect3DDevice8* device, const void* data, size_t size, const char* name,
                        IDirect3DTexture8** texture, std::string* error) {
    if (!device || !data || !texture) return D3DERR_INVALIDCALL;
    BmpImage image;
    HRESULT hr = ReadBmpImage(data, size, name, &image, error);
    if (FAILED(hr)) return hr;

    const UINT levels = MipLevelCount(image.width, image.height);
    const D3DFORMAT format = image.bitsPerPixel == 32 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    IDirect3DTexture8* created = nullptr;
    hr = device->CreateTexture(image.width, image.height, levels, 0, format, D3DPOOL_MANAGED,
                               &created);
    if (FAILED(hr)) return hr;

    MipLevel mip;
    mip.width = image.width;
    mip.height = image.height;
    mip.bgra = std::move(image.bgra);
    for (UINT level = 0; level < levels; ++level) {
        if (level > 0) mip = HalveLevel(mip);
        hr = UploadLevel(created, level, mip);
        if (FAILED(hr)) {
            created->Release();
            return hr;
        }
    }
    *texture = created;
    return S_OK;
}
}  // namespace

HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice8* device, const void* data, UINT size,
                                          IDirect3DTexture8** texture, std::string* error) {
    return CreateFromBytes(device, data, size, "(memory)", texture, error);
}

HRESULT D3DXCreateTextureFromResourceA(IDirect3DDevice8* device, const char* resourceName,
                                       IDirect3DTexture8** texture, std::string* error) {
    if (!device || !resourceName || !texture) return D3DERR_INVALIDCALL;
    HRSRC found = LoadResource(FindResourceA(resourceName, kRtRcdata));
    if (!found) {
        if (error) *error = std::string(resourceName) + ": no RCDATA resource";
        return D3DXERR_INVALIDDATA;
    }
    return CreateFromBytes(device, LockResource(found), SizeofResource(found), resourceName,
                           texture, error);
}

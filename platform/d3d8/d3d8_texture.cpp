// Managed textures: reference counts, mip levels, whole-level locks on the system copy.
#include <algorithm>
#include <new>

#include "platform/d3d8/d3d8.h"
#include "platform/gl/gl_device.h"

namespace {

constexpr uint64_t kMaxTextureBytes = 256u << 20;

UINT LevelSize(UINT size, UINT level) {
    return std::max(1u, size >> level);
}

UINT FullChainLength(UINT width, UINT height) {
    UINT levels = 1;
    for (UINT size = std::max(width, height); size > 1; size >>= 1)
        ++levels;
    return levels;
}

}  // namespace

ULONG IDirect3DTexture8::AddRef() {
    return ++m_pState->refs;
}

ULONG IDirect3DTexture8::Release() {
    const ULONG refs = --m_pState->refs;
    if (refs == 0) {
        if (m_pState->device != nullptr) {
            GlDeleteTexture(m_pState);
            m_pState->device->textures.erase(m_pState);
        }
        delete this;
    }
    return refs;
}

IDirect3DTexture8::~IDirect3DTexture8() {
    delete m_pState;
}

DWORD IDirect3DTexture8::GetLevelCount() const {
    return static_cast<DWORD>(m_pState->levels.size());
}

HRESULT IDirect3DTexture8::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) const {
    if (desc == nullptr || level >= m_pState->levels.size())
        return D3DERR_INVALIDCALL;
    desc->Format = m_pState->format;
    desc->Type = D3DRTYPE_TEXTURE;
    desc->Usage = m_pState->usage;
    desc->Pool = m_pState->pool;
    desc->Size = static_cast<UINT>(m_pState->levels[level].size());
    desc->Width = LevelSize(m_pState->width, level);
    desc->Height = LevelSize(m_pState->height, level);
    return D3D_OK;
}

HRESULT IDirect3DTexture8::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                                    DWORD flags) {
    if (locked == nullptr)
        return D3DERR_INVALIDCALL;
    *locked = D3DLOCKED_RECT();
    GlTextureState* state = m_pState;
    if (level >= state->levels.size() || rect != nullptr || state->locked[level]) {
        return D3DERR_INVALIDCALL;
    }
    state->locked[level] = true;
    state->lockedReadOnly[level] = (flags & D3DLOCK_READONLY) != 0;
    locked->Pitch = static_cast<int>(LevelSize(state->width, level) * state->bytesPerPixel);
    locked->pBits = state->levels[level].data();
    return D3D_OK;
}

HRESULT IDirect3DTexture8::UnlockRect(UINT level) {
    GlTextureState* state = m_pState;
    if (level >= state->levels.size() || !state->locked[level])
        return D3DERR_INVALIDCALL;
    state->locked[level] = false;
    if (!state->lockedReadOnly[level])
        GlUploadTextureLevel(state, level);
    return D3D_OK;
}

HRESULT IDirect3DDevice8::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                        D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DTexture8** texture) {
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    const UINT bytesPerPixel = GlTextureBytesPerPixel(format);
    const UINT maxSize = static_cast<UINT>(m_pState->maxTextureSize);
    const UINT fullChain = FullChainLength(width, height);
    if (width == 0 || height == 0 || width > maxSize || height > maxSize || bytesPerPixel == 0 ||
        levels > fullChain || (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) != 0) {
        return D3DERR_INVALIDCALL;
    }
    if (levels == 0)
        levels = fullChain;
    uint64_t total = 0;
    for (UINT level = 0; level < levels; ++level) {
        total += static_cast<uint64_t>(LevelSize(width, level)) * LevelSize(height, level) *
                 bytesPerPixel;
    }
    if (total > kMaxTextureBytes)
        return E_OUTOFMEMORY;

    GlTextureState* state = new (std::nothrow) GlTextureState();
    IDirect3DTexture8* created =
        state != nullptr ? new (std::nothrow) IDirect3DTexture8() : nullptr;
    if (created == nullptr) {
        delete state;
        return E_OUTOFMEMORY;
    }
    created->m_pState = state;
    try {
        state->levels.resize(levels);
        for (UINT level = 0; level < levels; ++level) {
            state->levels[level].assign(static_cast<size_t>(LevelSize(width, level)) *
                                            LevelSize(height, level) * bytesPerPixel,
                                        0);
        }
        state->locked.assign(levels, false);
        state->lockedReadOnly.assign(levels, false);
        m_pState->textures.insert(state);
    } catch (const std::bad_alloc&) {
        delete created;
        return E_OUTOFMEMORY;
    }
    state->device = m_pState;
    state->width = width;
    state->height = height;
    state->format = format;
    state->usage = usage;
    state->pool = pool;
    state->bytesPerPixel = bytesPerPixel;
    GlUploadTexture(state);
    *texture = created;
    return D3D_OK;
}

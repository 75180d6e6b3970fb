// Managed vertex and index buffers: reference counts, locks on the system copy, uploads.
#include <new>

#include "platform/d3d8/d3d8.h"
#include "platform/gl/gl_device.h"

namespace {

ULONG ReleaseBuffer(GlBufferState* state) {
    const ULONG refs = --state->refs;
    if (refs == 0 && state->device != nullptr) {
        GlDeleteBuffer(state);
        state->device->buffers.erase(state);
    }
    return refs;
}

HRESULT LockBuffer(GlBufferState* state, UINT offset, UINT size, BYTE** data, DWORD flags) {
    if (data == nullptr)
        return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (size == 0)
        size = offset < state->length ? state->length - offset : 0;
    const uint64_t end = static_cast<uint64_t>(offset) + size;
    if (state->length == 0 || size == 0 || end > state->length) {
        if (state->device != nullptr)
            state->device->lastError = "lock range outside the buffer";
        return D3DERR_INVALIDCALL;
    }
    if ((flags & D3DLOCK_READONLY) == 0) {
        const UINT last = static_cast<UINT>(end);
        const bool clean = state->dirtyEnd <= state->dirtyBegin;
        state->dirtyBegin = clean || offset < state->dirtyBegin ? offset : state->dirtyBegin;
        state->dirtyEnd = clean || last > state->dirtyEnd ? last : state->dirtyEnd;
    }
    ++state->lockCount;
    *data = state->data.data() + offset;
    return D3D_OK;
}

// The last unlock sends what writable locks covered; read-only locks leave the GL copy alone.
HRESULT UnlockBuffer(GlBufferState* state) {
    if (state->lockCount == 0)
        return D3DERR_INVALIDCALL;
    if (--state->lockCount > 0 || state->dirtyEnd <= state->dirtyBegin)
        return D3D_OK;
    GlUploadBufferRange(state, state->dirtyBegin, state->dirtyEnd);
    state->dirtyBegin = state->dirtyEnd = 0;
    state->largestIndex.clear();
    state->opaqueColours.clear();
    return D3D_OK;
}

// A buffer's state with `length` zeroed bytes and its GL copy; null when memory runs out.
GlBufferState* NewBufferState(GlDeviceState* device, UINT length) {
    GlBufferState* state = new (std::nothrow) GlBufferState();
    if (state == nullptr)
        return nullptr;
    try {
        state->data.assign(length, 0);
        device->buffers.insert(state);
    } catch (const std::bad_alloc&) {
        delete state;
        return nullptr;
    }
    state->device = device;
    state->length = length;
    GlUploadBuffer(state);
    return state;
}

constexpr UINT kMaxBufferBytes = 256u << 20;

}  // namespace

ULONG IDirect3DVertexBuffer8::AddRef() {
    return ++m_pState->refs;
}

ULONG IDirect3DVertexBuffer8::Release() {
    const ULONG refs = ReleaseBuffer(m_pState);
    if (refs == 0)
        delete this;
    return refs;
}

IDirect3DVertexBuffer8::~IDirect3DVertexBuffer8() {
    delete m_pState;
}

HRESULT IDirect3DVertexBuffer8::Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) {
    return LockBuffer(m_pState, offsetToLock, sizeToLock, data, flags);
}

HRESULT IDirect3DVertexBuffer8::Unlock() {
    return UnlockBuffer(m_pState);
}

HRESULT IDirect3DVertexBuffer8::GetDesc(D3DVERTEXBUFFER_DESC* desc) const {
    if (desc == nullptr)
        return D3DERR_INVALIDCALL;
    desc->Format = D3DFMT_VERTEXDATA;
    desc->Type = D3DRTYPE_VERTEXBUFFER;
    desc->Usage = m_pState->usage;
    desc->Pool = m_pState->pool;
    desc->Size = m_pState->length;
    desc->FVF = m_pState->fvf;
    return D3D_OK;
}

ULONG IDirect3DIndexBuffer8::AddRef() {
    return ++m_pState->refs;
}

ULONG IDirect3DIndexBuffer8::Release() {
    const ULONG refs = ReleaseBuffer(m_pState);
    if (refs == 0)
        delete this;
    return refs;
}

IDirect3DIndexBuffer8::~IDirect3DIndexBuffer8() {
    delete m_pState;
}

HRESULT IDirect3DIndexBuffer8::Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) {
    return LockBuffer(m_pState, offsetToLock, sizeToLock, data, flags);
}

HRESULT IDirect3DIndexBuffer8::Unlock() {
    return UnlockBuffer(m_pState);
}

HRESULT IDirect3DIndexBuffer8::GetDesc(D3DINDEXBUFFER_DESC* desc) const {
    if (desc == nullptr)
        return D3DERR_INVALIDCALL;
    desc->Format = m_pState->format;
    desc->Type = D3DRTYPE_INDEXBUFFER;
    desc->Usage = m_pState->usage;
    desc->Pool = m_pState->pool;
    desc->Size = m_pState->length;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer8** buffer) {
    if (buffer == nullptr)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0)
        return D3DERR_INVALIDCALL;
    if (length > kMaxBufferBytes)
        return E_OUTOFMEMORY;
    GlBufferState* state = NewBufferState(m_pState, length);
    IDirect3DVertexBuffer8* created =
        state != nullptr ? new (std::nothrow) IDirect3DVertexBuffer8() : nullptr;
    if (created == nullptr) {
        if (state != nullptr)
            ReleaseBuffer(state);
        delete state;
        return E_OUTOFMEMORY;
    }
    state->usage = usage;
    state->fvf = fvf;
    state->pool = pool;
    created->m_pState = state;
    *buffer = created;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, IDirect3DIndexBuffer8** buffer) {
    if (buffer == nullptr)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) {
        return D3DERR_INVALIDCALL;
    }
    if (length > kMaxBufferBytes)
        return E_OUTOFMEMORY;
    GlBufferState* state = NewBufferState(m_pState, length);
    IDirect3DIndexBuffer8* created =
        state != nullptr ? new (std::nothrow) IDirect3DIndexBuffer8() : nullptr;
    if (created == nullptr) {
        if (state != nullptr)
            ReleaseBuffer(state);
        delete state;
        return E_OUTOFMEMORY;
    }
    state->index = true;
    state->usage = usage;
    state->format = format;
    state->pool = pool;
    created->m_pState = state;
    *buffer = created;
    return D3D_OK;
}

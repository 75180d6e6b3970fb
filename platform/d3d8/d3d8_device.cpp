// IDirect3DDevice8: creation, frame, recorded states, shaders, streams and the draw's checks.
// Setters only record; the GL work happens in platform/gl/gl_device.cpp at the draw.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "platform/d3d8/d3d8.h"
#include "platform/gl/gl_device.h"
#include "platform/gl/gl_window.h"
#include "platform/vshader/vs_declaration.h"
#include "platform/vshader/vs_glsl.h"
#include "platform/vshader/vs_program.h"

namespace {

bool IsRasterState(DWORD state) {
    switch (state) {
        case D3DRS_ZENABLE:
        case D3DRS_FILLMODE:
        case D3DRS_ZWRITEENABLE:
        case D3DRS_SRCBLEND:
        case D3DRS_DESTBLEND:
        case D3DRS_CULLMODE:
        case D3DRS_ZFUNC:
        case D3DRS_ALPHABLENDENABLE:
        case D3DRS_BLENDOP:
            return true;
        default:
            return false;
    }
}

bool IsPixelState(DWORD state) {
    switch (state) {
        case D3DRS_ALPHATESTENABLE:
        case D3DRS_ALPHAREF:
        case D3DRS_ALPHAFUNC:
        case D3DRS_FOGENABLE:
        case D3DRS_FOGCOLOR:
        case D3DRS_TEXTUREFACTOR:
            return true;
        default:
            return false;
    }
}

bool IsSamplerStageState(DWORD type) {
    return type == D3DTSS_ADDRESSU || type == D3DTSS_ADDRESSV || type == D3DTSS_MAGFILTER ||
           type == D3DTSS_MINFILTER || type == D3DTSS_MIPFILTER || type == 15;  // BORDERCOLOR
}

bool IsTransformState(DWORD state) {
    return state == D3DTS_VIEW || state == D3DTS_PROJECTION ||
           (state >= D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + 8) ||
           (state >= D3DTS_WORLD && state < kTransformCount);
}

// Checks present parameters and fills in what Direct3D derives (windowed sizes and format).
HRESULT ResolvePresentParameters(const D3DPRESENT_PARAMETERS& in, GlWindow* window,
                                 D3DPRESENT_PARAMETERS* out) {
    *out = in;
    out->hDeviceWindow = window;
    if (in.Windowed) {
        int width = 0, height = 0;
        window->GetDrawableSize(&width, &height);
        if (out->BackBufferWidth == 0)
            out->BackBufferWidth = static_cast<UINT>(width);
        if (out->BackBufferHeight == 0)
            out->BackBufferHeight = static_cast<UINT>(height);
        if (out->BackBufferFormat == D3DFMT_UNKNOWN)
            out->BackBufferFormat = D3DFMT_X8R8G8B8;
    }
    GLenum internalFormat = 0;
    bool hasAlpha = false;
    if (out->BackBufferWidth == 0 || out->BackBufferHeight == 0 || out->BackBufferWidth > 16384 ||
        out->BackBufferHeight > 16384 ||
        !GlBackBufferFormat(out->BackBufferFormat, &internalFormat, &hasAlpha) ||
        out->BackBufferCount > 3 || out->MultiSampleType != D3DMULTISAMPLE_NONE) {
        return D3DERR_INVALIDCALL;
    }
    if (out->EnableAutoDepthStencil && out->AutoDepthStencilFormat != D3DFMT_D16 &&
        out->AutoDepthStencilFormat != D3DFMT_D24S8) {
        return D3DERR_INVALIDCALL;
    }
    if (out->BackBufferCount == 0)
        out->BackBufferCount = 1;
    return D3D_OK;
}

void Assign(IDirect3DTexture8** slot, IDirect3DTexture8* texture) {
    if (texture != nullptr)
        texture->AddRef();
    if (*slot != nullptr)
        (*slot)->Release();
    *slot = texture;
}

void Assign(IDirect3DVertexBuffer8** slot, IDirect3DVertexBuffer8* buffer) {
    if (buffer != nullptr)
        buffer->AddRef();
    if (*slot != nullptr)
        (*slot)->Release();
    *slot = buffer;
}

void Assign(IDirect3DIndexBuffer8** slot, IDirect3DIndexBuffer8* buffer) {
    if (buffer != nullptr)
        buffer->AddRef();
    if (*slot != nullptr)
        (*slot)->Release();
    *slot = buffer;
}

// Indices a primitive type needs, and its GL mode; 0 for an unknown type.
UINT IndexCount(D3DPRIMITIVETYPE type, UINT primitives, GLenum* mode) {
    switch (type) {
        case D3DPT_POINTLIST:
            *mode = GL_POINTS;
            return primitives;
        case D3DPT_LINELIST:
            *mode = GL_LINES;
            return primitives * 2;
        case D3DPT_LINESTRIP:
            *mode = GL_LINE_STRIP;
            return primitives + 1;
        case D3DPT_TRIANGLELIST:
            *mode = GL_TRIANGLES;
            return primitives * 3;
        case D3DPT_TRIANGLESTRIP:
            *mode = GL_TRIANGLE_STRIP;
            return primitives + 2;
        case D3DPT_TRIANGLEFAN:
            *mode = GL_TRIANGLE_FAN;
            return primitives + 2;
        default:
            return 0;
    }
}

// The largest index of [first, first + count), remembered until the buffer is written again.
uint32_t LargestIndex(GlBufferState* indices, UINT first, UINT count) {
    const uint64_t key = (static_cast<uint64_t>(first) << 32) | count;
    auto found = indices->largestIndex.find(key);
    if (found != indices->largestIndex.end())
        return found->second;
    uint32_t largest = 0;
    if (indices->format == D3DFMT_INDEX32) {
        for (UINT i = first; i < first + count; ++i) {
            uint32_t value = 0;
            std::memcpy(&value, indices->data.data() + static_cast<size_t>(i) * 4, 4);
            if (value > largest)
                largest = value;
        }
    } else {
        for (UINT i = first; i < first + count; ++i) {
            uint16_t value = 0;
            std::memcpy(&value, indices->data.data() + static_cast<size_t>(i) * 2, 2);
            if (value > largest)
                largest = value;
        }
    }
    indices->largestIndex.emplace(key, largest);
    return largest;
}

// The attributes the GL side binds for a parsed declaration, and the bytes they span.
GlVertexLayout VertexLayout(const VsDeclaration& declaration) {
    GlVertexLayout layout;
    layout.stream = declaration.stream;
    for (const VsDeclaration::Element& element : declaration.elements) {
        layout.attributes.push_back({element.reg, element.type, element.offset});
        layout.extent =
            std::max(layout.extent, element.offset + VsDeclarationTypeSize(element.type));
    }
    return layout;
}

}  // namespace

// ---- Creation and life ----

HRESULT IDirect3D8::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND window, DWORD behaviourFlags,
                                 D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device) {
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (adapter != D3DADAPTER_DEFAULT || parameters == nullptr)
        return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL)
        return D3DERR_NOTAVAILABLE;
    if (window == nullptr)
        window = parameters->hDeviceWindow;
    const DWORD processing =
        behaviourFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                          D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING);
    const bool oneProcessing = processing == D3DCREATE_SOFTWARE_VERTEXPROCESSING ||
                               processing == D3DCREATE_HARDWARE_VERTEXPROCESSING ||
                               processing == D3DCREATE_MIXED_VERTEXPROCESSING;
    if (window == nullptr || !oneProcessing)
        return D3DERR_INVALIDCALL;
    D3DPRESENT_PARAMETERS resolved;
    HRESULT hr = ResolvePresentParameters(*parameters, window, &resolved);
    if (FAILED(hr))
        return hr;
    if (!window->MakeCurrent())
        return D3DERR_NOTAVAILABLE;

    GlDeviceState* state = new (std::nothrow) GlDeviceState(window);
    IDirect3DDevice8* created = state != nullptr ? new (std::nothrow) IDirect3DDevice8() : nullptr;
    if (created == nullptr) {
        delete state;
        return E_OUTOFMEMORY;
    }
    created->m_pState = state;
    state->parameters = resolved;
    state->behaviour = behaviourFlags;
    GlSetDefaultStates(state);
    std::string error;
    if (!GlCreateDeviceObjects(state, &error)) {
        std::fprintf(stderr, "velmora device: CreateDevice: %s\n", error.c_str());
        created->Release();
        return D3DERR_NOTAVAILABLE;
    }
    *device = created;
    return D3D_OK;
}

ULONG IDirect3DDevice8::AddRef() {
    return ++m_pState->refs;
}

ULONG IDirect3DDevice8::Release() {
    const ULONG refs = --m_pState->refs;
    if (refs == 0)
        delete this;
    return refs;
}

IDirect3DDevice8::~IDirect3DDevice8() {
    GlDeviceState* state = m_pState;
    const bool current = state->window->MakeCurrent();
    D3dRecordedState& recorded = state->recorded;
    for (UINT k = 0; k < kStageCount; ++k)
        Assign(&recorded.textures[k], nullptr);
    for (UINT s = 0; s < kStreamCount; ++s)
        Assign(&recorded.streams[s].buffer, nullptr);
    Assign(&recorded.indices, nullptr);
    GlDestroyDeviceObjects(state, current && !state->window->ContextWasReset());
    // Resources the caller still holds keep their system copies and outlive the device.
    for (GlBufferState* buffer : state->buffers)
        buffer->device = nullptr;
    for (GlTextureState* texture : state->textures)
        texture->device = nullptr;
    delete state;
}

HRESULT IDirect3DDevice8::GetDeviceCaps(D3DCAPS8* caps) const {
    if (caps == nullptr)
        return D3DERR_INVALIDCALL;
    GlFillCaps(caps);
    if (AdapterLimits().vertexShaderVersion != 0)
        caps->VertexShaderVersion = AdapterLimits().vertexShaderVersion;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) const {
    if (parameters == nullptr)
        return D3DERR_INVALIDCALL;
    parameters->AdapterOrdinal = D3DADAPTER_DEFAULT;
    parameters->DeviceType = D3DDEVTYPE_HAL;
    parameters->hFocusWindow = m_pState->window;
    parameters->BehaviorFlags = m_pState->behaviour;
    return D3D_OK;
}

// ---- Frame ----

HRESULT IDirect3DDevice8::TestCooperativeLevel() {
    GlDeviceState* state = m_pState;
    if (!state->lost && state->window->IsHidden())
        state->lost = true;
    if (!state->lost)
        return D3D_OK;
    if (state->forcedLossFrames > 0 || state->window->IsHidden())
        return D3DERR_DEVICELOST;
    return D3DERR_DEVICENOTRESET;
}

HRESULT IDirect3DDevice8::Reset(D3DPRESENT_PARAMETERS* parameters) {
    GlDeviceState* state = m_pState;
    if (parameters == nullptr)
        return D3DERR_INVALIDCALL;
    if (state->forcedLossFrames > 0 || state->window->IsHidden()) {
        state->lost = true;
        return D3DERR_DEVICELOST;
    }
    D3DPRESENT_PARAMETERS resolved;
    if (FAILED(ResolvePresentParameters(*parameters, state->window, &resolved))) {
        state->lost = true;
        return D3DERR_INVALIDCALL;
    }
    if (!state->window->MakeCurrent())
        return D3DERR_DEVICELOST;
    const bool contextReset = state->contextReset || state->window->ContextWasReset();
    GlDestroyDeviceObjects(state, !contextReset);
    if (contextReset) {
        std::string error;
        if (!state->window->RecreateContext(&error)) {
            state->lastError = "Reset: " + error;
            state->lost = true;
            return D3DERR_DEVICELOST;
        }
    }

    // Everything returns to its state after CreateDevice; managed resources and shaders stay.
    D3dRecordedState& recorded = state->recorded;
    for (UINT k = 0; k < kStageCount; ++k) {
        Assign(&recorded.textures[k], nullptr);
        recorded.textureStates[k] = nullptr;
    }
    for (UINT s = 0; s < kStreamCount; ++s) {
        Assign(&recorded.streams[s].buffer, nullptr);
        recorded.streams[s].state = nullptr;
        recorded.streams[s].stride = 0;
    }
    Assign(&recorded.indices, nullptr);
    recorded.indexState = nullptr;
    recorded.baseVertexIndex = 0;
    recorded.vertexShader = 0;
    ++recorded.constantsClock;
    for (UINT r = 0; r < kConstantCount; ++r) {
        recorded.constants[r] = D3DXVECTOR4();
        recorded.constantStamps[r] = recorded.constantsClock;
    }
    state->parameters = resolved;
    GlSetDefaultStates(state);
    std::string error;
    if (!GlCreateDeviceObjects(state, &error)) {
        state->lastError = "Reset: " + error;
        state->lost = true;
        return D3DERR_NOTAVAILABLE;
    }
    state->lost = false;
    state->contextReset = false;
    state->inScene = false;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::Present(const RECT* source, const RECT* dest, HWND overrideWindow,
                                  const void* dirtyRegion) {
    GlDeviceState* state = m_pState;
    if (source != nullptr || dest != nullptr || overrideWindow != nullptr ||
        dirtyRegion != nullptr) {
        return D3DERR_INVALIDCALL;
    }
    if (state->forcedLossFrames > 0) {
        --state->forcedLossFrames;
        state->lost = true;
    }
    if (!state->lost && state->window->IsHidden())
        state->lost = true;
    if (!state->lost && state->window->ContextWasReset()) {
        state->lost = true;
        state->contextReset = true;
    }
    if (state->lost)
        return D3DERR_DEVICELOST;
    GlPresent(state);
    return D3D_OK;
}

HRESULT IDirect3DDevice8::BeginScene() {
    if (m_pState->inScene)
        return D3DERR_INVALIDCALL;
    m_pState->inScene = true;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::EndScene() {
    if (!m_pState->inScene)
        return D3DERR_INVALIDCALL;
    m_pState->inScene = false;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                                float z, DWORD /*stencil*/) {
    GlDeviceState* state = m_pState;
    const bool hasDepth = state->backBufferDepth != 0;
    const bool hasStencil = hasDepth && state->parameters.AutoDepthStencilFormat == D3DFMT_D24S8;
    if ((flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0 ||
        (count != 0 && rects == nullptr) || ((flags & D3DCLEAR_ZBUFFER) && !hasDepth) ||
        ((flags & D3DCLEAR_STENCIL) && !hasStencil)) {
        return D3DERR_INVALIDCALL;
    }
    if (!(z >= 0.0f))
        z = 0.0f;
    if (z > 1.0f)
        z = 1.0f;
    return GlClear(state, count, rects, flags, color, z);
}

// ---- Recorded state ----

HRESULT IDirect3DDevice8::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
    if (matrix == nullptr || !IsTransformState(type))
        return D3DERR_INVALIDCALL;
    m_pState->recorded.transforms[type] = *matrix;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) const {
    if (matrix == nullptr || !IsTransformState(type))
        return D3DERR_INVALIDCALL;
    *matrix = m_pState->recorded.transforms[type];
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetMaterial(const D3DMATERIAL8* material) {
    if (material == nullptr)
        return D3DERR_INVALIDCALL;
    m_pState->recorded.material = *material;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetMaterial(D3DMATERIAL8* material) const {
    if (material == nullptr)
        return D3DERR_INVALIDCALL;
    *material = m_pState->recorded.material;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetRenderState(D3DRENDERSTATETYPE type, DWORD value) {
    if (type >= kRenderStateCount)
        return D3DERR_INVALIDCALL;
    DWORD& slot = m_pState->recorded.renderStates[type];
    if (slot == value)
        return D3D_OK;
    slot = value;
    if (IsRasterState(type))
        m_pState->dirty |= kDirtyRaster;
    if (IsPixelState(type))
        m_pState->dirty |= kDirtyPixel;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetRenderState(D3DRENDERSTATETYPE type, DWORD* value) const {
    if (value == nullptr || type >= kRenderStateCount)
        return D3DERR_INVALIDCALL;
    *value = m_pState->recorded.renderStates[type];
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetTexture(DWORD stage, IDirect3DTexture8* texture) {
    if (stage >= kStageCount)
        return D3DERR_INVALIDCALL;
    if (texture != nullptr && texture->m_pState->device != m_pState)
        return D3DERR_INVALIDCALL;
    D3dRecordedState& recorded = m_pState->recorded;
    if (recorded.textures[stage] == texture)
        return D3D_OK;
    Assign(&recorded.textures[stage], texture);
    recorded.textureStates[stage] = texture != nullptr ? texture->m_pState : nullptr;
    m_pState->dirty |= kDirtyTextures;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetTexture(DWORD stage, IDirect3DTexture8** texture) const {
    if (texture == nullptr || stage >= kStageCount)
        return D3DERR_INVALIDCALL;
    *texture = m_pState->recorded.textures[stage];
    if (*texture != nullptr)
        (*texture)->AddRef();
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                               DWORD value) {
    if (stage >= kStageCount || type >= kStageStateCount)
        return D3DERR_INVALIDCALL;
    DWORD& slot = m_pState->recorded.stageStates[stage][type];
    if (slot == value)
        return D3D_OK;
    slot = value;
    if (stage < kDrawnStages) {
        m_pState->dirty |= IsSamplerStageState(type) ? kDirtySamplers : kDirtyPixel;
    }
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                               DWORD* value) const {
    if (value == nullptr || stage >= kStageCount || type >= kStageStateCount) {
        return D3DERR_INVALIDCALL;
    }
    *value = m_pState->recorded.stageStates[stage][type];
    return D3D_OK;
}

// ---- Shaders and constants ----

namespace {

bool SameLayout(const GlVertexLayout& a, const GlVertexLayout& b) {
    if (a.stream != b.stream || a.extent != b.extent ||
        a.attributes.size() != b.attributes.size()) {
        return false;
    }
    for (size_t i = 0; i < a.attributes.size(); ++i) {
        const GlVertexLayout::Attribute& x = a.attributes[i];
        const GlVertexLayout::Attribute& y = b.attributes[i];
        if (x.reg != y.reg || x.type != y.type || x.offset != y.offset)
            return false;
    }
    return true;
}

// A live, built shader of the same GLSL and vertex layout, or null.
std::shared_ptr<GlShader> SameShader(const GlDeviceState* state, const std::string& glsl,
                                     const GlVertexLayout& layout) {
    for (const std::shared_ptr<GlShader>& shader : state->shaders) {
        if (shader && shader->vertexArray != 0 && shader->glsl == glsl &&
            SameLayout(shader->layout, layout)) {
            return shader;
        }
    }
    return nullptr;
}

}  // namespace

HRESULT IDirect3DDevice8::CreateVertexShader(const DWORD* declaration, const DWORD* function,
                                             DWORD* handle, DWORD /*usage*/) {
    GlDeviceState* state = m_pState;
    if (declaration == nullptr || function == nullptr || handle == nullptr) {
        state->lastError = "CreateVertexShader needs a declaration and a function";
        return D3DERR_INVALIDCALL;
    }
    std::string error;
    VsDeclaration parsed;
    HRESULT hr = ParseVertexDeclaration(declaration, &parsed, &error);
    if (FAILED(hr)) {
        state->lastError = "vertex declaration: " + error;
        return hr;
    }
    if (parsed.stream >= kStreamCount) {
        state->lastError = "vertex declaration: stream out of range";
        return D3DERR_INVALIDCALL;
    }
    VsProgram program;
    hr = DecodeVertexShader(function, &program, &error);
    if (FAILED(hr)) {
        state->lastError = "vertex shader: " + error;
        return hr;
    }
    std::string glsl = TranslateVertexShaderToGlsl(program, parsed);
    const GlVertexLayout layout = VertexLayout(parsed);
    std::shared_ptr<GlShader> shader = SameShader(state, glsl, layout);
    if (shader) {
        state->shaders.push_back(std::move(shader));
        *handle = static_cast<DWORD>(state->shaders.size() - 1) * 2 + 1;
        return D3D_OK;
    }
    shader.reset(new (std::nothrow) GlShader());
    if (!shader)
        return E_OUTOFMEMORY;
    shader->glsl = std::move(glsl);
    shader->layout = layout;
    static_assert(kVsDiffuseAlphaDefault == kDiffuseAlphaOne &&
                      kVsDiffuseAlphaUnknown == kDiffuseAlphaUnknown,
                  "the device reads the shader's diffuse alpha source as is");
    shader->diffuseAlphaInput = VsDiffuseAlphaSource(program);
    if (!GlBuildShader(state, shader.get(), &error)) {
        GlDeleteShader(shader.get());
        state->lastError = error;
        std::fprintf(stderr, "velmora device: %s\n", error.c_str());
        return E_FAIL;
    }
    state->shaders.push_back(std::move(shader));
    *handle = static_cast<DWORD>(state->shaders.size() - 1) * 2 + 1;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetVertexShader(DWORD handle) {
    GlDeviceState* state = m_pState;
    const bool known =
        handle == 0 || handle == kPretransformedFvf ||
        ((handle & 1) != 0 && handle / 2 < state->shaders.size() && state->shaders[handle / 2]);
    if (!known) {
        state->lastError = "SetVertexShader: unknown handle or unsupported vertex format";
        return D3DERR_INVALIDCALL;
    }
    state->recorded.vertexShader = handle;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetVertexShader(DWORD* handle) const {
    if (handle == nullptr)
        return D3DERR_INVALIDCALL;
    *handle = m_pState->recorded.vertexShader;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::DeleteVertexShader(DWORD handle) {
    GlDeviceState* state = m_pState;
    const size_t slot = handle / 2;
    if ((handle & 1) == 0 || slot >= state->shaders.size() || !state->shaders[slot]) {
        return D3DERR_INVALIDCALL;
    }
    if (state->shaders[slot].use_count() == 1)
        GlDeleteShader(state->shaders[slot].get());
    state->shaders[slot].reset();
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetVertexShaderConstant(DWORD first, const void* data, DWORD count) {
    if (data == nullptr || first >= kConstantCount || count > kConstantCount - first) {
        return D3DERR_INVALIDCALL;
    }
    D3dRecordedState& recorded = m_pState->recorded;
    const uint64_t clock = recorded.constantsClock + 1;
    bool changed = false;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    for (DWORD i = 0; i < count; ++i) {
        D3DXVECTOR4& slot = recorded.constants[first + i];
        if (std::memcmp(&slot, bytes + i * sizeof slot, sizeof slot) == 0)
            continue;
        std::memcpy(&slot, bytes + i * sizeof slot, sizeof slot);
        recorded.constantStamps[first + i] = clock;
        changed = true;
    }
    if (changed)
        recorded.constantsClock = clock;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetVertexShaderConstant(DWORD first, void* data, DWORD count) const {
    if (data == nullptr || first >= kConstantCount || count > kConstantCount - first) {
        return D3DERR_INVALIDCALL;
    }
    std::memcpy(data, &m_pState->recorded.constants[first], count * sizeof(D3DXVECTOR4));
    return D3D_OK;
}

// ---- Streams and drawing ----

HRESULT IDirect3DDevice8::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer,
                                          UINT stride) {
    GlDeviceState* state = m_pState;
    if (stream >= kStreamCount || stride > static_cast<UINT>(state->maxVertexAttribStride)) {
        return D3DERR_INVALIDCALL;
    }
    if (buffer != nullptr && buffer->m_pState->device != state)
        return D3DERR_INVALIDCALL;
    D3dRecordedState::Stream& slot = state->recorded.streams[stream];
    Assign(&slot.buffer, buffer);
    slot.state = buffer != nullptr ? buffer->m_pState : nullptr;
    slot.stride = stride;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex) {
    GlDeviceState* state = m_pState;
    if (buffer != nullptr && buffer->m_pState->device != state)
        return D3DERR_INVALIDCALL;
    Assign(&state->recorded.indices, buffer);
    state->recorded.indexState = buffer != nullptr ? buffer->m_pState : nullptr;
    state->recorded.baseVertexIndex = baseVertexIndex;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetStreamSource(UINT stream, IDirect3DVertexBuffer8** buffer,
                                          UINT* stride) const {
    if (buffer == nullptr || stride == nullptr || stream >= kStreamCount)
        return D3DERR_INVALIDCALL;
    const D3dRecordedState::Stream& slot = m_pState->recorded.streams[stream];
    *buffer = slot.buffer;
    if (*buffer != nullptr)
        (*buffer)->AddRef();
    *stride = slot.stride;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetIndices(IDirect3DIndexBuffer8** buffer, UINT* baseVertexIndex) const {
    if (buffer == nullptr || baseVertexIndex == nullptr)
        return D3DERR_INVALIDCALL;
    *buffer = m_pState->recorded.indices;
    if (*buffer != nullptr)
        (*buffer)->AddRef();
    *baseVertexIndex = m_pState->recorded.baseVertexIndex;
    return D3D_OK;
}

namespace {

// The bound shader, or null after reporting why there is none to draw with.
GlShader* BoundShader(GlDeviceState* state) {
    const DWORD handle = state->recorded.vertexShader;
    GlShader* shader = nullptr;
    if (handle == kPretransformedFvf) {
        shader = &state->pretransformed;
    } else if (handle == 0) {
        GlRefuse(state, GlRefusal::NoShader, "no vertex shader is set");
        return nullptr;
    } else if (handle / 2 < state->shaders.size()) {
        shader = state->shaders[handle / 2].get();
    }
    if (shader == nullptr) {
        GlRefuse(state, GlRefusal::DeletedShader, "the vertex shader was deleted");
        return nullptr;
    }
    if (shader->vertexArray == 0) {
        GlRefuse(state, GlRefusal::FailedShader, "the vertex shader did not build");
        return nullptr;
    }
    return shader;
}

// true when vertices [first, first + count) of the stream lie inside its buffer.
bool VerticesFit(const D3dRecordedState::Stream& stream, const GlShader& shader, uint64_t first,
                 uint64_t count) {
    if (count == 0)
        return true;
    const uint64_t end = (first + count - 1) * stream.stride + shader.layout.extent;
    return end <= stream.state->length;
}

}  // namespace

HRESULT IDirect3DDevice8::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex,
                                               UINT numVertices, UINT startIndex,
                                               UINT primitiveCount) {
    GlDeviceState* state = m_pState;
    GlShader* shader = BoundShader(state);
    if (shader == nullptr)
        return D3DERR_INVALIDCALL;
    GLenum mode = GL_TRIANGLES;
    const UINT indexCount = IndexCount(type, primitiveCount, &mode);
    if (indexCount == 0 && primitiveCount != 0) {
        return GlRefuse(state, GlRefusal::UnsupportedPrimitive, "unknown primitive type");
    }
    if (primitiveCount == 0)
        return D3D_OK;
    const D3dRecordedState& recorded = state->recorded;
    const D3dRecordedState::Stream& stream = recorded.streams[shader->layout.stream];
    if (stream.state == nullptr) {
        return GlRefuse(state, GlRefusal::NoStream, "no vertex buffer on the shader's stream");
    }
    GlBufferState* indices = recorded.indexState;
    if (indices == nullptr)
        return GlRefuse(state, GlRefusal::NoIndices, "no index buffer set");
    const UINT indexSize = indices->format == D3DFMT_INDEX32 ? 4 : 2;
    if (static_cast<uint64_t>(startIndex) + indexCount > indices->length / indexSize) {
        return GlRefuse(state, GlRefusal::IndexRange, "indices beyond the index buffer's end");
    }
    const uint64_t base = recorded.baseVertexIndex;
    const uint64_t largest = LargestIndex(indices, startIndex, indexCount);
    if (!VerticesFit(stream, *shader, base + minIndex, numVertices) ||
        !VerticesFit(stream, *shader, base + largest, 1)) {
        return GlRefuse(state, GlRefusal::VertexRange, "vertices beyond the vertex buffer's end");
    }
    return GlDrawIndexed(state, shader, mode, static_cast<GLsizei>(indexCount), startIndex,
                         primitiveCount);
}

// ---- Beyond Direct3D ----

HRESULT IDirect3DDevice8::ReadBackBuffer(std::vector<uint8_t>* rgba, UINT* width, UINT* height) {
    if (rgba == nullptr || width == nullptr || height == nullptr)
        return D3DERR_INVALIDCALL;
    return GlReadBackBuffer(m_pState, rgba, width, height) ? D3D_OK : E_FAIL;
}

HRESULT IDirect3DDevice8::ReadWindow(std::vector<uint8_t>* rgba, UINT* width, UINT* height) {
    if (rgba == nullptr || width == nullptr || height == nullptr)
        return D3DERR_INVALIDCALL;
    int w = 0, h = 0;
    if (!m_pState->window->ReadPixels(rgba, &w, &h))
        return E_FAIL;
    *width = static_cast<UINT>(w);
    *height = static_cast<UINT>(h);
    return D3D_OK;
}

HRESULT IDirect3DDevice8::CaptureVertexOutputs(UINT count, std::vector<VsVertexOutput>* outputs) {
    GlDeviceState* state = m_pState;
    if (outputs == nullptr)
        return D3DERR_INVALIDCALL;
    outputs->clear();
    GlShader* shader = BoundShader(state);
    if (shader == nullptr)
        return D3DERR_INVALIDCALL;
    const D3dRecordedState::Stream& stream = state->recorded.streams[shader->layout.stream];
    if (stream.state == nullptr) {
        return GlRefuse(state, GlRefusal::NoStream, "no vertex buffer on the shader's stream");
    }
    if (count == 0)
        return D3D_OK;
    if (!VerticesFit(stream, *shader, 0, count)) {
        return GlRefuse(state, GlRefusal::VertexRange, "vertices beyond the vertex buffer's end");
    }
    std::vector<float> floats;
    const HRESULT hr = GlCapture(state, shader, count, &floats);
    if (FAILED(hr))
        return hr;
    outputs->assign(count, VsVertexOutput());
    for (UINT i = 0; i < count; ++i) {
        const float* f = floats.data() + static_cast<size_t>(i) * kCapturedFloatsPerVertex;
        VsVertexOutput& out = (*outputs)[i];
        out.position = D3DXVECTOR4(f[0], f[1], f[2], f[3]);
        out.diffuse = D3DXVECTOR4(f[4], f[5], f[6], f[7]);
        out.specular = D3DXVECTOR4(f[8], f[9], f[10], f[11]);
        out.fog = f[12];
        out.texCoord0 = D3DXVECTOR4(f[13], f[14], f[15], f[16]);
        out.texCoord1 = D3DXVECTOR4(f[17], f[18], f[19], f[20]);
    }
    return D3D_OK;
}

void IDirect3DDevice8::ForceDeviceLoss(int frames) {
    if (frames > 0)
        m_pState->forcedLossFrames = frames;
}

void IDirect3DDevice8::SetStateCacheBypass(bool bypass) {
    m_pState->cache.SetBypass(bypass);
}

const DeviceCounters& IDirect3DDevice8::Counters() const {
    return m_pState->counters;
}

void IDirect3DDevice8::ResetCounters() {
    m_pState->counters = DeviceCounters();
}

const std::string& IDirect3DDevice8::LastError() const {
    return m_pState->lastError;
}

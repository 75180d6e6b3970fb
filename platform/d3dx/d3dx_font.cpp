#include "platform/d3dx/d3dx_font.h"

#include <cstring>
#include <new>

#include "platform/d3d8/vertex_format.h"

namespace {
// A pre-transformed vertex of the font's quads: screen position, colour, atlas coordinates.
struct FontVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f, rhw = 1.0f;
    D3DCOLOR colour = 0;
    float u = 0.0f, v = 0.0f;
};
static_assert(sizeof(FontVertex) == 28, "XYZRHW | DIFFUSE | TEX1 is 28 bytes");

constexpr DWORD kFontFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr size_t kMinQuads = 64;
constexpr size_t kMaxQuadsPerDraw = 16384;  // 65,536 vertices: the reach of 16-bit indices

struct StateValue {
    DWORD type;
    DWORD value;
};

// What the font draws with. Text lies over everything: no depth test, no culling, no fog.
const StateValue kRenderStates[] = {
    {D3DRS_ALPHABLENDENABLE, TRUE},
    {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    {D3DRS_ALPHATESTENABLE, FALSE},
    {D3DRS_ZENABLE, D3DZB_FALSE},
    {D3DRS_ZWRITEENABLE, FALSE},
    {D3DRS_CULLMODE, D3DCULL_NONE},
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_FOGENABLE, FALSE},
    {D3DRS_SPECULARENABLE, FALSE},
};

// Stage 0: the atlas's coverage times the text colour, texel for pixel; stage 1 off.
const StateValue kStage0States[] = {
    {D3DTSS_COLOROP, D3DTOP_MODULATE},    {D3DTSS_COLORARG1, D3DTA_TEXTURE},
    {D3DTSS_COLORARG2, D3DTA_DIFFUSE},    {D3DTSS_ALPHAOP, D3DTOP_MODULATE},
    {D3DTSS_ALPHAARG1, D3DTA_TEXTURE},    {D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
    {D3DTSS_TEXCOORDINDEX, 0},            {D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP},
    {D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP}, {D3DTSS_MAGFILTER, D3DTEXF_POINT},
    {D3DTSS_MINFILTER, D3DTEXF_POINT},    {D3DTSS_MIPFILTER, D3DTEXF_NONE},
};
const StateValue kStage1States[] = {
    {D3DTSS_COLOROP, D3DTOP_DISABLE},
    {D3DTSS_ALPHAOP, D3DTOP_DISABLE},
};

constexpr size_t kRenderStateCount = sizeof kRenderStates / sizeof kRenderStates[0];
constexpr size_t kStage0Count = sizeof kStage0States / sizeof kStage0States[0];
constexpr size_t kStage1Count = sizeof kStage1States / sizeof kStage1States[0];

// The device state the font changes, read before drawing and written back after it. A state
// the device cannot report is neither changed nor restored.
class SavedDeviceState {
public:
    explicit SavedDeviceState(IDirect3DDevice8* device) : m_pDevice(device) {
        for (size_t i = 0; i < kRenderStateCount; ++i) {
            const auto type = static_cast<D3DRENDERSTATETYPE>(kRenderStates[i].type);
            m_renderSaved[i] = SUCCEEDED(device->GetRenderState(type, &m_render[i]));
        }
        for (size_t i = 0; i < kStage0Count; ++i) {
            const auto type = static_cast<D3DTEXTURESTAGESTATETYPE>(kStage0States[i].type);
            m_stage0Saved[i] = SUCCEEDED(device->GetTextureStageState(0, type, &m_stage0[i]));
        }
        for (size_t i = 0; i < kStage1Count; ++i) {
            const auto type = static_cast<D3DTEXTURESTAGESTATETYPE>(kStage1States[i].type);
            m_stage1Saved[i] = SUCCEEDED(device->GetTextureStageState(1, type, &m_stage1[i]));
        }
        m_texturesSaved[0] = SUCCEEDED(device->GetTexture(0, &m_pTextures[0]));
        m_texturesSaved[1] = SUCCEEDED(device->GetTexture(1, &m_pTextures[1]));
        m_shaderSaved = SUCCEEDED(device->GetVertexShader(&m_dwShader));
        m_streamSaved = SUCCEEDED(device->GetStreamSource(0, &m_pStream, &m_nStride));
        m_indicesSaved = SUCCEEDED(device->GetIndices(&m_pIndices, &m_nBaseVertex));
    }

    // Sets the font's states wherever the old value is known.
    void ApplyFontStates(IDirect3DTexture8* atlas) const {
        IDirect3DDevice8* d = m_pDevice;
        for (size_t i = 0; i < kRenderStateCount; ++i)
            if (m_renderSaved[i])
                d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(kRenderStates[i].type),
                                  kRenderStates[i].value);
        for (size_t i = 0; i < kStage0Count; ++i)
            if (m_stage0Saved[i])
                d->SetTextureStageState(
                    0, static_cast<D3DTEXTURESTAGESTATETYPE>(kStage0States[i].type),
                    kStage0States[i].value);
        for (size_t i = 0; i < kStage1Count; ++i)
            if (m_stage1Saved[i])
                d->SetTextureStageState(
                    1, static_cast<D3DTEXTURESTAGESTATETYPE>(kStage1States[i].type),
                    kStage1States[i].value);
        if (m_texturesSaved[0]) d->SetTexture(0, atlas);
        if (m_texturesSaved[1]) d->SetTexture(1, nullptr);
        if (m_shaderSaved) d->SetVertexShader(kFontFvf);
    }

    bool Complete() const {
        return m_texturesSaved[0] && m_shaderSaved && m_streamSaved && m_indicesSaved;
    }

    // Writes every saved value back, in the reverse order of setting.
    ~SavedDeviceState() {
        IDirect3DDevice8* d = m_pDevice;
        if (m_indicesSaved) {
            d->SetIndices(m_pIndices, m_nBaseVertex);
            if (m_pIndices) m_pIndices->Release();  // GetIndices' reference
        }
        if (m_streamSaved) {
            d->SetStreamSource(0, m_pStream, m_nStride);
            if (m_pStream) m_pStream->Release();  // GetStreamSource's reference
        }
        if (m_shaderSaved) d->SetVertexShader(m_dwShader);
        for (int stage = 1; stage >= 0; --stage) {
            if (!m_texturesSaved[stage]) continue;
            d->SetTexture(static_cast<DWORD>(stage), m_pTextures[stage]);
            if (m_pTextures[stage]) m_pTextures[stage]->Release();  // GetTexture's reference
        }
        for (size_t i = kStage1Count; i-- > 0;)
            if (m_stage1Saved[i])
                d->SetTextureStageState(
                    1, static_cast<D3DTEXTURESTAGESTATETYPE>(kStage1States[i].type), m_stage1[i]);
        for (size_t i = kStage0Count; i-- > 0;)
            if (m_stage0Saved[i])
                d->SetTextureStageState(
                    0, static_cast<D3DTEXTURESTAGESTATETYPE>(kStage0States[i].type), m_stage0[i]);
        for (size_t i = kRenderStateCount; i-- > 0;)
            if (m_renderSaved[i])
                d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(kRenderStates[i].type),
                                  m_render[i]);
    }

    SavedDeviceState(const SavedDeviceState&) = delete;
    SavedDeviceState& operator=(const SavedDeviceState&) = delete;

private:
    IDirect3DDevice8* m_pDevice;
    DWORD m_render[kRenderStateCount] = {};
    bool m_renderSaved[kRenderStateCount] = {};
    DWORD m_stage0[kStage0Count] = {};
    bool m_stage0Saved[kStage0Count] = {};
    DWORD m_stage1[kStage1Count] = {};
    bool m_stage1Saved[kStage1Count] = {};
    IDirect3DTexture8* m_pTextures[2] = {};
    bool m_texturesSaved[2] = {};
    DWORD m_dwShader = 0;
    bool m_shaderSaved = false;
    IDirect3DVertexBuffer8* m_pStream = nullptr;
    UINT m_nStride = 0;
    bool m_streamSaved = false;
    IDirect3DIndexBuffer8* m_pIndices = nullptr;
    UINT m_nBaseVertex = 0;
    bool m_indicesSaved = false;
};
}  // namespace

ULONG ID3DXFont::Release() {
    const ULONG refs = --m_nRefs;
    if (refs == 0) delete this;
    return refs;
}

ID3DXFont::~ID3DXFont() {
    if (m_pIndexBuffer) m_pIndexBuffer->Release();
    if (m_pVertexBuffer) m_pVertexBuffer->Release();
    if (m_pAtlasTexture) m_pAtlasTexture->Release();
    if (m_pDevice) m_pDevice->Release();
}

HRESULT ID3DXFont::GetLogFont(LOGFONTA* logFont) const {
    if (!logFont) return D3DERR_INVALIDCALL;
    *logFont = m_atlas.Request();
    return S_OK;
}

HRESULT ID3DXFont::CreateAtlasTexture() {
    HRESULT hr = m_pDevice->CreateTexture(m_atlas.Width(), m_atlas.Height(), 1, 0,
                                          D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &m_pAtlasTexture);
    if (FAILED(hr)) return hr;
    D3DLOCKED_RECT locked;
    hr = m_pAtlasTexture->LockRect(0, &locked, nullptr, 0);
    if (FAILED(hr)) return hr;
    if (!locked.pBits || locked.Pitch < static_cast<int>(m_atlas.Width() * 4)) {
        m_pAtlasTexture->UnlockRect(0);
        return D3DERR_INVALIDCALL;
    }
    // White texels whose alpha is the coverage: modulated by the vertex colour they take it.
    const BYTE* coverage = m_atlas.Coverage().data();
    for (UINT y = 0; y < m_atlas.Height(); ++y) {
        BYTE* row = static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
        for (UINT x = 0; x < m_atlas.Width(); ++x, row += 4) {
            row[0] = row[1] = row[2] = 255;
            row[3] = coverage[static_cast<size_t>(y) * m_atlas.Width() + x];
        }
    }
    return m_pAtlasTexture->UnlockRect(0);
}

HRESULT ID3DXFont::ReserveQuads(size_t quads) {
    if (quads <= m_nQuadCapacity) return S_OK;
    size_t capacity = kMinQuads;
    while (capacity < quads) capacity *= 2;
    if (capacity > kMaxQuadsPerDraw) capacity = kMaxQuadsPerDraw;

    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    HRESULT hr = m_pDevice->CreateVertexBuffer(static_cast<UINT>(capacity * 4 * sizeof(FontVertex)),
                                               D3DUSAGE_WRITEONLY, kFontFvf, D3DPOOL_MANAGED,
                                               &vertices);
    if (SUCCEEDED(hr))
        hr = m_pDevice->CreateIndexBuffer(static_cast<UINT>(capacity * 6 * sizeof(WORD)),
                                          D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                          &indices);
    BYTE* bytes = nullptr;
    if (SUCCEEDED(hr)) hr = indices->Lock(0, 0, &bytes, 0);
    if (SUCCEEDED(hr)) {
        // Corners 0 1 / 2 3 of each quad as the triangles 0 1 2 and 2 1 3.
        WORD* index = reinterpret_cast<WORD*>(bytes);
        for (size_t q = 0; q < capacity; ++q) {
            const WORD base = static_cast<WORD>(q * 4);
            const WORD corners[6] = {base, static_cast<WORD>(base + 1), static_cast<WORD>(base + 2),
                                     static_cast<WORD>(base + 2), static_cast<WORD>(base + 1),
                                     static_cast<WORD>(base + 3)};
            std::memcpy(index + q * 6, corners, sizeof corners);
        }
        hr = indices->Unlock();
    }
    if (FAILED(hr)) {
        if (indices) indices->Release();
        if (vertices) vertices->Release();
        return hr;
    }
    if (m_pIndexBuffer) m_pIndexBuffer->Release();
    if (m_pVertexBuffer) m_pVertexBuffer->Release();
    m_pVertexBuffer = vertices;
    m_pIndexBuffer = indices;
    m_nQuadCapacity = capacity;
    return S_OK;
}

void ID3DXFont::DrawQuads(const std::vector<TextQuad>& quads, D3DCOLOR colour) {
    if (FAILED(ReserveQuads(quads.size()))) return;
    SavedDeviceState saved(m_pDevice);
    if (!saved.Complete()) return;
    saved.ApplyFontStates(m_pAtlasTexture);
    for (size_t first = 0; first < quads.size(); first += m_nQuadCapacity) {
        const size_t count =
            quads.size() - first < m_nQuadCapacity ? quads.size() - first : m_nQuadCapacity;
        BYTE* bytes = nullptr;
        const UINT lockBytes = static_cast<UINT>(count * 4 * sizeof(FontVertex));
        if (FAILED(m_pVertexBuffer->Lock(0, lockBytes, &bytes, D3DLOCK_DISCARD))) return;
        FontVertex* v = reinterpret_cast<FontVertex*>(bytes);
        for (size_t i = 0; i < count; ++i, v += 4) {
            // Direct3D puts pixel centres on integer coordinates: moving the pixel edges of a
            // quad back by half a pixel lands every texel centre on a pixel centre.
            const TextQuad& q = quads[first + i];
            const float x0 = q.x0 - 0.5f, y0 = q.y0 - 0.5f, x1 = q.x1 - 0.5f, y1 = q.y1 - 0.5f;
            v[0] = FontVertex{x0, y0, 0.0f, 1.0f, colour, q.u0, q.v0};
            v[1] = FontVertex{x1, y0, 0.0f, 1.0f, colour, q.u1, q.v0};
            v[2] = FontVertex{x0, y1, 0.0f, 1.0f, colour, q.u0, q.v1};
            v[3] = FontVertex{x1, y1, 0.0f, 1.0f, colour, q.u1, q.v1};
        }
        if (FAILED(m_pVertexBuffer->Unlock())) return;
        m_pDevice->SetStreamSource(0, m_pVertexBuffer, sizeof(FontVertex));
        m_pDevice->SetIndices(m_pIndexBuffer, 0);
        m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(count * 4), 0,
                                        static_cast<UINT>(count * 2));
    }
}

INT ID3DXFont::DrawTextA(const char* text, INT count, RECT* rect, DWORD format,
                         D3DCOLOR colour) {
    m_quads.clear();
    const int height = m_atlas.LayOut(text, count, rect, format, &m_quads);
    if (!(format & DT_CALCRECT) && !m_quads.empty()) DrawQuads(m_quads, colour);
    return height;
}

HRESULT D3DXCreateFont(IDirect3DDevice8* device, HFONT font, ID3DXFont** out,
                       std::string* error) {
    if (!device || !font || !out) return D3DERR_INVALIDCALL;
    LOGFONTA request;
    if (GetObjectA(font, sizeof request, &request) != static_cast<int>(sizeof request))
        return D3DERR_INVALIDCALL;
    ID3DXFont* created = new (std::nothrow) ID3DXFont;
    if (!created) return E_OUTOFMEMORY;
    device->AddRef();
    created->m_pDevice = device;
    HRESULT hr = created->m_atlas.Build(request, error);
    if (SUCCEEDED(hr)) hr = created->CreateAtlasTexture();
    if (SUCCEEDED(hr)) hr = created->ReserveQuads(kMinQuads);
    if (FAILED(hr)) {
        created->Release();
        return hr;
    }
    *out = created;
    return S_OK;
}

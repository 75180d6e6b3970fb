// The D3DX-style font: a GDI font request realised as a glyph atlas texture, and DrawTextA,
// which draws text as pre-transformed textured quads through the device.
// Owns: the atlas texture, a managed vertex and index buffer, a reference to the device.
// Does not: rasterise or lay out (platform/d3dx/glyph_atlas.h); leave any device state changed:
// every render, stage and texture state it sets is read first and put back after drawing,
// as a D3DX font's state block does (only stream 0 and the index binding stay its own).
// Needs: platform/d3d8/d3d8.h (its D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1 path) and FreeType.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/d3dx/gdi_font.h"
#include "platform/d3dx/glyph_atlas.h"

typedef int INT;  // Win32's INT, the result type of DrawText

class ID3DXFont {
public:
    ULONG AddRef() { return ++m_nRefs; }
    ULONG Release();

    // Draws count bytes of text (count -1: up to the NUL) in colour (0xAARRGGBB) into rect,
    // laid out by the format flags of platform/d3dx/gdi_font.h, alpha-blended with source alpha and
    // inverse source alpha. Returns the text height in pixels, 0 when nothing was laid out;
    // with DT_CALCRECT sets rect to the text's extent and draws nothing.
    INT DrawTextA(const char* text, INT count, RECT* rect, DWORD format, D3DCOLOR colour);
    // The request the font was made from.
    HRESULT GetLogFont(LOGFONTA* logFont) const;
    // ---- Beyond D3DX: for tests ----
    const GlyphAtlas& Atlas() const { return m_atlas; }

private:
    friend HRESULT D3DXCreateFont(IDirect3DDevice8* device, HFONT font, ID3DXFont** out,
                                  std::string* error);
    ID3DXFont() = default;
    ~ID3DXFont();
    HRESULT CreateAtlasTexture();
    HRESULT ReserveQuads(size_t quads);
    void DrawQuads(const std::vector<TextQuad>& quads, D3DCOLOR colour);

    ULONG m_nRefs = 1;
    IDirect3DDevice8* m_pDevice = nullptr;
    GlyphAtlas m_atlas;
    IDirect3DTexture8* m_pAtlasTexture = nullptr;
    IDirect3DVertexBuffer8* m_pVertexBuffer = nullptr;
    IDirect3DIndexBuffer8* m_pIndexBuffer = nullptr;
    size_t m_nQuadCapacity = 0;  // quads the two buffers hold
    std::vector<TextQuad> m_quads;  // scratch for one DrawTextA
};

typedef ID3DXFont* LPD3DXFONT;

// Realises the GDI font request as a font on the device. Null arguments give
// D3DERR_INVALIDCALL, a face that cannot be rasterised E_FAIL (with its message in *error when
// error is not null), device failures their code. *out is written only on success.
HRESULT D3DXCreateFont(IDirect3DDevice8* device, HFONT font, ID3DXFont** out,
                       std::string* error = nullptr);

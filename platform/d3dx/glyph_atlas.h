// The glyph atlas of the D3DX-style font: the embedded face rasterised once by FreeType at the
// size of a GDI font request, and the layout of DrawText strings into textured quads.
// Owns: the coverage image (one byte per texel), per-character boxes, line metrics, layout.
// Does not: touch the device (platform/d3dx/d3dx_font.h uploads and draws); shape, kern or wrap
// words: characters are single bytes of the ANSI set, one glyph each, laid out left to right.
// Needs: FreeType, and the face bytes from the resource table (kFontResourceName).
#pragma once

#include <string>
#include <vector>

#include "platform/system/d3d8_types.h"
#include "platform/d3dx/gdi_font.h"

// A character's bitmap in the atlas and where it sits relative to the pen; pixels.
struct GlyphBox {
    int atlasX = 0, atlasY = 0;  // top-left texel
    int width = 0, height = 0;
    int left = 0;     // from the pen position to the bitmap's left edge
    int top = 0;      // from the baseline up to the bitmap's top edge
    int advance = 0;  // pen movement
};

// One screen-aligned textured rectangle: pixel edges (x0, y0) to (x1, y1), texture coordinates
// (u0, v0) to (u1, v1) in [0, 1].
struct TextQuad {
    float x0 = 0.0f, y0 = 0.0f, x1 = 0.0f, y1 = 0.0f;
    float u0 = 0.0f, v0 = 0.0f, u1 = 0.0f, v1 = 0.0f;
};

class GlyphAtlas {
public:
    // Rasterises the characters 32-126 and 160-255 (and the face's missing-glyph box, drawn for
    // every other byte) at the request's height, width and slant. Failure (no face resource,
    // FreeType errors, absurd sizes) returns E_FAIL with a message in *error when it is not null.
    HRESULT Build(const LOGFONTA& request, std::string* error);

    UINT Width() const { return m_nWidth; }    // texels, a power of two
    UINT Height() const { return m_nHeight; }  // texels, a power of two
    // Width * Height bytes of coverage (0 to 255), rows top first.
    const std::vector<BYTE>& Coverage() const { return m_coverage; }

    int Ascent() const { return m_nAscent; }    // pixels above the baseline
    int Descent() const { return m_nDescent; }  // pixels below it
    int CellHeight() const { return m_nAscent + m_nDescent; }  // one line
    // Lines drawn for underline and strike-out: first row below the baseline (negative: above)
    // and thickness, in pixels.
    int UnderlineOffset() const { return m_nUnderlineOffset; }
    int UnderlineThickness() const { return m_nUnderlineThickness; }
    int StrikeOutOffset() const { return m_nStrikeOutOffset; }
    int StrikeOutThickness() const { return m_nStrikeOutThickness; }
    const LOGFONTA& Request() const { return m_request; }
    // The box of a byte; bytes without a glyph of their own give the missing-glyph box.
    const GlyphBox& Glyph(unsigned char c) const;

    // Lays out count bytes of text (count -1: up to the NUL) into rect with DrawText's format
    // flags: DT_SINGLELINE keeps one line, otherwise "\n", "\r\n" and "\r" break lines;
    // DT_CENTER, DT_RIGHT, and with DT_SINGLELINE DT_VCENTER and DT_BOTTOM align; without
    // DT_NOCLIP quads are cut to rect. Appends glyph quads, then the underline and strike-out
    // bars when the request asks for them. Returns the text height in pixels (with DT_VCENTER
    // or DT_BOTTOM: from rect.top to the bottom of the text), 0 for no text; with DT_CALCRECT
    // lays out nothing and sets rect's right and bottom to the text's extent instead.
    int LayOut(const char* text, int count, RECT* rect, DWORD format,
               std::vector<TextQuad>* quads) const;

private:
    void AddQuad(float x0, float y0, float x1, float y1, const GlyphBox& box, const RECT& clip,
                 bool clipped, std::vector<TextQuad>* quads) const;

    LOGFONTA m_request;
    UINT m_nWidth = 0;
    UINT m_nHeight = 0;
    std::vector<BYTE> m_coverage;
    std::vector<GlyphBox> m_glyphs;  // indexed by byte; the missing-glyph box at kMissingSlot
    GlyphBox m_solid;                // an opaque block for the underline and strike-out bars
    int m_nAscent = 0;
    int m_nDescent = 0;
    int m_nUnderlineOffset = 0;
    int m_nUnderlineThickness = 0;
    int m_nStrikeOutOffset = 0;
    int m_nStrikeOutThickness = 0;
};

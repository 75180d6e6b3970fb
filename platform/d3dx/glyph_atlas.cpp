#include "platform/d3dx/glyph_atlas.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

#include "platform/system/resource_table.h"

namespace {
constexpr size_t kMissingSlot = 256;  // m_glyphs index of the face's missing-glyph box
constexpr int kPadding = 1;           // empty texels around every bitmap, so no neighbour bleeds
constexpr int kSolidSize = 3;         // the opaque block; its centre texel is sampled
constexpr double kMaxEmPixels = 512.0;
constexpr UINT kMaxAtlasSide = 4096;
constexpr FT_Fixed kItalicShear = 0x3800;  // x += 0.22 y: the slant of a synthesised italic

HRESULT Fail(std::string* error, const char* format, ...) __attribute__((format(printf, 2, 3)));

HRESULT Fail(std::string* error, const char* format, ...) {
    if (error) {
        char what[256] = {};
        va_list args;
        va_start(args, format);
        std::vsnprintf(what, sizeof what, format, args);
        va_end(args);
        *error = std::string(kFontResourceName) + ": " + what;
    }
    return E_FAIL;
}

// Releases the FreeType objects of one Build, whichever step it stopped at.
struct FreeTypeSession {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeTypeSession() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

// A rendered glyph before packing.
struct Raster {
    GlyphBox box;
    std::vector<BYTE> pixels;  // box.width * box.height
};

UINT NextPowerOfTwo(UINT value) {
    UINT p = 1;
    while (p < value) p <<= 1;
    return p;
}

// Bytes 160-255 of the ANSI set are the Latin-1 code points of the same value.
bool HasOwnGlyph(unsigned c) { return (c >= 32 && c <= 126) || c >= 160; }

HRESULT Rasterise(FT_Face face, FT_UInt index, Raster* out, std::string* error) {
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0)
        return Fail(error, "glyph %u cannot be rendered", index);
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.width > 0 && bitmap.rows > 0 &&
        (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.pitch < static_cast<int>(bitmap.width)))
        return Fail(error, "glyph %u rendered in an unexpected bitmap layout", index);
    out->box.width = static_cast<int>(bitmap.width);
    out->box.height = static_cast<int>(bitmap.rows);
    out->box.left = slot->bitmap_left;
    out->box.top = slot->bitmap_top;
    out->box.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    out->pixels.resize(static_cast<size_t>(bitmap.width) * bitmap.rows);
    for (unsigned y = 0; y < bitmap.rows; ++y)
        std::memcpy(&out->pixels[static_cast<size_t>(y) * bitmap.width],
                    bitmap.buffer + static_cast<size_t>(y) * static_cast<size_t>(bitmap.pitch),
                    bitmap.width);
    return S_OK;
}
}  // namespace

HRESULT GlyphAtlas::Build(const LOGFONTA& request, std::string* error) {
    *this = GlyphAtlas();
    m_request = request;
    m_request.lfFaceName[LF_FACESIZE - 1] = '\0';

    HRSRC resource = LoadResource(FindResourceA(kFontResourceName, kRtRcdata));
    if (!resource) return Fail(error, "no RCDATA resource");
    FreeTypeSession ft;
    if (FT_Init_FreeType(&ft.library) != 0) return Fail(error, "FreeType does not start");
    if (FT_New_Memory_Face(ft.library, static_cast<const FT_Byte*>(LockResource(resource)),
                           static_cast<FT_Long>(SizeofResource(resource)), 0, &ft.face) != 0 ||
        !FT_IS_SCALABLE(ft.face))
        return Fail(error, "not a scalable font");
    const FT_Face face = ft.face;

    // GDI sizes a TrueType face by its Windows ascent and descent (the OS/2 table): a positive
    // height is that cell, a negative one the em square.
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const double unitsPerEm = face->units_per_EM;
    const double ascentUnits = os2 && os2->usWinAscent ? os2->usWinAscent : face->ascender;
    const double descentUnits = os2 && os2->usWinDescent ? os2->usWinDescent : -face->descender;
    const double requested = request.lfHeight == 0 ? kDefaultFontCellHeight : request.lfHeight;
    const double emY =
        requested > 0 ? requested * unitsPerEm / (ascentUnits + descentUnits) : -requested;
    double emX = emY;
    if (request.lfWidth != 0 && os2 && os2->xAvgCharWidth > 0)
        emX = std::fabs(static_cast<double>(request.lfWidth)) * unitsPerEm / os2->xAvgCharWidth;
    if (!(emY >= 1.0 && emY <= kMaxEmPixels && emX >= 1.0 && emX <= kMaxEmPixels))
        return Fail(error, "height %ld width %ld out of range", static_cast<long>(request.lfHeight),
                    static_cast<long>(request.lfWidth));
    if (FT_Set_Char_Size(face, std::lround(emX * 64.0), std::lround(emY * 64.0), 72, 72) != 0)
        return Fail(error, "size %.2f x %.2f pixels refused", emX, emY);
    if (request.lfItalic) {
        FT_Matrix shear = {0x10000, kItalicShear, 0, 0x10000};
        FT_Set_Transform(face, &shear, nullptr);
    }

    const double scale = emY / unitsPerEm;
    m_nAscent = static_cast<int>(std::lround(ascentUnits * scale));
    m_nDescent = static_cast<int>(std::lround(descentUnits * scale));
    m_nUnderlineThickness =
        std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    // FreeType gives the centre of the underline stem; keep the bar inside the cell.
    const double underlineCentre = -face->underline_position * scale;
    m_nUnderlineOffset =
        static_cast<int>(std::lround(underlineCentre - m_nUnderlineThickness / 2.0));
    m_nUnderlineOffset = std::min(m_nUnderlineOffset, m_nDescent - m_nUnderlineThickness);
    m_nUnderlineOffset = std::max(m_nUnderlineOffset, 0);
    const double strikeUnits = os2 && os2->yStrikeoutSize ? os2->yStrikeoutSize
                                                          : face->underline_thickness;
    const double strikeTop = os2 && os2->yStrikeoutPosition ? os2->yStrikeoutPosition
                                                            : unitsPerEm * 0.3;
    m_nStrikeOutThickness = std::max(1, static_cast<int>(std::lround(strikeUnits * scale)));
    m_nStrikeOutOffset = -static_cast<int>(std::lround(strikeTop * scale));

    // Render every distinct glyph once; bytes sharing a glyph share its box.
    std::vector<Raster> rasters;
    std::map<FT_UInt, size_t> rasterOfGlyph;
    std::vector<size_t> rasterOfSlot(kMissingSlot + 1, 0);
    for (unsigned slot = 0; slot <= kMissingSlot; ++slot) {
        const FT_UInt index = slot < kMissingSlot && HasOwnGlyph(slot)
                                  ? FT_Get_Char_Index(face, static_cast<FT_ULong>(slot))
                                  : 0;
        auto found = rasterOfGlyph.find(index);
        if (found == rasterOfGlyph.end()) {
            Raster raster;
            const HRESULT hr = Rasterise(face, index, &raster, error);
            if (FAILED(hr)) return hr;
            found = rasterOfGlyph.emplace(index, rasters.size()).first;
            rasters.push_back(std::move(raster));
        }
        rasterOfSlot[slot] = found->second;
    }

    // Shelf packing, the opaque block first.
    int widest = kSolidSize;
    for (const Raster& r : rasters) widest = std::max(widest, r.box.width);
    m_nWidth = std::max(256u, NextPowerOfTwo(static_cast<UINT>(widest + 2 * kPadding)));
    int penX = kPadding, penY = kPadding, shelf = 0;
    auto place = [&](GlyphBox* box) {
        if (penX + box->width + kPadding > static_cast<int>(m_nWidth)) {
            penX = kPadding;
            penY += shelf + kPadding;
            shelf = 0;
        }
        box->atlasX = penX;
        box->atlasY = penY;
        penX += box->width + kPadding;
        shelf = std::max(shelf, box->height);
    };
    m_solid.width = kSolidSize;
    m_solid.height = kSolidSize;
    place(&m_solid);
    for (Raster& r : rasters) place(&r.box);
    m_nHeight = NextPowerOfTwo(static_cast<UINT>(penY + shelf + kPadding));
    if (m_nWidth > kMaxAtlasSide || m_nHeight > kMaxAtlasSide)
        return Fail(error, "glyphs need an atlas of %ux%u texels", m_nWidth, m_nHeight);

    m_coverage.assign(static_cast<size_t>(m_nWidth) * m_nHeight, 0);
    auto texel = [&](int x, int y) { return &m_coverage[static_cast<size_t>(y) * m_nWidth + x]; };
    for (int y = 0; y < kSolidSize; ++y)
        std::memset(texel(m_solid.atlasX, m_solid.atlasY + y), 255, kSolidSize);
    for (const Raster& r : rasters)
        for (int y = 0; y < r.box.height; ++y)
            std::memcpy(texel(r.box.atlasX, r.box.atlasY + y),
                        &r.pixels[static_cast<size_t>(y) * r.box.width], r.box.width);
    m_glyphs.resize(kMissingSlot + 1);
    for (size_t slot = 0; slot <= kMissingSlot; ++slot)
        m_glyphs[slot] = rasters[rasterOfSlot[slot]].box;
    return S_OK;
}

const GlyphBox& GlyphAtlas::Glyph(unsigned char c) const {
    static const GlyphBox kNone;
    if (m_glyphs.empty()) return kNone;
    return HasOwnGlyph(c) ? m_glyphs[c] : m_glyphs[kMissingSlot];
}

void GlyphAtlas::AddQuad(float x0, float y0, float x1, float y1, const GlyphBox& box,
                         const RECT& clip, bool clipped, std::vector<TextQuad>* quads) const {
    TextQuad q;
    q.x0 = x0;
    q.y0 = y0;
    q.x1 = x1;
    q.y1 = y1;
    const float w = static_cast<float>(m_nWidth);
    const float h = static_cast<float>(m_nHeight);
    if (&box == &m_solid) {
        // Every corner samples the middle of the opaque block, so stretching changes nothing.
        q.u0 = q.u1 = (static_cast<float>(box.atlasX) + 1.5f) / w;
        q.v0 = q.v1 = (static_cast<float>(box.atlasY) + 1.5f) / h;
    } else {
        q.u0 = static_cast<float>(box.atlasX) / w;
        q.v0 = static_cast<float>(box.atlasY) / h;
        q.u1 = static_cast<float>(box.atlasX + box.width) / w;
        q.v1 = static_cast<float>(box.atlasY + box.height) / h;
    }
    if (clipped) {
        const float cx0 = std::max(q.x0, static_cast<float>(clip.left));
        const float cy0 = std::max(q.y0, static_cast<float>(clip.top));
        const float cx1 = std::min(q.x1, static_cast<float>(clip.right));
        const float cy1 = std::min(q.y1, static_cast<float>(clip.bottom));
        if (cx0 >= cx1 || cy0 >= cy1) return;
        const float du = (q.u1 - q.u0) / (q.x1 - q.x0);
        const float dv = (q.v1 - q.v0) / (q.y1 - q.y0);
        q.u1 = q.u0 + (cx1 - q.x0) * du;
        q.u0 = q.u0 + (cx0 - q.x0) * du;
        q.v1 = q.v0 + (cy1 - q.y0) * dv;
        q.v0 = q.v0 + (cy0 - q.y0) * dv;
        q.x0 = cx0;
        q.y0 = cy0;
        q.x1 = cx1;
        q.y1 = cy1;
    }
    quads->push_back(q);
}

int GlyphAtlas::LayOut(const char* text, int count, RECT* rect, DWORD format,
                       std::vector<TextQuad>* quads) const {
    if (!text || !rect || !quads || m_glyphs.empty() || count < -1) return 0;
    const size_t length = count == -1 ? std::strlen(text) : static_cast<size_t>(count);
    if (length == 0) return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);

    struct Line {
        size_t begin = 0, end = 0;
        int width = 0;  // pixels
    };
    std::vector<Line> lines(1);
    const bool singleLine = (format & DT_SINGLELINE) != 0;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = bytes[i];
        if (!singleLine && (c == '\n' || c == '\r')) {
            lines.back().end = i;
            if (c == '\r' && i + 1 < length && bytes[i + 1] == '\n') ++i;
            lines.push_back(Line{i + 1, i + 1, 0});
            continue;
        }
        lines.back().end = i + 1;
        lines.back().width += Glyph(c).advance;
    }

    const int cell = CellHeight();
    const int total = cell * static_cast<int>(lines.size());
    int widest = 0;
    for (const Line& line : lines) widest = std::max(widest, line.width);
    if (format & DT_CALCRECT) {
        rect->right = rect->left + widest;
        rect->bottom = rect->top + total;
        return total;
    }

    LONG top = rect->top;
    const bool placedVertically = singleLine && (format & (DT_VCENTER | DT_BOTTOM));
    if (singleLine && (format & DT_BOTTOM)) {
        top = rect->bottom - cell;
    } else if (singleLine && (format & DT_VCENTER)) {
        top = rect->top + (rect->bottom - rect->top - cell) / 2;
    }
    const bool clipped = (format & DT_NOCLIP) == 0;
    for (size_t n = 0; n < lines.size(); ++n) {
        const Line& line = lines[n];
        LONG x = rect->left;
        if (format & DT_CENTER) {
            x = rect->left + (rect->right - rect->left - line.width) / 2;
        } else if (format & DT_RIGHT) {
            x = rect->right - line.width;
        }
        const LONG lineX = x;
        const LONG baseline = top + static_cast<LONG>(n) * cell + m_nAscent;
        for (size_t i = line.begin; i < line.end; ++i) {
            const GlyphBox& box = Glyph(bytes[i]);
            if (box.width > 0 && box.height > 0) {
                const float gx = static_cast<float>(x + box.left);
                const float gy = static_cast<float>(baseline - box.top);
                AddQuad(gx, gy, gx + box.width, gy + box.height, box, *rect, clipped, quads);
            }
            x += box.advance;
        }
        if (line.width == 0) continue;
        const float x0 = static_cast<float>(lineX);
        const float x1 = static_cast<float>(lineX + line.width);
        if (m_request.lfUnderline) {
            const float y = static_cast<float>(baseline + m_nUnderlineOffset);
            AddQuad(x0, y, x1, y + m_nUnderlineThickness, m_solid, *rect, clipped, quads);
        }
        if (m_request.lfStrikeOut) {
            const float y = static_cast<float>(baseline + m_nStrikeOutOffset);
            AddQuad(x0, y, x1, y + m_nStrikeOutThickness, m_solid, *rect, clipped, quads);
        }
    }
    return placedVertically ? static_cast<int>(top + total - rect->top) : total;
}

// The GDI font stand-in: CreateFontA records a LOGFONT-style request that D3DXCreateFont later
// realises, and the DrawText format flags the D3DX font understands.
// Owns: font request records (HFONT) and the choice of embedded face and pixel height for one.
// Does not: rasterise (platform/d3dx/glyph_atlas.h) or draw (platform/d3dx/d3dx_font.h); enumerate system
// fonts: every request is served by the one embedded face, DejaVu Sans Mono Bold.
// Needs: nothing; the face's bytes are the RT_RCDATA resource kFontResourceName.
#pragma once

#include "platform/system/d3d8_types.h"

constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;
constexpr DWORD ANSI_CHARSET = 0;
constexpr DWORD DEFAULT_CHARSET = 1;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD OUT_TT_ONLY_PRECIS = 7;
constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
constexpr DWORD DEFAULT_QUALITY = 0;
constexpr DWORD PROOF_QUALITY = 2;
constexpr DWORD DEFAULT_PITCH = 0;
constexpr DWORD FF_DONTCARE = 0;
constexpr int LF_FACESIZE = 32;

// DrawText format flags (DT_LEFT and DT_TOP are 0).
constexpr DWORD DT_TOP = 0x0;
constexpr DWORD DT_LEFT = 0x0;
constexpr DWORD DT_CENTER = 0x1;
constexpr DWORD DT_RIGHT = 0x2;
constexpr DWORD DT_VCENTER = 0x4;   // with DT_SINGLELINE only
constexpr DWORD DT_BOTTOM = 0x8;    // with DT_SINGLELINE only
constexpr DWORD DT_SINGLELINE = 0x20;
constexpr DWORD DT_NOCLIP = 0x100;
constexpr DWORD DT_CALCRECT = 0x400;

// What CreateFontA was asked for, field by field as GDI's LOGFONTA.
struct LOGFONTA {
    LONG lfHeight = 0;  // > 0: cell height, < 0: character (em) height, 0: default; pixels
    LONG lfWidth = 0;   // average character width in pixels; 0: from the height
    LONG lfEscapement = 0;
    LONG lfOrientation = 0;
    LONG lfWeight = FW_DONTCARE;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = ANSI_CHARSET;
    BYTE lfOutPrecision = OUT_DEFAULT_PRECIS;
    BYTE lfClipPrecision = CLIP_DEFAULT_PRECIS;
    BYTE lfQuality = DEFAULT_QUALITY;
    BYTE lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    char lfFaceName[LF_FACESIZE] = {};  // NUL-terminated, cut to 31 characters
};

struct GdiFont;
typedef GdiFont* HFONT;

// The embedded face that serves every request, and the cell height of a height-0 request:
// GDI's default for a TrueType face comes out at about 16 pixels from ascent to descent.
constexpr const char* kFontResourceName = "DejaVuSansMono-Bold.ttf";
constexpr LONG kDefaultFontCellHeight = 16;

// Records a font request; nullptr when the record cannot be allocated. A null face name is the
// empty one. Escapement, orientation, character set and the precision fields are kept but do
// not change the rendering.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                  DWORD outputPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, const char* faceName);
// Frees a request; FALSE for nullptr.
BOOL DeleteObject(HFONT font);
// Copies the request into buffer (at most size bytes); the number of bytes copied, 0 when
// font or buffer is null.
int GetObjectA(HFONT font, int size, void* buffer);

#include "platform/d3dx/gdi_font.h"

#include <cstring>
#include <new>

struct GdiFont {
    LOGFONTA request;
};

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                  DWORD outputPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, const char* faceName) {
    GdiFont* font = new (std::nothrow) GdiFont;
    if (!font) return nullptr;
    LOGFONTA& r = font->request;
    r.lfHeight = height;
    r.lfWidth = width;
    r.lfEscapement = escapement;
    r.lfOrientation = orientation;
    r.lfWeight = weight;
    // GDI keeps these as bytes; any non-zero flag means on.
    r.lfItalic = italic ? 1 : 0;
    r.lfUnderline = underline ? 1 : 0;
    r.lfStrikeOut = strikeOut ? 1 : 0;
    r.lfCharSet = static_cast<BYTE>(charSet);
    r.lfOutPrecision = static_cast<BYTE>(outputPrecision);
    r.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    r.lfQuality = static_cast<BYTE>(quality);
    r.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName) std::strncpy(r.lfFaceName, faceName, LF_FACESIZE - 1);
    return font;
}

BOOL DeleteObject(HFONT font) {
    if (!font) return FALSE;
    delete font;
    return TRUE;
}

int GetObjectA(HFONT font, int size, void* buffer) {
    if (!font || !buffer || size <= 0) return 0;
    const size_t bytes = static_cast<size_t>(size) < sizeof(LOGFONTA) ? static_cast<size_t>(size)
                                                                       : sizeof(LOGFONTA);
    std::memcpy(buffer, &font->request, bytes);
    return static_cast<int>(bytes);
}

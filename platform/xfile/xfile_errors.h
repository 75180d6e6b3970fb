// Status codes and the error record of the .X text reader (the DirectX File role).
// Owns: the DXFILEERR_* codes with their real values and XError, the fault a reader reports.
// Does not: parse or trace; callers decide whether an error reaches the trace log.
// Needs: platform/system/d3d8_types.h for HRESULT and MakeHresult.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system/d3d8_types.h"

// DirectX File codes: MAKE_DDHRESULT(850 + n) = severity 1, facility 0x876.
constexpr HRESULT DXFILEERR_BADOBJECT = MakeHresult(1, 0x876, 850);
constexpr HRESULT DXFILEERR_BADVALUE = MakeHresult(1, 0x876, 851);
constexpr HRESULT DXFILEERR_BADTYPE = MakeHresult(1, 0x876, 852);
constexpr HRESULT DXFILEERR_NOTFOUND = MakeHresult(1, 0x876, 855);
constexpr HRESULT DXFILEERR_FILENOTFOUND = MakeHresult(1, 0x876, 857);
constexpr HRESULT DXFILEERR_RESOURCENOTFOUND = MakeHresult(1, 0x876, 858);
constexpr HRESULT DXFILEERR_BADRESOURCE = MakeHresult(1, 0x876, 860);
constexpr HRESULT DXFILEERR_BADFILETYPE = MakeHresult(1, 0x876, 861);
constexpr HRESULT DXFILEERR_BADFILEVERSION = MakeHresult(1, 0x876, 862);
constexpr HRESULT DXFILEERR_BADFILEFLOATSIZE = MakeHresult(1, 0x876, 863);
constexpr HRESULT DXFILEERR_BADFILECOMPRESSIONTYPE = MakeHresult(1, 0x876, 864);
constexpr HRESULT DXFILEERR_BADFILE = MakeHresult(1, 0x876, 865);
constexpr HRESULT DXFILEERR_PARSEERROR = MakeHresult(1, 0x876, 866);
constexpr HRESULT DXFILEERR_NOTEMPLATE = MakeHresult(1, 0x876, 867);
constexpr HRESULT DXFILEERR_BADARRAYSIZE = MakeHresult(1, 0x876, 868);
constexpr HRESULT DXFILEERR_BADDATAREFERENCE = MakeHresult(1, 0x876, 869);

// One fault of the reader: where it is and what is wrong.
struct XError {
    HRESULT status = S_OK;
    std::string source;  // resource or file name the text came from
    uint32_t line = 0;   // 1-based line of the fault; 0 when it has none (a missing resource)
    std::string message;

    bool Failed() const { return FAILED(status); }
    // "source:line: message" (or "source: message" without a line).
    std::string Text() const;
};

// Finding, loading and locking a MISC data resource, with the trace lines of those steps.
// Owns: nothing; the bytes belong to the program image and stay valid for its whole life.
// Does not: parse; the format readers (world/fpp_format.h, world/bps_format.h) do.
#pragma once

#include <cstddef>

#include "platform/system/d3d8_types.h"

struct ResourceBytes {
    const unsigned char* data = nullptr;
    size_t size = 0;  // bytes
};

// Traces findTrace ("\t\tFindResource...\n" or "\t\tFineResource...\n"), finds name of type
// MISC, traces "\t\tLoadResource...\n", loads and locks it. A missing resource traces
// "\t\tFailed\n" and returns E_FAIL.
HRESULT ReadMiscResource(const char* name, const char* findTrace, ResourceBytes* out);

// Checks that the bytes hold the int32 count at offset 0 and the `recordSize`-byte records it
// announces after it. A negative count or short data appends one failure line naming the
// resource, at the depth of the read step, and returns E_FAIL; else writes the count.
HRESULT CheckCountedRecords(const ResourceBytes& bytes, const char* name, size_t recordSize,
                            int32_t* count);

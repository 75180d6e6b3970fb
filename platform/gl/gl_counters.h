// DeviceCounters: the per-frame work counters of the device's GL side, read through
// IDirect3DDevice8::GetCounters by velmora-tool and the benchmarks.
// Owns: the plain counter record. Does not: count anything itself (platform/gl/ does).
// Needs: nothing but <cstdint>.
#pragma once

#include <cstdint>

struct DeviceCounters {
    uint64_t draws = 0;            // DrawIndexedPrimitive calls that reached the driver
    uint64_t refusedDraws = 0;     // draws refused (missing or failed resources, bad ranges)
    uint64_t stateChanges = 0;     // GL state changes applied at draw time
    uint64_t constantUploads = 0;  // vertex shader constant uploads (registers)
    uint64_t textureBinds = 0;
    uint64_t triangles = 0;
    uint64_t programsLinked = 0;   // draw programs linked (one per shader and stage combination)
    uint64_t programsLoaded = 0;   // programs taken from the program cache, not compiled and linked
    uint64_t shadersCompiled = 0;  // GLSL stages compiled, to check a vertex shader or to link
    uint64_t glErrors = 0;         // GL errors seen at Present and read-backs (should stay 0)
};

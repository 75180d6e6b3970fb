// A Direct3D object and device on a headless window, as tools, tests and benchmarks need them.
// Owns: the window, the Direct3D object and the device it creates, released in reverse order.
// Does not: set any render state; the saver's own start-up creates its device step by step.
// Needs: an OpenGL 4.5 context through EGL (platform/gl/gl_window.h).
#pragma once

#include <string>

#include "platform/d3d8/d3d8.h"
#include "platform/gl/gl_window.h"

// Present parameters of a headless back buffer of that size and format with a 16-bit depth
// buffer, one back buffer, swap effect discard.
D3DPRESENT_PARAMETERS HeadlessPresentParameters(UINT width, UINT height, D3DFORMAT format,
                                                HWND window);

struct HeadlessDevice {
    GlWindow* window = nullptr;
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    D3DPRESENT_PARAMETERS parameters;

    HeadlessDevice() = default;
    HeadlessDevice(const HeadlessDevice&) = delete;
    HeadlessDevice& operator=(const HeadlessDevice&) = delete;
    ~HeadlessDevice() { Release(); }

    // A back buffer of width x height in that format, in a window of the same size. On failure
    // writes what failed to *error and releases what was made.
    HRESULT Create(UINT width, UINT height, D3DFORMAT format, std::string* error);
    // Releases the device, the Direct3D object and the window; safe to call again.
    void Release();
};

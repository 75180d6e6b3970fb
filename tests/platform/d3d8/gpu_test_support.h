// Shared fixture of the GPU tests: a headless EGL window with a device, pixel read-back, colour
// comparison with a per-channel tolerance, and on failure the actual and expected images
// written as PNG under <build>/gpu_failures/.
// Does not: skip when no GL 4.5 context can be made (the tests fail then, loudly).
// Needs: EGL with OpenGL 4.5 core (Mesa llvmpipe is enough), platform/d3d8/d3d8.h.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/gl/gl_window.h"

// An RGBA8 image, rows top first.
struct GpuImage {
    UINT width = 0;
    UINT height = 0;
    std::vector<uint8_t> rgba;

    GpuImage() = default;
    GpuImage(UINT w, UINT h, D3DCOLOR fill);
    // The pixel as 0xAARRGGBB.
    D3DCOLOR At(UINT x, UINT y) const;
    void Set(UINT x, UINT y, D3DCOLOR color);
    // Paints [x0, x1) x [y0, y1) with one colour.
    void Fill(UINT x0, UINT y0, UINT x1, UINT y1, D3DCOLOR color);
};

// A pre-transformed vertex (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), 28 bytes.
struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kScreenVertexFvf = 0x144;

// A vertex of the small test shaders: position (v0, FLOAT3), colour (v5, D3DCOLOR), two
// coordinate pairs (v7, v8, FLOAT2), 32 bytes.
struct ShaderVertex {
    float x, y, z;
    D3DCOLOR color;
    float u0, v0, u1, v1;
};

class GpuTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the device: back buffer of that size and format with a D16 depth buffer, in a
    // headless window of windowWidth x windowHeight (0: the back buffer's size).
    void CreateDevice(UINT width, UINT height, D3DFORMAT format = D3DFMT_X8R8G8B8,
                      int windowWidth = 0, int windowHeight = 0);
    void DestroyDevice();

    GpuImage BackBuffer();
    GpuImage Window();

    // Draws pre-transformed vertices as an indexed triangle list (indices: every three a
    // triangle; empty: 0, 1, 2, ...). Fails the test when the device refuses.
    void DrawScreenTriangles(const std::vector<ScreenVertex>& vertices,
                             std::vector<uint16_t> indices = {});
    // A rectangle [x0, x1) x [y0, y1) in pixels, drawn clockwise, texture coordinates 0..1.
    void DrawScreenRect(float x0, float y0, float x1, float y1, D3DCOLOR color, float z = 0.5f);

    // A vertex shader from vs 1.x text with the ShaderVertex declaration; fails the test when
    // assembly or creation fails.
    DWORD CreateShader(const char* assembly);
    // Draws ShaderVertex vertices as an indexed triangle list through the bound shader.
    void DrawShaderTriangles(const std::vector<ShaderVertex>& vertices,
                             std::vector<uint16_t> indices = {});

    // A texture whose level 0 is filled from 0xAARRGGBB texels, row by row.
    IDirect3DTexture8* CreateTexture(UINT width, UINT height, const std::vector<D3DCOLOR>& texels,
                                     D3DFORMAT format = D3DFMT_A8R8G8B8);

    // Compares every pixel per channel; on failure writes <test>_<label>_actual.png and
    // _expected.png and names the first differing pixel.
    ::testing::AssertionResult ImagesMatch(const GpuImage& actual, const GpuImage& expected,
                                           int tolerance, const char* label);
    ::testing::AssertionResult PixelNear(const GpuImage& image, UINT x, UINT y, D3DCOLOR expected,
                                         int tolerance);

    GlWindow* m_pWindow = nullptr;
    IDirect3D8* m_pD3D = nullptr;
    IDirect3DDevice8* m_pDevice = nullptr;
    D3DPRESENT_PARAMETERS m_parameters;
};

// true when every channel of a and b differs by at most tolerance.
bool ColorsNear(D3DCOLOR a, D3DCOLOR b, int tolerance);
// 0xAARRGGBB as text.
std::string ColorText(D3DCOLOR color);

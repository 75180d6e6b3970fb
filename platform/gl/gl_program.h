// The device's GLSL: the fragment programs of the fixed pixel pipeline (two texture stages, fog,
// alpha test), each written for one combination of those states, the vertex shader of the
// pre-transformed path, and compiling and linking with readable errors.
// Owns: those sources, the key that picks a fragment program, the layout of its uniform block,
// the names captured by transform feedback. Does not: translate vertex shader assembly (platform/vshader/vs_glsl.h) or
// decide state (platform/gl/gl_device.cpp fills the uniform block).
// Needs: a current GL 4.5 context.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <string>

// The states a fragment program is written for. A software rasteriser runs every branch of a
// program for every pixel, so each combination gets straight-line code of its own.
struct GlPixelKey {
    int32_t colorStage[2][4] = {};  // per stage: D3DTOP, argument 1, argument 2, coordinate set
    int32_t alphaStage[2][3] = {};  // per stage: D3DTOP, argument 1, argument 2
    int32_t textured[2] = {};       // 1: the stage samples its texture; 0: none bound, white
    int32_t fog = 0;                // 1: blend toward the fog colour by the vertex fog
    int32_t alphaFunc = 0;          // alpha test D3DCMP; 0: off
};
bool operator==(const GlPixelKey& a, const GlPixelKey& b);

// Uniform block 0 of the fragment programs, std140: each row is one vec4.
struct GlPixelBlock {
    float textureFactor[4] = {};   // D3DRS_TEXTUREFACTOR as 0..1 RGBA
    float fogColor[4] = {};        // D3DRS_FOGCOLOR as 0..1 RGBA
    float alphaReference[4] = {};  // x: D3DRS_ALPHAREF / 255
};
constexpr GLuint kPixelBlockBinding = 0;

// Direct3D puts pixel centres on integer coordinates, GL half a pixel further on, so geometry
// moves right and down by about half a pixel. 63/128 rather than 1/2 keeps edges off pixel
// centres: GL's fill rule then includes top edges and excludes bottom ones as Direct3D's does
// (with exactly 1/2, a rectangle from row 0 would lose that row on GL's bottom-left rule).
constexpr float kPixelCentreOffset = 63.0f / 128.0f;

// What CaptureVertexOutputs reads back per vertex, interleaved: vsPosition (4 floats),
// vsDiffuse (4), vsSpecular (4), vsFog (1), vsTexCoord0 (4), vsTexCoord1 (4).
constexpr int kCapturedFloatsPerVertex = 21;

// The fragment program for one key. Stage operations are D3DTOP_* and arguments D3DTA_*
// (selector in the low four bits, 0x10 complement, 0x20 alpha replicate).
std::string GlFragmentProgramSource(const GlPixelKey& key);
// The key with every field that its program does not read cleared (an argument its operation
// ignores, the stages after a disabled one, a texture no argument samples), so that stage states
// which draw alike share one program.
GlPixelKey GlNormalPixelKey(const GlPixelKey& key);
// Pre-transformed vertices (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1): x, y in pixels from
// the top-left corner with Direct3D's pixel centres on integers, z depth 0..1, w = 1 / w.
const char* GlPretransformedVertexSource();

// A compiled shader object, or 0 with the driver's log and the numbered source in *error.
GLuint GlCompileShader(GLenum stage, const std::string& source, std::string* error);
// A linked program of a vertex and a fragment shader; 0 with the driver's log in *error. With
// capture, transform feedback can read every vertex output; without, the linker may drop the
// outputs the fragment program does not read, which a software rasteriser would otherwise
// compute, store and clip for every vertex.
GLuint GlLinkProgram(GLuint vertexShader, GLuint fragmentShader, bool capture,
                     std::string* error);
// The source with "  12: " line numbers, as compile errors show it.
std::string GlNumberedSource(const std::string& source);

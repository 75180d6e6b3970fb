// The private side of the Direct3D-8-style device: what the Direct3D calls record, the GL objects
// behind the device and its resources, and the GL work of clears, draws, presents and reads.
// Owns: GlDeviceState, GlBufferState, GlTextureState and every GL name the device creates.
// Does not: validate Direct3D arguments or count references (platform/d3d8_*.cpp do), create
// the context (platform/gl/gl_window.h), or translate shaders (platform/vshader/vs_glsl.h).
// Needs: a current GL 4.5 core context on the device's window for every Gl* function.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/gl/gl_counters.h"
#include "platform/gl/gl_program.h"
#include "platform/gl/gl_program_cache.h"
#include "platform/gl/gl_state_cache.h"
#include "platform/system/d3d8_types.h"
#include "platform/system/d3dx_math.h"

class GlWindow;
// The Direct3D objects bound to the device: held here for the device's getters, never called.
class IDirect3DTexture8;
class IDirect3DVertexBuffer8;
class IDirect3DIndexBuffer8;
struct GlDeviceState;

constexpr DWORD kPretransformedFvf = 0x144;  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1
constexpr UINT kRenderStateCount = 256;      // D3DRENDERSTATETYPE values recorded
constexpr UINT kStageCount = 8;              // stages recorded; the first kDrawnStages are drawn
constexpr UINT kDrawnStages = 2;
constexpr UINT kStageStateCount = 32;  // D3DTEXTURESTAGESTATETYPE values recorded
constexpr UINT kStreamCount = 16;
constexpr UINT kConstantCount = 96;
constexpr UINT kTransformCount = 512;  // D3DTS_VIEW .. D3DTS_WORLDMATRIX(255)

// A managed vertex or index buffer: the system copy that locks edit, and its GL buffer.
struct GlBufferState {
    GlDeviceState* device = nullptr;  // null once the device is gone
    ULONG refs = 1;
    bool index = false;  // index buffer
    UINT length = 0;     // bytes
    DWORD usage = 0;
    DWORD fvf = 0;                         // vertex buffers
    D3DFORMAT format = D3DFMT_VERTEXDATA;  // D3DFMT_INDEX16 or D3DFMT_INDEX32 for index buffers
    D3DPOOL pool = D3DPOOL_MANAGED;
    std::vector<BYTE> data;
    int lockCount = 0;
    UINT dirtyBegin = 0;  // bytes written by locks not yet uploaded
    UINT dirtyEnd = 0;
    GLuint name = 0;
    // Largest index of (first index, count) ranges drawn since the last write, so a draw can
    // prove every index stays inside the vertex buffer without rescanning each frame.
    std::unordered_map<uint64_t, uint32_t> largestIndex;
    // Whether every vertex's D3DCOLOR at (stride << 32 | offset) has alpha 255, since the last
    // write.
    std::unordered_map<uint64_t, bool> opaqueColours;
};

// A managed texture: one system copy per level, and its GL texture.
struct GlTextureState {
    GlDeviceState* device = nullptr;
    ULONG refs = 1;
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    DWORD usage = 0;
    D3DPOOL pool = D3DPOOL_MANAGED;
    UINT bytesPerPixel = 0;
    std::vector<std::vector<BYTE>> levels;
    std::vector<bool> locked;
    std::vector<bool> lockedReadOnly;
    GLuint name = 0;
    bool opaque = false;  // every texel samples with alpha 1, as of the last upload
};

// What a shader's input registers read from its one stream: the vertex array's attributes.
struct GlVertexLayout {
    struct Attribute {
        UINT reg = 0;     // input register v0-v15
        DWORD type = 0;   // D3DVSDT_*
        UINT offset = 0;  // bytes from the start of the vertex
    };
    UINT stream = 0;
    UINT extent = 0;  // bytes of one vertex the attributes read
    std::vector<Attribute> attributes;
};

constexpr int kDiffuseAlphaOne = -2;
constexpr int kDiffuseAlphaUnknown = -1;

// A vertex shader linked with one fragment program, and what it was last sent.
struct GlLinkedProgram {
    GlPixelKey key;
    GLuint program = 0;
    GLint constantsLocation = -1;  // any element of c[]: -1 when the program reads none
    GLint constantLocations[kConstantCount] = {};  // of c[i]; -1 past the last one read
    GLint fixupLocation = -1;     // uPositionFixup, or uPixelToClip of the built-in path
    uint64_t constantsClock = 0;  // constant registers changed after this clock are not uploaded
    float fixup[2] = {0.0f, 0.0f};
    bool fixupKnown = false;
};

// One vertex shader: its vertex layout, its GLSL, the programs it was drawn with (one per
// fragment program) and its vertex array.
struct GlShader {
    GlVertexLayout layout;
    std::string glsl;
    bool pretransformed = false;  // the built-in path for kPretransformedFvf
    // Input register (0-15) whose alpha oD0.w copies unchanged; kDiffuseAlphaOne when oD0 is
    // never written, kDiffuseAlphaUnknown when it is computed.
    int diffuseAlphaInput = kDiffuseAlphaUnknown;
    std::vector<GlLinkedProgram> programs;  // one per pixel key drawn with, linked on first use
    size_t lastProgram = 0;   // index into programs of the last draw
    GlLinkedProgram capture;  // the one whose outputs transform feedback reads, linked on demand
    GLuint vertexArray = 0;  // made once the vertex stage compiled: the shader can draw
    GLuint boundBuffer = 0;  // what the vertex array points at
    UINT boundStride = 0;
    GLuint boundIndices = 0;
    bool bindingsKnown = false;
};
// What the Direct3D calls have recorded; the draw turns it into GL state.
struct D3dRecordedState {
    std::array<DWORD, kRenderStateCount> renderStates{};
    DWORD stageStates[kStageCount][kStageStateCount] = {};
    // Bound resources (each holding a reference) beside their private states.
    IDirect3DTexture8* textures[kStageCount] = {};
    GlTextureState* textureStates[kStageCount] = {};
    struct Stream {
        IDirect3DVertexBuffer8* buffer = nullptr;
        GlBufferState* state = nullptr;
        UINT stride = 0;  // bytes
    } streams[kStreamCount];
    IDirect3DIndexBuffer8* indices = nullptr;
    GlBufferState* indexState = nullptr;
    UINT baseVertexIndex = 0;
    DWORD vertexShader = 0;  // a handle, kPretransformedFvf or 0
    D3DXVECTOR4 constants[kConstantCount];
    uint64_t constantStamps[kConstantCount] = {};  // clock of each register's last change
    uint64_t constantsClock = 0;
    std::vector<D3DMATRIX> transforms = std::vector<D3DMATRIX>(kTransformCount);
    D3DMATERIAL8 material;
};

// Groups of recorded state that changed since the last draw.
enum GlDirty : uint32_t {
    kDirtyRaster = 1u << 0,    // depth, cull, blend, fill
    kDirtyPixel = 1u << 1,     // the fragment program's uniform block
    kDirtySamplers = 1u << 2,  // filters, addressing
    kDirtyTextures = 1u << 3,
    kDirtyAll = 0xFu,
};

// Reasons a draw is refused; each is reported once per device.
enum class GlRefusal : uint32_t {
    NoShader,
    DeletedShader,
    FailedShader,
    NoStream,
    NoIndices,
    UnsupportedPrimitive,
    IndexRange,
    VertexRange,
    Count,
};

struct GlDeviceState {
    explicit GlDeviceState(GlWindow* window_) : window(window_), cache(&counters) {}

    GlWindow* window;
    ULONG refs = 1;
    D3DPRESENT_PARAMETERS parameters;
    DWORD behaviour = 0;
    D3dRecordedState recorded;
    uint32_t dirty = kDirtyAll;
    bool inScene = false;
    bool lost = false;          // Present reported a loss; cleared by Reset
    bool contextReset = false;  // the loss came from the driver: the context must be replaced
    int forcedLossFrames = 0;

    DeviceCounters counters;
    GlStateCache cache;
    std::string lastError;
    uint32_t reported = 0;  // GlRefusal bits already reported

    // GL objects of the device.
    GLuint backBufferFramebuffer = 0;
    GLuint backBufferColor = 0;
    GLuint backBufferDepth = 0;
    bool backBufferHasAlpha = false;  // X formats keep their alpha at 1
    GlPixelKey pixelKey;  // of the recorded states, kept current by every draw
    GLuint pixelBlockBuffer = 0;
    GlPixelBlock pixelBlock;
    bool pixelBlockKnown = false;
    GLuint samplers[kDrawnStages] = {};
    struct SamplerValues {
        GLint minFilter = 0, magFilter = 0, wrapS = 0, wrapT = 0;
        float border[4] = {};
        bool known = false;
    } samplerValues[kDrawnStages];
    GLuint whiteTexture = 0;
    GLuint captureBuffer = 0;
    GLsizeiptr captureCapacity = 0;  // bytes

    GlProgramCache programCache;  // opened with the device objects, for this context's driver
    GlShader pretransformed;
    // Slot i is handle 2i + 1; null: deleted. Shaders of the same GLSL and vertex layout share
    // one GlShader, so each distinct one is compiled and linked once.
    std::vector<std::shared_ptr<GlShader>> shaders;

    std::unordered_set<GlBufferState*> buffers;
    std::unordered_set<GlTextureState*> textures;

    // GL limits read at creation.
    GLint maxTextureSize = 0;
    GLint maxVertexAttribStride = 0;
};

// Direct3D 8's defaults for render and stage states (as after CreateDevice or Reset).
void GlSetDefaultStates(GlDeviceState* state);

// Reports a refused draw once per reason (stderr and lastError); returns D3DERR_INVALIDCALL.
HRESULT GlRefuse(GlDeviceState* state, GlRefusal reason, const std::string& message);

// The GL formats behind a back-buffer format; false when there is no such format.
bool GlBackBufferFormat(D3DFORMAT format, GLenum* internalFormat, bool* hasAlpha);
// true when a framebuffer of that colour format and a 16-bit depth buffer is complete.
bool GlBackBufferFormatRenderable(D3DFORMAT format);
// Capability record of the current context's driver.
void GlFillCaps(D3DCAPS8* caps);
// Bytes per pixel of a texture format the device can sample, 0 for others.
UINT GlTextureBytesPerPixel(D3DFORMAT format);

// Creates every GL object of the device (back buffer of the present parameters included) and
// uploads every live resource from its system copy; false with *error on failure.
bool GlCreateDeviceObjects(GlDeviceState* state, std::string* error);
// Deletes every GL object of the device and its resources (names only forgotten when the
// context was lost).
void GlDestroyDeviceObjects(GlDeviceState* state, bool contextAlive);

// (Re)creates a resource's GL object from its system copy.
void GlUploadBuffer(GlBufferState* buffer);
void GlUploadBufferRange(GlBufferState* buffer, UINT begin, UINT end);
void GlUploadTexture(GlTextureState* texture);
void GlUploadTextureLevel(GlTextureState* texture, UINT level);
void GlDeleteBuffer(GlBufferState* buffer);
void GlDeleteTexture(GlTextureState* texture);

// Compiles a shader's vertex GLSL to check it, unless the cache knows this driver compiled it
// before, and builds its vertex array; false with *error (the numbered source included) when the
// driver refuses it. Programs are linked when drawn.
bool GlBuildShader(GlDeviceState* state, GlShader* shader, std::string* error);
void GlDeleteShader(GlShader* shader);

HRESULT GlClear(GlDeviceState* state, DWORD count, const D3DRECT* rects, DWORD flags,
                D3DCOLOR color, float z);
// Applies the recorded state and issues one indexed draw (all ranges already checked);
// D3DERR_INVALIDCALL when the shader cannot link with the fragment program the states need.
HRESULT GlDrawIndexed(GlDeviceState* state, GlShader* shader, GLenum mode, GLsizei indexCount,
                      UINT startIndex, UINT primitiveCount);
// Scales the back buffer into the window with black bars, then swaps.
void GlPresent(GlDeviceState* state);
bool GlReadBackBuffer(GlDeviceState* state, std::vector<uint8_t>* rgba, UINT* width, UINT* height);
// Runs the shader over vertices [0, count) of its stream and reads the outputs back:
// kCapturedFloatsPerVertex floats a vertex (oPos, oD0, oD1, oFog, oT0, oT1).
HRESULT GlCapture(GlDeviceState* state, GlShader* shader, UINT count, std::vector<float>* floats);

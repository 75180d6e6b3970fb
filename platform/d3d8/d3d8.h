// A small, honest Direct3D 8 subset on an OpenGL 4.5 core context: the Direct3D object, the
// device, managed vertex and index buffers, managed textures and vertex shaders.
// Conventions kept from Direct3D: left-handed row-vector matrices, clip depth 0..1, clockwise
// front faces, D3DCOLOR as BGRA bytes, status codes with their real values.
// Does not: expose any OpenGL name (they live in platform/gl/); assemble shader text
// (platform/d3dx/d3dx_shader.h); load images or meshes (the D3DX-style headers).
// Needs: the context of a platform/gl/gl_window.h window (the HWND of CreateDevice), current on the
// calling thread; the window must outlive the device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gl/gl_counters.h"
#include "platform/system/d3d8_types.h"
#include "platform/system/d3dx_math.h"

class IDirect3DDevice8;
struct GlBufferState;
struct GlTextureState;
struct GlDeviceState;
struct VsVertexOutput;  // platform/vshader/vs_program.h

// A managed vertex buffer: a system-memory copy that Lock edits and Unlock uploads.
class IDirect3DVertexBuffer8 {
  public:
    ULONG AddRef();
    ULONG Release();
    // Locks [offset, offset + size) (size 0: to the end). A range beyond the buffer, or a
    // buffer of zero bytes, gives D3DERR_INVALIDCALL. D3DLOCK_READONLY never uploads.
    HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags);
    HRESULT Unlock();
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) const;

  private:
    friend class IDirect3DDevice8;
    friend struct GlDeviceState;
    IDirect3DVertexBuffer8() = default;
    ~IDirect3DVertexBuffer8();
    GlBufferState* m_pState = nullptr;
};

// A managed 16- or 32-bit index buffer, locked like the vertex buffer.
class IDirect3DIndexBuffer8 {
  public:
    ULONG AddRef();
    ULONG Release();
    HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags);
    HRESULT Unlock();
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) const;

  private:
    friend class IDirect3DDevice8;
    friend struct GlDeviceState;
    IDirect3DIndexBuffer8() = default;
    ~IDirect3DIndexBuffer8();
    GlBufferState* m_pState = nullptr;
};

// A managed 2D texture with a mip chain; each level keeps a system-memory copy.
class IDirect3DTexture8 {
  public:
    ULONG AddRef();
    ULONG Release();
    DWORD GetLevelCount() const;
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) const;
    // Locks a whole level (rect must be null); Unlock uploads it unless locked read-only.
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(UINT level);

  private:
    friend class IDirect3DDevice8;
    friend struct GlDeviceState;
    IDirect3DTexture8() = default;
    ~IDirect3DTexture8();
    GlTextureState* m_pState = nullptr;
};

class IDirect3DDevice8 {
  public:
    ULONG AddRef();
    ULONG Release();

    // D3D_OK, D3DERR_DEVICELOST while the window is hidden or after a context reset (or a
    // forced loss), D3DERR_DEVICENOTRESET once it can be reset.
    HRESULT TestCooperativeLevel();
    HRESULT GetDeviceCaps(D3DCAPS8* caps) const;
    // The adapter, device type, window and behaviour flags the device was created with.
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) const;
    // Rebuilds the back buffer with the parameters; render and stage states return to their
    // defaults, and textures, streams, indices, shader and constants are unset. Managed
    // buffers, textures and shaders survive (re-created from their copies, a lost context too).
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters);
    // Scales the back buffer into the window keeping its aspect (black bars), then swaps: every
    // vertical blank with the default interval on SDL windows, never waiting headless. The
    // rectangles, window and region must be null. D3DERR_DEVICELOST from a loss until Reset.
    HRESULT Present(const RECT* source, const RECT* dest, HWND overrideWindow,
                    const void* dirtyRegion);

    // Formats: A8R8G8B8, X8R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, A8. Levels 0: the
    // full chain. Every pool behaves as D3DPOOL_MANAGED.
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DTexture8** texture);
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** buffer);
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** buffer);

    HRESULT BeginScene();
    HRESULT EndScene();
    // Clears the whole back buffer or the rectangles; ignores the depth-write state as Direct3D
    // does. z is clamped to 0..1.
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil);

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) const;
    // Recorded; with a vertex shader bound it does not enter the picture, as on Direct3D.
    HRESULT SetMaterial(const D3DMATERIAL8* material);
    HRESULT GetMaterial(D3DMATERIAL8* material) const;
    // Render states start at Direct3D's defaults. Drawn: depth (ZENABLE, ZWRITEENABLE, ZFUNC),
    // CULLMODE, alpha blending (ALPHABLENDENABLE, SRCBLEND, DESTBLEND, BLENDOP), FILLMODE, the
    // alpha test, TEXTUREFACTOR, and fog (FOGENABLE, FOGCOLOR) from the shader's fog factor
    // whatever the table mode. Accepted and recorded but changing nothing: dithering,
    // multisampling, specular, ambient, lighting, flat shading, SOFTWAREVERTEXPROCESSING.
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const;
    // Stages 0 to 7 are recorded, stages 0 and 1 drawn. A stage without a texture reads white.
    // The texture is held (AddRef) while set.
    HRESULT SetTexture(DWORD stage, IDirect3DTexture8* texture);
    HRESULT GetTexture(DWORD stage, IDirect3DTexture8** texture) const;
    // Drawn: COLOROP and ALPHAOP (DISABLE, SELECTARG1, SELECTARG2, MODULATE, MODULATE2X,
    // MODULATE4X, ADD; others draw as SELECTARG1) with arguments DIFFUSE, CURRENT, TEXTURE,
    // TFACTOR, SPECULAR (and the complement and alpha-replicate flags), TEXCOORDINDEX 0 or 1,
    // MIN/MAG/MIPFILTER, ADDRESSU/V, BORDERCOLOR. A disabled colour stage ends the cascade.
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) const;

    // declaration: D3DVSD tokens; function: the token stream of D3DXAssembleShader.
    HRESULT CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD* handle,
                               DWORD usage);
    // A handle from CreateVertexShader, or an FVF code for the built-in pre-transformed path
    // (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), which the font uses.
    HRESULT SetVertexShader(DWORD handle);
    HRESULT GetVertexShader(DWORD* handle) const;
    HRESULT DeleteVertexShader(DWORD handle);
    // count registers of four floats from register first (0 to 95).
    HRESULT SetVertexShaderConstant(DWORD first, const void* data, DWORD count);
    HRESULT GetVertexShaderConstant(DWORD first, void* data, DWORD count) const;

    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride);
    HRESULT SetIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex);
    // The bound buffers, each with a reference the caller releases (nullptr when none).
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer8** buffer, UINT* stride) const;
    HRESULT GetIndices(IDirect3DIndexBuffer8** buffer, UINT* baseVertexIndex) const;
    // Indexed primitives from the bound stream and indices. A range beyond either buffer is
    // refused with D3DERR_INVALIDCALL and never reaches the driver.
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                 UINT startIndex, UINT primitiveCount);

    // ---- Beyond Direct3D: for tests, tools and benchmarks ----
    // The back buffer as RGBA8 rows, top row first.
    HRESULT ReadBackBuffer(std::vector<uint8_t>* rgba, UINT* width, UINT* height);
    // What the last Present put in the window, as RGBA8 rows, top row first.
    HRESULT ReadWindow(std::vector<uint8_t>* rgba, UINT* width, UINT* height);
    // Runs the bound vertex shader over vertices [0, count) of stream 0 with the current
    // constants and returns what each vertex left the shader with (transform feedback).
    HRESULT CaptureVertexOutputs(UINT count, std::vector<VsVertexOutput>* outputs);
    // Makes Present report a lost device for the next `frames` presents.
    void ForceDeviceLoss(int frames);
    // true: every draw re-applies all state instead of diffing against the cached GL state.
    void SetStateCacheBypass(bool bypass);
    const DeviceCounters& Counters() const;
    void ResetCounters();
    // The last failure the device explained: a refused draw, a shader that did not build (with
    // its numbered GLSL), a refused lock. Empty when there was none.
    const std::string& LastError() const;

  private:
    friend class IDirect3D8;
    IDirect3DDevice8() = default;
    ~IDirect3DDevice8();
    GlDeviceState* m_pState = nullptr;
};

class IDirect3D8 {
  public:
    ULONG AddRef();
    ULONG Release();
    // The desktop mode of the window's display (headless: the surface's size, X8R8G8B8).
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode);
    // D3D_OK when a back buffer of that format can be rendered to, else D3DERR_NOTAVAILABLE.
    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                            D3DFORMAT backBufferFormat, BOOL windowed);
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps);
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND window, DWORD behaviourFlags,
                         D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device);

  private:
    friend IDirect3D8* Direct3DCreate8(UINT sdkVersion);
    IDirect3D8() = default;
    ~IDirect3D8() = default;
    ULONG m_nRefs = 1;
};

// The Direct3D object for interface version 220 (D3D_SDK_VERSION); nullptr for any other.
IDirect3D8* Direct3DCreate8(UINT sdkVersion);

// ---- Beyond Direct3D: a poorer adapter, for tests of how callers choose ----
struct D3dAdapterLimits {
    std::vector<D3DFORMAT> refusedBackBufferFormats;  // CheckDeviceType refuses these
    DWORD vertexShaderVersion = 0;  // the capabilities report this instead, when not 0
};
// Every Direct3D object and device of the process reports within the limits until the next
// call; D3dAdapterLimits() lifts them.
void LimitAdapterForTests(const D3dAdapterLimits& limits);
const D3dAdapterLimits& AdapterLimits();

typedef IDirect3D8* LPDIRECT3D8;
typedef IDirect3DDevice8* LPDIRECT3DDEVICE8;
typedef IDirect3DVertexBuffer8* LPDIRECT3DVERTEXBUFFER8;
typedef IDirect3DIndexBuffer8* LPDIRECT3DINDEXBUFFER8;
typedef IDirect3DTexture8* LPDIRECT3DTEXTURE8;

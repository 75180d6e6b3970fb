// velmora-tool shade --png FILE [--size WxH] [--night]: renders the toon shading headless and
// writes it as a PNG: a sphere through "Toon.vsh" and a tube bent by two bones through
// "skinmesh2.vsh", both on the day ramp "Toon.bmp" over white, or with --night on the grey
// ramp "ToonToon.bmp" over black. A look at the shaders and ramps without the whole scene.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/system/d3dx_math.h"
#include "platform/d3dx/d3dx_shader.h"
#include "platform/d3dx/d3dx_texture.h"
#include "platform/d3d8/headless_device.h"
#include "platform/image/png_writer.h"
#include "render/vertex_declarations.h"
#include "tools/velmora_tool/commands.h"

namespace {
constexpr UINT kMaxSide = 4096;
constexpr float kFogEnd = 20000.0f;  // also the far plane, as in the scene
constexpr int kSphereSlices = 32;    // around the vertical axis
constexpr int kSphereStacks = 16;    // pole to pole
constexpr int kTubeRings = 24;       // along the tube
constexpr int kTubeSides = 16;
constexpr float kTubeLength = 2.4f;  // world units, from x = 0 in the tube's model space
constexpr float kTubeRadius = 0.3f;
constexpr float kBendAngle = 0.9f;   // radians the second bone turns about z at the middle

struct ShadeOptions {
    std::string pngPath;
    UINT width = 320;
    UINT height = 240;
    bool night = false;
};

bool ParseSize(const char* text, UINT* width, UINT* height) {
    char* end = nullptr;
    const unsigned long w = std::strtoul(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X')) return false;
    const char* rest = end + 1;
    const unsigned long h = std::strtoul(rest, &end, 10);
    if (end == rest || *end != '\0' || w == 0 || h == 0 || w > kMaxSide || h > kMaxSide)
        return false;
    *width = static_cast<UINT>(w);
    *height = static_cast<UINT>(h);
    return true;
}

int Usage() {
    PrintShadeUsage(stderr);
    return 2;
}

// Appends triangle (a, b, c), turned where needed so that it is clockwise seen from outside:
// the device culls counter-clockwise faces, as Direct3D does with D3DCULL_CCW.
template <typename Vertex>
void AddOutwardTriangle(const std::vector<Vertex>& vertices, WORD a, WORD b, WORD c,
                        std::vector<WORD>* indices) {
    D3DXVECTOR3 ab = vertices[b].position - vertices[a].position;
    D3DXVECTOR3 ac = vertices[c].position - vertices[a].position;
    D3DXVECTOR3 face;
    D3DXVec3Cross(&face, &ab, &ac);
    D3DXVECTOR3 outward = vertices[a].normal + vertices[b].normal + vertices[c].normal;
    // In left-handed coordinates (b - a) x (c - a) points at a viewer who sees a, b, c clockwise.
    if (D3DXVec3Dot(&face, &outward) < 0.0f) std::swap(b, c);
    indices->insert(indices->end(), {a, b, c});
}

// Quads between consecutive rings of `columns` vertices that close around (the last column
// joins the first).
template <typename Vertex>
void AddRingQuads(const std::vector<Vertex>& vertices, int rings, int columns,
                  std::vector<WORD>* indices) {
    for (int r = 0; r + 1 < rings; ++r)
        for (int c = 0; c < columns; ++c) {
            const WORD a = static_cast<WORD>(r * columns + c);
            const WORD b = static_cast<WORD>(r * columns + (c + 1) % columns);
            const WORD d = static_cast<WORD>((r + 1) * columns + c);
            const WORD e = static_cast<WORD>((r + 1) * columns + (c + 1) % columns);
            if (vertices[a].position != vertices[b].position)
                AddOutwardTriangle(vertices, a, b, d, indices);
            if (vertices[d].position != vertices[e].position)
                AddOutwardTriangle(vertices, b, e, d, indices);
        }
}

void BuildSphere(std::vector<StaticVertex>* vertices, std::vector<WORD>* indices) {
    for (int s = 0; s <= kSphereStacks; ++s) {
        const float polar = D3DX_PI * s / kSphereStacks;
        for (int c = 0; c < kSphereSlices; ++c) {
            const float around = 2.0f * D3DX_PI * c / kSphereSlices;
            StaticVertex v;
            v.normal = D3DXVECTOR3(std::sin(polar) * std::cos(around), std::cos(polar),
                                   std::sin(polar) * std::sin(around));
            v.position = v.normal;
            vertices->push_back(v);
        }
    }
    AddRingQuads(*vertices, kSphereStacks + 1, kSphereSlices, indices);
}

// A closed tube along +x; the first bone carries its left part, the second its right part,
// blended across the middle third.
void BuildTube(std::vector<SkinnedVertex>* vertices, std::vector<WORD>* indices) {
    for (int r = 0; r <= kTubeRings; ++r) {
        const float t = static_cast<float>(r) / kTubeRings;
        const float blend = std::fmin(std::fmax((t - 1.0f / 3.0f) * 3.0f, 0.0f), 1.0f);
        for (int c = 0; c < kTubeSides; ++c) {
            const float around = 2.0f * D3DX_PI * c / kTubeSides;
            SkinnedVertex v;
            v.normal = D3DXVECTOR3(0.0f, std::cos(around), std::sin(around));
            v.position = D3DXVECTOR3(t * kTubeLength, 0.0f, 0.0f) + v.normal * kTubeRadius;
            v.weight = 1.0f - blend;
            v.indices[1] = 1;  // the second influence is the bending bone
            vertices->push_back(v);
        }
    }
    AddRingQuads(*vertices, kTubeRings + 1, kTubeSides, indices);
}

// A managed vertex and index buffer holding the mesh, bound to stream 0 and the indices.
template <typename Vertex>
HRESULT BindMesh(IDirect3DDevice8* device, const std::vector<Vertex>& vertices,
                 const std::vector<WORD>& indices) {
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    const UINT vbBytes = static_cast<UINT>(vertices.size() * sizeof(Vertex));
    const UINT ibBytes = static_cast<UINT>(indices.size() * sizeof(WORD));
    HRESULT hr = device->CreateVertexBuffer(vbBytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb);
    if (SUCCEEDED(hr))
        hr = device->CreateIndexBuffer(ibBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                       D3DPOOL_MANAGED, &ib);
    BYTE* data = nullptr;
    if (SUCCEEDED(hr) && SUCCEEDED(hr = vb->Lock(0, 0, &data, 0))) {
        std::memcpy(data, vertices.data(), vbBytes);
        hr = vb->Unlock();
    }
    if (SUCCEEDED(hr) && SUCCEEDED(hr = ib->Lock(0, 0, &data, 0))) {
        std::memcpy(data, indices.data(), ibBytes);
        hr = ib->Unlock();
    }
    if (SUCCEEDED(hr)) {
        device->SetStreamSource(0, vb, sizeof(Vertex));
        device->SetIndices(ib, 0);
    }
    if (vb) vb->Release();  // the device keeps bound buffers alive
    if (ib) ib->Release();
    return hr;
}

HRESULT CreateShader(IDirect3DDevice8* device, const char* resource, const DWORD* declaration,
                     DWORD* handle) {
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXAssembleShaderFromResource(resource, 0, nullptr, &code, &errors);
    if (FAILED(hr)) {
        std::fprintf(stderr, "velmora-tool: %s does not assemble:\n%s\n", resource,
                     errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    } else {
        hr = device->CreateVertexShader(declaration,
                                        static_cast<const DWORD*>(code->GetBufferPointer()),
                                        handle, 0);
        if (FAILED(hr))
            std::fprintf(stderr, "velmora-tool: %s: %s\n", resource, device->LastError().c_str());
    }
    if (code) code->Release();
    if (errors) errors->Release();
    return hr;
}

// The light brought into a model's space (times the inverse of its world matrix), normalised
// over four components, as the drawing code hands it to the shaders.
D3DXVECTOR4 LightInModelSpace(const D3DXVECTOR4& light, const D3DXMATRIX& world) {
    D3DXMATRIX inverse;
    D3DXMatrixInverse(&inverse, nullptr, &world);
    D3DXVECTOR4 local;
    D3DXVec4Transform(&local, &light, &inverse);
    D3DXVec4Normalize(&local, &local);
    return local;
}

struct Camera {
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DXVECTOR4 light;
};

void DrawSphere(IDirect3DDevice8* device, DWORD shader, const Camera& camera) {
    std::vector<StaticVertex> vertices;
    std::vector<WORD> indices;
    BuildSphere(&vertices, &indices);
    if (FAILED(BindMesh(device, vertices, indices))) return;
    D3DXMATRIX world, worldView, worldViewProjection, transposed;
    D3DXMatrixTranslation(&world, -1.3f, 0.0f, 0.0f);
    D3DXMatrixMultiply(&worldView, &world, &camera.view);
    D3DXMatrixMultiply(&worldViewProjection, &worldView, &camera.projection);
    D3DXMatrixTranspose(&transposed, &worldViewProjection);
    device->SetVertexShaderConstant(0, &transposed, 4);
    D3DXMatrixTranspose(&transposed, &worldView);
    device->SetVertexShaderConstant(4, &transposed, 4);
    const float c12[4] = {0.0f, 0.5f, 1.0f, -1.0f};
    const D3DXVECTOR4 light = LightInModelSpace(camera.light, world);
    const float fog[4] = {-1.0f / kFogEnd, 1.0f, 0.0f, 0.0f};
    device->SetVertexShaderConstant(12, c12, 1);
    device->SetVertexShaderConstant(13, &light, 1);
    device->SetVertexShaderConstant(14, fog, 1);
    device->SetVertexShader(shader);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertices.size()), 0,
                                 static_cast<UINT>(indices.size() / 3));
}

void DrawBentTube(IDirect3DDevice8* device, DWORD shader, const Camera& camera) {
    std::vector<SkinnedVertex> vertices;
    std::vector<WORD> indices;
    BuildTube(&vertices, &indices);
    if (FAILED(BindMesh(device, vertices, indices))) return;
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 0.1f, -0.6f, 0.0f);
    // Bone 0 stays put; bone 1 turns about z around the tube's middle.
    D3DXMATRIX bones[2], toPivot, turn, back;
    D3DXMatrixTranslation(&toPivot, -kTubeLength / 2.0f, 0.0f, 0.0f);
    D3DXMatrixRotationZ(&turn, kBendAngle);
    D3DXMatrixTranslation(&back, kTubeLength / 2.0f, 0.0f, 0.0f);
    bones[1] = toPivot * turn * back;
    for (int j = 0; j < 2; ++j) {
        // Palette slot j: the first three rows of the transpose of bone x world x view.
        D3DXMATRIX worldView = bones[j] * world * camera.view, transposed;
        D3DXMatrixTranspose(&transposed, &worldView);
        device->SetVertexShaderConstant(9 + 3 * j, &transposed, 3);
    }
    const float c0[4] = {1.0f, 0.5f, 0.0f, 765.01f};
    const D3DXVECTOR4 light = LightInModelSpace(camera.light, world);
    D3DXMATRIX projection;
    D3DXMatrixTranspose(&projection, &camera.projection);
    const float fog[4] = {-1.0f / kFogEnd, 1.0f, 0.0f, 0.0f};
    device->SetVertexShaderConstant(0, c0, 1);
    device->SetVertexShaderConstant(1, &light, 1);
    device->SetVertexShaderConstant(2, &projection, 4);
    device->SetVertexShaderConstant(7, fog, 1);
    device->SetVertexShader(shader);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertices.size()), 0,
                                 static_cast<UINT>(indices.size() / 3));
}

// Everything the render holds, released in reverse order whatever step it reached.
struct ShadeDevice : HeadlessDevice {
    IDirect3DTexture8* ramp = nullptr;
    ~ShadeDevice() {
        if (device) {
            device->SetTexture(0, nullptr);
            device->SetStreamSource(0, nullptr, 0);
            device->SetIndices(nullptr, 0);
        }
        if (ramp) ramp->Release();
    }
};

int Render(const ShadeOptions& options) {
    ShadeDevice s;
    std::string error;
    if (FAILED(s.Create(options.width, options.height, D3DFMT_X8R8G8B8, &error))) {
        std::fprintf(stderr, "velmora-tool: %s\n", error.c_str());
        return 1;
    }
    IDirect3DDevice8* device = s.device;
    const char* rampName = options.night ? "ToonToon.bmp" : "Toon.bmp";
    if (FAILED(D3DXCreateTextureFromResourceA(device, rampName, &s.ramp, &error))) {
        std::fprintf(stderr, "velmora-tool: %s\n", error.c_str());
        return 1;
    }
    DWORD toon = 0, skin = 0;
    if (FAILED(CreateShader(device, "Toon.vsh", kToonDeclaration, &toon)) ||
        FAILED(CreateShader(device, "skinmesh2.vsh", kSkinningDeclaration, &skin)))
        return 1;

    // The fixed states the saver sets at start-up, with no mesh texture in stage 1.
    device->SetTexture(0, s.ramp);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    const D3DCOLOR clear = options.night ? 0xFF000000 : 0xFFFFFFFF;
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGCOLOR, clear);

    Camera camera;
    const D3DXVECTOR3 eye(0.0f, 0.4f, -6.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&camera.view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&camera.projection, D3DX_PI / 4.0f,
                               static_cast<float>(options.width) / options.height, 1.0f, kFogEnd);
    // From the upper left, in front: every band of the ramp shows on the sphere.
    camera.light = D3DXVECTOR4(-0.5f, 0.7f, -0.6f, 0.0f);

    device->ResetCounters();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
    if (SUCCEEDED(device->BeginScene())) {
        DrawSphere(device, toon, camera);
        DrawBentTube(device, skin, camera);
        device->EndScene();
    }
    std::vector<uint8_t> rgba;
    UINT width = 0, height = 0;
    if (FAILED(device->ReadBackBuffer(&rgba, &width, &height))) {
        std::fprintf(stderr, "velmora-tool: the back buffer cannot be read\n");
        return 1;
    }
    const DeviceCounters counters = device->Counters();
    device->DeleteVertexShader(toon);
    device->DeleteVertexShader(skin);
    if (counters.draws != 2)
        std::fprintf(stderr, "velmora-tool: %llu of 2 draws reached the driver: %s\n",
                     static_cast<unsigned long long>(counters.draws), device->LastError().c_str());
    if (!WritePng(options.pngPath, rgba.data(), static_cast<int>(width),
                  static_cast<int>(height), &error)) {
        std::fprintf(stderr, "velmora-tool: %s\n", error.c_str());
        return 1;
    }
    std::printf("shade %ux%u %s: %llu draws, %llu triangles -> %s\n", width, height,
                options.night ? "night" : "day", static_cast<unsigned long long>(counters.draws),
                static_cast<unsigned long long>(counters.triangles), options.pngPath.c_str());
    return counters.draws == 2 ? 0 : 1;
}
}  // namespace

void PrintShadeUsage(std::FILE* out) {
    std::fprintf(out, "usage: velmora-tool shade --png FILE [--size WxH] [--night]\n");
}

int RunShadeCommand(int argc, char** argv) {
    ShadeOptions options;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
            options.pngPath = argv[++i];
        } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            if (!ParseSize(argv[++i], &options.width, &options.height)) {
                std::fprintf(stderr, "velmora-tool: size '%s' is not WxH within 1..%u\n", argv[i],
                             kMaxSide);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--night") == 0) {
            options.night = true;
        } else {
            return Usage();
        }
    }
    if (options.pngPath.empty()) return Usage();
    return Render(options);
}

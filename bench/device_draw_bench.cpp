// CPU cost per drawn piece of the static toon path (eight world-dependent constant registers,
// the shared ones, a material, two textures, one indexed draw, as the depth-sorted renderer
// issues them) through the device, beside the same draws issued as raw OpenGL calls on a
// second headless context. Headless EGL; time is the main thread's CPU time.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/d3dx/d3dx_shader.h"
#include "platform/gl/gl_program.h"
#include "platform/gl/gl_window.h"
#include "platform/d3d8/headless_device.h"
#include "platform/d3d8/vertex_format.h"
#include "platform/vshader/vs_declaration.h"
#include "platform/vshader/vs_glsl.h"
#include "platform/vshader/vs_program.h"

namespace {

constexpr int kPieces = 256;  // pieces per iteration, each with its own world matrix
constexpr UINT kWidth = 640;
constexpr UINT kHeight = 480;

const DWORD kToonDeclaration[] = {
    D3DVSD_STREAM(0),
    D3DVSD_REG(0, D3DVSDT_FLOAT3),
    D3DVSD_REG(3, D3DVSDT_FLOAT3),
    D3DVSD_REG(5, D3DVSDT_D3DCOLOR),
    D3DVSD_REG(7, D3DVSDT_FLOAT2),
    D3DVSD_REG(8, D3DVSDT_FLOAT2),
    D3DVSD_END(),
};

// The 44-byte static vertex.
struct ToonVertex {
    float x, y, z, nx, ny, nz;
    D3DCOLOR color;
    float u0, v0, u1, v1;
};

// A cube of 24 vertices and 12 triangles.
void BuildCube(std::vector<ToonVertex>* vertices, std::vector<uint16_t>* indices) {
    const float n[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int face = 0; face < 6; ++face) {
        const float* normal = n[face];
        const float a[3] = {normal[1], normal[2], normal[0]};
        const float b[3] = {normal[2], normal[0], normal[1]};
        const uint16_t base = static_cast<uint16_t>(vertices->size());
        for (int corner = 0; corner < 4; ++corner) {
            const float s = (corner & 1) ? 1.0f : -1.0f;
            const float t = (corner & 2) ? 1.0f : -1.0f;
            ToonVertex v = {normal[0] + s * a[0] + t * b[0],
                            normal[1] + s * a[1] + t * b[1],
                            normal[2] + s * a[2] + t * b[2],
                            normal[0],
                            normal[1],
                            normal[2],
                            0xFFFFFFFF,
                            0.5f,
                            0.5f,
                            (s + 1) / 2,
                            (t + 1) / 2};
            vertices->push_back(v);
        }
        const uint16_t quad[6] = {0, 1, 3, 0, 3, 2};
        for (uint16_t q : quad)
            indices->push_back(static_cast<uint16_t>(base + q));
    }
}

// What one piece uploads: c0-c3 world-view-projection and c4-c7 world-view (transposed).
struct PieceConstants {
    float registers[8][4];
};

std::vector<PieceConstants> MakePieceConstants() {
    D3DXMATRIX view, projection;
    const D3DXVECTOR3 eye(0.0f, 0.0f, -400.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 0.8f, 4.0f / 3.0f, 1.0f, 20000.0f);
    std::vector<PieceConstants> pieces(kPieces);
    for (int i = 0; i < kPieces; ++i) {
        // A scale, a turn and a place of its own, so that all eight registers change.
        D3DXMATRIX scale, turn, place, world, worldView, worldViewProjection, transposed;
        D3DXMatrixScaling(&scale, 3.0f + 0.01f * i, 3.0f + 0.01f * i, 3.0f + 0.01f * i);
        D3DXMatrixRotationYawPitchRoll(&turn, 0.05f * i, 0.03f * i, 0.02f * i);
        D3DXMatrixTranslation(&place, static_cast<float>(i % 16) * 20.0f - 160.0f,
                              static_cast<float>(i / 16) * 20.0f - 160.0f, 0.5f * i);
        D3DXMatrixMultiply(&world, &scale, &turn);
        D3DXMatrixMultiply(&world, &world, &place);
        D3DXMatrixMultiply(&worldView, &world, &view);
        D3DXMatrixMultiply(&worldViewProjection, &worldView, &projection);
        D3DXMatrixTranspose(&transposed, &worldViewProjection);
        std::memcpy(pieces[i].registers[0], &transposed, 64);
        D3DXMatrixTranspose(&transposed, &worldView);
        std::memcpy(pieces[i].registers[4], &transposed, 64);
    }
    return pieces;
}

const float kShared[3][4] = {
    {0.0f, 0.5f, 1.0f, -1.0f},             // c12
    {0.5f, 0.9f, 0.5f, 0.0f},              // c13: light in model space
    {-1.0f / 20000.0f, 1.0f, 0.0f, 0.0f},  // c14: fog
};

// ---- Through the device ----

struct DeviceScene {
    HeadlessDevice headless;
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    IDirect3DIndexBuffer8* indexBuffer = nullptr;
    IDirect3DTexture8* ramp = nullptr;
    IDirect3DTexture8* skins[2] = {};
    DWORD shader = 0;
    UINT vertexCount = 0;
    UINT triangleCount = 0;
    std::string error;
};

IDirect3DTexture8* SolidTexture(IDirect3DDevice8* device, UINT width, UINT height, D3DCOLOR color) {
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(width, height, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
                                     &texture))) {
        return nullptr;
    }
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    for (UINT i = 0; i < width * height; ++i) {
        std::memcpy(static_cast<BYTE*>(locked.pBits) + i * 4, &color, 4);
    }
    texture->UnlockRect(0);
    return texture;
}

DeviceScene* BuildDeviceScene() {
    DeviceScene* scene = new DeviceScene();
    if (FAILED(scene->headless.Create(kWidth, kHeight, D3DFMT_R5G6B5, &scene->error)))
        return scene;
    IDirect3DDevice8* device = scene->headless.device;
    ID3DXBuffer* code = nullptr;
    if (FAILED(D3DXAssembleShaderFromResource("Toon.vsh", 0, nullptr, &code, nullptr)) ||
        FAILED(device->CreateVertexShader(kToonDeclaration,
                                          static_cast<const DWORD*>(code->GetBufferPointer()),
                                          &scene->shader, 0))) {
        scene->error = "Toon.vsh: " + device->LastError();
        return scene;
    }
    code->Release();

    std::vector<ToonVertex> vertices;
    std::vector<uint16_t> indices;
    BuildCube(&vertices, &indices);
    scene->vertexCount = static_cast<UINT>(vertices.size());
    scene->triangleCount = static_cast<UINT>(indices.size() / 3);
    BYTE* data = nullptr;
    device->CreateVertexBuffer(UINT(vertices.size() * sizeof(ToonVertex)), D3DUSAGE_WRITEONLY,
                               kStaticVertexFvf, D3DPOOL_MANAGED, &scene->vertexBuffer);
    scene->vertexBuffer->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices.data(), vertices.size() * sizeof(ToonVertex));
    scene->vertexBuffer->Unlock();
    device->CreateIndexBuffer(UINT(indices.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                              D3DPOOL_MANAGED, &scene->indexBuffer);
    scene->indexBuffer->Lock(0, 0, &data, 0);
    std::memcpy(data, indices.data(), indices.size() * 2);
    scene->indexBuffer->Unlock();
    scene->ramp = SolidTexture(device, 128, 128, 0xFF8080E0);
    scene->skins[0] = SolidTexture(device, 64, 64, 0xFFC0A080);
    scene->skins[1] = SolidTexture(device, 64, 64, 0xFF80A0C0);

    // The start-up's fixed states.
    for (DWORD stage = 0; stage < 2; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(stage, D3DTSS_COLORARG2,
                                     stage == 0 ? D3DTA_DIFFUSE : D3DTA_CURRENT);
        device->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        device->SetTextureStageState(stage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(stage, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    }
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGCOLOR, 0xFFFFFFFF);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    return scene;
}

DeviceScene& Device() {
    static DeviceScene* scene = BuildDeviceScene();
    return *scene;
}

void BM_ToonPiecesThroughTheDevice(benchmark::State& state) {
    DeviceScene& scene = Device();
    if (scene.headless.device == nullptr || !scene.error.empty()) {
        state.SkipWithError(scene.error.c_str());
        return;
    }
    scene.headless.window->MakeCurrent();
    IDirect3DDevice8* device = scene.headless.device;
    device->SetStateCacheBypass(state.range(0) != 0);
    const std::vector<PieceConstants> pieces = MakePieceConstants();
    D3DMATERIAL8 material;
    material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFF, 1.0f, 0);
    device->ResetCounters();
    for (auto _ : state) {
        for (int i = 0; i < kPieces; ++i) {
            device->SetVertexShaderConstant(0, pieces[i].registers, 8);
            device->SetVertexShaderConstant(12, kShared[0], 1);
            device->SetVertexShaderConstant(13, kShared[1], 1);
            device->SetVertexShaderConstant(14, kShared[2], 1);
            device->SetVertexShader(scene.shader);
            device->SetStreamSource(0, scene.vertexBuffer, sizeof(ToonVertex));
            device->SetIndices(scene.indexBuffer, 0);
            device->SetMaterial(&material);
            device->SetTexture(0, scene.ramp);
            device->SetTexture(1, scene.skins[i & 1]);
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, scene.vertexCount, 0,
                                         scene.triangleCount);
            device->SetTexture(0, nullptr);
            device->SetTexture(1, nullptr);
        }
        glFinish();
    }
    const DeviceCounters& counters = device->Counters();
    const double drawn = static_cast<double>(state.iterations()) * kPieces;
    state.SetItemsProcessed(static_cast<int64_t>(drawn));
    state.counters["draws/piece"] = static_cast<double>(counters.draws) / drawn;
    state.counters["stateChanges/piece"] = static_cast<double>(counters.stateChanges) / drawn;
    state.counters["constants/piece"] = static_cast<double>(counters.constantUploads) / drawn;
    state.counters["refused"] = static_cast<double>(counters.refusedDraws);
    state.counters["glErrors"] = static_cast<double>(counters.glErrors);
    device->SetStateCacheBypass(false);
}
BENCHMARK(BM_ToonPiecesThroughTheDevice)->Arg(0)->ArgName("bypass");
BENCHMARK(BM_ToonPiecesThroughTheDevice)->Arg(1)->ArgName("bypass");

// ---- The same draws as raw OpenGL ----

struct RawScene {
    GlWindow* window = nullptr;
    GLuint program = 0;
    GLint constants = -1;        // c[0]
    GLint sharedConstants = -1;  // c[12]
    GLuint vertexArray = 0;
    GLuint buffers[2] = {};
    GLuint textures[3] = {};  // ramp, two skins
    GLuint framebuffer = 0;
    GLuint renderbuffers[2] = {};
    GLuint pixelBlock = 0;
    GLsizei indexCount = 0;
    std::string error;
};

GLuint RawTexture(GLsizei width, GLsizei height, D3DCOLOR color) {
    std::vector<D3DCOLOR> texels(size_t(width) * height, color);
    GLuint texture = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &texture);
    glTextureStorage2D(texture, 1, GL_RGBA8, width, height);
    glTextureSubImage2D(texture, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    glTextureParameteri(texture, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTextureParameteri(texture, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTextureParameteri(texture, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    return texture;
}

RawScene* BuildRawScene() {
    RawScene* scene = new RawScene();
    scene->window = GlWindow::CreateHeadless(kWidth, kHeight, &scene->error);
    if (scene->window == nullptr)
        return scene;
    // The toon shader as the device builds it: decoded, declared, translated, linked.
    ID3DXBuffer* code = nullptr;
    VsProgram program;
    VsDeclaration declaration;
    if (FAILED(D3DXAssembleShaderFromResource("Toon.vsh", 0, nullptr, &code, nullptr)) ||
        FAILED(DecodeVertexShader(static_cast<const DWORD*>(code->GetBufferPointer()), &program,
                                  &scene->error)) ||
        FAILED(ParseVertexDeclaration(kToonDeclaration, &declaration, &scene->error))) {
        if (scene->error.empty())
            scene->error = "Toon.vsh did not assemble";
        return scene;
    }
    code->Release();
    GLuint vertexShader = GlCompileShader(
        GL_VERTEX_SHADER, TranslateVertexShaderToGlsl(program, declaration), &scene->error);
    GlPixelKey key;
    for (int stage = 0; stage < 2; ++stage) {
        key.colorStage[stage][0] = D3DTOP_MODULATE;
        key.colorStage[stage][1] = D3DTA_TEXTURE;
        key.colorStage[stage][2] = stage == 0 ? D3DTA_DIFFUSE : D3DTA_CURRENT;
        key.colorStage[stage][3] = stage;
        key.alphaStage[stage][0] = D3DTOP_MODULATE;
        key.alphaStage[stage][1] = D3DTA_TEXTURE;
        key.alphaStage[stage][2] = D3DTA_DIFFUSE;
        key.textured[stage] = 1;
    }
    key.fog = 1;
    GLuint fragmentShader =
        GlCompileShader(GL_FRAGMENT_SHADER, GlFragmentProgramSource(key), &scene->error);
    if (vertexShader == 0 || fragmentShader == 0)
        return scene;
    scene->program = GlLinkProgram(vertexShader, fragmentShader, false, &scene->error);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    if (scene->program == 0)
        return scene;
    scene->constants = glGetUniformLocation(scene->program, "c[0]");
    scene->sharedConstants = glGetUniformLocation(scene->program, "c[12]");
    const GLint fixup = glGetUniformLocation(scene->program, "uPositionFixup");
    glProgramUniform4f(scene->program, fixup, 1.0f / kWidth, -1.0f / kHeight, 0.0f, 0.0f);

    std::vector<ToonVertex> vertices;
    std::vector<uint16_t> indices;
    BuildCube(&vertices, &indices);
    scene->indexCount = static_cast<GLsizei>(indices.size());
    glCreateBuffers(2, scene->buffers);
    glNamedBufferStorage(scene->buffers[0], GLsizeiptr(vertices.size() * sizeof(ToonVertex)),
                         vertices.data(), 0);
    glNamedBufferStorage(scene->buffers[1], GLsizeiptr(indices.size() * 2), indices.data(), 0);
    glCreateVertexArrays(1, &scene->vertexArray);
    const struct {
        GLuint location;
        GLint size;
        GLenum type;
        GLboolean normalized;
        GLuint offset;
    } attributes[] = {{0, 3, GL_FLOAT, GL_FALSE, 0},
                      {3, 3, GL_FLOAT, GL_FALSE, 12},
                      {5, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 24},
                      {7, 2, GL_FLOAT, GL_FALSE, 28},
                      {8, 2, GL_FLOAT, GL_FALSE, 36}};
    for (const auto& a : attributes) {
        glEnableVertexArrayAttrib(scene->vertexArray, a.location);
        glVertexArrayAttribFormat(scene->vertexArray, a.location, a.size, a.type, a.normalized,
                                  a.offset);
        glVertexArrayAttribBinding(scene->vertexArray, a.location, 0);
    }
    glVertexArrayVertexBuffer(scene->vertexArray, 0, scene->buffers[0], 0, sizeof(ToonVertex));
    glVertexArrayElementBuffer(scene->vertexArray, scene->buffers[1]);

    scene->textures[0] = RawTexture(128, 128, 0xFF8080E0);
    scene->textures[1] = RawTexture(64, 64, 0xFFC0A080);
    scene->textures[2] = RawTexture(64, 64, 0xFF80A0C0);

    GlPixelBlock block;
    block.fogColor[0] = block.fogColor[1] = block.fogColor[2] = block.fogColor[3] = 1.0f;
    glCreateBuffers(1, &scene->pixelBlock);
    glNamedBufferStorage(scene->pixelBlock, sizeof block, &block, 0);

    glCreateRenderbuffers(2, scene->renderbuffers);
    glNamedRenderbufferStorage(scene->renderbuffers[0], GL_RGB565, kWidth, kHeight);
    glNamedRenderbufferStorage(scene->renderbuffers[1], GL_DEPTH_COMPONENT16, kWidth, kHeight);
    glCreateFramebuffers(1, &scene->framebuffer);
    glNamedFramebufferRenderbuffer(scene->framebuffer, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                   scene->renderbuffers[0]);
    glNamedFramebufferRenderbuffer(scene->framebuffer, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                   scene->renderbuffers[1]);
    return scene;
}

RawScene& Raw() {
    static RawScene* scene = BuildRawScene();
    return *scene;
}

void BM_ToonPiecesAsRawOpenGl(benchmark::State& state) {
    RawScene& scene = Raw();
    if (scene.program == 0) {
        state.SkipWithError(scene.error.c_str());
        return;
    }
    scene.window->MakeCurrent();
    // The fixed state, set once: what the device's cache leaves in place between pieces.
    glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glFrontFace(GL_CW);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, scene.framebuffer);
    glViewport(0, 0, kWidth, kHeight);
    glUseProgram(scene.program);
    glBindVertexArray(scene.vertexArray);
    glBindBufferBase(GL_UNIFORM_BUFFER, kPixelBlockBinding, scene.pixelBlock);
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat far = 1.0f;
    glClearNamedFramebufferfv(scene.framebuffer, GL_COLOR, 0, white);
    glClearNamedFramebufferfv(scene.framebuffer, GL_DEPTH, 0, &far);
    const std::vector<PieceConstants> pieces = MakePieceConstants();
    for (auto _ : state) {
        for (int i = 0; i < kPieces; ++i) {
            glProgramUniform4fv(scene.program, scene.constants, 8, pieces[i].registers[0]);
            glProgramUniform4fv(scene.program, scene.sharedConstants, 3, kShared[0]);
            glBindTextureUnit(0, scene.textures[0]);
            glBindTextureUnit(1, scene.textures[1 + (i & 1)]);
            glDrawElementsBaseVertex(GL_TRIANGLES, scene.indexCount, GL_UNSIGNED_SHORT, nullptr, 0);
        }
        glFinish();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kPieces);
    state.counters["glErrors"] = glGetError() != GL_NO_ERROR ? 1.0 : 0.0;
}
BENCHMARK(BM_ToonPiecesAsRawOpenGl);

}  // namespace

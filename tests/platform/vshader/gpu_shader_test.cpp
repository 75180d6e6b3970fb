// The five shipped vertex shaders on the GPU against the CPU interpreter, through the device's
// transform-feedback capture, with the register contracts the drawing code uploads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/system/d3dx_math.h"
#include "platform/d3dx/d3dx_shader.h"
#include "platform/vshader/vs_declaration.h"
#include "platform/vshader/vs_interpreter.h"
#include "platform/vshader/vs_program.h"
#include "render/vertex_declarations.h"
#include "tests/platform/d3d8/gpu_test_support.h"

namespace {

constexpr float kFogEnd = 20000.0f;
constexpr int kPaletteSlots = 28;

// A small deterministic generator for test data.
struct TestRandom {
    uint32_t state = 20240601u;
    float Next(float lo, float hi) {
        state = state * 1664525u + 1013904223u;
        return lo + (hi - lo) * static_cast<float>(state >> 8) / 16777216.0f;
    }
    unsigned Byte(unsigned limit) { return static_cast<unsigned>(Next(0.0f, float(limit))); }
};

// Three draws in x, y, z order.
D3DXVECTOR3 RandomVector(TestRandom* random, float lo, float hi) {
    D3DXVECTOR3 v;
    v.x = random->Next(lo, hi);
    v.y = random->Next(lo, hi);
    v.z = random->Next(lo, hi);
    return v;
}

void SetTransposed(D3DXVECTOR4* c, const D3DXMATRIX& m, int rows) {
    for (int r = 0; r < rows; ++r)
        c[r] = D3DXVECTOR4(m(0, r), m(1, r), m(2, r), m(3, r));
}

D3DXMATRIX Bone(float yaw, float pitch, float x, float y, float z) {
    D3DXMATRIX rotation, translation;
    D3DXMatrixRotationYawPitchRoll(&rotation, yaw, pitch, 0.0f);
    D3DXMatrixTranslation(&translation, x, y, z);
    return rotation * translation;
}

D3DXMATRIX Projection() {
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.8f, 4.0f / 3.0f, 1.0f, kFogEnd);
    return projection;
}

D3DXVECTOR4 UnitLight() {
    D3DXVECTOR4 light(0.5f, 0.9f, 0.5f, 0.0f);
    D3DXVec4Normalize(&light, &light);
    return light;
}

// c0, c1, c2-c5, c7 and a 28-slot palette of distinct bones, as skinned drawing uploads them.
void SkinConstants(D3DXVECTOR4* c) {
    c[0] = D3DXVECTOR4(1.0f, 0.5f, 0.0f, 765.01f);
    c[1] = UnitLight();
    SetTransposed(&c[2], Projection(), 4);
    c[7] = D3DXVECTOR4(-1.0f / kFogEnd, 1.0f, 0.0f, 0.0f);
    for (int j = 0; j < kPaletteSlots; ++j)
        SetTransposed(
            &c[9 + 3 * j],
            Bone(0.2f * j, 0.1f * (j % 5), 7.0f * j - 90.0f, 3.0f * (j % 7), 300.0f + 40.0f * j),
            3);
}

class GpuShaderTest : public GpuTest {
  protected:
    DWORD CreateFromResource(const char* name, const DWORD* declaration) {
        ID3DXBuffer* code = nullptr;
        EXPECT_EQ(D3DXAssembleShaderFromResource(name, 0, nullptr, &code, nullptr), D3D_OK);
        if (!code)
            return 0;
        DWORD handle = 0;
        EXPECT_EQ(m_pDevice->CreateVertexShader(
                      declaration, static_cast<const DWORD*>(code->GetBufferPointer()), &handle, 0),
                  D3D_OK)
            << name << ": " << m_pDevice->LastError();
        std::string error;
        EXPECT_EQ(DecodeVertexShader(static_cast<const DWORD*>(code->GetBufferPointer()),
                                     code->GetBufferSize() / sizeof(DWORD), &m_program, &error),
                  D3D_OK)
            << error;
        code->Release();
        return handle;
    }

    // Uploads the constants, binds the vertices to stream 0 and captures the GPU's outputs.
    std::vector<VsVertexOutput> Capture(DWORD shader, const D3DXVECTOR4* constants,
                                        const void* vertices, UINT count, UINT stride) {
        std::vector<VsVertexOutput> outputs;
        IDirect3DVertexBuffer8* buffer = nullptr;
        EXPECT_EQ(m_pDevice->CreateVertexBuffer(count * stride, 0, 0, D3DPOOL_MANAGED, &buffer),
                  D3D_OK);
        if (!buffer)
            return outputs;
        BYTE* bytes = nullptr;
        EXPECT_EQ(buffer->Lock(0, 0, &bytes, 0), D3D_OK);
        if (bytes)
            std::memcpy(bytes, vertices, count * stride);
        buffer->Unlock();
        EXPECT_EQ(m_pDevice->SetVertexShaderConstant(0, constants, kVsConstCount), D3D_OK);
        EXPECT_EQ(m_pDevice->SetVertexShader(shader), D3D_OK);
        EXPECT_EQ(m_pDevice->SetStreamSource(0, buffer, stride), D3D_OK);
        EXPECT_EQ(m_pDevice->BeginScene(), D3D_OK);
        EXPECT_EQ(m_pDevice->CaptureVertexOutputs(count, &outputs), D3D_OK)
            << m_pDevice->LastError();
        EXPECT_EQ(m_pDevice->EndScene(), D3D_OK);
        m_pDevice->SetStreamSource(0, nullptr, 0);
        buffer->Release();
        EXPECT_EQ(outputs.size(), count);
        return outputs;
    }

    // The interpreter on the same vertex bytes, read as the declaration delivers them.
    VsVertexOutput Reference(const DWORD* declarationTokens, const D3DXVECTOR4* constants,
                             const void* vertex) const {
        VsDeclaration declaration;
        EXPECT_EQ(ParseVertexDeclaration(declarationTokens, &declaration, nullptr), D3D_OK);
        D3DXVECTOR4 inputs[kVsInputCount];
        FetchVertexInputs(declaration, vertex, inputs);
        return RunVertexShader(m_program, inputs, constants);
    }

    VsProgram m_program;
};

void ExpectNear(const D3DXVECTOR4& gpu, const D3DXVECTOR4& cpu, float tolerance,
                const std::string& what) {
    const float a[4] = {gpu.x, gpu.y, gpu.z, gpu.w};
    const float b[4] = {cpu.x, cpu.y, cpu.z, cpu.w};
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(a[k], b[k], tolerance * (1.0f + std::fabs(b[k]))) << what << " component " << k;
}

void ExpectSameOutputs(const VsVertexOutput& gpu, const VsVertexOutput& cpu,
                       const std::string& what) {
    ExpectNear(gpu.position, cpu.position, 2.0e-5f, what + " position");
    ExpectNear(gpu.diffuse, cpu.diffuse, 1.0e-6f, what + " colour");
    EXPECT_NEAR(gpu.texCoord0.x, cpu.texCoord0.x, 2.0e-5f) << what << " ramp coordinate";
    EXPECT_NEAR(gpu.fog, cpu.fog, 2.0e-5f) << what << " fog";
    ExpectNear(gpu.texCoord1, cpu.texCoord1, 1.0e-6f, what + " texture coordinates");
}

TEST_F(GpuShaderTest, SkinningShadersMatchTheInterpreter) {
    D3DXVECTOR4 c[kVsConstCount];
    SkinConstants(c);
    TestRandom random;
    std::vector<SkinnedVertex> vertices(48);
    for (SkinnedVertex& v : vertices) {
        v.position = RandomVector(&random, -50.0f, 50.0f);
        v.weight = random.Next(0.0f, 1.0f);
        for (unsigned char& index : v.indices)
            index = static_cast<unsigned char>(random.Byte(28));
        v.normal = RandomVector(&random, -1.0f, 1.0f);
        v.colour = 0xFF000000u | random.Byte(0x1000000u);
        v.tex0.x = random.Next(0.0f, 1.0f);
        v.tex0.y = random.Next(0.0f, 1.0f);
        v.tex1.x = random.Next(0.0f, 1.0f);
        v.tex1.y = random.Next(0.0f, 1.0f);
    }
    vertices[0].weight = 1.0f;
    vertices[1].weight = 0.0f;
    for (const char* name : {"skinmesh1.vsh", "skinmesh2.vsh", "skinmesh3.vsh", "skinmesh4.vsh"}) {
        const DWORD shader = CreateFromResource(name, kSkinningDeclaration);
        const std::vector<VsVertexOutput> gpu =
            Capture(shader, c, vertices.data(), UINT(vertices.size()), sizeof(SkinnedVertex));
        for (size_t i = 0; i < gpu.size(); ++i)
            ExpectSameOutputs(gpu[i], Reference(kSkinningDeclaration, c, &vertices[i]),
                              std::string(name) + " vertex " + std::to_string(i));
    }
}

TEST_F(GpuShaderTest, BlendIndexBytesReachTheirPaletteSlotsOnTheGpu) {
    D3DXVECTOR4 c[kVsConstCount];
    SkinConstants(c);
    SetTransposed(&c[2], D3DXMATRIX(), 4);  // no projection: oPos is the bone's view position
    for (int j = 0; j < kPaletteSlots; ++j)
        SetTransposed(&c[9 + 3 * j], Bone(0.0f, 0.0f, 100.0f * (j + 1), 0.0f, 0.0f), 3);
    SkinnedVertex vertex = {{1.0f, 2.0f, 3.0f}, 0.0f,         {0, 1, 14, 27}, {0.0f, 1.0f, 0.0f},
                         0xFFFFFFFFu,        {0.0f, 0.0f}, {0.0f, 0.0f}};
    // With a weight of 0 the last influence carries everything: skinmesh N reads byte N.
    const char* const names[] = {"skinmesh1.vsh", "skinmesh2.vsh", "skinmesh3.vsh",
                                 "skinmesh4.vsh"};
    for (int n = 0; n < 4; ++n) {
        const DWORD shader = CreateFromResource(names[n], kSkinningDeclaration);
        const std::vector<VsVertexOutput> gpu = Capture(shader, c, &vertex, 1, sizeof(vertex));
        ASSERT_EQ(gpu.size(), 1u);
        EXPECT_NEAR(gpu[0].position.x, 1.0f + 100.0f * (vertex.indices[n] + 1), 1.0e-3f)
            << names[n];
        ExpectSameOutputs(gpu[0], Reference(kSkinningDeclaration, c, &vertex), names[n]);
    }
}

TEST_F(GpuShaderTest, ToonShaderMatchesTheInterpreter) {
    D3DXVECTOR4 c[kVsConstCount];
    D3DXMATRIX view;
    const D3DXVECTOR3 eye(30.0f, 80.0f, -400.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    const D3DXMATRIX world = Bone(0.6f, 0.2f, 12.0f, -5.0f, 40.0f);
    SetTransposed(&c[0], world * view * Projection(), 4);
    SetTransposed(&c[4], world * view, 4);
    c[12] = D3DXVECTOR4(0.0f, 0.5f, 1.0f, -1.0f);
    c[13] = UnitLight();
    c[14] = D3DXVECTOR4(-1.0f / kFogEnd, 1.0f, 0.0f, 0.0f);
    TestRandom random;
    std::vector<StaticVertex> vertices(48);
    for (StaticVertex& v : vertices) {
        v.position = RandomVector(&random, -100.0f, 100.0f);
        v.normal = RandomVector(&random, -2.0f, 2.0f);
        v.colour = random.Byte(0x1000000u) << 8 | random.Byte(256);
        v.tex0.x = random.Next(0.0f, 1.0f);
        v.tex0.y = random.Next(0.0f, 1.0f);
        v.tex1.x = random.Next(0.0f, 4.0f);
        v.tex1.y = random.Next(0.0f, 4.0f);
    }
    const DWORD shader = CreateFromResource("Toon.vsh", kToonDeclaration);
    const std::vector<VsVertexOutput> gpu =
        Capture(shader, c, vertices.data(), UINT(vertices.size()), sizeof(StaticVertex));
    for (size_t i = 0; i < gpu.size(); ++i)
        ExpectSameOutputs(gpu[i], Reference(kToonDeclaration, c, &vertices[i]),
                          "Toon.vsh vertex " + std::to_string(i));
}

}  // namespace

// The five shipped shader texts, run on the CPU interpreter with their register contracts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/system/d3dx_math.h"
#include "platform/d3dx/d3dx_shader.h"
#include "platform/vshader/vs_declaration.h"
#include "platform/vshader/vs_interpreter.h"
#include "platform/vshader/vs_program.h"
#include "render/vertex_declarations.h"

namespace {

const char* const kSkinShaders[] = {"skinmesh1.vsh", "skinmesh2.vsh", "skinmesh3.vsh",
                                    "skinmesh4.vsh"};
constexpr float kFogEnd = 20000.0f;

VsProgram LoadShader(const char* name) {
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    VsProgram program;
    const HRESULT hr = D3DXAssembleShaderFromResource(name, 0, nullptr, &code, &errors);
    EXPECT_EQ(hr, D3D_OK) << name << ": "
                          << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    if (errors)
        errors->Release();
    if (!code)
        return program;
    std::string error;
    EXPECT_EQ(DecodeVertexShader(static_cast<const DWORD*>(code->GetBufferPointer()),
                                 code->GetBufferSize() / sizeof(DWORD), &program, &error),
              D3D_OK)
        << name << ": " << error;
    code->Release();
    return program;
}

VsDeclaration Parse(const DWORD* tokens) {
    VsDeclaration declaration;
    std::string error;
    EXPECT_EQ(ParseVertexDeclaration(tokens, &declaration, &error), D3D_OK) << error;
    return declaration;
}

// Four registers holding the transpose of m (row r = column r of m), as the drawing code uploads.
void SetTransposed(D3DXVECTOR4* c, const D3DXMATRIX& m, int rows) {
    for (int r = 0; r < rows; ++r)
        c[r] = D3DXVECTOR4(m(0, r), m(1, r), m(2, r), m(3, r));
}

struct SkinSetup {
    D3DXVECTOR4 c[kVsConstCount];
    SkinSetup() {
        c[0] = D3DXVECTOR4(1.0f, 0.5f, 0.0f, 765.01f);
        c[1] = D3DXVECTOR4(0.0f, 1.0f, 0.0f, 0.0f);
        SetTransposed(&c[2], D3DXMATRIX(), 4);
        c[7] = D3DXVECTOR4(-1.0f / kFogEnd, kFogEnd / kFogEnd, 0.0f, 0.0f);
        for (int j = 0; j < 28; ++j)
            SetBone(j, D3DXMATRIX());
    }
    void SetBone(int slot, const D3DXMATRIX& m) { SetTransposed(&c[9 + 3 * slot], m, 3); }
};

SkinnedVertex MakeSkinnedVertex() {
    SkinnedVertex v = {{1.0f, 2.0f, 3.0f}, 1.0f,           {0, 0, 0, 0},  {0.0f, 1.0f, 0.0f},
                    0x80402010u,        {0.25f, 0.75f}, {0.5f, 0.125f}};
    return v;
}

VsVertexOutput RunSkin(const VsProgram& program, const SkinSetup& setup, const SkinnedVertex& vertex,
                       const D3DXVECTOR4* weights = nullptr) {
    static const VsDeclaration declaration = Parse(kSkinningDeclaration);
    D3DXVECTOR4 inputs[kVsInputCount];
    FetchVertexInputs(declaration, &vertex, inputs);
    if (weights)
        inputs[1] = *weights;
    return RunVertexShader(program, inputs, setup.c);
}

D3DXMATRIX Bone(float yaw, float x, float y, float z) {
    D3DXMATRIX rotation, translation;
    D3DXMatrixRotationY(&rotation, yaw);
    D3DXMatrixTranslation(&translation, x, y, z);
    return rotation * translation;
}

TEST(ShaderTexts, AllFiveAssembleWithTheirVersionsAndDeclarationsMatchTheVertices) {
    for (const char* name : kSkinShaders)
        EXPECT_EQ(LoadShader(name).minorVersion, 1u) << name;
    EXPECT_EQ(LoadShader("Toon.vsh").minorVersion, 0u);

    const VsDeclaration skin = Parse(kSkinningDeclaration);
    EXPECT_EQ(skin.stride, 52u);
    const UINT skinRegs[] = {0, 1, 2, 3, 5, 7, 8};
    const UINT skinOffsets[] = {0, 12, 16, 20, 32, 36, 44};
    ASSERT_EQ(skin.elements.size(), 7u);
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(skin.elements[i].reg, skinRegs[i]);
        EXPECT_EQ(skin.elements[i].offset, skinOffsets[i]);
    }
    const VsDeclaration toon = Parse(kToonDeclaration);
    EXPECT_EQ(toon.stride, 44u);
    ASSERT_EQ(toon.elements.size(), 5u);
    EXPECT_EQ(toon.elements[2].reg, 5u);
    EXPECT_EQ(toon.elements[2].type, D3DVSDT_D3DCOLOR);
    EXPECT_EQ(toon.elements[2].offset, 24u);
}

TEST(ShaderTexts, SkinningShadersMapLightToRampFogToDepthAndPassColourAndUv0) {
    const SkinSetup setup;
    for (const char* name : kSkinShaders) {
        const VsProgram program = LoadShader(name);
        SkinnedVertex vertex = MakeSkinnedVertex();
        vertex.position.z = 0.0f;
        VsVertexOutput out = RunSkin(program, setup, vertex);
        EXPECT_NEAR(out.texCoord0.x, 1.0f, 1.0e-6f) << name;  // N.L = 1: last ramp column
        EXPECT_NEAR(out.fog, 1.0f, 1.0e-6f) << name;          // depth 0
        EXPECT_EQ(out.diffuse,
                  D3DXVECTOR4(64.0f / 255.0f, 32.0f / 255.0f, 16.0f / 255.0f, 128.0f / 255.0f))
            << name;
        EXPECT_EQ(out.texCoord1, D3DXVECTOR4(0.25f, 0.75f, 0.0f, 1.0f)) << name;
        EXPECT_EQ(out.position, D3DXVECTOR4(1.0f, 2.0f, 0.0f, 1.0f)) << name;

        vertex.normal.y = -5.0f;  // not unit length: the shader normalises it
        vertex.position.z = kFogEnd;
        out = RunSkin(program, setup, vertex);
        EXPECT_NEAR(out.texCoord0.x, 0.0f, 1.0e-6f) << name;  // N.L = -1: first ramp column
        EXPECT_NEAR(out.fog, 0.0f, 1.0e-6f) << name;          // depth = fog end
    }
}

TEST(ShaderTexts, SkinMesh2WithASingleWeightOfOneLandsExactlyOnTheFirstBone) {
    SkinSetup setup;
    setup.SetBone(3, Bone(0.7f, 10.0f, -4.0f, 250.0f));
    setup.SetBone(5, Bone(-1.3f, -80.0f, 6.0f, 900.0f));
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.8f, 4.0f / 3.0f, 1.0f, kFogEnd);
    SetTransposed(&setup.c[2], projection, 4);
    SkinnedVertex vertex = MakeSkinnedVertex();
    vertex.indices[0] = 3;
    vertex.indices[1] = 5;
    const VsVertexOutput one = RunSkin(LoadShader("skinmesh1.vsh"), setup, vertex);
    const VsVertexOutput two = RunSkin(LoadShader("skinmesh2.vsh"), setup, vertex);
    EXPECT_EQ(two.position, one.position);
    EXPECT_EQ(two.texCoord0.x, one.texCoord0.x);

    D3DXVECTOR4 expected;
    const D3DXVECTOR3 p(1.0f, 2.0f, 3.0f);
    const D3DXMATRIX boneThenProjection = Bone(0.7f, 10.0f, -4.0f, 250.0f) * projection;
    D3DXVec3Transform(&expected, &p, &boneThenProjection);
    EXPECT_NEAR(two.position.x, expected.x, 1.0e-3f);
    EXPECT_NEAR(two.position.w, expected.w, 1.0e-3f);

    // A weight of 0.25 blends a quarter of the first bone with three quarters of the second.
    vertex.weight = 0.25f;
    const VsVertexOutput blend = RunSkin(LoadShader("skinmesh2.vsh"), setup, vertex);
    D3DXVECTOR4 second;
    const D3DXMATRIX other = Bone(-1.3f, -80.0f, 6.0f, 900.0f) * projection;
    D3DXVec3Transform(&second, &p, &other);
    EXPECT_NEAR(blend.position.x, 0.25f * expected.x + 0.75f * second.x, 1.0e-3f);
    EXPECT_NEAR(blend.position.w, 0.25f * expected.w + 0.75f * second.w, 1.0e-3f);
}

TEST(ShaderTexts, BlendIndexBytesAddressTheirPaletteSlotsUpToTheLastOfTwentyEight) {
    SkinSetup setup;
    for (int j = 0; j < 28; ++j)
        setup.SetBone(j, Bone(0.0f, 10.0f * (j + 1), 0.0f, 100.0f * j));
    const VsProgram program = LoadShader("skinmesh4.vsh");
    SkinnedVertex vertex = MakeSkinnedVertex();
    const unsigned char bytes[4] = {0, 1, 14, 27};
    std::memcpy(vertex.indices, bytes, 4);
    // One influence at a time carries all the weight; the fourth takes 1 - (x + y + z).
    const D3DXVECTOR4 weights[4] = {
        D3DXVECTOR4(1.0f, 0.0f, 0.0f, 0.0f), D3DXVECTOR4(0.0f, 1.0f, 0.0f, 0.0f),
        D3DXVECTOR4(0.0f, 0.0f, 1.0f, 0.0f), D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f)};
    for (int k = 0; k < 4; ++k) {
        const VsVertexOutput out = RunSkin(program, setup, vertex, &weights[k]);
        EXPECT_NEAR(out.position.x, 1.0f + 10.0f * (bytes[k] + 1), 1.0e-4f) << "influence " << k;
        // Fog always follows the last influence's bone: slot 27, depth 3 + 2700.
        EXPECT_NEAR(out.fog, 1.0f - 2703.0f / kFogEnd, 1.0e-6f);
    }
}

TEST(ShaderTexts, ToonMapsLightToRampFogToViewDepthAndPassesColourAndUv1) {
    const VsProgram program = LoadShader("Toon.vsh");
    const VsDeclaration declaration = Parse(kToonDeclaration);
    D3DXVECTOR4 c[kVsConstCount];
    D3DXMATRIX world = Bone(0.3f, 5.0f, 6.0f, 7.0f), view, projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.8f, 4.0f / 3.0f, 1.0f, kFogEnd);
    SetTransposed(&c[0], world * view * projection, 4);
    SetTransposed(&c[4], D3DXMATRIX(), 4);  // world x view = identity: depth is the model z
    c[12] = D3DXVECTOR4(0.0f, 0.5f, 1.0f, -1.0f);
    c[13] = D3DXVECTOR4(0.0f, 0.0f, 1.0f, 0.0f);
    c[14] = D3DXVECTOR4(-1.0f / kFogEnd, 1.0f, 0.0f, 0.0f);

    StaticVertex vertex = {
        {1.0f, -2.0f, 0.0f}, {0.0f, 0.0f, 3.0f}, 0xFF00FF80u, {9.0f, 9.0f}, {0.375f, 0.625f}};
    D3DXVECTOR4 inputs[kVsInputCount];
    FetchVertexInputs(declaration, &vertex, inputs);
    VsVertexOutput out = RunVertexShader(program, inputs, c);
    EXPECT_NEAR(out.texCoord0.x, 1.0f, 1.0e-6f);
    EXPECT_NEAR(out.fog, 1.0f, 1.0e-6f);
    EXPECT_EQ(out.diffuse, D3DXVECTOR4(0.0f, 1.0f, 128.0f / 255.0f, 1.0f));
    EXPECT_EQ(out.texCoord1, D3DXVECTOR4(0.375f, 0.625f, 0.0f, 1.0f));
    D3DXVECTOR4 expected;
    const D3DXVECTOR3 p(1.0f, -2.0f, 0.0f);
    const D3DXMATRIX wvp = world * view * projection;
    D3DXVec3Transform(&expected, &p, &wvp);
    EXPECT_NEAR(out.position.x, expected.x, 1.0e-4f);
    EXPECT_NEAR(out.position.y, expected.y, 1.0e-4f);
    EXPECT_NEAR(out.position.z, expected.z, 1.0e-4f);
    EXPECT_NEAR(out.position.w, expected.w, 1.0e-4f);

    vertex.normal.z = -0.5f;
    vertex.position.z = kFogEnd;
    FetchVertexInputs(declaration, &vertex, inputs);
    out = RunVertexShader(program, inputs, c);
    EXPECT_NEAR(out.texCoord0.x, 0.0f, 1.0e-6f);
    EXPECT_NEAR(out.fog, 0.0f, 1.0e-6f);
}

}  // namespace

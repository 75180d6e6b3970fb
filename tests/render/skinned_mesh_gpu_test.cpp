// SkinnedMesh on a headless device: the positions and ramp coordinates the skinning shader
// computes on the GPU (transform feedback) against the CPU interpreter of the same shader and
// an independent CPU skinning; drawn poses against a CPU-skinned reference drawn through
// "Toon.vsh"; a 42-bone model across several bone combinations; failed loads and rebuilds.
#include "render/skinned_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/trace_log.h"
#include "platform/d3dx/d3dx_shader.h"
#include "platform/image/png_writer.h"
#include "platform/vshader/vs_declaration.h"
#include "platform/vshader/vs_interpreter.h"
#include "platform/vshader/vs_program.h"
#include "render/vertex_declarations.h"
#include "tests/platform/d3d8/gpu_test_support.h"
#include "tests/platform/d3dx/skinned_x_text.h"

namespace {
constexpr UINT kSide = 256;
constexpr float kFogEnd = 20000.0f;

// Byte offsets of a plain mesh vertex (position first).
struct Layout {
    DWORD normal = 0, diffuse = 0, tex = 0;
    bool hasDiffuse = false, hasTex = false;
    explicit Layout(DWORD fvf) {
        DWORD at = 12;
        normal = at;
        at += 12;
        hasDiffuse = (fvf & D3DFVF_DIFFUSE) != 0;
        diffuse = at;
        if (hasDiffuse)
            at += 4;
        hasTex = (fvf & D3DFVF_TEXCOUNT_MASK) != 0;
        tex = at;
    }
};

// One vertex of the original mesh skinned on the CPU: sum of w * v * offset * combined, then
// view; the normal through the same matrices' 3x3 parts.
struct CpuVertex {
    D3DXVECTOR3 world, view, normal;  // normal in view space, not normalised
};

CpuVertex SkinOnCpu(const MeshContainer& c, const BYTE* vertex, DWORD v, const Layout& layout,
                    const D3DXMATRIX& view) {
    D3DXVECTOR3 p, n;
    std::memcpy(&p, vertex, 12);
    std::memcpy(&n, vertex + layout.normal, 12);
    CpuVertex out;
    out.world = out.normal = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    for (const SkinInfluence& in : c.m_pSkinMesh->GetVertexInfluences(v)) {
        const D3DXMATRIX m = c.m_pBoneOffsetMatrices[in.bone] * *c.m_ppBoneMatrices[in.bone];
        D3DXVECTOR3 q;
        D3DXVec3TransformCoord(&q, &p, &m);
        out.world = out.world + q * in.weight;
        const D3DXMATRIX mv = m * view;
        D3DXVec3TransformNormal(&q, &n, &mv);
        out.normal = out.normal + q * in.weight;
    }
    D3DXVec3TransformCoord(&out.view, &out.world, &view);
    return out;
}

const MeshContainer* FirstSkinned(const FrameNode* node) {
    for (; node; node = node->m_pSibling) {
        for (const MeshContainer* c = node->m_pMeshContainers; c; c = c->m_pNext)
            if (c->m_pSkinMesh)
                return c;
        if (const MeshContainer* c = FirstSkinned(node->m_pFirstChild))
            return c;
    }
    return nullptr;
}

D3DXMATRIX LookAt(const D3DXVECTOR3& eye, const D3DXVECTOR3& at) {
    D3DXMATRIX view;
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    return view;
}

D3DXMATRIX Perspective() {
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 1.0f, 1.0f, 200.0f);
    return projection;
}

class SkinnedMeshGpuTest : public GpuTest {
  protected:
    void SetUp() override {
        GpuTest::SetUp();
        CreateDevice(kSide, kSide);
        m_pDevice->GetDeviceCaps(&m_caps);
        // The saver's stage set-up: ramp x colour, then x texture; no fog, depth test on.
        m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
        m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        m_pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    }
    void TearDown() override {
        m_mesh.ReleaseDeviceObjects();
        m_mesh.DestroyObjects();
        GpuTest::TearDown();
    }

    void LoadResource(const char* name) {
        ASSERT_EQ(m_mesh.InitDeviceObjects(m_pDevice, m_caps, name), S_OK);
        ASSERT_NE(m_mesh.Selected(), nullptr) << m_mesh.LastError();
        ASSERT_EQ(m_mesh.RestoreDeviceObjects(), S_OK) << m_pDevice->LastError();
    }
    void LoadText(const std::string& text) {
        ASSERT_EQ(
            m_mesh.InitDeviceObjectsFromText(m_pDevice, m_caps, text.data(), text.size(), "TUBE.X"),
            S_OK);
        ASSERT_NE(m_mesh.Selected(), nullptr) << m_mesh.LastError();
        ASSERT_EQ(m_mesh.RestoreDeviceObjects(), S_OK) << m_pDevice->LastError();
    }

    RenderParams Params(const D3DXMATRIX& world, const D3DXMATRIX& view,
                        const D3DXMATRIX& projection) const {
        RenderParams p;
        p.matWorld = world;
        p.matView = view;
        p.matProjection = projection;
        p.vLight = D3DXVECTOR4(0.5f, 0.9f, 0.5f, 0.0f);
        p.fFogEnd = kFogEnd;
        return p;
    }

    GpuImage DrawSkinned(const RenderParams& params) {
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040u, 1.0f, 0);
        m_pDevice->BeginScene();
        EXPECT_EQ(m_mesh.Render(params), S_OK) << m_pDevice->LastError();
        m_pDevice->EndScene();
        return BackBuffer();
    }

    // The reference: every skinned container skinned on the CPU into world space, drawn
    // through "Toon.vsh" at the identity, with the normal in view space and the light in the
    // model's space, as the skinning shader combines them.
    GpuImage DrawCpuReference(const RenderParams& params) {
        ID3DXBuffer* code = nullptr;
        EXPECT_EQ(D3DXAssembleShaderFromResource("Toon.vsh", 0, nullptr, &code, nullptr), S_OK);
        DWORD shader = 0;
        EXPECT_EQ(
            m_pDevice->CreateVertexShader(
                kToonDeclaration, static_cast<const DWORD*>(code->GetBufferPointer()), &shader, 0),
            S_OK);
        code->Release();
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040u, 1.0f, 0);
        m_pDevice->BeginScene();
        m_mesh.UpdateFrames(params.matWorld);
        D3DXVECTOR4 c[15];
        const D3DXMATRIX vp = params.matView * params.matProjection;
        for (int r = 0; r < 4; ++r) {
            c[r] = D3DXVECTOR4(vp(0, r), vp(1, r), vp(2, r), vp(3, r));
            c[4 + r] = D3DXVECTOR4(params.matView(0, r), params.matView(1, r), params.matView(2, r),
                                   params.matView(3, r));
        }
        c[12] = D3DXVECTOR4(0.0f, 0.5f, 1.0f, -1.0f);
        D3DXMATRIX inverse;
        D3DXMatrixInverse(&inverse, nullptr, &params.matWorld);
        D3DXVec4Transform(&c[13], &params.vLight, &inverse);
        D3DXVec4Normalize(&c[13], &c[13]);
        c[14] = D3DXVECTOR4(-1.0f / kFogEnd, 1.0f, 0.0f, 0.0f);
        m_pDevice->SetVertexShaderConstant(0, c, 15);
        m_pDevice->SetVertexShader(shader);
        const MeshContainer* container = FirstSkinned(m_mesh.Selected()->m_pRoot);
        ID3DXMesh* original = nullptr;
        container->m_pSkinMesh->GetOriginalMesh(&original);
        const Layout layout(original->GetFVF());
        std::vector<StaticVertex> vertices(original->GetNumVertices());
        BYTE* data = nullptr;
        original->LockVertexBuffer(D3DLOCK_READONLY, &data);
        for (DWORD v = 0; v < original->GetNumVertices(); ++v) {
            const BYTE* src = data + v * original->GetNumBytesPerVertex();
            const CpuVertex s = SkinOnCpu(*container, src, v, layout, params.matView);
            vertices[v].position = s.world;
            vertices[v].normal = s.normal;
            if (layout.hasDiffuse)
                std::memcpy(&vertices[v].colour, src + layout.diffuse, 4);
            if (layout.hasTex)
                std::memcpy(&vertices[v].tex1, src + layout.tex, 8);  // Toon.vsh reads v8
        }
        original->UnlockVertexBuffer();
        IDirect3DVertexBuffer8* vb = nullptr;
        IDirect3DIndexBuffer8* ib = nullptr;
        m_pDevice->CreateVertexBuffer(UINT(vertices.size() * sizeof(StaticVertex)), 0, 0,
                                      D3DPOOL_MANAGED, &vb);
        BYTE* out = nullptr;
        vb->Lock(0, 0, &out, 0);
        std::memcpy(out, vertices.data(), vertices.size() * sizeof(StaticVertex));
        vb->Unlock();
        m_pDevice->CreateIndexBuffer(original->GetNumFaces() * 6, 0, D3DFMT_INDEX16,
                                     D3DPOOL_MANAGED, &ib);
        original->LockIndexBuffer(D3DLOCK_READONLY, &data);
        ib->Lock(0, 0, &out, 0);
        std::memcpy(out, data, original->GetNumFaces() * 6);
        ib->Unlock();
        original->UnlockIndexBuffer();
        m_pDevice->SetStreamSource(0, vb, sizeof(StaticVertex));
        m_pDevice->SetIndices(ib, 0);
        m_pDevice->SetTexture(0, m_mesh.ToonRamp());
        m_pDevice->SetTexture(1, container->m_ppTextures[0]);
        EXPECT_EQ(m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, original->GetNumVertices(),
                                                  0, original->GetNumFaces()),
                  S_OK)
            << m_pDevice->LastError();
        m_pDevice->EndScene();
        m_pDevice->SetTexture(0, nullptr);
        m_pDevice->SetTexture(1, nullptr);
        m_pDevice->SetStreamSource(0, nullptr, 0);
        m_pDevice->SetIndices(nullptr, 0);
        vb->Release();
        ib->Release();
        original->Release();
        m_pDevice->DeleteVertexShader(shader);
        return BackBuffer();
    }

    // Pixels that differ by more than tolerance in a channel; on failure the caller writes both.
    static size_t Differing(const GpuImage& a, const GpuImage& b, int tolerance, size_t* covered) {
        size_t count = 0;
        *covered = 0;
        for (UINT y = 0; y < a.height; ++y)
            for (UINT x = 0; x < a.width; ++x) {
                if (b.At(x, y) != 0xFF203040u)
                    ++*covered;
                if (!ColorsNear(a.At(x, y), b.At(x, y), tolerance))
                    ++count;
            }
        return count;
    }

    void ExpectImagesAgree(const GpuImage& skinned, const GpuImage& reference, const char* label) {
        size_t covered = 0;
        const size_t differing = Differing(skinned, reference, 6, &covered);
        EXPECT_GT(covered, 1500u) << label << ": the model should fill part of the view";
        // Rasterisation may flip a few silhouette pixels between two float paths, no more.
        EXPECT_LE(differing, covered / 200 + 4) << label << ": " << differing << " of " << covered;
        if (differing > covered / 200 + 4 || covered <= 1500u) {
            std::string error;
            const std::string folder = std::string(VELMORA_BINARY_DIR) + "/gpu_failures";
            std::filesystem::create_directories(folder);
            const std::string base = folder + "/" + label;
            WritePng(base + "_skinned.png", skinned.rgba.data(), kSide, kSide, &error);
            WritePng(base + "_reference.png", reference.rgba.data(), kSide, kSide, &error);
        }
    }

    D3DCAPS8 m_caps;
    SkinnedMesh m_mesh;
};

D3DXMATRIX BirdWorld(float scale) {
    D3DXMATRIX s, r, t;
    D3DXMatrixScaling(&s, scale, scale, scale);
    D3DXMatrixRotationYawPitchRoll(&r, 0.6f, 0.3f, 0.1f);
    D3DXMatrixTranslation(&t, 1.0f, -0.5f, 2.0f);
    return s * r * t;
}

TEST_F(SkinnedMeshGpuTest, TheGpuSkinsABirdAsTheInterpreterAndAnIndependentCpuSkinningDo) {
    LoadResource("BIRDSKINNED01.X");
    m_mesh.PoseAt(30000.0f);  // wings well away from their rest
    const D3DXMATRIX view = LookAt(D3DXVECTOR3(-6.0f, 4.0f, -14.0f), D3DXVECTOR3(1, -0.5f, 2));
    const MeshContainer* container = FirstSkinned(m_mesh.Selected()->m_pRoot);
    ASSERT_NE(container, nullptr);
    ASSERT_EQ(container->m_dwGroupCount, 1u);  // so the palette left in c9.. serves every vertex
    ASSERT_EQ(container->m_dwInfluences, 2u);

    ID3DXBuffer* code = nullptr;
    ASSERT_EQ(D3DXAssembleShaderFromResource("skinmesh2.vsh", 0, nullptr, &code, nullptr), S_OK);
    VsProgram program;
    std::string error;
    ASSERT_EQ(DecodeVertexShader(static_cast<const DWORD*>(code->GetBufferPointer()),
                                 code->GetBufferSize() / sizeof(DWORD), &program, &error),
              S_OK)
        << error;
    code->Release();
    VsDeclaration declaration;
    ASSERT_EQ(ParseVertexDeclaration(kSkinningDeclaration, &declaration, nullptr), S_OK);

    ID3DXMesh* blended = container->m_pMesh;
    ID3DXMesh* original = nullptr;
    container->m_pSkinMesh->GetOriginalMesh(&original);
    const Layout layout(original->GetFVF());
    BYTE *blendedData = nullptr, *originalData = nullptr;
    blended->LockVertexBuffer(D3DLOCK_READONLY, &blendedData);
    original->LockVertexBuffer(D3DLOCK_READONLY, &originalData);
    // Blended vertex -> the original vertex with the same position and normal.
    std::map<std::vector<BYTE>, DWORD> byAttributes;
    for (DWORD v = 0; v < original->GetNumVertices(); ++v) {
        const BYTE* src = originalData + v * original->GetNumBytesPerVertex();
        std::vector<BYTE> key(src, src + 12);
        key.insert(key.end(), src + layout.normal, src + layout.normal + 12);
        byAttributes.emplace(key, v);
    }

    std::vector<float> ramp[2];
    for (int pass = 0; pass < 2; ++pass) {
        // The second pass draws the bird three times as large: the shading must not change.
        const RenderParams params = Params(BirdWorld(pass == 0 ? 1.0f : 3.0f), view, D3DXMATRIX());
        DrawSkinned(params);  // identity projection: oPos is the view-space position
        IDirect3DVertexBuffer8* vb = nullptr;
        ASSERT_EQ(blended->GetVertexBuffer(&vb), S_OK);
        m_pDevice->SetStreamSource(0, vb, blended->GetNumBytesPerVertex());
        vb->Release();
        m_pDevice->SetVertexShader(m_mesh.ShaderHandle(2));
        std::vector<VsVertexOutput> gpu;
        m_pDevice->BeginScene();
        ASSERT_EQ(m_pDevice->CaptureVertexOutputs(blended->GetNumVertices(), &gpu), S_OK)
            << m_pDevice->LastError();
        m_pDevice->EndScene();
        ASSERT_EQ(gpu.size(), blended->GetNumVertices());
        D3DXVECTOR4 constants[kVsConstCount];
        ASSERT_EQ(m_pDevice->GetVertexShaderConstant(0, constants, kVsConstCount), S_OK);
        const D3DXVECTOR4 light = constants[1];

        for (DWORD v = 0; v < blended->GetNumVertices(); ++v) {
            const BYTE* vertex = blendedData + v * blended->GetNumBytesPerVertex();
            D3DXVECTOR4 inputs[kVsInputCount];
            FetchVertexInputs(declaration, vertex, inputs);
            const VsVertexOutput cpu = RunVertexShader(program, inputs, constants);
            std::vector<BYTE> key(vertex, vertex + 12);
            key.insert(key.end(), vertex + 20, vertex + 32);
            ASSERT_EQ(byAttributes.count(key), 1u) << "vertex " << v;
            const DWORD o = byAttributes[key];
            const CpuVertex s = SkinOnCpu(
                *container, originalData + o * original->GetNumBytesPerVertex(), o, layout, view);
            const float g[3] = {gpu[v].position.x, gpu[v].position.y, gpu[v].position.z};
            const float i[3] = {cpu.position.x, cpu.position.y, cpu.position.z};
            const float e[3] = {s.view.x, s.view.y, s.view.z};
            const float length = D3DXVec3Length(&s.view);
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(g[k], e[k], 1e-4f * length) << "vertex " << v << " axis " << k;
                EXPECT_NEAR(i[k], e[k], 1e-4f * length) << "vertex " << v << " axis " << k;
            }
            D3DXVECTOR3 n = s.normal;
            D3DXVec3Normalize(&n, &n);
            const float u = (n.x * light.x + n.y * light.y + n.z * light.z + 1.0f) * 0.5f;
            EXPECT_NEAR(gpu[v].texCoord0.x, u, 1e-4f) << "vertex " << v;
            EXPECT_NEAR(cpu.texCoord0.x, u, 1e-4f) << "vertex " << v;
            ramp[pass].push_back(gpu[v].texCoord0.x);
        }
    }
    for (size_t v = 0; v < ramp[0].size(); ++v)
        EXPECT_NEAR(ramp[0][v], ramp[1][v], 1e-4f) << "vertex " << v << " shaded by its scale";
    original->UnlockVertexBuffer();
    blended->UnlockVertexBuffer();
    original->Release();
}

TEST_F(SkinnedMeshGpuTest, DrawnPosesMatchTheCpuSkinnedReference) {
    LoadResource("BIRDSKINNED01.X");
    const D3DXMATRIX view = LookAt(D3DXVECTOR3(-1.0f, 2.0f, -4.0f), D3DXVECTOR3(1, -0.5f, 2));
    for (float t : {0.0f, 30000.0f, 61000.0f}) {
        m_mesh.PoseAt(t);
        const RenderParams params = Params(BirdWorld(1.0f), view, Perspective());
        const GpuImage skinned = DrawSkinned(params);
        const GpuImage reference = DrawCpuReference(params);
        ExpectImagesAgree(skinned, reference, ("bird_t" + std::to_string(int(t))).c_str());
    }
}

TEST_F(SkinnedMeshGpuTest, AFortyTwoBoneTubeDrawsAcrossItsCombinationsAsTheCpuReference) {
    LoadText(skintest::TubeModel(42, true, 1.5));
    const MeshContainer* container = FirstSkinned(m_mesh.Selected()->m_pRoot);
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(container->m_dwPaletteSize, 28u);
    EXPECT_GE(container->m_dwGroupCount, 2u);
    m_mesh.PoseAt(2400.0f);  // every bone bent to its key
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 0.0f, 0.0f, -21.0f);
    const D3DXMATRIX view = LookAt(D3DXVECTOR3(-45.0f, 20.0f, -10.0f), D3DXVECTOR3(0, 0, 0));
    RenderParams params = Params(world, view, Perspective());
    const GpuImage skinned = DrawSkinned(params);
    ExpectImagesAgree(skinned, DrawCpuReference(params), "tube42");
    // Released blended meshes are rebuilt at the next draw and draw the same.
    m_mesh.ReleaseDeviceObjects();
    EXPECT_EQ(container->m_pMesh, nullptr);
    EXPECT_EQ(container->m_dwMethodUsed, kMethodNotBuilt);
    ASSERT_EQ(m_mesh.RestoreDeviceObjects(), S_OK);
    EXPECT_TRUE(ImagesMatch(DrawSkinned(params), skinned, 0, "tube42_rebuilt"));
}

TEST_F(SkinnedMeshGpuTest, AModelThatFailsToLoadDrawsNothingAndTheSetUpStillSucceeds) {
    const size_t traced = g_traceLog.Length();
    EXPECT_EQ(m_mesh.InitDeviceObjects(m_pDevice, m_caps, "NO_SUCH_MODEL.X"), S_OK);
    EXPECT_EQ(m_mesh.Selected(), nullptr);
    EXPECT_NE(m_mesh.ToonRamp(), nullptr);
    const std::string trace = g_traceLog.Text() + traced;
    EXPECT_EQ(trace.find("\t\tCreateEnumObject...\n\t\tFailed\nSkinnedMesh Loading Failed...-"), 0u)
        << trace;
    EXPECT_NE(trace.find("\t\tD3DXCreateTextureFromResource...\n"), std::string::npos);
    ASSERT_EQ(m_mesh.RestoreDeviceObjects(), S_OK);
    const GpuImage drawn = DrawSkinned(Params(D3DXMATRIX(), D3DXMATRIX(), Perspective()));
    EXPECT_TRUE(PixelNear(drawn, kSide / 2, kSide / 2, 0xFF203040u, 0));
}

TEST_F(SkinnedMeshGpuTest, TwoPlacementsInOneFrameDrawTheSamePoseTwice) {
    LoadResource("BIRDSKINNED02.X");
    m_mesh.PoseAt(12000.0f);
    const D3DXMATRIX view = LookAt(D3DXVECTOR3(0.0f, 12.0f, -16.0f), D3DXVECTOR3(0, 0, 0));
    D3DXMATRIX left, right;
    D3DXMatrixTranslation(&left, -4.0f, 0.0f, 0.0f);
    D3DXMatrixTranslation(&right, 4.0f, 0.0f, 0.0f);
    const GpuImage leftOnly = DrawSkinned(Params(left, view, Perspective()));
    const GpuImage rightOnly = DrawSkinned(Params(right, view, Perspective()));
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040u, 1.0f, 0);
    m_pDevice->BeginScene();
    EXPECT_EQ(m_mesh.Render(Params(left, view, Perspective())), S_OK);
    EXPECT_EQ(m_mesh.Render(Params(right, view, Perspective())), S_OK);
    m_pDevice->EndScene();
    const GpuImage both = BackBuffer();
    size_t leftPixels = 0, rightPixels = 0;
    for (UINT y = 0; y < kSide; ++y)
        for (UINT x = 0; x < kSide; ++x) {
            const bool l = leftOnly.At(x, y) != 0xFF203040u;
            const bool r = rightOnly.At(x, y) != 0xFF203040u;
            ASSERT_FALSE(l && r) << "the placements overlap at " << x << ", " << y;
            leftPixels += l && x < kSide / 2;
            rightPixels += r && x >= kSide / 2;
            const D3DCOLOR expected = l ? leftOnly.At(x, y) : rightOnly.At(x, y);
            ASSERT_EQ(both.At(x, y), expected) << x << ", " << y;
        }
    EXPECT_GT(leftPixels, 300u);
    EXPECT_GT(rightPixels, 300u);
}

}  // namespace

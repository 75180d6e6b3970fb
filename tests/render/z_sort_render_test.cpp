// ZSortRender: the fixed queue and its sort, and on a headless device the ramp by the night
// setting, the shader's life, the constants per entry, ranges by attribute id, the draw order,
// and a model drawn through the queue.
#include "render/z_sort_render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "app/trace_log.h"
#include "tests/platform/d3d8/gpu_test_support.h"
#include "world/mesh_model.h"
#include "world/model_instance.h"

namespace {
constexpr D3DCOLOR kRed = 0xFFFF0000u;
constexpr D3DCOLOR kGreen = 0xFF00FF00u;
constexpr D3DCOLOR kGrey = 0xFF404040u;

struct StaticVertex {
    D3DXVECTOR3 position, normal;
    D3DCOLOR colour;
    float u0, v0, u1, v1;
};

std::unique_ptr<ZSortRender> MakeRenderer() {
    return std::make_unique<ZSortRender>();
}

void EnqueueAt(ZSortRender* renderer, const D3DXVECTOR3& position, DWORD tag) {
    D3DXMATRIX world;
    world._41 = static_cast<float>(tag);  // tells entries apart after sorting
    renderer->Enqueue(nullptr, nullptr, nullptr, world, position, nullptr, nullptr, 0);
}

D3DXVECTOR4 ReadConstant(IDirect3DDevice8* device, DWORD reg) {
    D3DXVECTOR4 v;
    device->GetVertexShaderConstant(reg, &v, 1);
    return v;
}

void ExpectNear(const D3DXVECTOR4& a, const D3DXVECTOR4& b, float tolerance, const char* what) {
    EXPECT_NEAR(a.x, b.x, tolerance) << what;
    EXPECT_NEAR(a.y, b.y, tolerance) << what;
    EXPECT_NEAR(a.z, b.z, tolerance) << what;
    EXPECT_NEAR(a.w, b.w, tolerance) << what;
}
}  // namespace

TEST(ZSortQueue, AFullQueueDropsFurtherPiecesYetEnqueueSucceeds) {
    auto renderer = MakeRenderer();
    for (DWORD i = 0; i < kZSortCapacity; ++i)
        EnqueueAt(renderer.get(), {0, 0, 0}, i);
    D3DXMATRIX world;
    EXPECT_EQ(renderer->Enqueue(nullptr, nullptr, nullptr, world, {9, 9, 9}, nullptr, nullptr, 1),
              S_OK);
    EXPECT_EQ(renderer->Count(), kZSortCapacity);
    EXPECT_EQ(renderer->Entry(kZSortCapacity - 1).m_matWorld._41, 999.0f);
}

TEST(ZSortQueue, TheTearDownEmptiesPiecesQueuedAfterTheLastDraw) {
    auto renderer = MakeRenderer();
    EnqueueAt(renderer.get(), {0, 0, 0}, 1);
    renderer->DestroyObjects();
    EXPECT_EQ(renderer->Count(), 0u);
    EXPECT_EQ(renderer->Entry(0).m_pVertexBuffer, nullptr);
}

TEST(ZSortQueue, SortOrdersEntriesByAscendingKeyAlongTheDirection) {
    auto renderer = MakeRenderer();
    const float depths[] = {5, -2, 7, 0, 3, 3.5f};
    for (DWORD i = 0; i < 6; ++i)
        EnqueueAt(renderer.get(), {1.0f, 0.0f, depths[i]}, i);
    renderer->Sort(0, 0, 1);
    for (DWORD i = 1; i < 6; ++i)
        EXPECT_LE(renderer->Entry(i - 1).m_vSortPosition.z, renderer->Entry(i).m_vSortPosition.z);
    EXPECT_EQ(renderer->Entry(0).m_matWorld._41, 1.0f);
    renderer->Sort(0, 0, -2);
    EXPECT_EQ(renderer->Entry(0).m_matWorld._41, 2.0f) << "the largest depth has the least key";

    renderer->Clear();
    EnqueueAt(renderer.get(), {1, 2, 3}, 42);
    renderer->Sort(1, 1, 1);
    EXPECT_EQ(renderer->Entry(0).m_matWorld._41, 42.0f);
}

TEST(ZSortQueue, APositionThatIsNotANumberSortsLastAndBreaksNothing) {
    auto renderer = MakeRenderer();
    for (DWORD i = 0; i < 200; ++i)
        EnqueueAt(renderer.get(), {0, 0, i % 7 == 0 ? NAN : static_cast<float>(i % 13)}, i);
    renderer->Sort(0, 0, 1);
    ASSERT_EQ(renderer->Count(), 200u);
    bool seenNan = false;
    for (DWORD i = 0; i < 200; ++i) {
        const float z = renderer->Entry(i).m_vSortPosition.z;
        if (std::isnan(z)) {
            seenNan = true;
            continue;
        }
        EXPECT_FALSE(seenNan) << "a number after a NaN at " << i;
        if (i > 0) {
            EXPECT_LE(renderer->Entry(i - 1).m_vSortPosition.z, z);
        }
    }
}

namespace {
class ZSortGpu : public GpuTest {
  protected:
    void SetUp() override {
        GpuTest::SetUp();
        g_traceLog = TraceLog(".");
        m_renderer = MakeRenderer();
    }
    void TearDown() override {
        m_renderer->ReleaseDeviceObjects(m_pDevice);
        m_renderer->DestroyObjects();
        for (IDirect3DVertexBuffer8* b : m_vertexBuffers)
            b->Release();
        if (m_pIndices)
            m_pIndices->Release();
        GpuTest::TearDown();
    }

    void Start(int32_t night = 0) {
        SaverSettings settings;
        settings.night = night;
        ASSERT_EQ(m_renderer->InitDeviceObjects(m_pDevice, settings), S_OK);
        ASSERT_EQ(m_renderer->RestoreDeviceObjects(m_pDevice), S_OK);
    }

    // A quad over the whole clip square at depth 0.5 facing -z, in one colour; 4 vertices.
    IDirect3DVertexBuffer8* Quad(D3DCOLOR colour) {
        std::vector<StaticVertex> v(4);
        for (int k = 0; k < 4; ++k)
            v[k] = {{(k & 1) ? 1.0f : -1.0f, (k & 2) ? 1.0f : -1.0f, 0.5f},
                    {0, 0, -1},
                    colour,
                    0,
                    0,
                    0,
                    0};
        IDirect3DVertexBuffer8* buffer = nullptr;
        EXPECT_EQ(
            m_pDevice->CreateVertexBuffer(4 * 44, 0, kStaticVertexFvf, D3DPOOL_MANAGED, &buffer),
            D3D_OK);
        BYTE* data = nullptr;
        buffer->Lock(0, 0, &data, 0);
        std::memcpy(data, v.data(), 4 * 44);
        buffer->Unlock();
        m_vertexBuffers.push_back(buffer);
        if (!m_pIndices) {
            const WORD indices[6] = {0, 2, 3, 0, 3, 1};
            m_pDevice->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &m_pIndices);
            m_pIndices->Lock(0, 0, &data, 0);
            std::memcpy(data, indices, sizeof indices);
            m_pIndices->Unlock();
        }
        return buffer;
    }

    // Ramp x vertex colour, no depth test or culling: the last piece drawn covers the others.
    void FlatStates() {
        m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        m_pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    }

    D3DCOLOR DrawAndSample(const D3DXVECTOR3& direction) {
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kGrey, 1.0f, 0);
        m_pDevice->BeginScene();
        m_renderer->Sort(direction.x, direction.y, direction.z);
        // The light along the quads' normal: N.L = 1 samples the ramp's white end.
        m_renderer->Render(m_pDevice, D3DXMATRIX(), D3DXMATRIX(), {0, 0, -1, 0}, 20000.0f);
        m_pDevice->EndScene();
        return BackBuffer().At(32, 32);
    }

    std::unique_ptr<ZSortRender> m_renderer;
    std::vector<IDirect3DVertexBuffer8*> m_vertexBuffers;
    IDirect3DIndexBuffer8* m_pIndices = nullptr;
    D3DXATTRIBUTERANGE m_range{0, 0, 2, 0, 4};
};

// The colour of texel (x, 0) of level 0 of a texture, as 0xAARRGGBB.
D3DCOLOR Texel(IDirect3DTexture8* texture, UINT x) {
    D3DLOCKED_RECT locked;
    if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)))
        return 0;
    D3DCOLOR c = 0;
    std::memcpy(&c, static_cast<const BYTE*>(locked.pBits) + 4 * x, 4);
    texture->UnlockRect(0);
    return c | 0xFF000000u;
}
}  // namespace

TEST_F(ZSortGpu, TheRampIsTheNightRampForAnyNonZeroNightSetting) {
    for (int32_t night : {0, 1, 7}) {
        g_traceLog = TraceLog(".");
        SaverSettings settings;
        settings.night = night;
        ASSERT_EQ(m_renderer->InitDeviceObjects(m_pDevice, settings), S_OK);
        EXPECT_STREQ(g_traceLog.Text(), "\t\tD3DXCreateTextureFromResource...\n");
        const D3DCOLOR first = Texel(m_renderer->ToonRamp(), 0);
        EXPECT_EQ(first, night ? 0xFF000000u : 0xFF5D5DDDu) << "night " << night;
        m_renderer->DestroyObjects();
        EXPECT_EQ(m_renderer->ToonRamp(), nullptr);
    }
}

TEST_F(ZSortGpu, RestoreCreatesTheToonShaderAndReleaseDeletesItOnce) {
    Start();
    EXPECT_STREQ(g_traceLog.Text(),
                 "\t\tD3DXCreateTextureFromResource...\n"
                 "\t\tD3DXAssembleShaderFromResource...\n"
                 "\t\tCreateVertexShader...\n");
    const DWORD handle = m_renderer->ShaderHandle();
    ASSERT_NE(handle, kNoVertexShader);
    EXPECT_EQ(m_pDevice->SetVertexShader(handle), D3D_OK);
    EXPECT_EQ(m_renderer->ReleaseDeviceObjects(m_pDevice), S_OK);
    EXPECT_EQ(m_renderer->ShaderHandle(), kNoVertexShader);
    EXPECT_NE(m_pDevice->SetVertexShader(handle), D3D_OK) << "the shader is gone";
    EXPECT_EQ(m_renderer->ReleaseDeviceObjects(m_pDevice), S_OK);
    EXPECT_EQ(m_renderer->ShaderHandle(), kNoVertexShader);
}

TEST_F(ZSortGpu, EntriesAreDrawnInAscendingKeyOrder) {
    Start();
    FlatStates();
    // Queued green first, red second; red lies further along +z.
    IDirect3DVertexBuffer8* green = Quad(kGreen);
    IDirect3DVertexBuffer8* red = Quad(kRed);
    m_renderer->Enqueue(green, m_pIndices, &m_range, D3DXMATRIX(), {0, 0, 1}, nullptr, nullptr, 1);
    m_renderer->Enqueue(red, m_pIndices, &m_range, D3DXMATRIX(), {0, 0, 2}, nullptr, nullptr, 1);
    EXPECT_TRUE(ColorsNear(DrawAndSample({0, 0, 1}), kRed, 8)) << "red has the larger key";
    EXPECT_TRUE(ColorsNear(DrawAndSample({0, 0, -1}), kGreen, 8)) << "now green has";
}

TEST_F(ZSortGpu, TheThousandAndFirstPieceIsNotDrawn) {
    Start();
    FlatStates();
    IDirect3DVertexBuffer8* quad = Quad(kGreen);
    for (DWORD i = 0; i < kZSortCapacity; ++i)
        m_renderer->Enqueue(quad, m_pIndices, &m_range, D3DXMATRIX(), {0, 0, 0}, nullptr, nullptr,
                            1);
    // The last one queued would cover everything in red, and sorts last.
    IDirect3DVertexBuffer8* red = Quad(kRed);
    EXPECT_EQ(m_renderer->Enqueue(red, m_pIndices, &m_range, D3DXMATRIX(), {0, 0, 5}, nullptr,
                                  nullptr, 1),
              S_OK);
    m_pDevice->ResetCounters();
    EXPECT_TRUE(ColorsNear(DrawAndSample({0, 0, 1}), kGreen, 8));
    EXPECT_EQ(m_pDevice->Counters().draws, kZSortCapacity);
}

TEST_F(ZSortGpu, EachEntryUploadsItsTransformsLightAndFogConstants) {
    Start();
    D3DXMATRIX world, view, projection, turn, wv, wvp, expected;
    D3DXMatrixRotationY(&turn, 0.7f);
    D3DXMatrixTranslation(&world, 3, -2, 9);
    world = turn * world;
    world._11 *= 2.0f;
    const D3DXVECTOR3 eye(1, 2, -30), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 0.9f, 1.0f, 1.0f, 500.0f);
    const D3DXVECTOR4 light(0.5f, 0.9f, 0.5f, 0.0f);
    IDirect3DVertexBuffer8* quad = Quad(kGreen);
    m_renderer->Enqueue(quad, m_pIndices, &m_range, world, {0, 0, 0}, nullptr, nullptr, 1);
    m_renderer->Render(m_pDevice, view, projection, light, 2000.0f);

    wv = world * view;
    wvp = wv * projection;
    D3DXMatrixTranspose(&expected, &wvp);
    for (DWORD r = 0; r < 4; ++r) {
        const D3DXVECTOR4 row(expected(r, 0), expected(r, 1), expected(r, 2), expected(r, 3));
        ExpectNear(ReadConstant(m_pDevice, r), row, 1e-4f, "c0-c3");
    }
    D3DXMatrixTranspose(&expected, &wv);
    for (DWORD r = 0; r < 4; ++r) {
        const D3DXVECTOR4 row(expected(r, 0), expected(r, 1), expected(r, 2), expected(r, 3));
        ExpectNear(ReadConstant(m_pDevice, 4 + r), row, 1e-4f, "c4-c7");
    }
    ExpectNear(ReadConstant(m_pDevice, 12), {0.0f, 0.5f, 1.0f, -1.0f}, 0.0f, "c12");
    D3DXMATRIX inverse;
    D3DXMatrixInverse(&inverse, nullptr, &world);
    D3DXVECTOR4 modelLight;
    D3DXVec4Transform(&modelLight, &light, &inverse);
    D3DXVec4Normalize(&modelLight, &modelLight);
    ExpectNear(ReadConstant(m_pDevice, 13), modelLight, 1e-5f, "c13");
    ExpectNear(ReadConstant(m_pDevice, 14), {-1.0f / 2000.0f, 1.0f, 0.0f, 0.0f}, 0.0f, "c14");
    IDirect3DTexture8* stage = reinterpret_cast<IDirect3DTexture8*>(1);
    m_pDevice->GetTexture(0, &stage);
    EXPECT_EQ(stage, nullptr) << "stage 0 is unbound after the pass";
    m_pDevice->GetTexture(1, &stage);
    EXPECT_EQ(stage, nullptr);
}

TEST_F(ZSortGpu, RangesTakeTheMaterialOfTheirAttributeIdNotOfTheirPosition) {
    Start();
    // Material 1 has no faces: the second range is attribute 2.
    D3DXATTRIBUTERANGE ranges[2] = {{0, 0, 1, 0, 4}, {2, 1, 1, 0, 4}};
    D3DMATERIAL8 materials[3];
    for (int m = 0; m < 3; ++m)
        materials[m].Power = static_cast<float>(m + 1);
    IDirect3DVertexBuffer8* quad = Quad(kGreen);
    m_renderer->Enqueue(quad, m_pIndices, ranges, D3DXMATRIX(), {0, 0, 0}, materials, nullptr, 2);
    m_pDevice->ResetCounters();
    m_renderer->Render(m_pDevice, D3DXMATRIX(), D3DXMATRIX(), {0, 0, -1, 0}, 20000.0f);
    D3DMATERIAL8 last;
    m_pDevice->GetMaterial(&last);
    EXPECT_EQ(last.Power, 3.0f);
    EXPECT_EQ(m_pDevice->Counters().draws, 2u);
}

TEST_F(ZSortGpu, AModelDrawnThroughTheQueueCoversTheMiddleOfTheView) {
    Start();
    FlatStates();
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    MeshModel model;
    ASSERT_EQ(model.LoadXFile(m_pDevice, "TEST_CUBE.X"), S_OK) << model.LastError();
    ModelInstance instance;
    instance.SetModel(&model);
    const D3DXVECTOR3 eye(0, 0, -8), at(0, 0, 0), up(0, 1, 0);
    D3DXMATRIX view, projection, cameraWorld;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 0.9f, 1.0f, 1.0f, 100.0f);
    D3DXMatrixInverse(&cameraWorld, nullptr, &view);
    ViewFrustum frustum;
    BuildViewFrustum(view, projection, &frustum);

    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kGrey, 1.0f, 0);
    m_pDevice->BeginScene();
    ASSERT_EQ(instance.Render(m_pDevice, cameraWorld, frustum, 0, m_renderer.get()), S_OK);
    ASSERT_EQ(m_renderer->Count(), 1u) << "the panel at x = 10 lies outside the view";
    const D3DXVECTOR3 direction = ViewSortDirection(view);
    m_renderer->Sort(direction.x, direction.y, direction.z);
    m_renderer->Render(m_pDevice, view, projection, {0, 0, -1, 0}, 100.0f);
    m_renderer->Clear();
    m_pDevice->EndScene();
    const GpuImage image = BackBuffer();
    // The box's -z face looks at the light: white ramp end x white (once red) vertex colour.
    EXPECT_TRUE(PixelNear(image, 20, 27, 0xFFFFFFFFu, 8));
    EXPECT_TRUE(PixelNear(image, 1, 1, kGrey, 0)) << "the corner stays clear";
    model.Release();
}

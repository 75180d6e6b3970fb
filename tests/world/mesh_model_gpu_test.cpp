// Static models on a headless device: the whole load with its trace, the vertex rules, the fade
// materials, shared textures, drawing into the queue by fade level, hits through an instance,
// the shipped models, and the scenery sets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/saver_settings.h"
#include "app/trace_log.h"
#include "platform/d3dx/d3dx_mesh.h"
#include "platform/d3dx/d3dx_shader.h"
#include "render/vertex_declarations.h"
#include "render/z_sort_render.h"
#include "tests/platform/d3d8/gpu_test_support.h"
#include "world/back_grounds.h"
#include "world/background_object.h"
#include "world/bps_format.h"
#include "world/mesh_model.h"
#include "world/model_instance.h"
#include "world/texture_cache.h"

namespace {
std::vector<StaticVertex> VerticesOf(const DisplayMesh& mesh) {
    BYTE* data = nullptr;
    EXPECT_EQ(mesh.m_pVertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    std::vector<StaticVertex> vertices(mesh.m_dwVertexCount);
    std::memcpy(vertices.data(), data, vertices.size() * sizeof(StaticVertex));
    mesh.m_pVertexBuffer->Unlock();
    return vertices;
}

// The camera-to-world matrix and frustum of an eye looking at `at` (far plane 20000).
struct Camera {
    D3DXMATRIX world;
    ViewFrustum frustum;

    Camera(const D3DXVECTOR3& eye, const D3DXVECTOR3& at) {
        const D3DXVECTOR3 up(0, 1, 0);
        D3DXMATRIX view, projection;
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, 0.8975979f, 4.0f / 3.0f, 1.0f, 20000.0f);
        D3DXMatrixInverse(&world, nullptr, &view);
        BuildViewFrustum(view, projection, &frustum);
    }
};

class ModelGpu : public GpuTest {
  protected:
    void SetUp() override {
        GpuTest::SetUp();
        g_traceLog = TraceLog(".");
    }
    void TearDown() override {
        m_model.Release();
        GpuTest::TearDown();
    }
    std::string Trace() const { return g_traceLog.Text(); }

    MeshModel m_model;
};

const char kMeshSteps[] =
    "\t\t\tpTempMesh1->Optimize...\n"
    "\t\t\tpTempMesh1->CloneMeshFVF...\n"
    "\t\t\tCreateVertex,IndexBuffer...\n"
    "\t\t\tD3DXComputeBoundingBox...\n"
    "\t\t\tD3DXComputeBoundingSphere...\n";
}  // namespace

TEST_F(ModelGpu, LoadTracesBothPassesAndEveryMeshStepAndIgnoresTheFrameTransform) {
    ASSERT_EQ(m_model.LoadXFile(m_pDevice, "TEST_CUBE.X"), S_OK) << m_model.LastError();
    const std::string expected = std::string(
                                     "\t\t\tpDXFile->CreateEnumObject1...\n"
                                     "\t\t\tpDXFile->CreateEnumObject2...\n"
                                     "\t\t\tD3DXLoadMeshFromXof...\n"
                                     "\t\t\tD3DXCreateTextureFromResource...TEST_TOPDOWN24.bmp\n") +
                                 kMeshSteps +
                                 "\t\t\tD3DXLoadMeshFromXof...\n"
                                 "\t\t\tCloneMeshFVF...\n"
                                 "\t\t\tD3DXLoadMeshFromXof...\n" +
                                 kMeshSteps +
                                 "\t\t\tD3DXLoadMeshFromXof...\n"
                                 "\t\t\tCloneMeshFVF...\n";
    EXPECT_EQ(Trace(), expected);
    ASSERT_EQ(m_model.m_dwMeshDisplayNum, 2u);
    ASSERT_EQ(m_model.m_dwMeshDammyNum, 2u);
    EXPECT_STREQ(m_model.m_pMeshDisplay[0].m_szName, "displayBox");
    EXPECT_STREQ(m_model.m_pMeshDammy[1].m_szName, "dammyPanel");

    const DisplayMesh& box = m_model.m_pMeshDisplay[0];
    EXPECT_EQ(box.m_dwVertexCount, 24u) << "one normal per face splits every corner three ways";
    ASSERT_EQ(box.m_dwRangeCount, 2u);
    EXPECT_EQ(box.m_attributeTable[0].AttribId, 0u);
    EXPECT_EQ(box.m_attributeTable[0].FaceCount, 6u);
    EXPECT_EQ(box.m_attributeTable[1].AttribId, 2u);
    EXPECT_EQ(box.m_attributeTable[1].FaceStart, 6u);
    EXPECT_EQ(box.m_attributeTable[1].VertexStart, 12u);
    EXPECT_EQ(box.m_vLocalCorners[0], D3DXVECTOR3(-2, -1, -0.5f));
    EXPECT_EQ(box.m_vLocalCorners[5], D3DXVECTOR3(2, -1, 0.5f));
    EXPECT_EQ(box.m_vLocalCorners[7], D3DXVECTOR3(2, 1, 0.5f));
    EXPECT_NEAR(box.m_vLocalCentre.x, 0.0f, 1e-6f);
    EXPECT_NEAR(box.m_fLocalRadius, std::sqrt(4.0f + 1.0f + 0.25f), 1e-5f);
    // Normals are recomputed from the faces: each split corner carries its own face's normal.
    for (const StaticVertex& v : VerticesOf(box))
        EXPECT_NEAR(D3DXVec3Length(&v.normal), 1.0f, 1e-5f);
}

TEST_F(ModelGpu, OpaqueRedVerticesTurnWhiteAndTheSecondCoordinatesCopyTheFirst) {
    ASSERT_EQ(m_model.LoadXFile(m_pDevice, "TEST_CUBE.X"), S_OK) << m_model.LastError();
    std::map<std::pair<float, float>, D3DCOLOR> colours;  // by (x, y) of the panel's corners
    for (const StaticVertex& v : VerticesOf(m_model.m_pMeshDisplay[1])) {
        EXPECT_EQ(v.tex1.x, v.tex0.x);
        EXPECT_EQ(v.tex1.y, v.tex0.y);
        colours[{v.position.x, v.position.y}] = v.colour;
    }
    ASSERT_EQ(colours.size(), 4u);
    EXPECT_EQ((colours[{10.0f, 0.0f}]), 0xFFFFFFFFu) << "opaque red becomes white";
    EXPECT_EQ((colours[{11.0f, 0.0f}]), 0xFFFF0001u);
    EXPECT_EQ((colours[{10.0f, 1.0f}]), 0x80FF0000u) << "red that is not opaque stays";
    EXPECT_EQ((colours[{11.0f, 1.0f}]), 0xFFFFFFFFu) << "no colour given";
}

TEST_F(ModelGpu, EveryMaterialGetsTenFadeCopiesWithAmbientEqualToDiffuse) {
    ASSERT_EQ(m_model.LoadXFile(m_pDevice, "TEST_CUBE.X"), S_OK) << m_model.LastError();
    const DisplayMesh& box = m_model.m_pMeshDisplay[0];
    for (int k = 0; k < kFadeLevels; ++k) {
        ASSERT_EQ(box.m_fadeMaterials[k].size(), 3u);
        for (const D3DMATERIAL8& m : box.m_fadeMaterials[k]) {
            EXPECT_NEAR(m.Diffuse.a, 0.1f * (k + 1), 1e-6f);
            EXPECT_EQ(m.Ambient.r, m.Diffuse.r);
            EXPECT_EQ(m.Ambient.g, m.Diffuse.g);
            EXPECT_EQ(m.Ambient.b, m.Diffuse.b);
            EXPECT_EQ(m.Ambient.a, m.Diffuse.a);
        }
        EXPECT_EQ(box.m_fadeMaterials[k][2].Diffuse.g, 0.5f) << "colours are kept";
        EXPECT_EQ(box.m_fadeMaterials[k][0].Power, 5.0f);
    }
    EXPECT_EQ(box.m_fadeMaterials[9][1].Diffuse.a, 1.0f) << "the last copy is opaque";
}

TEST_F(ModelGpu, MeshesNamingOneTextureShareItUntilTheLastReferenceGoes) {
    ASSERT_EQ(m_model.LoadXFile(m_pDevice, "TEST_CUBE.X"), S_OK) << m_model.LastError();
    DisplayMesh& box = m_model.m_pMeshDisplay[0];
    DisplayMesh& panel = m_model.m_pMeshDisplay[1];
    IDirect3DTexture8* shared = box.m_textures[0];
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(panel.m_textures[0], shared);
    EXPECT_EQ(box.m_textures[1], nullptr);
    EXPECT_EQ(g_textureCache.EntryCount(), 1u);
    EXPECT_EQ(g_textureCache.ReferenceCount(shared), 2u);

    panel.Release();
    EXPECT_EQ(g_textureCache.ReferenceCount(shared), 1u);
    D3DSURFACE_DESC desc;
    EXPECT_EQ(shared->GetLevelDesc(0, &desc), D3D_OK) << "still alive for the box";
    EXPECT_EQ(desc.Width, 3u);
    m_model.Release();
    EXPECT_EQ(g_textureCache.EntryCount(), 0u);

    g_traceLog = TraceLog(".");
    EXPECT_EQ(g_textureCache.Acquire(m_pDevice, "NOSUCHTEXTURE.bmp"), nullptr);
    EXPECT_EQ(Trace(), "\t\t\tD3DXCreateTextureFromResource...NOSUCHTEXTURE.bmp\n\t\t\tFailed\n");
    EXPECT_EQ(g_textureCache.EntryCount(), 0u);
    g_textureCache.Unacquire(nullptr);
}

TEST_F(ModelGpu, VisibleMeshesAreQueuedWithTheMaterialsOfTheirFadeLevel) {
    ASSERT_EQ(m_model.LoadXFile(m_pDevice, "TEST_CUBE.X"), S_OK) << m_model.LastError();
    auto renderer = std::make_unique<ZSortRender>();
    ModelInstance instance;
    instance.SetModel(&m_model);
    D3DXMatrixTranslation(&instance.m_matWorld, 0, 0, 0);
    const DisplayMesh& box = m_model.m_pMeshDisplay[0];
    const struct {
        float distance;
        int level;
    } cases[] = {{2500.0f, 9}, {3750.0f, 5}, {5000.0f, 0}};
    for (const auto& c : cases) {
        Camera camera({0, 0, -c.distance}, {0, 0, 0});
        // The exact eye, so that the distance is exactly the one named.
        D3DXMatrixTranslation(&camera.world, 0, 0, -c.distance);
        ASSERT_EQ(instance.IsVisible(camera.frustum), 1);
        ASSERT_EQ(instance.Render(m_pDevice, camera.world, camera.frustum, 0, renderer.get()),
                  S_OK);
        ASSERT_EQ(renderer->Count(), 2u) << c.distance;
        const QueueEntry& e = renderer->Entry(0);
        EXPECT_EQ(e.m_pMaterials, box.m_fadeMaterials[c.level].data()) << c.distance;
        EXPECT_EQ(e.m_pVertexBuffer, box.m_pVertexBuffer);
        EXPECT_EQ(e.m_pRanges, box.m_attributeTable.data());
        EXPECT_EQ(e.m_ppTextures, box.m_textures.data());
        EXPECT_EQ(e.m_dwRangeCount, 2u);
        EXPECT_EQ(e.m_vSortPosition, box.m_vWorldCentre);
        EXPECT_EQ(e.m_matWorld, instance.m_matWorld);
        renderer->Clear();
    }
    const Camera away({0, 0, -100}, {0, 0, -200});
    EXPECT_EQ(instance.IsVisible(away.frustum), 0);
    instance.Render(m_pDevice, away.world, away.frustum, 0, renderer.get());
    EXPECT_EQ(renderer->Count(), 0u);
}

TEST_F(ModelGpu, AnInstanceHitsItsDammyMeshesWhereItIsPlaced) {
    ASSERT_EQ(m_model.LoadXFile(m_pDevice, "TEST_CUBE.X"), S_OK) << m_model.LastError();
    ModelInstance instance;
    instance.SetModel(&m_model);
    instance.SetPosition(0, 0, 100);
    D3DXVECTOR3 n;
    EXPECT_EQ(instance.HitSegment({0, 0, 90}, {0, 0, 100}, &n), 1);
    EXPECT_LT(n.z, 0.0f) << "the box's -z face";
    EXPECT_EQ(instance.HitSegment({0, 0, -10}, {0, 0, 0}, &n), 0) << "nothing at the origin";
    EXPECT_EQ(instance.HitSegment({10.5f, 0.5f, 99}, {10.5f, 0.5f, 101}, &n), 1) << "the panel";
}

TEST_F(ModelGpu, EveryShippedStaticModelLoads) {
    const struct {
        const char* name;
        DWORD meshes;
    } models[] = {{"PILLAR01.X", 14},  {"PILLAR02.X", 1},   {"PILLAR03.X", 1},
                  {"OBSTACLE01.X", 1}, {"OBSTACLE02.X", 1}, {"BIRDDAMMY01.X", 1},
                  {"WHALEDAMMY.X", 1}, {"DACHURA01.X", 2}};
    for (const auto& m : models) {
        MeshModel model;
        ASSERT_EQ(model.LoadXFile(m_pDevice, m.name), S_OK) << m.name << ": " << model.LastError();
        EXPECT_EQ(model.m_dwMeshDisplayNum, m.meshes) << m.name;
        EXPECT_EQ(model.m_dwMeshDammyNum, m.meshes) << m.name;
        for (DWORD i = 0; i < model.m_dwMeshDisplayNum; ++i) {
            EXPECT_NE(model.m_pMeshDisplay[i].m_pVertexBuffer, nullptr) << m.name;
            EXPECT_NE(model.m_pMeshDammy[i].m_pMesh, nullptr) << m.name;
        }
        model.Release();
    }
}

TEST_F(ModelGpu, BackGroundsLoadsOnlyTheEnabledPillarSets) {
    SaverSettings settings;
    settings.pillar01Enabled = settings.pillar02Enabled = settings.pillar03Enabled = 0;
    BackGrounds none;
    none.ApplySettings(settings);
    auto renderer = std::make_unique<ZSortRender>();
    const Camera camera({0, 0, -3000}, {0, 0, 0});
    EXPECT_EQ(none.InitDeviceObjects(m_pDevice), S_OK);
    EXPECT_EQ(Trace(), "");
    EXPECT_EQ(none.Render(m_pDevice, camera.world, camera.frustum, 0, renderer.get()), S_OK);
    EXPECT_EQ(renderer->Count(), 0u);
    EXPECT_EQ(none.DeleteDeviceObjects(), S_OK);

    settings.pillar03Enabled = 1;
    BackGrounds third;
    third.ApplySettings(settings);
    ASSERT_EQ(third.InitDeviceObjects(m_pDevice), S_OK);
    EXPECT_EQ(third.m_pPillar01BGO, nullptr);
    EXPECT_EQ(third.m_pPillar02BGO, nullptr);
    ASSERT_NE(third.m_pPillar03BGO, nullptr);
    EXPECT_EQ(third.m_pPillar03BGO->m_nCount, 4);
    const std::string trace = Trace();
    EXPECT_EQ(trace.rfind("\t\tm_pPillar03BGO->InitDeviceObjects...\n"
                          "\t\tm_pBackGroundMdl->LoadXFile...\n"
                          "\t\t\tpDXFile->CreateEnumObject1...\n",
                          0),
              0u)
        << trace;
    EXPECT_NE(trace.find("\t\tFineResource...\n\t\tLoadResource...\n"), std::string::npos);
    EXPECT_EQ(trace.find("Pillar01"), std::string::npos);
    EXPECT_EQ(trace.find("Pillar02"), std::string::npos);
    third.DeleteDeviceObjects();
    EXPECT_EQ(third.m_pPillar03BGO, nullptr);
}

TEST_F(ModelGpu, ABackGroundObjectPlacesOneSharedModelAtEveryMatrix) {
    BackGroundObject obstacles;
    ASSERT_EQ(obstacles.InitDeviceObjects(m_pDevice, "OBSTACLE02.X", "OBSTACLE02.BPS"), S_OK);
    ResourceBytes bytes;
    std::vector<D3DXMATRIX> matrices;
    ASSERT_EQ(ReadMiscResource("OBSTACLE02.BPS", "", &bytes), S_OK);
    ASSERT_EQ(ReadMatrixList(bytes, "OBSTACLE02.BPS", &matrices), S_OK);
    ASSERT_EQ(obstacles.m_nCount, 6);
    for (int i = 0; i < obstacles.m_nCount; ++i) {
        EXPECT_EQ(obstacles.m_pBackGroundObj[i].m_matWorld, matrices[i]);
        EXPECT_EQ(obstacles.m_pBackGroundObj[i].m_pModel, obstacles.m_pBackGroundMdl);
    }
    EXPECT_EQ(obstacles.m_fQueryRadius, 0.0f) << "the start-up sets it after loading";
    EXPECT_STREQ(obstacles.m_pBackGroundMdl->m_pMeshDammy[0].m_szName, "dammy01Mesh");
    obstacles.DeleteDeviceObjects();
    EXPECT_EQ(obstacles.m_pBackGroundObj, nullptr);
    EXPECT_EQ(obstacles.m_nCount, 0);

    BackGroundObject empty;
    ASSERT_EQ(empty.InitDeviceObjects(m_pDevice, "TEST_CUBE.X", "TEST_EMPTY.BPS"), S_OK);
    EXPECT_EQ(empty.m_nCount, 0);
    auto renderer = std::make_unique<ZSortRender>();
    const Camera camera({0, 0, -10}, {0, 0, 0});
    EXPECT_EQ(empty.Render(m_pDevice, camera.world, camera.frustum, 0, renderer.get()), S_OK);
    EXPECT_EQ(renderer->Count(), 0u);

    g_traceLog = TraceLog(".");
    BackGroundObject missing;
    EXPECT_EQ(missing.InitDeviceObjects(m_pDevice, "TEST_CUBE.X", "NOSUCH.BPS"), E_FAIL);
    EXPECT_NE(Trace().find("\t\tFineResource...\n\t\tFailed\n"), std::string::npos) << Trace();
    BackGroundObject shortList;
    EXPECT_EQ(shortList.InitDeviceObjects(m_pDevice, "TEST_CUBE.X", "TEST_SHORT.BPS"), E_FAIL);
    BackGroundObject badModel;
    EXPECT_EQ(badModel.InitDeviceObjects(m_pDevice, "TEST_BADNAME.X", "TEST_TWO.BPS"), E_FAIL);
}

// DrawSubset belongs to the platform mesh; it is tested here, beside the models that use it,
// because it needs the device.
TEST_F(ModelGpu, DrawSubsetDrawsTheRangeOfAnAttributeOrEachRunOfItsFaces) {
    // Three faces with attributes 0, 1, 0 over six vertices, in the static vertex layout.
    ID3DXMesh* raw = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(3, 6, D3DXMESH_MANAGED, kStaticVertexFvf, m_pDevice, &raw), D3D_OK);
    std::unique_ptr<ID3DXMesh, void (*)(ID3DXMesh*)> mesh(raw, [](ID3DXMesh* m) { m->Release(); });
    BYTE* data = nullptr;
    mesh->LockIndexBuffer(0, &data);
    const WORD indices[9] = {0, 1, 2, 3, 4, 5, 2, 1, 0};
    std::memcpy(data, indices, sizeof indices);
    mesh->UnlockIndexBuffer();
    DWORD* attributes = nullptr;
    mesh->LockAttributeBuffer(0, &attributes);
    attributes[1] = 1;
    mesh->UnlockAttributeBuffer();

    ID3DXBuffer* code = nullptr;
    ASSERT_EQ(D3DXAssembleShaderFromResource("Toon.vsh", 0, nullptr, &code, nullptr), D3D_OK);
    DWORD shader = 0;
    ASSERT_EQ(
        m_pDevice->CreateVertexShader(
            kToonDeclaration, static_cast<const DWORD*>(code->GetBufferPointer()), &shader, 0),
        D3D_OK);
    code->Release();
    m_pDevice->SetVertexShader(shader);

    m_pDevice->ResetCounters();
    EXPECT_EQ(mesh->DrawSubset(0), D3D_OK);
    EXPECT_EQ(m_pDevice->Counters().draws, 2u) << "faces 0 and 2 are two runs";
    EXPECT_EQ(m_pDevice->Counters().refusedDraws, 0u);

    ASSERT_EQ(mesh->Optimize(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr, &raw),
              D3D_OK);
    mesh.reset(raw);
    m_pDevice->ResetCounters();
    EXPECT_EQ(mesh->DrawSubset(0), D3D_OK);
    EXPECT_EQ(mesh->DrawSubset(7), D3D_OK) << "an attribute without faces draws nothing";
    EXPECT_EQ(m_pDevice->Counters().draws, 1u) << "one range";
    EXPECT_EQ(m_pDevice->Counters().triangles, 2u);
    EXPECT_EQ(m_pDevice->Counters().refusedDraws, 0u);
    m_pDevice->DeleteVertexShader(shader);
}

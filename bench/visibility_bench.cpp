// The per-instance queries of a frame: one box-against-frustum test of a pillar part (settled by
// the corner outcodes, and straddling the frustum so that the edge tests run), and one segment
// test against a pillar's collision hull, placed as the first PILLAR01.BPS matrix places it.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/xfile/xfile_parser.h"
#include "world/bps_format.h"
#include "world/dammy_mesh.h"
#include "world/display_mesh.h"
#include "world/frustum_test.h"
#include "world/misc_resource.h"
#include "world/view_frustum.h"

namespace {
// The biggest collision hull of PILLAR01.X, the first placement of PILLAR01.BPS, and the
// start-up camera's frustum (eye (2500, 750, -1500) looking at the origin, 4:3, far 20000).
struct PillarScene {
    XDocument document;
    DammyMesh hull;
    D3DXMATRIX world;
    ViewFrustum frustum;
    D3DXVECTOR3 low, high;  // model-space box of the hull
    bool ready = false;

    PillarScene() {
        XTemplateSet templates;
        if (FAILED(RegisterStandardXTemplates(&templates)) ||
            FAILED(ParseXResource("PILLAR01.X", templates, &document)))
            return;
        const XData* mesh = document.Find("dammy05Mesh");
        if (!mesh || FAILED(hull.Load(nullptr, *mesh, nullptr)))
            return;
        ResourceBytes bytes;
        std::vector<D3DXMATRIX> placements;
        if (FAILED(ReadMiscResource("PILLAR01.BPS", "", &bytes)) ||
            FAILED(ReadMatrixList(bytes, "PILLAR01.BPS", &placements)) || placements.empty())
            return;
        world = placements[0];
        BYTE* vertices = nullptr;
        hull.m_pMesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices);
        D3DXComputeBoundingBox(vertices, hull.m_pMesh->GetNumVertices(), hull.m_pMesh->GetFVF(),
                               &low, &high);
        hull.m_pMesh->UnlockVertexBuffer();
        const D3DXVECTOR3 eye(2500.0f, 750.0f, -1500.0f), at(0, 0, 0), up(0, 1, 0);
        D3DXMATRIX view, projection;
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, 0.8975979f, 4.0f / 3.0f, 1.0f, 20000.0f);
        BuildViewFrustum(view, projection, &frustum);
        ready = true;
    }
};

const PillarScene& Scene() {
    static const PillarScene scene;
    return scene;
}

// Checks the step that settles the box low..high placed by `placement`, then times the test.
void RunVisibility(benchmark::State& state, const D3DXVECTOR3& low, const D3DXVECTOR3& high,
                   const D3DXMATRIX& placement, VisibilityStep step) {
    const PillarScene& scene = Scene();
    if (!scene.ready) {
        state.SkipWithError("PILLAR01 did not load");
        return;
    }
    DisplayMesh mesh;
    for (int k = 0; k < 8; ++k)
        mesh.m_vLocalCorners[k] = D3DXVECTOR3((k & 1) ? high.x : low.x, (k & 2) ? high.y : low.y,
                                              (k & 4) ? high.z : low.z);
    mesh.UpdateWorldBounds(placement);
    if (TestBoxAgainstFrustum(mesh.m_vWorldCorners, mesh.m_worldPlanes, scene.frustum).step !=
        step) {
        state.SkipWithError("the placement is settled by another step");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(mesh.IsVisible(scene.frustum));
}

// The pillar part's placement moved to the origin, where the camera looks.
D3DXMATRIX AtTheOrigin() {
    D3DXMATRIX m = Scene().world;
    m._41 = m._42 = m._43 = 0.0f;
    return m;
}
}  // namespace

static void BM_IsVisible_CornerInside(benchmark::State& state) {
    RunVisibility(state, Scene().low, Scene().high, AtTheOrigin(), VisibilityStep::kCornerInside);
}
BENCHMARK(BM_IsVisible_CornerInside);

static void BM_IsVisible_BehindTheCamera(benchmark::State& state) {
    D3DXMATRIX behind = AtTheOrigin();
    behind._41 = 5000.0f;
    behind._42 = 1500.0f;
    behind._43 = -3000.0f;
    RunVisibility(state, Scene().low, Scene().high, behind, VisibilityStep::kOutsideOnePlane);
}
BENCHMARK(BM_IsVisible_BehindTheCamera);

// A box around the whole frustum: no corner inside, no plane rejects all, all 144 edge tests
// run before the containment step decides.
static void BM_IsVisible_EdgeTestsAndContainment(benchmark::State& state) {
    RunVisibility(state, {-30000.0f, -30000.0f, -30000.0f}, {30000.0f, 30000.0f, 30000.0f},
                  D3DXMATRIX(), VisibilityStep::kContainment);
}
BENCHMARK(BM_IsVisible_EdgeTestsAndContainment);

// A segment through the placed hull, entering from outside: walks faces until the entry face.
static void BM_HitSegment_PillarHull(benchmark::State& state) {
    const PillarScene& scene = Scene();
    if (!scene.ready) {
        state.SkipWithError("PILLAR01 did not load");
        return;
    }
    D3DXVECTOR3 centre = (scene.low + scene.high) * 0.5f, through, before;
    D3DXVec3TransformCoord(&through, &centre, &scene.world);
    before = through + D3DXVECTOR3(0.0f, 0.0f, -2000.0f);
    D3DXVECTOR3 normal;
    if (!scene.hull.HitSegment(before, through, &normal, scene.world)) {
        state.SkipWithError("the segment misses the hull");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(scene.hull.HitSegment(before, through, &normal, scene.world));
}
BENCHMARK(BM_HitSegment_PillarHull);

// A segment beside the hull: every face is tested and none is hit.
static void BM_HitSegment_PillarHullMiss(benchmark::State& state) {
    const PillarScene& scene = Scene();
    if (!scene.ready) {
        state.SkipWithError("PILLAR01 did not load");
        return;
    }
    const D3DXVECTOR3 a(-90000.0f, 0.0f, 0.0f), b(-90000.0f, 0.0f, 100.0f);
    D3DXVECTOR3 normal;
    for (auto _ : state)
        benchmark::DoNotOptimize(scene.hull.HitSegment(a, b, &normal, scene.world));
}
BENCHMARK(BM_HitSegment_PillarHullMiss);

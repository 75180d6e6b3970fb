// The authored assets: the generator's shapes and text, the committed files under resources/
// against the numbers the scene is built around, and regeneration reproducing them exactly.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/system/d3dx_math.h"
#include "platform/system/lcg_random.h"
#include "tools/assetgen/mesh_builder.h"
#include "tools/assetgen/placements.h"
#include "tools/assetgen/scene_layout.h"
#include "tools/assetgen/static_models.h"
#include "tools/assetgen/x_writer.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string Resource(const std::string& typeAndName) {
    return ReadFile(std::filesystem::path(VELMORA_SOURCE_DIR) / "resources" / typeAndName);
}

uint32_t Le32(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}

uint32_t Le16(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1]))
                                             << 8;
}

float LeFloat(const std::string& b, size_t at) {
    const uint32_t bits = Le32(b, at);
    float f = 0.0f;
    std::memcpy(&f, &bits, sizeof(f));
    return f;
}

// Reads a committed BPS or TPS list, checking that its size is exactly 4 + 64 M.
std::vector<D3DXMATRIX> ReadList(const std::string& name) {
    const std::string b = Resource("MISC/" + name);
    EXPECT_GE(b.size(), 4u) << name;
    if (b.size() < 4)
        return {};
    const uint32_t count = Le32(b, 0);
    EXPECT_EQ(b.size(), 4u + 64u * count) << name;
    std::vector<D3DXMATRIX> out(std::min<size_t>(count, (b.size() - 4) / 64));
    for (size_t i = 0; i < out.size(); ++i)
        for (int k = 0; k < 16; ++k)
            out[i].m[k / 4][k % 4] = LeFloat(b, 4 + 64 * i + 4 * k);
    return out;
}

const StaticModel& Model(const std::string& fileName) {
    static const std::vector<StaticModel> models = BuildStaticModels();
    for (const StaticModel& m : models)
        if (m.fileName == fileName)
            return m;
    ADD_FAILURE() << "no model " << fileName;
    return models.front();
}

MeshData DisplayOf(const StaticModel& model) {
    MeshData all;
    for (const NamedMesh& m : model.meshes)
        if (IsDisplayMeshName(m.name))
            AppendMesh(&all, m.mesh);
    return all;
}

size_t DisplayTriangles(const StaticModel& model) {
    return DisplayOf(model).faces.size();
}

float Scale(const D3DXMATRIX& m) {
    return std::sqrt(m._11 * m._11 + m._12 * m._12 + m._13 * m._13);
}

D3DXVECTOR3 Placed(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &m);
    return out;
}

// Every face's normal cross(Q - P, R - P) points away from `centre`.
bool FacesPointAwayFrom(const MeshData& mesh, const D3DXVECTOR3& centre) {
    for (const auto& f : mesh.faces) {
        const D3DXVECTOR3& p = mesh.positions[f[0]];
        D3DXVECTOR3 e1 = mesh.positions[f[1]] - p, e2 = mesh.positions[f[2]] - p, n;
        D3DXVec3Cross(&n, &e1, &e2);
        const D3DXVECTOR3 mid = (p + mesh.positions[f[1]] + mesh.positions[f[2]]) / 3.0f - centre;
        if (D3DXVec3Dot(&n, &mid) <= 0.0f)
            return false;
    }
    return true;
}

// Vertices that no face uses, and vertices equal to an earlier one in everything the file
// stores for them (position, normal, texture coordinates, colour, as the writer prints them).
struct VertexWaste {
    size_t unused = 0;
    size_t duplicates = 0;
};

VertexWaste WastedVertices(const MeshData& mesh) {
    std::vector<bool> used(mesh.positions.size(), false);
    for (const auto& f : mesh.faces)
        for (uint32_t i : f)
            if (i < used.size())
                used[i] = true;
    VertexWaste waste;
    std::set<std::string> seen;
    auto text = [](const D3DXVECTOR3& v) {
        return FormatXFloat(v.x) + ";" + FormatXFloat(v.y) + ";" + FormatXFloat(v.z) + ";";
    };
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        if (!used[i])
            ++waste.unused;
        std::string key = text(mesh.positions[i]);
        if (i < mesh.normals.size())
            key += text(mesh.normals[i]);
        if (i < mesh.texCoords.size())
            key += FormatXFloat(mesh.texCoords[i].x) + ";" + FormatXFloat(mesh.texCoords[i].y);
        if (i < mesh.colours.size())
            key += FormatXColour(mesh.colours[i]);
        if (!seen.insert(key).second)
            ++waste.duplicates;
    }
    return waste;
}

TEST(MeshBuilder, EveryShapeIsClosedAndWoundOutward) {
    LatheOptions faceted;
    faceted.faceted = true;
    faceted.startAngle = 0.3f;
    const std::vector<std::pair<const char*, MeshData>> shapes = {
        {"lathe to a point",
         Lathe({{0.0f, 0.0f}, {2.0f, 0.5f}, {1.5f, 2.0f, false}, {0.0f, 3.0f}}, 12)},
        {"capped lathe", Lathe({{1.0f, 0.0f}, {1.0f, 2.0f, false}, {2.0f, 3.0f}}, 9)},
        {"faceted lathe", Lathe({{3.0f, -1.0f}, {3.0f, 1.0f}, {2.0f, 1.5f}}, 8, faceted)},
        {"faceted spire", Lathe({{1.0f, 0.0f}, {0.9f, 2.0f, false}, {0.0f, 3.0f}}, 6, faceted)},
        {"box", Box({-1.0f, -2.0f, -3.0f}, {4.0f, 5.0f, 6.0f})},
        {"gear", Gear(12, 5.0f, 6.0f, 0.0f, 0.5f)},
        {"gear with hole", Gear(9, 5.0f, 6.0f, 2.0f, 0.5f)},
        {"flat ring", FlatRing(3.0f, 4.0f, 0.2f, 20)},
        {"torus", Torus(5.0f, 1.0f, 16, 7)},
        {"ellipsoid", Ellipsoid({1.0f, 2.0f, 3.0f}, 10, 7)},
        {"off-centre slab", ExtrudeOutline({{4.0f, 4.0f}, {9.0f, 2.0f}, {8.0f, 6.0f}}, 0.0f, 1.0f)},
    };
    for (const auto& [name, mesh] : shapes) {
        EXPECT_TRUE(IsClosedSurface(mesh)) << name;
        EXPECT_GT(MeshVolume(mesh), 0.0f) << name;
        EXPECT_EQ(mesh.normals.size(), mesh.positions.size()) << name;
        // Apexes, poles and smooth profile points must not leave spare or repeated vertices.
        const VertexWaste waste = WastedVertices(mesh);
        EXPECT_EQ(waste.unused, 0u) << name;
        EXPECT_EQ(waste.duplicates, 0u) << name;
    }
    EXPECT_NEAR(MeshVolume(shapes[4].second), 5.0f * 7.0f * 9.0f, 1e-3f);
    // A faceted 8-sided prism: octagon area 2 sqrt(2) r^2 times height.
    EXPECT_NEAR(MeshVolume(Lathe({{1.0f, 0.0f}, {1.0f, 1.0f}}, 8, faceted)), 2.0f * std::sqrt(2.0f),
                1e-4f);
}

TEST(MeshBuilder, ConvexShapesHaveEveryFaceTurnedAwayFromTheirCentre) {
    EXPECT_TRUE(
        FacesPointAwayFrom(Box({-1.0f, -1.0f, -1.0f}, {1.0f, 2.0f, 3.0f}), {0.0f, 0.5f, 1.0f}));
    EXPECT_TRUE(FacesPointAwayFrom(Ellipsoid({2.0f, 1.0f, 3.0f}, 8, 6), {0.0f, 0.0f, 0.0f}));
    EXPECT_TRUE(FacesPointAwayFrom(Lathe({{1.0f, 0.0f}, {1.0f, 4.0f}}, 6), {0.0f, 2.0f, 0.0f}));
}

TEST(MeshBuilder, ClosedSurfaceCheckCatchesHolesAndFlippedFaces) {
    LatheOptions open;
    open.capTop = false;
    EXPECT_FALSE(IsClosedSurface(Lathe({{1.0f, 0.0f}, {1.0f, 1.0f}}, 8, open)));
    MeshData box = Box({0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f});
    std::swap(box.faces[3][1], box.faces[3][2]);
    EXPECT_FALSE(IsClosedSurface(box));
}

TEST(MeshBuilder, MirroringKeepsFacesOutward) {
    MeshData m = Lathe({{0.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 2.0f}}, 7);
    D3DXMATRIX mirror;
    D3DXMatrixScaling(&mirror, -1.0f, 2.0f, 1.0f);
    TransformMesh(&m, mirror);
    EXPECT_TRUE(IsClosedSurface(m));
    EXPECT_GT(MeshVolume(m), 0.0f);
    for (const D3DXVECTOR3& n : m.normals)
        EXPECT_NEAR(D3DXVec3Length(&n), 1.0f, 1e-5f);
}

TEST(MeshBuilder, ConvexHullEnclosesItsPointsWithOutwardFaces) {
    RandomSeed(7);
    std::vector<D3DXVECTOR3> points;
    for (int i = 0; i < 300; ++i) {
        const float a = static_cast<float>(RandomFraction()) * 6.2831853f;
        const float b = static_cast<float>(RandomFraction()) * 3.1415926f;
        const float r = 1.0f + static_cast<float>(RandomFraction());
        points.emplace_back(r * std::sin(b) * std::cos(a), r * std::cos(b),
                            r * std::sin(b) * std::sin(a));
    }
    // Coplanar and duplicated points as well, the inputs that trouble incremental hulls.
    for (int i = 0; i < 40; ++i)
        points.emplace_back(static_cast<float>(i % 7) * 0.1f, 2.0f, 0.3f);
    const MeshData hull = ConvexHull(points);
    ASSERT_TRUE(IsClosedSurface(hull));
    EXPECT_EQ(hull.faces.size(), 2 * hull.positions.size() - 4);  // a sphere-like polyhedron
    for (const auto& f : hull.faces) {
        D3DXPLANE plane;
        D3DXPlaneFromPoints(&plane, &hull.positions[f[0]], &hull.positions[f[1]],
                            &hull.positions[f[2]]);
        for (const D3DXVECTOR3& p : points)
            ASSERT_LE(D3DXPlaneDotCoord(&plane, &p), 1e-3f);
    }
    // Flat input spans no volume.
    EXPECT_TRUE(ConvexHull({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 3, 0}}).faces.empty());
}

TEST(MeshBuilder, AppendOffsetsIndicesAndCompletesOptionalArrays) {
    MeshData a = Box({0, 0, 0}, {1, 1, 1});
    a.colours.clear();
    MeshData b = Box({2, 0, 0}, {3, 1, 1});
    PaintMesh(&b, 0xFF102030);
    AppendMesh(&a, b);
    ASSERT_EQ(a.positions.size(), 48u);
    EXPECT_EQ(a.colours.size(), 48u);
    EXPECT_EQ(a.colours[0], 0xFFFFFFFFu);
    EXPECT_EQ(a.colours[47], 0xFF102030u);
    EXPECT_EQ(a.faces[12][0], b.faces[0][0] + 24u);
    EXPECT_TRUE(IsClosedSurface(a));
}

TEST(XWriter, NumbersAreShortAndStable) {
    EXPECT_EQ(FormatXFloat(1.0f), "1.0");
    EXPECT_EQ(FormatXFloat(-0.0f), "0.0");
    EXPECT_EQ(FormatXFloat(-0.0000001f), "0.0");
    EXPECT_EQ(FormatXFloat(0.25f), "0.25");
    EXPECT_EQ(FormatXFloat(-12.3456789f), "-12.345679");
    EXPECT_EQ(FormatXFloat(2893.0f), "2893.0");
}

TEST(XWriter, ColourBytesSurviveRoundingAndTruncatingReaders) {
    for (uint32_t byte = 0; byte < 256; ++byte) {
        const std::string text = FormatXColour(0xFF000000u | byte << 16);
        const double red = std::strtod(text.c_str(), nullptr);
        EXPECT_EQ(static_cast<uint32_t>(red * 255.0), byte) << text;
        EXPECT_EQ(static_cast<uint32_t>(std::lround(red * 255.0)), byte) << text;
    }
    EXPECT_EQ(FormatXColour(0x80FFFFFFu).substr(0, 12), "1.0;1.0;1.0;");
}

TEST(XWriter, MeshUsesTheStandardTemplatesAndSeparators) {
    MeshData tri;
    tri.positions = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
    tri.normals = {{0, 0, -1}, {0, 0, -1}, {0, 0, -1}};
    tri.colours = {0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000};
    tri.faces = {{0, 1, 2}};
    SetSingleMaterial(&tri, MeshMaterial());
    XWriter w;
    w.BeginObject("Frame", "Root");
    w.FrameTransformMatrix(D3DXMATRIX());
    w.Mesh("displayMesh", tri);
    w.EndObject();
    EXPECT_EQ(w.OpenObjects(), 0);
    const std::string& t = w.Text();
    EXPECT_EQ(t.rfind("xof 0302txt 0064\nFrame Root {\n", 0), 0u);
    EXPECT_NE(t.find("1.0,0.0,0.0,0.0,\n"), std::string::npos);
    EXPECT_NE(t.find("0.0,0.0,0.0,1.0;;\n"), std::string::npos);
    EXPECT_NE(t.find("Mesh displayMesh {\n    3;\n    0.0;0.0;0.0;,\n"), std::string::npos);
    EXPECT_NE(t.find("    1.0;0.0;0.0;;\n    1;\n    3;0,1,2;;\n"), std::string::npos);
    EXPECT_NE(t.find("2;0.0;0.0;0.0;1.0;;;\n"), std::string::npos);
    EXPECT_NE(t.find("MeshMaterialList {\n      1;\n      1;\n      0;\n      Material {"),
              std::string::npos);
    EXPECT_EQ(t.substr(t.size() - 2), "}\n");
}

TEST(StaticModels, DisplayAndDammyMeshesPairUpAsTheLoaderExpects) {
    const std::map<std::string, size_t> pairs = {
        {"BIRDDAMMY01.X", 1}, {"DACHURA01.X", 2}, {"OBSTACLE01.X", 1}, {"OBSTACLE02.X", 1},
        {"PILLAR01.X", 14},   {"PILLAR02.X", 1},  {"PILLAR03.X", 1},   {"WHALEDAMMY.X", 1}};
    for (const auto& [file, count] : pairs) {
        size_t display = 0, dammy = 0;
        for (const NamedMesh& m : Model(file).meshes) {
            EXPECT_TRUE(IsDisplayMeshName(m.name) || IsDammyMeshName(m.name)) << file << m.name;
            (IsDisplayMeshName(m.name) ? display : dammy)++;
        }
        EXPECT_EQ(display, count) << file;
        EXPECT_EQ(dammy, count) << file;
    }
    EXPECT_TRUE(IsDammyMeshName(Model("OBSTACLE02.X").meshes.front().name));
}

TEST(StaticModels, MeshesFitSixteenBitIndicesAndCarryCompleteArrays) {
    for (const StaticModel& model : BuildStaticModels()) {
        for (const NamedMesh& m : model.meshes) {
            const MeshData& d = m.mesh;
            ASSERT_LT(d.positions.size(), 65536u) << model.fileName << m.name;
            EXPECT_EQ(d.normals.size(), d.positions.size());
            EXPECT_TRUE(d.colours.empty() || d.colours.size() == d.positions.size());
            EXPECT_EQ(d.faceMaterials.size(), d.faces.size()) << model.fileName << m.name;
            for (const auto& f : d.faces)
                for (uint32_t i : f)
                    ASSERT_LT(i, d.positions.size()) << model.fileName << m.name;
        }
    }
}

TEST(StaticModels, EveryVertexIsUsedAndDistinct) {
    // A reader that keeps spare vertices bounds the mesh over them too, so one can widen the box
    // the frustum test uses; repeated ones cost memory and vertex work in every reader.
    for (const StaticModel& model : BuildStaticModels()) {
        for (const NamedMesh& m : model.meshes) {
            const VertexWaste waste = WastedVertices(m.mesh);
            EXPECT_EQ(waste.unused, 0u) << model.fileName << " " << m.name;
            EXPECT_EQ(waste.duplicates, 0u) << model.fileName << " " << m.name;
        }
    }
}

TEST(StaticModels, CollisionHullsAreClosedOutwardAndCoverTheirParts) {
    for (const StaticModel& model : BuildStaticModels()) {
        std::vector<const MeshData*> display, hulls;
        for (const NamedMesh& m : model.meshes)
            (IsDisplayMeshName(m.name) ? display : hulls).push_back(&m.mesh);
        for (size_t i = 0; i < hulls.size(); ++i) {
            const MeshData& hull = *hulls[i];
            EXPECT_TRUE(IsClosedSurface(hull)) << model.fileName << " hull " << i;
            EXPECT_GT(MeshVolume(hull), 0.0f) << model.fileName << " hull " << i;
            EXPECT_LT(hull.faces.size() * 2, display[i]->faces.size() + 20) << model.fileName;
            // The hull reaches at least as far as its part, within a hundredth of its size.
            D3DXVECTOR3 dlo, dhi, hlo, hhi;
            MeshBounds(*display[i], &dlo, &dhi);
            MeshBounds(hull, &hlo, &hhi);
            const D3DXVECTOR3 size = dhi - dlo;
            const float slack = 0.01f * D3DXVec3Length(&size);
            EXPECT_LE(hlo.x, dlo.x + slack) << model.fileName << " hull " << i;
            EXPECT_LE(hlo.y, dlo.y + slack) << model.fileName << " hull " << i;
            EXPECT_LE(hlo.z, dlo.z + slack) << model.fileName << " hull " << i;
            EXPECT_GE(hhi.x, dhi.x - slack) << model.fileName << " hull " << i;
            EXPECT_GE(hhi.y, dhi.y - slack) << model.fileName << " hull " << i;
            EXPECT_GE(hhi.z, dhi.z - slack) << model.fileName << " hull " << i;
        }
    }
}

TEST(StaticModels, StayWithinTheirTriangleBudgets) {
    EXPECT_LE(DisplayTriangles(Model("BIRDDAMMY01.X")), 150u);
    EXPECT_LE(DisplayTriangles(Model("PILLAR01.X")), 2500u);
    EXPECT_LE(DisplayTriangles(Model("PILLAR02.X")), 800u);
    EXPECT_LE(DisplayTriangles(Model("PILLAR03.X")), 3000u);
    EXPECT_LE(DisplayTriangles(Model("OBSTACLE01.X")), 600u);
}

TEST(StaticModels, VertexColoursAreLightAndNeverThePureRedTheLoaderWhitens) {
    for (const StaticModel& model : BuildStaticModels()) {
        const MeshData all = DisplayOf(model);
        double light = 0.0;
        for (D3DCOLOR c : all.colours) {
            EXPECT_NE(c, 0xFFFF0000u) << model.fileName;
            EXPECT_EQ(c >> 24, 0xFFu) << model.fileName;
            light +=
                (0.3 * ((c >> 16) & 0xFF) + 0.59 * ((c >> 8) & 0xFF) + 0.11 * (c & 0xFF)) / 255.0;
        }
        ASSERT_FALSE(all.colours.empty()) << model.fileName;
        EXPECT_GT(light / all.colours.size(), 0.8) << model.fileName;
    }
}

TEST(StaticModels, ActorDammiesHaveTheActorsDrawnSizes) {
    D3DXVECTOR3 lo, hi;
    MeshBounds(DisplayOf(Model("BIRDDAMMY01.X")), &lo, &hi);
    EXPECT_NEAR(hi.x - lo.x, 10.0f * kBirdDrawScale, 2.0f);  // a 10-wide bird drawn at 3
    EXPECT_GT(hi.z, 5.0f);                                   // heading +z: the head is in front
    EXPECT_LT(hi.z - lo.z, hi.x - lo.x);
    MeshBounds(DisplayOf(Model("WHALEDAMMY.X")), &lo, &hi);
    EXPECT_NEAR(hi.z - lo.z, 300.0f / kWhaleDrawScale, 1.5f);
    EXPECT_LT(hi.x - lo.x, hi.z - lo.z);
}

TEST(Placements, ListsHaveTheShippedCountsUniformScalesAndPlainFourthColumns) {
    const std::map<std::string, size_t> counts = {
        {"PILLAR01.BPS", 20},  {"PILLAR02.BPS", 16},  {"PILLAR03.BPS", 4},   {"OBSTACLE01.BPS", 21},
        {"OBSTACLE02.BPS", 6}, {"OBSTACLE03.BPS", 1}, {"WORLDCLOCK.TPS", 12}};
    for (const auto& [name, count] : counts) {
        const std::vector<D3DXMATRIX> list = ReadList(name);
        EXPECT_EQ(list.size(), count) << name;
        for (const D3DXMATRIX& m : list) {
            EXPECT_EQ(m._14, 0.0f);
            EXPECT_EQ(m._24, 0.0f);
            EXPECT_EQ(m._34, 0.0f);
            EXPECT_EQ(m._44, 1.0f);
            // Rows of the upper 3x3 are orthogonal and of one length: rotation times scale.
            const float s = Scale(m);
            for (int a = 0; a < 3; ++a) {
                for (int b = 0; b < 3; ++b) {
                    const float dot = m(a, 0) * m(b, 0) + m(a, 1) * m(b, 1) + m(a, 2) * m(b, 2);
                    EXPECT_NEAR(dot, a == b ? s * s : 0.0f, 1e-4f * s * s) << name;
                }
            }
        }
    }
    const std::vector<D3DXMATRIX> pillar03 = ReadList("PILLAR03.BPS");
    for (const D3DXMATRIX& m : pillar03)
        EXPECT_NEAR(Scale(m), 2893.0f, 1.0f);
}

TEST(Placements, FirstInvisibleObstacleIsExact) {
    const std::vector<D3DXMATRIX> list = ReadList("OBSTACLE02.BPS");
    ASSERT_FALSE(list.empty());
    D3DXMATRIX expected;
    D3DXMatrixScaling(&expected, 11.46f, 11.46f, 11.46f);
    expected._41 = 146.7f;
    expected._42 = -131.4f;
    expected._43 = 140.7f;
    EXPECT_EQ(std::memcmp(&list[0], &expected, sizeof(expected)), 0);
}

TEST(Placements, PillarsStandClearOfTheFlightBoxAndInsideTheFarPlane) {
    for (const char* set : {"PILLAR01", "PILLAR02", "PILLAR03"}) {
        const MeshData model = DisplayOf(Model(std::string(set) + ".X"));
        for (const D3DXMATRIX& m : ReadList(std::string(set) + ".BPS")) {
            for (const D3DXVECTOR3& v : model.positions) {
                const D3DXVECTOR3 w = Placed(v, m);
                ASSERT_GE(std::max(std::fabs(w.x), std::fabs(w.z)),
                          kFlightHalfWidth + kPillarClearance)
                    << set << " at " << m._41 << ", " << m._43;
                D3DXVECTOR3 fromCamera = w - CameraStart();
                ASSERT_LT(D3DXVec3Length(&fromCamera), kFogEnd) << set;
            }
        }
    }
}

TEST(Placements, ObstaclesFloatInTheFlightZoneApartAndUnderTheQueryRadius) {
    for (const char* set : {"OBSTACLE01", "OBSTACLE02"}) {
        const MeshData model = DisplayOf(Model(std::string(set) + ".X"));
        float reach = 0.0f;
        for (const D3DXVECTOR3& v : model.positions)
            reach = std::max(reach, D3DXVec3Length(&v));
        const std::vector<D3DXMATRIX> list = ReadList(std::string(set) + ".BPS");
        for (size_t i = 0; i < list.size(); ++i) {
            const D3DXVECTOR3 at(list[i]._41, list[i]._42, list[i]._43);
            EXPECT_LE(std::fabs(at.x), kFlightHalfWidth) << set << i;
            EXPECT_LE(std::fabs(at.z), kFlightHalfWidth) << set << i;
            EXPECT_LE(std::fabs(at.y), kFlightHalfHeight) << set << i;
            EXPECT_LT(reach * Scale(list[i]), 0.75f * kObstacleQueryRadius) << set << i;
            D3DXVECTOR3 fromStart = at - FlockStart();
            EXPECT_GT(D3DXVec3Length(&fromStart), reach * Scale(list[i]) + 20.0f) << set << i;
            for (size_t j = 0; j < i; ++j) {
                D3DXVECTOR3 gap = at - D3DXVECTOR3(list[j]._41, list[j]._42, list[j]._43);
                EXPECT_GT(D3DXVec3Length(&gap), 2.0f * kObstacleQueryRadius) << set << i << j;
            }
        }
    }
}

TEST(Placements, DefaultSceneLeavesRoomForTheFlockInItsTriangleBudget) {
    size_t triangles = 0;
    for (const char* set : {"PILLAR01", "PILLAR02", "PILLAR03", "OBSTACLE01"})
        triangles += ReadList(std::string(set) + ".BPS").size() *
                     DisplayTriangles(Model(std::string(set) + ".X"));
    // 150,000 in all, of which 50 birds of up to 1,000 triangles each.
    EXPECT_LT(triangles, 100000u);
}

TEST(Placements, WorldClockMarksTwelveHoursOnACircle) {
    const std::vector<D3DXMATRIX> marks = ReadList("WORLDCLOCK.TPS");
    ASSERT_EQ(marks.size(), 12u);
    for (size_t k = 0; k < marks.size(); ++k) {
        const float angle = std::atan2(marks[k]._41, marks[k]._43);
        const float expected = 6.2831853f * static_cast<float>(k) / 12.0f;
        EXPECT_NEAR(std::remainder(angle - expected, 6.2831853f), 0.0f, 1e-4f) << k;
        EXPECT_NEAR(std::hypot(marks[k]._41, marks[k]._43), std::hypot(marks[0]._41, marks[0]._43),
                    0.01f);
    }
}

TEST(Circuit, HasFortyNinePointsStartingExactlyAtTheFixedPoint) {
    const std::string b = Resource("MISC/CLOCK.FPP");
    ASSERT_EQ(b.size(), 984u);
    EXPECT_EQ(Le32(b, 0), 49u);
    EXPECT_EQ(LeFloat(b, 4), 27.98963f);
    EXPECT_EQ(LeFloat(b, 8), 9.167835f);
    EXPECT_EQ(LeFloat(b, 12), -191.1297f);
    for (int i = 0; i < 49; ++i) {
        EXPECT_NEAR(LeFloat(b, 4 + 12 * 49 + 4 * i), 6.2831853f, 0.1f);
        const float pace = LeFloat(b, 4 + 16 * 49 + 4 * i);
        EXPECT_GE(pace, 70.0f);
        EXPECT_LE(pace, 150.0f);
    }
}

TEST(Circuit, LoopsSmoothlyAroundItsCentroidAtFramingDistances) {
    const std::string b = Resource("MISC/CLOCK.FPP");
    ASSERT_EQ(b.size(), 984u);
    std::vector<D3DXVECTOR3> p(49);
    D3DXVECTOR3 centre;
    for (size_t i = 0; i < p.size(); ++i) {
        p[i] = {LeFloat(b, 4 + 12 * i), LeFloat(b, 8 + 12 * i), LeFloat(b, 12 + 12 * i)};
        centre += p[i] / 49.0f;
    }
    float lowest = 1e9f, highest = -1e9f, turned = 0.0f;
    for (size_t i = 0; i < p.size(); ++i) {
        const D3DXVECTOR3 d = p[i] - centre;
        const float radius = std::hypot(d.x, d.z);
        EXPECT_GE(radius, 250.0f) << i;
        EXPECT_LE(radius, 900.0f) << i;
        lowest = std::min(lowest, d.y);
        highest = std::max(highest, d.y);
        // Always around the same way, and no sharp corner between consecutive chords.
        const D3DXVECTOR3 n = p[(i + 1) % 49] - centre;
        const float step = std::atan2(d.x * n.z - d.z * n.x, d.x * n.x + d.z * n.z);
        EXPECT_GT(step, 0.0f) << i;
        turned += step;
        D3DXVECTOR3 c0 = p[(i + 1) % 49] - p[i], c1 = p[(i + 2) % 49] - p[(i + 1) % 49];
        D3DXVec3Normalize(&c0, &c0);
        D3DXVec3Normalize(&c1, &c1);
        EXPECT_GT(D3DXVec3Dot(&c0, &c1), std::cos(0.5f)) << i;
    }
    EXPECT_NEAR(turned, 6.2831853f, 1e-3f);
    EXPECT_GT(highest - lowest, 150.0f);
    EXPECT_LT(highest - lowest, 600.0f);
}

TEST(Ramps, BothAreTheExactBitmapsOfTheToonBands) {
    struct Column {
        int x;
        uint8_t r, g, b;
    };
    const std::pair<const char*, std::vector<Column>> ramps[] = {
        {"Toon.bmp",
         {{0, 93, 93, 221},
          {40, 93, 93, 221},
          {41, 134, 134, 227},
          {84, 134, 134, 227},
          {85, 215, 215, 250},
          {108, 215, 215, 250},
          {109, 255, 255, 255},
          {127, 255, 255, 255}}},
        {"ToonToon.bmp",
         {{0, 0, 0, 0},        {17, 0, 0, 0},       {18, 22, 22, 22},     {19, 40, 40, 40},
          {20, 38, 38, 38},    {21, 35, 35, 35},    {44, 35, 35, 35},     {45, 31, 31, 31},
          {46, 26, 26, 26},    {47, 53, 53, 53},    {48, 98, 98, 98},     {50, 131, 131, 131},
          {51, 132, 132, 132}, {52, 131, 131, 131}, {65, 131, 131, 131},  {66, 202, 202, 202},
          {85, 202, 202, 202}, {86, 229, 229, 229}, {109, 229, 229, 229}, {110, 253, 253, 253},
          {127, 253, 253, 253}}},
    };
    for (const auto& [name, columns] : ramps) {
        const std::string b = Resource(std::string("RCDATA/") + name);
        ASSERT_EQ(b.size(), 49208u) << name;
        EXPECT_EQ(b.substr(0, 2), "BM");
        EXPECT_EQ(Le32(b, 2), 49208u);
        EXPECT_EQ(Le32(b, 6), 0u);
        EXPECT_EQ(Le32(b, 10), 54u);
        EXPECT_EQ(Le32(b, 14), 40u);
        EXPECT_EQ(Le32(b, 18), 128u);
        EXPECT_EQ(Le32(b, 22), 128u);
        EXPECT_EQ(Le16(b, 26), 1u);
        EXPECT_EQ(Le16(b, 28), 24u);
        EXPECT_EQ(Le32(b, 30), 0u);
        EXPECT_EQ(Le32(b, 34), 0u);
        EXPECT_EQ(Le32(b, 38), 2834u);
        EXPECT_EQ(Le32(b, 42), 2834u);
        EXPECT_EQ(Le32(b, 46), 0u);
        EXPECT_EQ(Le32(b, 50), 0u);
        for (const Column& c : columns) {
            const size_t at = 54 + 3 * static_cast<size_t>(c.x);  // stored blue, green, red
            EXPECT_EQ(static_cast<uint8_t>(b[at]), c.b) << name << " column " << c.x;
            EXPECT_EQ(static_cast<uint8_t>(b[at + 1]), c.g) << name << " column " << c.x;
            EXPECT_EQ(static_cast<uint8_t>(b[at + 2]), c.r) << name << " column " << c.x;
        }
        const std::string row = b.substr(54, 384);
        for (int y = 1; y < 128; ++y)
            EXPECT_EQ(b.substr(54 + 384 * y, 384), row) << name << y;
        EXPECT_EQ(b.substr(49206), std::string(2, '\0'));
    }
}

TEST(Sound, TrackIsQuietStereoPcmThatLoopsWithoutAClick) {
    const std::string b = Resource("MIDI/BGM1.WAV");
    ASSERT_GT(b.size(), 44u);
    EXPECT_EQ(b.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(b, 4), b.size() - 8);
    EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le32(b, 16), 16u);
    EXPECT_EQ(Le16(b, 20), 1u);  // PCM
    EXPECT_EQ(Le16(b, 22), 2u);
    EXPECT_EQ(Le32(b, 24), 8000u);
    EXPECT_EQ(Le32(b, 28), 32000u);
    EXPECT_EQ(Le16(b, 32), 4u);
    EXPECT_EQ(Le16(b, 34), 16u);
    EXPECT_EQ(b.substr(36, 4), "data");
    const size_t frames = Le32(b, 40) / 4;
    ASSERT_EQ(44 + frames * 4, b.size());
    EXPECT_GE(frames, 30u * 8000u);
    EXPECT_LE(frames, 60u * 8000u);

    auto sample = [&](size_t frame, int channel) {
        return static_cast<int16_t>(Le16(b, 44 + 4 * frame + 2 * channel));
    };
    for (int ch = 0; ch < 2; ++ch) {
        int peak = 0;
        double power = 0.0, mean = 0.0;
        std::vector<int> steps;
        for (size_t i = 0; i < frames; ++i) {
            const int s = sample(i, ch);
            peak = std::max(peak, std::abs(s));
            power += static_cast<double>(s) * s;
            mean += s;
            steps.push_back(std::abs(sample((i + 1) % frames, ch) - s));
        }
        EXPECT_LE(peak, 10362) << ch;  // -10 dBFS of 32767
        const double rms = std::sqrt(power / frames);
        EXPECT_GT(rms, 32767.0 * 0.01) << ch;  // above -40 dBFS: not silence
        EXPECT_LT(std::fabs(mean / frames), rms * 0.05) << ch;
        // The step from the last frame to the first is an ordinary step of the track.
        const int seam = steps.back();
        std::sort(steps.begin(), steps.end());
        EXPECT_LE(seam, steps[steps.size() * 99 / 100]) << ch;
    }
}

TEST(Sound, MidiFileIsAWellFormedSingleTrack) {
    const std::string b = Resource("MIDI/BGM1.MID");
    ASSERT_GE(b.size(), 22u);
    EXPECT_EQ(b.substr(0, 4), "MThd");
    EXPECT_EQ(b.substr(4, 4), std::string("\0\0\0\x06", 4));  // header length
    EXPECT_EQ(b.substr(8, 4), std::string("\0\0\0\x01", 4));  // format 0, one track
    EXPECT_NE(b.substr(12, 2), std::string(2, '\0'));         // ticks per quarter
    EXPECT_EQ(b.substr(14, 4), "MTrk");
    const uint32_t length = static_cast<uint8_t>(b[18]) << 24 | static_cast<uint8_t>(b[19]) << 16 |
                            static_cast<uint8_t>(b[20]) << 8 | static_cast<uint8_t>(b[21]);
    EXPECT_EQ(b.size(), 22u + length);
    EXPECT_EQ(b.substr(b.size() - 3), std::string("\xFF\x2F\x00", 3));
}

TEST(Regeneration, GeneratorReproducesTheCommittedResourcesByteForByte) {
    const std::filesystem::path out =
        std::filesystem::temp_directory_path() / ("velmora_assets_" + std::to_string(getpid()));
    std::filesystem::remove_all(out);
    const std::string command =
        std::string("\"") + VELMORA_ASSETGEN + "\" \"" + out.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    const std::filesystem::path resources = std::filesystem::path(VELMORA_SOURCE_DIR) / "resources";
    size_t compared = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(out)) {
        if (!entry.is_regular_file())
            continue;
        const std::filesystem::path rel = std::filesystem::relative(entry.path(), out);
        ASSERT_TRUE(std::filesystem::exists(resources / rel))
            << rel << " is generated but not committed";
        EXPECT_TRUE(ReadFile(entry.path()) == ReadFile(resources / rel))
            << rel << " differs from its generator; run velmora-assetgen and commit the result";
        ++compared;
    }
    for (const char* own : {"MODEL/PILLAR01.X", "MODEL/BIRDDAMMY01.X", "MISC/CLOCK.FPP",
                            "MISC/OBSTACLE02.BPS", "MIDI/BGM1.WAV", "MIDI/BGM1.MID",
                            "RCDATA/Toon.bmp", "RCDATA/ToonToon.bmp", "RCDATA/Icon156.bmp"})
        EXPECT_TRUE(std::filesystem::exists(out / own)) << own;
    EXPECT_GE(compared, 20u);
    std::filesystem::remove_all(out);
}

TEST(Regeneration, GeneratorRefusesAMissingOrExtraArgument) {
    const std::string tool = std::string("\"") + VELMORA_ASSETGEN + "\"";
    EXPECT_NE(std::system((tool + " 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((tool + " a b 2>/dev/null").c_str()), 0);
}

}  // namespace

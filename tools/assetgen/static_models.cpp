#include "tools/assetgen/static_models.h"

#include <cmath>
#include <cstdio>

#include "tools/assetgen/asset_output.h"
#include "tools/assetgen/asset_writers.h"
#include "tools/assetgen/mesh_builder.h"
#include "tools/assetgen/x_writer.h"

namespace {
constexpr float kPi = D3DX_PI;

// Vertex colours: light tints, since the day ramp already darkens toward saturated blue.
constexpr D3DCOLOR kIvory = 0xFFF4EFE4;
constexpr D3DCOLOR kStone = 0xFFE6DDCC;
constexpr D3DCOLOR kBrass = 0xFFF2D9A2;
constexpr D3DCOLOR kBronze = 0xFFE8C994;
constexpr D3DCOLOR kGold = 0xFFF8E4AC;
constexpr D3DCOLOR kVerdigris = 0xFFCFE6DE;
constexpr D3DCOLOR kSlate = 0xFFD9E2EE;
constexpr D3DCOLOR kDialWhite = 0xFFFFFFFE;
constexpr D3DCOLOR kHands = 0xFF59617A;
constexpr D3DCOLOR kMist = 0xFFE9F0F8;
constexpr D3DCOLOR kFeather = 0xFFF7F7FB;
constexpr D3DCOLOR kWing = 0xFFE8EEF8;
constexpr D3DCOLOR kBeak = 0xFFF4D890;
constexpr D3DCOLOR kWhaleTop = 0xFFC9D8EA;
constexpr D3DCOLOR kWhaleBelly = 0xFFF3F6FA;

LatheOptions Options(bool capBottom, bool capTop, bool faceted = false, float start = 0.0f) {
    LatheOptions o;
    o.capBottom = capBottom;
    o.capTop = capTop;
    o.faceted = faceted;
    o.startAngle = start;
    return o;
}

D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
}

D3DXMATRIX RotationX(float a) {
    D3DXMATRIX m;
    D3DXMatrixRotationX(&m, a);
    return m;
}

D3DXMATRIX RotationY(float a) {
    D3DXMATRIX m;
    D3DXMatrixRotationY(&m, a);
    return m;
}

D3DXMATRIX RotationZ(float a) {
    D3DXMATRIX m;
    D3DXMatrixRotationZ(&m, a);
    return m;
}

MeshData Transformed(MeshData mesh, const D3DXMATRIX& m) {
    TransformMesh(&mesh, m);
    return mesh;
}

// The mirror image across x = 0 (TransformMesh keeps the winding outward).
MeshData MirroredX(MeshData mesh) {
    D3DXMATRIX mirror;
    D3DXMatrixScaling(&mirror, -1.0f, 1.0f, 1.0f);
    TransformMesh(&mesh, mirror);
    return mesh;
}

MeshData Painted(MeshData mesh, D3DCOLOR colour) {
    PaintMesh(&mesh, colour);
    return mesh;
}

// A display mesh gets one material in its main colour; the shaders draw vertex colours,
// the material serves other readers of the file.
MeshData Finished(MeshData mesh, D3DCOLOR mainColour) {
    if (mesh.colours.empty())
        PaintMesh(&mesh, mainColour);
    MeshMaterial material;
    material.diffuse = {static_cast<float>((mainColour >> 16) & 0xFF) / 255.0f,
                        static_cast<float>((mainColour >> 8) & 0xFF) / 255.0f,
                        static_cast<float>(mainColour & 0xFF) / 255.0f, 1.0f};
    SetSingleMaterial(&mesh, material);
    return mesh;
}

// A collision hull around a revolved outline: an octagonal lathe whose flat sides touch the
// outline's circles, so the hull encloses the round part it stands for.
MeshData LatheHull(std::vector<ProfilePoint> profile, const D3DXMATRIX& placement) {
    const int segments = 8;
    const float grow = 1.0f / std::cos(kPi / segments);
    for (ProfilePoint& p : profile)
        p.radius *= grow;
    MeshData coarse = Lathe(profile, segments);
    TransformMesh(&coarse, placement);
    return ConvexHull(coarse.positions);
}

MeshData LatheHull(const std::vector<ProfilePoint>& profile) {
    return LatheHull(profile, D3DXMATRIX());
}

// Hull of several coarse shapes together.
MeshData HullOf(const std::vector<MeshData>& parts) {
    std::vector<D3DXVECTOR3> points;
    for (const MeshData& m : parts)
        points.insert(points.end(), m.positions.begin(), m.positions.end());
    return ConvexHull(points);
}

std::string Numbered(const char* kind, size_t i) {
    char text[32] = {};
    std::snprintf(text, sizeof(text), "%s%02zuMesh", kind, i + 1);
    return text;
}

// A hull carries a plain white material too: every mesh of our files has a material list,
// so that readers which group meshes by material keep each one apart.
MeshData FinishedHull(MeshData hull) {
    SetSingleMaterial(&hull, MeshMaterial());
    return hull;
}

// Display meshes first, then their hulls, numbered from 01.
StaticModel Assemble(const char* fileName, const char* frameName,
                     const std::vector<MeshData>& display, const std::vector<MeshData>& hulls) {
    StaticModel model{fileName, frameName, {}};
    for (size_t i = 0; i < display.size(); ++i)
        model.meshes.push_back({Numbered("display", i), display[i]});
    for (size_t i = 0; i < hulls.size(); ++i)
        model.meshes.push_back({Numbered("dammy", i), FinishedHull(hulls[i])});
    return model;
}

// A clock dial standing out of a drum of the given radius: a disc facing +x before `place`,
// with its two hands turned to the given angles in the dial's plane (radians).
MeshData ClockDial(float drumRadius, float dialRadius, float hourAngle, float minuteAngle,
                   const D3DXMATRIX& place) {
    // The disc is built along +y, then turned to face +x and pushed onto the drum.
    const float back = drumRadius - 0.6f;
    const float depth = 1.05f;
    MeshData dial =
        Painted(Lathe({{dialRadius, 0.0f}, {dialRadius, depth - 0.15f}, {dialRadius - 0.3f, depth}},
                      12, Options(false, true)),
                kDialWhite);
    MeshData rim = Painted(Lathe({{dialRadius + 0.05f, 0.0f},
                                  {dialRadius + 0.05f, depth - 0.05f},
                                  {dialRadius - 0.12f, depth - 0.05f}},
                                 12, Options(false, false)),
                           kBrass);
    AppendMesh(&dial, rim);
    const float handLength[2] = {dialRadius * 0.55f, dialRadius * 0.8f};
    const float handWidth[2] = {0.22f, 0.14f};
    const float handAngle[2] = {hourAngle, minuteAngle};
    for (int h = 0; h < 2; ++h) {
        MeshData hand =
            Painted(Box({-handWidth[h] * 0.5f, depth - 0.02f, -0.25f},
                        {handWidth[h] * 0.5f, depth + 0.06f + 0.02f * h, handLength[h]}),
                    kHands);
        // Hands lie in the disc's plane (x-z before it is turned).
        TransformMesh(&hand, RotationY(handAngle[h]));
        AppendMesh(&dial, hand);
    }
    // Disc axis +y onto +x, then out to the drum's surface.
    TransformMesh(&dial, RotationZ(-kPi * 0.5f) * Translation(back, 0.0f, 0.0f) * place);
    return dial;
}

// PILLAR01.X: a clock-tower column of 14 stacked parts from y -50 to 53, each its own mesh.
StaticModel Pillar01() {
    std::vector<MeshData> d, h;
    const float oct = kPi / 8.0f;  // turns octagons so their faces meet the axes
    // 1 plinth: stepped octagon.
    const std::vector<ProfilePoint> plinth = {
        {9.0f, -50.0f}, {9.0f, -47.6f}, {8.3f, -46.9f}, {8.3f, -45.2f}, {7.5f, -44.4f}};
    d.push_back(Finished(Lathe(plinth, 8, Options(true, true, true, oct)), kStone));
    h.push_back(LatheHull({{9.0f, -50.0f}, {9.0f, -47.6f}, {7.5f, -44.4f}}));
    // 2 base moulding: a round torus over a hollow.
    const std::vector<ProfilePoint> base = {{6.9f, -44.4f},
                                            {7.25f, -43.7f, false},
                                            {6.9f, -43.0f},
                                            {6.0f, -42.4f, false},
                                            {5.5f, -41.5f}};
    d.push_back(Finished(Lathe(base, 20, Options(false, true)), kIvory));
    h.push_back(LatheHull({{7.25f, -44.4f}, {7.25f, -43.0f}, {5.5f, -41.5f}}));
    // 3 lower shaft with a slight swell.
    const std::vector<ProfilePoint> shaft = {{5.0f, -41.5f}, {5.1f, -30.0f, false}, {4.7f, -15.6f}};
    MeshData lowerShaft = Lathe(shaft, 20, Options(false, false));
    PaintMeshByHeight(&lowerShaft, -41.5f, kStone, -15.6f, kIvory);
    d.push_back(Finished(lowerShaft, kIvory));
    h.push_back(LatheHull({{5.1f, -41.5f}, {5.1f, -15.6f}}));
    // 4 lower band.
    const std::vector<ProfilePoint> band = {{4.7f, -15.6f},
                                            {5.5f, -15.3f, false},
                                            {5.75f, -14.6f, false},
                                            {5.5f, -13.9f, false},
                                            {4.7f, -13.6f}};
    d.push_back(Finished(Lathe(band, 20, Options(false, false)), kBronze));
    h.push_back(LatheHull({{5.75f, -15.6f}, {5.75f, -13.6f}}));
    // 5 clock drum with four dials.
    const std::vector<ProfilePoint> drum = {
        {5.8f, -13.0f}, {6.6f, -12.3f}, {6.6f, -3.7f}, {5.8f, -3.0f}};
    MeshData clock = Painted(Lathe(drum, 24, Options(true, false)), kSlate);  // cornice covers it
    for (int k = 0; k < 4; ++k) {
        const float hour = kPi / 6.0f * static_cast<float>(2 * k + 1);
        AppendMesh(&clock, ClockDial(6.6f, 2.3f, hour, 0.3f + 1.7f * k,
                                     Translation(0.0f, -7.6f, 0.0f) * RotationY(kPi * 0.5f * k)));
    }
    d.push_back(Finished(clock, kSlate));
    h.push_back(LatheHull({{5.8f, -13.0f}, {7.1f, -12.3f}, {7.1f, -3.7f}, {5.8f, -3.0f}}));
    // 6 crown gear around the drum's foot.
    d.push_back(Finished(
        Transformed(Gear(16, 6.75f, 7.6f, 0.0f, 0.6f), Translation(0.0f, -11.9f, 0.0f)), kBrass));
    h.push_back(LatheHull({{7.6f, -12.5f}, {7.6f, -11.3f}}));
    // 7 cornice over the drum.
    const std::vector<ProfilePoint> cornice = {
        {6.2f, -3.0f}, {7.3f, -2.4f}, {7.3f, -1.6f}, {6.0f, -1.0f}};
    d.push_back(Finished(Lathe(cornice, 8, Options(true, true, true, oct)), kStone));
    h.push_back(LatheHull({{7.3f, -3.0f}, {7.3f, -1.0f}}));
    // 8 upper shaft, sixteen flat flutes.
    const std::vector<ProfilePoint> upper = {{4.0f, -1.0f}, {4.05f, 10.0f, false}, {3.7f, 22.0f}};
    MeshData upperShaft = Lathe(upper, 16, Options(false, false, true));
    PaintMeshByHeight(&upperShaft, -1.0f, kStone, 22.0f, kIvory);
    d.push_back(Finished(upperShaft, kIvory));
    h.push_back(LatheHull({{4.05f, -1.0f}, {4.05f, 22.0f}}));
    // 9 upper band.
    const std::vector<ProfilePoint> upperBand = {{3.7f, 22.0f},
                                                 {4.3f, 22.3f, false},
                                                 {4.5f, 23.0f, false},
                                                 {4.3f, 23.7f, false},
                                                 {3.7f, 24.0f}};
    d.push_back(Finished(Lathe(upperBand, 16, Options(false, false)), kBronze));
    h.push_back(LatheHull({{4.5f, 22.0f}, {4.5f, 24.0f}}));
    // 10 capital: a bell flaring out under the abacus, its open rim inside the abacus's square.
    const std::vector<ProfilePoint> capital = {
        {3.7f, 24.0f}, {4.0f, 25.5f, false}, {4.6f, 27.2f, false}, {5.25f, 28.5f}, {5.25f, 29.1f}};
    d.push_back(Finished(Lathe(capital, 20, Options(false, false)), kIvory));
    h.push_back(LatheHull({{3.7f, 24.0f}, {5.25f, 28.5f}, {5.25f, 29.1f}}));
    // 11 abacus: a square slab set square to the axes.
    const std::vector<ProfilePoint> abacus = {
        {7.6f, 29.1f}, {7.6f, 30.3f}, {8.3f, 30.8f}, {8.3f, 31.6f}, {7.4f, 32.0f}};
    d.push_back(Finished(Lathe(abacus, 4, Options(true, true, true, kPi / 4.0f)), kStone));
    const float abacusHalf = 8.3f * std::cos(kPi / 4.0f);
    h.push_back(Box({-abacusHalf, 29.1f, -abacusHalf}, {abacusHalf, 32.0f, abacusHalf}));
    // 12 lantern: an octagonal belfry.
    const std::vector<ProfilePoint> lantern = {
        {5.0f, 32.0f}, {5.0f, 38.5f}, {5.6f, 39.0f}, {5.6f, 39.8f}};
    d.push_back(Finished(Lathe(lantern, 8, Options(false, true, true, oct)), kVerdigris));
    h.push_back(LatheHull({{5.6f, 32.0f}, {5.6f, 39.8f}}));
    // 13 dome.
    const std::vector<ProfilePoint> dome = {{5.0f, 39.8f},        {4.9f, 41.0f, false},
                                            {4.2f, 43.0f, false}, {2.9f, 44.6f, false},
                                            {1.2f, 45.6f},        {0.9f, 46.0f}};
    d.push_back(Finished(Lathe(dome, 20, Options(false, false)), kVerdigris));
    h.push_back(LatheHull({{5.0f, 39.8f}, {4.9f, 41.0f}, {2.9f, 44.6f}, {0.9f, 46.0f}}));
    // 14 finial: collar closing the dome's top, orb and spike.
    MeshData finial =
        Lathe({{0.9f, 46.0f}, {0.9f, 46.4f}, {0.5f, 46.9f}}, 16, Options(false, false));
    AppendMesh(&finial,
               Transformed(Ellipsoid({1.3f, 1.3f, 1.3f}, 10, 6), Translation(0.0f, 48.2f, 0.0f)));
    AppendMesh(&finial, Lathe({{0.45f, 49.3f}, {0.0f, 53.0f}}, 8, Options(false, false)));
    d.push_back(Finished(finial, kGold));
    h.push_back(LatheHull({{0.9f, 46.0f}, {1.3f, 47.0f}, {1.3f, 49.4f}, {0.0f, 53.0f}}));
    return Assemble("PILLAR01.X", "Pillar01", d, h);
}

// PILLAR02.X: a slender spire from y -60 to 60 with a gear, two bands, a lantern bulb, a
// needle and a tilted ring. It stands 4600 to 8000 units out at scale 20 to 24, where one
// pixel of a 60 degree view 768 high spans about 0.2 to 0.5 model units: the fine parts are
// at least a unit across, so that they stay two pixels or more wide instead of shimmering.
StaticModel Pillar02() {
    MeshData m = Painted(
        Lathe({{3.6f, -60.0f}, {3.6f, -57.0f}, {3.0f, -56.2f}, {3.0f, -55.0f}, {2.4f, -54.4f}}, 6,
              Options(true, true, true, kPi / 6.0f)),
        kStone);
    MeshData shaft = Lathe({{2.0f, -54.4f}, {1.9f, -20.0f, false}, {1.4f, 20.0f}, {1.0f, 38.0f}},
                           12, Options(false, false));
    PaintMeshByHeight(&shaft, -54.4f, kStone, 38.0f, kIvory);
    AppendMesh(&m, shaft);
    // The bands' open ends sink a little into the tapering shaft.
    for (float y : {-20.0f, 20.0f}) {
        const float r = y < 0.0f ? 1.9f : 1.4f;
        AppendMesh(&m, Painted(Lathe({{r - 0.05f, y - 1.2f},
                                      {r + 0.9f, y - 0.6f, false},
                                      {r + 0.9f, y + 0.6f, false},
                                      {r - 0.05f, y + 1.2f}},
                                     12, Options(false, false)),
                               kBronze));
    }
    AppendMesh(&m,
               Painted(Transformed(Gear(8, 2.3f, 3.1f, 0.0f, 0.6f), Translation(0.0f, 5.0f, 0.0f)),
                       kBrass));
    AppendMesh(&m, Painted(Lathe({{1.0f, 38.0f},
                                  {1.6f, 40.0f, false},
                                  {1.7f, 42.0f, false},
                                  {1.2f, 44.0f, false},
                                  {0.85f, 45.0f},
                                  {0.75f, 46.0f, false},
                                  {0.4f, 57.0f},
                                  {0.0f, 60.0f}},
                                 12, Options(false, false)),
                           kVerdigris));
    AppendMesh(&m, Painted(Transformed(Torus(3.2f, 0.5f, 16, 6),
                                       RotationX(0.45f) * Translation(0.0f, 42.0f, 0.0f)),
                           kGold));
    // Two pins along the ring's tilt axis hold it to the bulb; their ends are buried.
    const MeshData pin =
        Painted(Transformed(Lathe({{0.35f, 1.2f}, {0.35f, 3.4f}}, 6, Options(false, false)),
                            RotationZ(-kPi * 0.5f) * Translation(0.0f, 42.0f, 0.0f)),
                kGold);
    AppendMesh(&m, pin);
    AppendMesh(&m, MirroredX(pin));
    MeshData hull = LatheHull({{3.6f, -60.0f},
                               {3.6f, -55.0f},
                               {3.1f, 5.0f},
                               {3.8f, 39.8f},
                               {3.8f, 44.2f},
                               {0.0f, 60.0f}});
    return Assemble("PILLAR02.X", "Pillar02", {Finished(m, kIvory)}, {hull});
}

// PILLAR03.X: a giant landmark from y -1.6 to 3.8 (placed at scale near 2893): a stepped
// tower with a geared clock drum under an armillary sphere of three rings round a globe.
StaticModel Pillar03() {
    const float oct = kPi / 8.0f;
    MeshData m =
        Painted(Lathe({{1.0f, -1.6f}, {1.0f, -1.2f}, {0.8f, -1.1f}, {0.8f, -0.8f}, {0.62f, -0.7f}},
                      8, Options(true, true, true, oct)),
                kStone);
    MeshData tower = Lathe({{0.55f, -0.7f}, {0.45f, 1.4f}}, 8, Options(false, false, true, oct));
    PaintMeshByHeight(&tower, -0.7f, kStone, 1.4f, kIvory);
    AppendMesh(&m, tower);
    AppendMesh(&m, Painted(Lathe({{0.62f, 1.4f}, {0.62f, 1.9f}}, 24), kSlate));
    AppendMesh(&m, Painted(Transformed(Gear(20, 0.64f, 0.72f, 0.0f, 0.06f),
                                       Translation(0.0f, 1.65f, 0.0f)),
                           kBrass));
    AppendMesh(
        &m,
        Painted(Lathe({{0.42f, 1.9f}, {0.36f, 2.5f}}, 8, Options(false, true, true, oct)), kIvory));
    // The armillary: an upright meridian ring set into the post carries the equator and a
    // tilted ring; the globe stands on a rod from the post.
    const float sphereY = 2.9f;
    const float tilts[3] = {0.0f, kPi * 0.5f, -1.05f};
    for (int k = 0; k < 3; ++k) {
        AppendMesh(&m, Painted(Transformed(Torus(0.8f, 0.035f, 40, 6),
                                           RotationX(tilts[k]) * RotationY(0.5f * k) *
                                               Translation(0.0f, sphereY, 0.0f)),
                               k == 0 ? kGold : kBrass));
    }
    AppendMesh(&m, Painted(Transformed(Ellipsoid({0.28f, 0.28f, 0.28f}, 12, 8),
                                       Translation(0.0f, sphereY, 0.0f)),
                           kVerdigris));
    AppendMesh(&m,
               Painted(Lathe({{0.07f, 2.45f}, {0.07f, 2.7f}}, 8, Options(false, false)), kGold));
    AppendMesh(&m, Painted(Lathe({{0.1f, 3.15f}, {0.0f, 3.8f}}, 8, Options(false, false)), kGold));
    MeshData hull = LatheHull(
        {{1.0f, -1.6f}, {1.0f, -1.2f}, {0.72f, 1.4f}, {0.85f, 2.1f}, {0.85f, 3.7f}, {0.0f, 3.8f}});
    return Assemble("PILLAR03.X", "Pillar03", {Finished(m, kIvory)}, {hull});
}

// OBSTACLE01.X: a floating gear with a raised hub, hung by two pins in a tilted ring, radius
// about 11.
StaticModel Obstacle01() {
    MeshData m = Painted(Gear(12, 7.0f, 8.6f, 0.0f, 0.9f), kBrass);
    AppendMesh(
        &m, Painted(Lathe({{2.2f, -1.6f}, {2.6f, -1.2f}, {2.6f, 1.2f}, {2.2f, 1.6f}}, 12), kGold));
    const D3DXMATRIX tilt = RotationX(0.44f);
    AppendMesh(&m, Painted(Transformed(Torus(10.5f, 0.45f, 28, 5), tilt), kSlate));
    // Gimbal pins on the tilt axis join the ring to the gear; their ends are buried in both.
    const MeshData pin =
        Painted(Transformed(Lathe({{0.35f, 6.0f}, {0.35f, 10.5f}}, 6, Options(false, false)),
                            RotationZ(-kPi * 0.5f)),
                kBrass);
    AppendMesh(&m, pin);
    AppendMesh(&m, MirroredX(pin));
    const MeshData gearHull =
        Lathe({{8.6f / std::cos(kPi / 8.0f), -1.6f}, {8.6f / std::cos(kPi / 8.0f), 1.6f}}, 8);
    const MeshData ringHull = Transformed(
        Lathe({{10.95f / std::cos(kPi / 12.0f), -0.45f}, {10.95f / std::cos(kPi / 12.0f), 0.45f}},
              12),
        tilt);
    return Assemble("OBSTACLE01.X", "Obstacle01", {Finished(m, kBrass)},
                    {HullOf({gearHull, ringHull})});
}

// OBSTACLE02.X: an invisible steering sphere of radius 6, collision hull first.
StaticModel Obstacle02() {
    StaticModel model{"OBSTACLE02.X", "Obstacle02", {}};
    const float grow = 1.0f / std::cos(kPi / 6.0f) / std::cos(kPi / 8.0f);
    model.meshes.push_back(
        {"dammy01Mesh", FinishedHull(ConvexHull(
                            Ellipsoid({6.0f * grow, 6.0f * grow, 6.0f * grow}, 6, 4).positions))});
    model.meshes.push_back({"display01Mesh", Finished(Ellipsoid({6.0f, 6.0f, 6.0f}, 8, 6), kMist)});
    return model;
}

// An ellipsoid with the given radii whose poles lie on the z axis, so a body's nose and tail
// come to a point instead of a seam of vertices.
MeshData LongBody(const D3DXVECTOR3& radii, int segments, int rings) {
    return Transformed(Ellipsoid({radii.x, radii.z, radii.y}, segments, rings),
                       RotationX(kPi * 0.5f));
}

// A flat, swept prism (wing, tail, fluke, fin) over an outline in the x-z plane.
MeshData Slab(const std::vector<D3DXVECTOR2>& outline, float halfThickness, D3DCOLOR colour) {
    return Painted(ExtrudeOutline(outline, -halfThickness, halfThickness), colour);
}

// BIRDDAMMY01.X: a low-detail bird flaring to land, heading +z: body pitched up, wings raised
// in a deep V, tail fanned and lowered, legs hanging. It stands for the skinned bird as drawn
// (10 model units across at scale 3), and its box must hold every pose of the flapping loop,
// since the flock culls the skinned birds by this box: wing tips from y -9 to +11.7 and
// x +-14.9, beak to z +7.9, tail to z -6.
StaticModel BirdDammy() {
    const D3DXMATRIX flare = RotationX(-0.55f);  // nose up
    MeshData m =
        Painted(Transformed(LongBody({1.6f, 1.5f, 4.0f}, 8, 4),
                            Translation(0.0f, 0.0f, 0.3f) * flare * Translation(0.0f, -1.4f, 0.0f)),
                kFeather);
    AppendMesh(&m, Painted(Transformed(Ellipsoid({1.1f, 1.05f, 1.3f}, 6, 3),
                                       Translation(0.0f, 1.3f, 4.9f)),
                           kFeather));
    // Beak: a four-sided cone along +z; its base lies inside the head.
    AppendMesh(&m, Painted(Transformed(Lathe({{0.45f, 0.0f}, {0.0f, 2.5f}}, 4,
                                             Options(false, false, true, kPi / 4.0f)),
                                       RotationX(kPi * 0.5f) * Translation(0.0f, 1.1f, 5.8f)),
                           kBeak));
    // Wings raised about 40 degrees and reaching a little forward to brake.
    const MeshData wing =
        Transformed(Slab({{0.0f, 2.1f}, {9.5f, 1.9f}, {19.0f, -0.8f}, {0.0f, -2.3f}}, 0.3f, kWing),
                    RotationZ(0.7f) * RotationY(-0.08f) * Translation(0.9f, -0.2f, 1.2f));
    AppendMesh(&m, wing);
    AppendMesh(&m, MirroredX(wing));
    // Tail fanned and swung down under the rump.
    AppendMesh(&m, Transformed(Slab({{-0.7f, 0.0f}, {0.7f, 0.0f}, {3.0f, -5.8f}, {-3.0f, -5.8f}},
                                    0.2f, kWing),
                               RotationX(-0.85f) * Translation(0.0f, -2.9f, -2.5f)));
    // Legs hanging forward of the hips, ready to take the ground.
    const MeshData leg =
        Painted(Transformed(Lathe({{0.28f, -6.9f}, {0.45f, 0.0f}}, 3, Options(true, false, true)),
                            RotationX(-0.2f) * Translation(0.6f, -2.6f, 0.2f)),
                kBeak);
    AppendMesh(&m, leg);
    AppendMesh(&m, MirroredX(leg));
    MeshData hull = ConvexHull(m.positions);
    return Assemble("BIRDDAMMY01.X", "BirdDammy01", {Finished(m, kFeather)}, {hull});
}

// WHALEDAMMY.X: a low-detail whale about 11 long (drawn at 30 times), heading +z, in the
// middle of a stroke: flippers low, flukes spread. Its box holds every pose of the skinned
// whale's loop (flippers to x +-4.2 and y -1.6, dorsal fin to y 1.2, flukes to z -5.9).
StaticModel WhaleDammy() {
    MeshData m = Transformed(LongBody({1.3f, 1.15f, 4.7f}, 10, 6), Translation(0.0f, 0.0f, 0.5f));
    PaintMeshByHeight(&m, -1.15f, kWhaleBelly, 1.15f, kWhaleTop);
    // Flukes with a shallow notch, so that the outline stays star-shaped about its middle.
    AppendMesh(&m, Transformed(Slab({{0.0f, -3.4f},
                                     {2.4f, -5.35f},
                                     {1.8f, -6.05f},
                                     {0.0f, -5.55f},
                                     {-1.8f, -6.05f},
                                     {-2.4f, -5.35f}},
                                    0.12f, kWhaleTop),
                               Translation(0.0f, 0.1f, 0.0f)));
    // A small dorsal fin well back on the spine, standing in the y-z plane.
    AppendMesh(&m,
               Transformed(Slab({{0.7f, -1.9f}, {1.32f, -2.85f}, {0.7f, -3.1f}}, 0.08f, kWhaleTop),
                           RotationZ(kPi * 0.5f)));
    // Pectoral fins swept back and down, about 9 across like the skinned whale's.
    const MeshData fin = Transformed(
        Slab({{0.6f, 2.0f}, {4.1f, -0.4f}, {3.9f, -1.1f}, {0.6f, 1.0f}}, 0.1f, kWhaleTop),
        RotationZ(-0.3f) * Translation(0.5f, -0.6f, 0.0f));
    AppendMesh(&m, fin);
    AppendMesh(&m, MirroredX(fin));
    MeshData hull = ConvexHull(m.positions);
    return Assemble("WHALEDAMMY.X", "WhaleDammy", {Finished(m, kWhaleTop)}, {hull});
}

// DACHURA01.X: a small table clock, its bell-shaped case and its stand.
StaticModel Dachura01() {
    const std::vector<ProfilePoint> bell = {{1.6f, 0.6f},        {1.7f, 1.2f, false},
                                            {1.5f, 2.2f, false}, {1.0f, 3.0f, false},
                                            {0.3f, 3.4f},        {0.0f, 3.6f}};
    MeshData body = Painted(Lathe(bell, 16), kBrass);
    // The dial is set in as if on a drum of 1.3, so that its face stands just proud of the bell
    // instead of jutting out of it.
    AppendMesh(&body, ClockDial(1.3f, 0.8f, 2.0f, 0.2f, Translation(0.0f, 1.7f, 0.0f)));
    const std::vector<ProfilePoint> stand = {{2.2f, 0.0f}, {2.2f, 0.3f}, {1.8f, 0.6f}};
    MeshData base = Lathe(stand, 6, Options(true, true, true, kPi / 6.0f));
    return Assemble(
        "DACHURA01.X", "Dachura01", {Finished(body, kBrass), Finished(base, kStone)},
        {HullOf({LatheHull({{1.7f, 0.6f}, {1.7f, 2.2f}, {0.3f, 3.4f}, {0.0f, 3.6f}}),
                 Box({0.7f, 0.85f, -0.85f}, {1.85f, 2.55f, 0.85f})}),
         ConvexHull(Lathe({{2.2f, 0.0f}, {2.2f, 0.6f}}, 6, Options(true, true, true, kPi / 6.0f))
                        .positions)});
}
}  // namespace

bool IsDisplayMeshName(const std::string& name) {
    return name.find("display") != std::string::npos;
}

bool IsDammyMeshName(const std::string& name) {
    return !IsDisplayMeshName(name) && name.find("dammy") != std::string::npos;
}

std::vector<StaticModel> BuildStaticModels() {
    return {BirdDammy(), Dachura01(), Obstacle01(), Obstacle02(),
            Pillar01(),  Pillar02(),  Pillar03(),   WhaleDammy()};
}

std::string StaticModelText(const StaticModel& model) {
    XWriter writer;
    writer.BeginObject("Frame", model.frameName);
    writer.FrameTransformMatrix(D3DXMATRIX());
    for (const NamedMesh& m : model.meshes)
        writer.Mesh(m.name, m.mesh);
    writer.EndObject();
    return writer.Text();
}

void WriteStaticModels(const std::string& outDir, bool report) {
    for (const StaticModel& model : BuildStaticModels()) {
        WriteAsset(outDir, "MODEL", model.fileName, StaticModelText(model));
        if (!report)
            continue;
        size_t displayTriangles = 0;
        for (const NamedMesh& m : model.meshes)
            if (IsDisplayMeshName(m.name))
                displayTriangles += m.mesh.faces.size();
        std::printf("%s: %zu meshes, %zu display triangles\n", model.fileName.c_str(),
                    model.meshes.size(), displayTriangles);
        for (const NamedMesh& m : model.meshes) {
            D3DXVECTOR3 lo, hi;
            MeshBounds(m.mesh, &lo, &hi);
            std::printf("  %-14s %5zu tris  x %8.2f..%-8.2f y %8.2f..%-8.2f z %8.2f..%-8.2f%s\n",
                        m.name.c_str(), m.mesh.faces.size(), lo.x, hi.x, lo.y, hi.y, lo.z, hi.z,
                        IsClosedSurface(m.mesh) ? "  closed" : "");
        }
    }
}

#include "tools/assetgen/placements.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "platform/system/lcg_random.h"
#include "tools/assetgen/asset_output.h"
#include "tools/assetgen/asset_writers.h"
#include "tools/assetgen/byte_writer.h"
#include "tools/assetgen/scene_layout.h"

namespace {
constexpr float kTwoPi = 2.0f * D3DX_PI;

float Fraction() {
    return static_cast<float>(RandomFraction());
}
// A fraction in [-1, 1].
float Signed() {
    return Fraction() * 2.0f - 1.0f;
}

// Uniform scale, then roll, pitch and yaw, then the translation: p' = p * S * R * T.
D3DXMATRIX Placement(float scale, float yaw, float pitch, float roll, const D3DXVECTOR3& at) {
    D3DXMATRIX s, r, t, out;
    D3DXMatrixScaling(&s, scale, scale, scale);
    D3DXMatrixRotationYawPitchRoll(&r, yaw, pitch, roll);
    D3DXMatrixTranslation(&t, at.x, at.y, at.z);
    D3DXMatrixMultiply(&out, &s, &r);
    D3DXMatrixMultiply(&out, &out, &t);
    return out;
}

// A point on the square ring of the given half size around the origin, at an angle.
D3DXVECTOR3 OnSquareRing(float angle, float halfSize, float y) {
    const float c = std::cos(angle), s = std::sin(angle);
    const float k = halfSize / std::max(std::fabs(c), std::fabs(s));
    return D3DXVECTOR3(c * k, y, s * k);
}

// The heavy set: clock-tower columns on a square ring just outside the flight box.
std::vector<D3DXMATRIX> Pillar01() {
    RandomSeed(0x50494C31);
    std::vector<D3DXMATRIX> out;
    for (int k = 0; k < 20; ++k) {
        const float angle = kTwoPi * (static_cast<float>(k) + 0.3f * Signed()) / 20.0f;
        const float halfSize = 3300.0f + 500.0f * Fraction();
        const float y = -150.0f + 300.0f * Fraction();
        const float yaw = kTwoPi * Fraction();
        out.push_back(Placement(23.5f, yaw, 0.0f, 0.0f, OnSquareRing(angle, halfSize, y)));
    }
    return out;
}

// Slender spires in a looser ring beyond the columns, between them by angle.
std::vector<D3DXMATRIX> Pillar02() {
    RandomSeed(0x50494C32);
    std::vector<D3DXMATRIX> out;
    for (int k = 0; k < 16; ++k) {
        const float angle = kTwoPi * (static_cast<float>(k) + 0.5f + 0.25f * Signed()) / 16.0f;
        const float halfSize = 4600.0f + 1200.0f * Fraction();
        const float y = -400.0f + 400.0f * Fraction();
        const float scale = 20.0f + 4.0f * Fraction();
        const float yaw = kTwoPi * Fraction();
        out.push_back(Placement(scale, yaw, 0.0f, 0.0f, OnSquareRing(angle, halfSize, y)));
    }
    return out;
}

// Four giant landmarks on the horizon, one in each quarter, well inside the far plane.
std::vector<D3DXMATRIX> Pillar03() {
    RandomSeed(0x50494C33);
    std::vector<D3DXMATRIX> out;
    for (int k = 0; k < 4; ++k) {
        const float angle = kTwoPi * (static_cast<float>(k) + 0.5f) / 4.0f + 0.15f * Signed();
        const float distance = 11500.0f + 1500.0f * Fraction();
        const float yaw = kTwoPi * Fraction();
        const D3DXVECTOR3 at(distance * std::cos(angle), -3000.0f, distance * std::sin(angle));
        out.push_back(Placement(2893.0f, yaw, 0.0f, 0.0f, at));
    }
    return out;
}

// Dart throwing inside the flight box: a point at least `spacing` (in x-z) from every point
// already taken and from the flock's start.
bool FindFreeSpot(const std::vector<D3DXVECTOR3>& taken, float spacing, float margin,
                  D3DXVECTOR3* spot) {
    const float half = kFlightHalfWidth - margin;
    const float halfY = kFlightHalfHeight - margin * 0.1f;
    for (int attempt = 0; attempt < 2000; ++attempt) {
        const D3DXVECTOR3 p(half * Signed(), halfY * Signed(), half * Signed());
        bool free = true;
        for (const D3DXVECTOR3& q : taken) {
            const float dx = p.x - q.x, dz = p.z - q.z;
            if (dx * dx + dz * dz < spacing * spacing)
                free = false;
        }
        if (free) {
            *spot = p;
            return true;
        }
    }
    return false;
}

// The invisible steering set: the first one fixed beside the flock's start, the rest
// spread over the flight box.
std::vector<D3DXMATRIX> Obstacle02(std::vector<D3DXVECTOR3>* taken) {
    RandomSeed(0x4F425332);
    std::vector<D3DXMATRIX> out;
    D3DXMATRIX first;
    D3DXMatrixScaling(&first, 11.46f, 11.46f, 11.46f);
    first._41 = 146.7f;
    first._42 = -131.4f;
    first._43 = 140.7f;
    out.push_back(first);
    taken->push_back(D3DXVECTOR3(first._41, first._42, first._43));
    while (out.size() < 6) {
        D3DXVECTOR3 at;
        if (!FindFreeSpot(*taken, 900.0f, 300.0f, &at))
            break;
        const float scale = 9.0f + 5.0f * Fraction();
        out.push_back(Placement(scale, 0.0f, 0.0f, 0.0f, at));
        taken->push_back(at);
    }
    return out;
}

// Floating gears and rings over the flight box, tilted every way.
std::vector<D3DXMATRIX> Obstacle01(std::vector<D3DXVECTOR3>* taken) {
    RandomSeed(0x4F425331);
    std::vector<D3DXMATRIX> out;
    while (out.size() < 21) {
        D3DXVECTOR3 at;
        if (!FindFreeSpot(*taken, 650.0f, 300.0f, &at))
            break;
        const float scale = 8.5f + 2.5f * Fraction();
        const float yaw = kTwoPi * Fraction();
        const float pitch = 0.7f * Signed();
        const float roll = 0.7f * Signed();
        out.push_back(Placement(scale, yaw, pitch, roll, at));
        taken->push_back(at);
    }
    return out;
}

// Unused single placement: the centre of the world clock's dial.
std::vector<D3DXMATRIX> Obstacle03() {
    return {Placement(10.0f, 0.0f, 0.0f, 0.0f, D3DXVECTOR3(0.0f, -600.0f, 0.0f))};
}

// Unused twelve hour marks on a dial of radius 3000 below the flight band, each turned to
// face the centre; mark 0 (twelve o'clock) lies on +z.
std::vector<D3DXMATRIX> WorldClock() {
    std::vector<D3DXMATRIX> out;
    for (int hour = 0; hour < 12; ++hour) {
        const float angle = kTwoPi * static_cast<float>(hour) / 12.0f;
        const D3DXVECTOR3 at(3000.0f * std::sin(angle), -600.0f, 3000.0f * std::cos(angle));
        out.push_back(Placement(1.0f, angle, 0.0f, 0.0f, at));
    }
    return out;
}
}  // namespace

std::vector<MatrixList> BuildMatrixLists() {
    std::vector<D3DXVECTOR3> taken{FlockStart()};
    std::vector<D3DXMATRIX> obstacle02 = Obstacle02(&taken);
    std::vector<D3DXMATRIX> obstacle01 = Obstacle01(&taken);
    return {
        {"OBSTACLE01.BPS", obstacle01},   {"OBSTACLE02.BPS", obstacle02},
        {"OBSTACLE03.BPS", Obstacle03()}, {"PILLAR01.BPS", Pillar01()},
        {"PILLAR02.BPS", Pillar02()},     {"PILLAR03.BPS", Pillar03()},
        {"WORLDCLOCK.TPS", WorldClock()},
    };
}

std::string MatrixListBytes(const std::vector<D3DXMATRIX>& matrices) {
    std::string out;
    AppendLe32(&out, static_cast<uint32_t>(matrices.size()));
    for (const D3DXMATRIX& m : matrices)
        for (int row = 0; row < 4; ++row)
            for (int col = 0; col < 4; ++col)
                AppendLeFloat(&out, m(row, col));
    return out;
}

std::vector<CircuitPoint> BuildCircuit() {
    // A loop around its centroid whose radius breathes twice per turn between 340 and 780
    // and whose height rises and falls twice by 150, so the dolly sweeps in and out and over
    // and under the flock without sharp turns. Placed so that point 0 lands on the fixed
    // first point.
    constexpr int kCount = 49;
    constexpr double kMeanRadius = 560.0, kRadiusSwing = 220.0, kHeightSwing = 150.0;
    const D3DXVECTOR3 first(27.98963f, 9.167835f, -191.1297f);
    auto shape = [&](double t) {
        const double radius = kMeanRadius + kRadiusSwing * std::sin(2.0 * t + 0.7);
        const double height = kHeightSwing * std::sin(2.0 * t + 1.1);
        return std::array<double, 4>{radius * std::cos(t), height, radius * std::sin(t), radius};
    };
    const std::array<double, 4> origin = shape(0.0);
    std::vector<CircuitPoint> points(kCount);
    for (int i = 0; i < kCount; ++i) {
        const double t = 2.0 * 3.14159265358979323846 * i / kCount;
        const std::array<double, 4> s = shape(t);
        CircuitPoint& p = points[static_cast<size_t>(i)];
        p.position = i == 0 ? first
                            : D3DXVECTOR3(static_cast<float>(first.x + s[0] - origin[0]),
                                          static_cast<float>(first.y + s[1] - origin[1]),
                                          static_cast<float>(first.z + s[2] - origin[2]));
        p.turn = kTwoPi;
        const double inner = kMeanRadius - kRadiusSwing;
        p.pace = static_cast<float>(70.0 + 80.0 * (s[3] - inner) / (2.0 * kRadiusSwing));
    }
    return points;
}

std::string CircuitBytes(const std::vector<CircuitPoint>& points) {
    std::string out;
    AppendLe32(&out, static_cast<uint32_t>(points.size()));
    for (const CircuitPoint& p : points) {
        AppendLeFloat(&out, p.position.x);
        AppendLeFloat(&out, p.position.y);
        AppendLeFloat(&out, p.position.z);
    }
    for (const CircuitPoint& p : points)
        AppendLeFloat(&out, p.turn);
    for (const CircuitPoint& p : points)
        AppendLeFloat(&out, p.pace);
    return out;
}

void WritePlacements(const std::string& outDir, bool report) {
    for (const MatrixList& list : BuildMatrixLists()) {
        WriteAsset(outDir, "MISC", list.name, MatrixListBytes(list.matrices));
        if (!report)
            continue;
        std::printf("%s: %zu placements\n", list.name.c_str(), list.matrices.size());
        for (const D3DXMATRIX& m : list.matrices) {
            const float scale = std::sqrt(m._11 * m._11 + m._12 * m._12 + m._13 * m._13);
            std::printf("  scale %9.3f at (%9.1f, %8.1f, %9.1f)\n", scale, m._41, m._42, m._43);
        }
    }
    const std::vector<CircuitPoint> circuit = BuildCircuit();
    WriteAsset(outDir, "MISC", "CLOCK.FPP", CircuitBytes(circuit));
    if (report)
        std::printf("CLOCK.FPP: %zu points\n", circuit.size());
}

#include "tools/assetgen/mesh_builder.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace {
constexpr float kTwoPi = 2.0f * D3DX_PI;

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    D3DXVECTOR3 out;
    D3DXVec3Cross(&out, &a, &b);
    return out;
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return D3DXVec3Dot(&a, &b);
}

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v) {
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    return out;
}

uint32_t AddVertex(MeshData* mesh, const D3DXVECTOR3& p, const D3DXVECTOR3& n,
                   const D3DXVECTOR2& uv) {
    mesh->positions.push_back(p);
    mesh->normals.push_back(n);
    mesh->texCoords.push_back(uv);
    return static_cast<uint32_t>(mesh->positions.size() - 1);
}

// Adds triangle (a, b, c), reversed when its face normal opposes `outward`; triangles with
// two equal positions are dropped (the poles and apexes of revolved shapes).
void AddTriangle(MeshData* mesh, uint32_t a, uint32_t b, uint32_t c, const D3DXVECTOR3& outward) {
    const D3DXVECTOR3& p = mesh->positions[a];
    const D3DXVECTOR3& q = mesh->positions[b];
    const D3DXVECTOR3& r = mesh->positions[c];
    if (p == q || q == r || r == p)
        return;
    if (Dot(Cross(q - p, r - p), outward) >= 0.0f)
        mesh->faces.push_back({a, b, c});
    else
        mesh->faces.push_back({a, c, b});
}

// Quad a-b-c-d (in order around its edge) as two triangles facing `outward`.
void AddQuad(MeshData* mesh, uint32_t a, uint32_t b, uint32_t c, uint32_t d,
             const D3DXVECTOR3& outward) {
    AddTriangle(mesh, a, b, c, outward);
    AddTriangle(mesh, a, c, d, outward);
}

// Quad whose outward side is given by the mean of its vertex normals.
void AddSmoothQuad(MeshData* mesh, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    const D3DXVECTOR3 n = mesh->normals[a] + mesh->normals[b] + mesh->normals[c] + mesh->normals[d];
    AddQuad(mesh, a, b, c, d, n);
}

// Angle of step j of n around a circle; the last step reuses the first angle exactly so that
// a seam's duplicated vertices sit on the same positions.
float StepAngle(int j, int n) {
    return j == n ? 0.0f : kTwoPi * static_cast<float>(j) / n;
}

// Side normal of the profile edge from a to b, in (radius, y).
D3DXVECTOR2 ProfileEdgeNormal(const ProfilePoint& a, const ProfilePoint& b) {
    const float dr = b.radius - a.radius;
    const float dy = b.y - a.y;
    const float len = std::sqrt(dr * dr + dy * dy);
    if (len <= 0.0f)
        return {0.0f, 0.0f};
    return {dy / len, -dr / len};
}

// Polar prism: outline points in the x-z plane, a hole at the same angles when holeRadius > 0,
// walls flat-shaded per edge unless smoothWalls.
MeshData ExtrudeStar(const std::vector<D3DXVECTOR2>& outline, float holeRadius, float y0, float y1,
                     bool smoothWalls) {
    MeshData mesh;
    const size_t n = outline.size();
    if (n < 3 || y1 <= y0)
        return mesh;
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    const D3DXVECTOR3 down(0.0f, -1.0f, 0.0f);
    // Walls face away from the centre; a ring's centre is the origin, its hole's axis.
    D3DXVECTOR2 centre(0.0f, 0.0f);
    if (holeRadius <= 0.0f) {
        for (const D3DXVECTOR2& p : outline)
            centre.x += p.x, centre.y += p.y;
        centre.x /= static_cast<float>(n);
        centre.y /= static_cast<float>(n);
    }

    // Outer walls: flat walls get their own vertices per edge; smooth walls share one column
    // per outline point, the seam duplicated for the u coordinate.
    std::vector<uint32_t> smoothBottom, smoothTop;
    if (smoothWalls) {
        for (size_t i = 0; i <= n; ++i) {
            const D3DXVECTOR2& a = outline[i % n];
            const D3DXVECTOR3 na = Normalised(D3DXVECTOR3(a.x - centre.x, 0.0f, a.y - centre.y));
            const float u = static_cast<float>(i) / n;
            smoothBottom.push_back(AddVertex(&mesh, {a.x, y0, a.y}, na, {u, 1.0f}));
            smoothTop.push_back(AddVertex(&mesh, {a.x, y1, a.y}, na, {u, 0.0f}));
        }
    }
    for (size_t i = 0; i < n; ++i) {
        const D3DXVECTOR2& a = outline[i];
        const D3DXVECTOR2& b = outline[(i + 1) % n];
        const D3DXVECTOR3 mid((a.x + b.x) * 0.5f - centre.x, 0.0f, (a.y + b.y) * 0.5f - centre.y);
        D3DXVECTOR3 edgeNormal = Normalised(D3DXVECTOR3(b.y - a.y, 0.0f, a.x - b.x));
        if (Dot(edgeNormal, mid) < 0.0f)
            edgeNormal = -edgeNormal;
        if (smoothWalls) {
            AddQuad(&mesh, smoothBottom[i], smoothBottom[i + 1], smoothTop[i + 1], smoothTop[i],
                    edgeNormal);
            continue;
        }
        const float u0 = static_cast<float>(i) / n;
        const float u1 = static_cast<float>(i + 1) / n;
        const uint32_t v0 = AddVertex(&mesh, {a.x, y0, a.y}, edgeNormal, {u0, 1.0f});
        const uint32_t v1 = AddVertex(&mesh, {b.x, y0, b.y}, edgeNormal, {u1, 1.0f});
        const uint32_t v2 = AddVertex(&mesh, {b.x, y1, b.y}, edgeNormal, {u1, 0.0f});
        const uint32_t v3 = AddVertex(&mesh, {a.x, y1, a.y}, edgeNormal, {u0, 0.0f});
        AddQuad(&mesh, v0, v1, v2, v3, edgeNormal);
    }

    // Caps and the hole wall.
    std::vector<D3DXVECTOR2> hole(n);
    for (size_t i = 0; i < n; ++i) {
        const float len = std::sqrt(outline[i].x * outline[i].x + outline[i].y * outline[i].y);
        hole[i] = len > 0.0f ? D3DXVECTOR2(outline[i].x / len * holeRadius,
                                           outline[i].y / len * holeRadius)
                             : D3DXVECTOR2(0.0f, 0.0f);
    }
    float outerMax = 0.0f;
    for (const D3DXVECTOR2& p : outline)
        outerMax = std::max(outerMax, std::sqrt(p.x * p.x + p.y * p.y));
    const float uvScale = outerMax > 0.0f ? 0.5f / outerMax : 0.0f;
    auto capUv = [uvScale](const D3DXVECTOR2& p) {
        return D3DXVECTOR2(0.5f + p.x * uvScale, 0.5f - p.y * uvScale);
    };
    for (int side = 0; side < 2; ++side) {
        const float y = side == 0 ? y0 : y1;
        const D3DXVECTOR3& normal = side == 0 ? down : up;
        if (holeRadius > 0.0f) {
            std::vector<uint32_t> outer(n), inner(n);
            for (size_t i = 0; i < n; ++i) {
                outer[i] =
                    AddVertex(&mesh, {outline[i].x, y, outline[i].y}, normal, capUv(outline[i]));
                inner[i] = AddVertex(&mesh, {hole[i].x, y, hole[i].y}, normal, capUv(hole[i]));
            }
            for (size_t i = 0; i < n; ++i) {
                const size_t k = (i + 1) % n;
                AddQuad(&mesh, inner[i], outer[i], outer[k], inner[k], normal);
            }
        } else {
            const uint32_t middle =
                AddVertex(&mesh, {centre.x, y, centre.y}, normal, capUv(centre));
            std::vector<uint32_t> ring(n);
            for (size_t i = 0; i < n; ++i)
                ring[i] =
                    AddVertex(&mesh, {outline[i].x, y, outline[i].y}, normal, capUv(outline[i]));
            for (size_t i = 0; i < n; ++i)
                AddTriangle(&mesh, middle, ring[i], ring[(i + 1) % n], normal);
        }
    }
    if (holeRadius > 0.0f) {
        std::vector<uint32_t> bottom(n + 1), top(n + 1);
        for (size_t i = 0; i <= n; ++i) {
            const D3DXVECTOR2& h = hole[i % n];
            const D3DXVECTOR3 inward = Normalised(D3DXVECTOR3(-h.x, 0.0f, -h.y));
            const float u = static_cast<float>(i) / n;
            bottom[i] = AddVertex(&mesh, {h.x, y0, h.y}, inward, {u, 1.0f});
            top[i] = AddVertex(&mesh, {h.x, y1, h.y}, inward, {u, 0.0f});
        }
        for (size_t i = 0; i < n; ++i)
            AddSmoothQuad(&mesh, bottom[i], bottom[i + 1], top[i + 1], top[i]);
    }
    return mesh;
}
}  // namespace

MeshData Lathe(const std::vector<ProfilePoint>& profile, int segments,
               const LatheOptions& options) {
    MeshData mesh;
    const size_t n = profile.size();
    if (n < 2 || segments < 3)
        return mesh;
    auto angleOf = [&](int j) { return options.startAngle + StepAngle(j, segments); };

    // Arc length along the profile for the v coordinate.
    std::vector<float> along(n, 0.0f);
    for (size_t k = 1; k < n; ++k) {
        const float dr = profile[k].radius - profile[k - 1].radius;
        const float dy = profile[k].y - profile[k - 1].y;
        along[k] = along[k - 1] + std::sqrt(dr * dr + dy * dy);
    }
    const float total = along[n - 1] > 0.0f ? along[n - 1] : 1.0f;

    // Normal (in radius, y) at profile point `at` for the edge whose normal is edgeN: the
    // edge's own at a crease or an end, else the mean with the neighbouring edge.
    auto pointNormal = [&](size_t at, const D3DXVECTOR2& edgeN, bool isBottom) {
        const ProfilePoint& p = profile[at];
        const bool hasOther = isBottom ? at > 0 : at + 1 < n;
        if (p.crease || !hasOther)
            return edgeN;
        const D3DXVECTOR2 other = isBottom ? ProfileEdgeNormal(profile[at - 1], p)
                                           : ProfileEdgeNormal(p, profile[at + 1]);
        const D3DXVECTOR2 sum(edgeN.x + other.x, edgeN.y + other.y);
        const float len = std::sqrt(sum.x * sum.x + sum.y * sum.y);
        return len > 0.0f ? D3DXVECTOR2(sum.x / len, sum.y / len) : edgeN;
    };
    auto vertexAt = [&](size_t at, const D3DXVECTOR2& pn, float angle, float normalAngle, float u) {
        const ProfilePoint& p = profile[at];
        const float c = std::cos(angle), s = std::sin(angle);
        const float nc = std::cos(normalAngle), ns = std::sin(normalAngle);
        return AddVertex(&mesh, {p.radius * c, p.y, p.radius * s},
                         Normalised(D3DXVECTOR3(pn.x * nc, pn.y, pn.x * ns)),
                         {u, 1.0f - along[at] / total});
    };

    // Each profile edge k (from point k to k + 1) gets its own rings, sharing them with the
    // edge below where the point between them is smooth. A point on the axis (radius 0) is an
    // apex: one vertex per segment, normal at the segment's middle, so that no apex vertex is
    // left without a face and the cone still shades smoothly around.
    std::vector<uint32_t> previousTop;
    for (size_t k = 0; k + 1 < n; ++k) {
        const bool bottomApex = profile[k].radius <= 0.0f;
        const bool topApex = profile[k + 1].radius <= 0.0f;
        const D3DXVECTOR2 edgeN = ProfileEdgeNormal(profile[k], profile[k + 1]);
        if ((edgeN.x == 0.0f && edgeN.y == 0.0f) || (bottomApex && topApex)) {
            previousTop.clear();
            continue;
        }
        const D3DXVECTOR2 bottomN = pointNormal(k, edgeN, true);
        const D3DXVECTOR2 topN = pointNormal(k + 1, edgeN, false);
        const bool shareBottom = !previousTop.empty() && !profile[k].crease && !bottomApex;
        // Faceted: columns of two vertices per facet edge (left, right), sharing across a
        // smooth point as the round rings do. Round: one ring of segments + 1, the seam
        // duplicated for the u coordinate.
        const size_t columns =
            options.faceted ? 2 * static_cast<size_t>(segments) : static_cast<size_t>(segments) + 1;
        auto ring = [&](size_t at, const D3DXVECTOR2& pn) {
            std::vector<uint32_t> ids(columns);
            for (int j = 0; j < segments; ++j) {
                const size_t c = static_cast<size_t>(j);
                const float mid = options.startAngle + kTwoPi * (j + 0.5f) / segments;
                const float u0 = static_cast<float>(j) / segments;
                const float u1 = static_cast<float>(j + 1) / segments;
                if (profile[at].radius <= 0.0f) {
                    ids[options.faceted ? 2 * c : c] = vertexAt(at, pn, mid, mid, (u0 + u1) * 0.5f);
                } else if (options.faceted) {
                    ids[2 * c] = vertexAt(at, pn, angleOf(j), mid, u0);
                    ids[2 * c + 1] = vertexAt(at, pn, angleOf(j + 1), mid, u1);
                } else {
                    ids[c] = vertexAt(at, pn, angleOf(j), angleOf(j), u0);
                }
            }
            if (!options.faceted && profile[at].radius > 0.0f)
                ids[columns - 1] = vertexAt(at, pn, angleOf(segments), angleOf(segments), 1.0f);
            return ids;
        };
        const std::vector<uint32_t> bottom = shareBottom ? previousTop : ring(k, bottomN);
        const std::vector<uint32_t> top = ring(k + 1, topN);
        for (int j = 0; j < segments; ++j) {
            const size_t c = static_cast<size_t>(j);
            const size_t left = options.faceted ? 2 * c : c;
            const size_t right = options.faceted ? 2 * c + 1 : c + 1;
            const float mid = options.startAngle + kTwoPi * (j + 0.5f) / segments;
            const D3DXVECTOR3 outward(edgeN.x * std::cos(mid), edgeN.y, edgeN.x * std::sin(mid));
            if (bottomApex)
                AddTriangle(&mesh, bottom[left], top[right], top[left], outward);
            else if (topApex)
                AddTriangle(&mesh, bottom[left], bottom[right], top[left], outward);
            else
                AddQuad(&mesh, bottom[left], bottom[right], top[right], top[left], outward);
        }
        previousTop = top;
    }

    // Flat caps on ends that do not close to a point.
    for (int end = 0; end < 2; ++end) {
        const ProfilePoint& p = end == 0 ? profile.front() : profile.back();
        if (p.radius <= 0.0f || !(end == 0 ? options.capBottom : options.capTop))
            continue;
        const D3DXVECTOR3 normal(0.0f, end == 0 ? -1.0f : 1.0f, 0.0f);
        const uint32_t centre = AddVertex(&mesh, {0.0f, p.y, 0.0f}, normal, {0.5f, 0.5f});
        std::vector<uint32_t> ids(static_cast<size_t>(segments));
        for (int j = 0; j < segments; ++j) {
            const float angle = angleOf(j);
            const float c = std::cos(angle), s = std::sin(angle);
            ids[static_cast<size_t>(j)] = AddVertex(&mesh, {p.radius * c, p.y, p.radius * s},
                                                    normal, {0.5f + 0.5f * c, 0.5f - 0.5f * s});
        }
        for (int j = 0; j < segments; ++j)
            AddTriangle(&mesh, centre, ids[static_cast<size_t>(j)],
                        ids[static_cast<size_t>((j + 1) % segments)], normal);
    }
    return mesh;
}

MeshData Box(const D3DXVECTOR3& lo, const D3DXVECTOR3& hi) {
    MeshData mesh;
    for (int axis = 0; axis < 3; ++axis) {
        for (int side = 0; side < 2; ++side) {
            D3DXVECTOR3 normal(0.0f, 0.0f, 0.0f);
            (axis == 0 ? normal.x : axis == 1 ? normal.y : normal.z) = side ? 1.0f : -1.0f;
            const int u = (axis + 1) % 3, v = (axis + 2) % 3;
            uint32_t ids[4] = {};
            for (int corner = 0; corner < 4; ++corner) {
                const int cu = (corner == 1 || corner == 2) ? 1 : 0;
                const int cv = corner >= 2 ? 1 : 0;
                float c[3] = {};
                c[axis] = side ? (&hi.x)[axis] : (&lo.x)[axis];
                c[u] = cu ? (&hi.x)[u] : (&lo.x)[u];
                c[v] = cv ? (&hi.x)[v] : (&lo.x)[v];
                ids[corner] = AddVertex(&mesh, {c[0], c[1], c[2]}, normal,
                                        {static_cast<float>(cu), static_cast<float>(1 - cv)});
            }
            AddQuad(&mesh, ids[0], ids[1], ids[2], ids[3], normal);
        }
    }
    return mesh;
}

MeshData ExtrudeOutline(const std::vector<D3DXVECTOR2>& outline, float y0, float y1) {
    return ExtrudeStar(outline, 0.0f, y0, y1, false);
}

MeshData Gear(int teeth, float rootRadius, float tipRadius, float holeRadius, float halfThickness) {
    std::vector<D3DXVECTOR2> outline;
    if (teeth < 3)
        return MeshData();
    // Per tooth: rise, flat tip, fall, flat root, as fractions of the tooth pitch.
    const float marks[4] = {0.0f, 0.18f, 0.45f, 0.63f};
    const float radii[4] = {rootRadius, tipRadius, tipRadius, rootRadius};
    for (int t = 0; t < teeth; ++t) {
        for (int m = 0; m < 4; ++m) {
            const float angle = kTwoPi * (static_cast<float>(t) + marks[m]) / teeth;
            outline.emplace_back(radii[m] * std::cos(angle), radii[m] * std::sin(angle));
        }
    }
    return ExtrudeStar(outline, holeRadius, -halfThickness, halfThickness, false);
}

MeshData FlatRing(float innerRadius, float outerRadius, float halfThickness, int segments) {
    std::vector<D3DXVECTOR2> outline;
    if (segments < 3 || innerRadius <= 0.0f || outerRadius <= innerRadius)
        return MeshData();
    for (int j = 0; j < segments; ++j) {
        const float angle = StepAngle(j, segments);
        outline.emplace_back(outerRadius * std::cos(angle), outerRadius * std::sin(angle));
    }
    return ExtrudeStar(outline, innerRadius, -halfThickness, halfThickness, true);
}

MeshData Torus(float majorRadius, float minorRadius, int majorSegments, int minorSegments) {
    MeshData mesh;
    if (majorSegments < 3 || minorSegments < 3)
        return mesh;
    const size_t stride = static_cast<size_t>(minorSegments) + 1;
    for (int i = 0; i <= majorSegments; ++i) {
        const float phi = StepAngle(i, majorSegments);
        for (int j = 0; j <= minorSegments; ++j) {
            const float psi = StepAngle(j, minorSegments);
            const D3DXVECTOR3 n(std::cos(psi) * std::cos(phi), std::sin(psi),
                                std::cos(psi) * std::sin(phi));
            const D3DXVECTOR3 c(majorRadius * std::cos(phi), 0.0f, majorRadius * std::sin(phi));
            AddVertex(
                &mesh, c + n * minorRadius, n,
                {static_cast<float>(i) / majorSegments, static_cast<float>(j) / minorSegments});
        }
    }
    for (int i = 0; i < majorSegments; ++i) {
        for (int j = 0; j < minorSegments; ++j) {
            const uint32_t a = static_cast<uint32_t>(i * stride + j);
            const uint32_t b = static_cast<uint32_t>((i + 1) * stride + j);
            AddSmoothQuad(&mesh, a, b, b + 1, a + 1);
        }
    }
    return mesh;
}

MeshData Ellipsoid(const D3DXVECTOR3& radii, int segments, int rings) {
    MeshData mesh;
    if (segments < 3 || rings < 2)
        return mesh;
    // One vertex at each pole, where every column meets; rings 1 .. rings - 1 between them
    // with the seam duplicated for the u coordinate.
    const size_t stride = static_cast<size_t>(segments) + 1;
    const uint32_t bottomPole =
        AddVertex(&mesh, {0.0f, -radii.y, 0.0f}, {0.0f, -1.0f, 0.0f}, {0.5f, 1.0f});
    for (int i = 1; i < rings; ++i) {
        const float theta = D3DX_PI * static_cast<float>(i) / rings;
        const float sy = -std::cos(theta);
        const float sr = std::sin(theta);
        for (int j = 0; j <= segments; ++j) {
            const float phi = StepAngle(j, segments);
            const D3DXVECTOR3 p(radii.x * sr * std::cos(phi), radii.y * sy,
                                radii.z * sr * std::sin(phi));
            const D3DXVECTOR3 n = Normalised(D3DXVECTOR3(
                p.x / (radii.x * radii.x), p.y / (radii.y * radii.y), p.z / (radii.z * radii.z)));
            AddVertex(&mesh, p, n,
                      {static_cast<float>(j) / segments, 1.0f - static_cast<float>(i) / rings});
        }
    }
    const uint32_t topPole =
        AddVertex(&mesh, {0.0f, radii.y, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.5f, 0.0f});
    auto at = [&](int ring, int j) { return static_cast<uint32_t>(1 + (ring - 1) * stride + j); };
    auto fan = [&](uint32_t pole, int ring) {
        for (int j = 0; j < segments; ++j) {
            const uint32_t a = at(ring, j), b = at(ring, j + 1);
            AddTriangle(&mesh, pole, a, b, mesh.normals[pole] + mesh.normals[a] + mesh.normals[b]);
        }
    };
    fan(bottomPole, 1);
    for (int i = 1; i + 1 < rings; ++i)
        for (int j = 0; j < segments; ++j)
            AddSmoothQuad(&mesh, at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j));
    fan(topPole, rings - 1);
    return mesh;
}

MeshData ConvexHull(const std::vector<D3DXVECTOR3>& points) {
    MeshData mesh;
    const size_t n = points.size();
    if (n < 4)
        return mesh;
    struct Vec {
        double x, y, z;
    };
    auto sub = [](const Vec& a, const Vec& b) { return Vec{a.x - b.x, a.y - b.y, a.z - b.z}; };
    auto cross = [](const Vec& a, const Vec& b) {
        return Vec{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    };
    auto dot = [](const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
    std::vector<Vec> p(n);
    Vec lo{1e30, 1e30, 1e30}, hi{-1e30, -1e30, -1e30};
    for (size_t i = 0; i < n; ++i) {
        p[i] = {points[i].x, points[i].y, points[i].z};
        lo = {std::min(lo.x, p[i].x), std::min(lo.y, p[i].y), std::min(lo.z, p[i].z)};
        hi = {std::max(hi.x, p[i].x), std::max(hi.y, p[i].y), std::max(hi.z, p[i].z)};
    }
    const double size = std::sqrt(dot(sub(hi, lo), sub(hi, lo)));
    const double eps = 1e-4 * size;
    if (size <= 0.0)
        return mesh;

    // Starting tetrahedron: two far-apart points, the farthest from their line, the
    // farthest from their plane.
    size_t i0 = 0, i1 = 0, i2 = 0, i3 = 0;
    for (size_t i = 1; i < n; ++i)
        if (p[i].x < p[i0].x)
            i0 = i;
    double best = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double d = dot(sub(p[i], p[i0]), sub(p[i], p[i0]));
        if (d > best)
            best = d, i1 = i;
    }
    best = 0.0;
    const Vec axis = sub(p[i1], p[i0]);
    for (size_t i = 0; i < n; ++i) {
        const Vec c = cross(axis, sub(p[i], p[i0]));
        const double d = dot(c, c);
        if (d > best)
            best = d, i2 = i;
    }
    if (best <= eps * eps * dot(axis, axis))
        return mesh;
    const Vec planeN = cross(axis, sub(p[i2], p[i0]));
    const double planeLen = std::sqrt(dot(planeN, planeN));
    best = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double d = std::fabs(dot(planeN, sub(p[i], p[i0]))) / planeLen;
        if (d > best)
            best = d, i3 = i;
    }
    if (best <= eps)
        return mesh;

    struct Face {
        size_t a, b, c;
        Vec normal;
        double offset;
    };
    std::vector<Face> faces;
    auto makeFace = [&](size_t a, size_t b, size_t c) {
        Vec nrm = cross(sub(p[b], p[a]), sub(p[c], p[a]));
        const double len = std::sqrt(dot(nrm, nrm));
        nrm = {nrm.x / len, nrm.y / len, nrm.z / len};
        return Face{a, b, c, nrm, dot(nrm, p[a])};
    };
    const Vec inside{(p[i0].x + p[i1].x + p[i2].x + p[i3].x) / 4.0,
                     (p[i0].y + p[i1].y + p[i2].y + p[i3].y) / 4.0,
                     (p[i0].z + p[i1].z + p[i2].z + p[i3].z) / 4.0};
    auto addOriented = [&](size_t a, size_t b, size_t c) {
        Face f = makeFace(a, b, c);
        if (dot(f.normal, inside) - f.offset > 0.0)
            f = makeFace(a, c, b);
        faces.push_back(f);
    };
    addOriented(i0, i1, i2);
    addOriented(i0, i1, i3);
    addOriented(i0, i2, i3);
    addOriented(i1, i2, i3);

    for (size_t i = 0; i < n; ++i) {
        if (i == i0 || i == i1 || i == i2 || i == i3)
            continue;
        std::vector<bool> visible(faces.size(), false);
        bool any = false;
        for (size_t f = 0; f < faces.size(); ++f) {
            if (dot(faces[f].normal, p[i]) - faces[f].offset > eps)
                visible[f] = any = true;
        }
        if (!any)
            continue;
        // Horizon: directed edges of visible faces whose reverse belongs to a hidden face.
        // Rounding can make the visible region touch itself at a vertex; such a vertex has
        // two outgoing horizon edges, and every face around it joins the region until the
        // horizon is one simple loop per region.
        std::map<std::pair<size_t, size_t>, size_t> edgeFace;
        for (size_t f = 0; f < faces.size(); ++f) {
            edgeFace[{faces[f].a, faces[f].b}] = f;
            edgeFace[{faces[f].b, faces[f].c}] = f;
            edgeFace[{faces[f].c, faces[f].a}] = f;
        }
        std::vector<std::pair<size_t, size_t>> horizon;
        for (bool pinched = true; pinched;) {
            horizon.clear();
            std::map<size_t, int> outgoing;
            for (size_t f = 0; f < faces.size(); ++f) {
                if (!visible[f])
                    continue;
                const size_t e[3][2] = {
                    {faces[f].a, faces[f].b}, {faces[f].b, faces[f].c}, {faces[f].c, faces[f].a}};
                for (const auto& edge : e) {
                    const auto twin = edgeFace.find({edge[1], edge[0]});
                    if (twin != edgeFace.end() && !visible[twin->second]) {
                        horizon.emplace_back(edge[0], edge[1]);
                        ++outgoing[edge[0]];
                    }
                }
            }
            pinched = false;
            for (const auto& entry : outgoing) {
                if (entry.second < 2)
                    continue;
                pinched = true;
                for (size_t f = 0; f < faces.size(); ++f)
                    if (faces[f].a == entry.first || faces[f].b == entry.first ||
                        faces[f].c == entry.first)
                        visible[f] = true;
            }
        }
        std::vector<Face> kept;
        for (size_t f = 0; f < faces.size(); ++f)
            if (!visible[f])
                kept.push_back(faces[f]);
        for (const auto& edge : horizon)
            kept.push_back(makeFace(edge.first, edge.second, i));
        faces.swap(kept);
    }

    // Shared vertices with normals averaged over their faces.
    std::map<size_t, uint32_t> remap;
    std::vector<D3DXVECTOR3> normalSums;
    for (const Face& f : faces) {
        const size_t ids[3] = {f.a, f.b, f.c};
        std::array<uint32_t, 3> tri{};
        for (int k = 0; k < 3; ++k) {
            auto it = remap.find(ids[k]);
            if (it == remap.end()) {
                it = remap.emplace(ids[k], static_cast<uint32_t>(mesh.positions.size())).first;
                mesh.positions.push_back(points[ids[k]]);
                normalSums.emplace_back(0.0f, 0.0f, 0.0f);
            }
            tri[k] = it->second;
            normalSums[it->second] +=
                D3DXVECTOR3(static_cast<float>(f.normal.x), static_cast<float>(f.normal.y),
                            static_cast<float>(f.normal.z));
        }
        mesh.faces.push_back(tri);
    }
    for (const D3DXVECTOR3& s : normalSums)
        mesh.normals.push_back(Normalised(s));
    return mesh;
}

void AppendMesh(MeshData* dst, const MeshData& src) {
    const uint32_t base = static_cast<uint32_t>(dst->positions.size());
    const size_t dstFaces = dst->faces.size();
    const bool dstHadColours = !dst->colours.empty() || dst->positions.empty();
    const bool dstHadUv = !dst->texCoords.empty() || dst->positions.empty();
    dst->positions.insert(dst->positions.end(), src.positions.begin(), src.positions.end());
    dst->normals.insert(dst->normals.end(), src.normals.begin(), src.normals.end());
    // Optional arrays stay either empty or complete: a side that lacks them gets defaults.
    if (!src.texCoords.empty() || !dst->texCoords.empty()) {
        if (!dstHadUv)
            dst->texCoords.resize(base, D3DXVECTOR2(0.0f, 0.0f));
        dst->texCoords.insert(dst->texCoords.end(), src.texCoords.begin(), src.texCoords.end());
        dst->texCoords.resize(dst->positions.size(), D3DXVECTOR2(0.0f, 0.0f));
    }
    if (!src.colours.empty() || !dst->colours.empty()) {
        if (!dstHadColours)
            dst->colours.resize(base, 0xFFFFFFFFu);
        dst->colours.insert(dst->colours.end(), src.colours.begin(), src.colours.end());
        dst->colours.resize(dst->positions.size(), 0xFFFFFFFFu);
    }
    for (const auto& f : src.faces)
        dst->faces.push_back({f[0] + base, f[1] + base, f[2] + base});
    if (!src.faceMaterials.empty() || !dst->faceMaterials.empty()) {
        dst->faceMaterials.resize(dstFaces, 0);
        dst->faceMaterials.insert(dst->faceMaterials.end(), src.faceMaterials.begin(),
                                  src.faceMaterials.end());
        dst->faceMaterials.resize(dst->faces.size(), 0);
    }
    if (dst->materials.size() < src.materials.size()) {
        for (size_t m = dst->materials.size(); m < src.materials.size(); ++m)
            dst->materials.push_back(src.materials[m]);
    }
}

void TransformMesh(MeshData* mesh, const D3DXMATRIX& matrix) {
    D3DXMATRIX inverse;
    float determinant = 0.0f;
    D3DXMATRIX normalMatrix;
    if (D3DXMatrixInverse(&inverse, &determinant, &matrix))
        D3DXMatrixTranspose(&normalMatrix, &inverse);
    for (D3DXVECTOR3& p : mesh->positions)
        D3DXVec3TransformCoord(&p, &p, &matrix);
    for (D3DXVECTOR3& n : mesh->normals) {
        D3DXVec3TransformNormal(&n, &n, &normalMatrix);
        D3DXVec3Normalize(&n, &n);
    }
    if (determinant < 0.0f)
        for (auto& f : mesh->faces)
            std::swap(f[1], f[2]);
}

void PaintMesh(MeshData* mesh, D3DCOLOR colour) {
    mesh->colours.assign(mesh->positions.size(), colour);
}

void PaintMeshByHeight(MeshData* mesh, float y0, D3DCOLOR bottom, float y1, D3DCOLOR top) {
    mesh->colours.resize(mesh->positions.size());
    for (size_t i = 0; i < mesh->positions.size(); ++i) {
        float t = y1 != y0 ? (mesh->positions[i].y - y0) / (y1 - y0) : 0.0f;
        t = std::min(1.0f, std::max(0.0f, t));
        D3DCOLOR c = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const float a = static_cast<float>((bottom >> shift) & 0xFF);
            const float b = static_cast<float>((top >> shift) & 0xFF);
            const uint32_t v = static_cast<uint32_t>(std::lround(a + (b - a) * t));
            c |= (v & 0xFFu) << shift;
        }
        mesh->colours[i] = c;
    }
}

void SetSingleMaterial(MeshData* mesh, const MeshMaterial& material) {
    mesh->materials.assign(1, material);
    mesh->faceMaterials.assign(mesh->faces.size(), 0);
}

void MeshBounds(const MeshData& mesh, D3DXVECTOR3* minCorner, D3DXVECTOR3* maxCorner) {
    *minCorner = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    *maxCorner = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    if (mesh.positions.empty())
        return;
    *minCorner = *maxCorner = mesh.positions.front();
    for (const D3DXVECTOR3& p : mesh.positions) {
        minCorner->x = std::min(minCorner->x, p.x);
        minCorner->y = std::min(minCorner->y, p.y);
        minCorner->z = std::min(minCorner->z, p.z);
        maxCorner->x = std::max(maxCorner->x, p.x);
        maxCorner->y = std::max(maxCorner->y, p.y);
        maxCorner->z = std::max(maxCorner->z, p.z);
    }
}

float MeshVolume(const MeshData& mesh) {
    double sum = 0.0;
    for (const auto& f : mesh.faces) {
        const D3DXVECTOR3& p = mesh.positions[f[0]];
        const D3DXVECTOR3& q = mesh.positions[f[1]];
        const D3DXVECTOR3& r = mesh.positions[f[2]];
        sum += static_cast<double>(Dot(p, Cross(q, r)));
    }
    return static_cast<float>(sum / 6.0);
}

bool IsClosedSurface(const MeshData& mesh) {
    if (mesh.faces.empty())
        return false;
    std::map<std::tuple<float, float, float>, uint32_t> ids;
    std::vector<uint32_t> weld(mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const D3DXVECTOR3& p = mesh.positions[i];
        weld[i] = ids.emplace(std::make_tuple(p.x, p.y, p.z), static_cast<uint32_t>(ids.size()))
                      .first->second;
    }
    std::map<std::pair<uint32_t, uint32_t>, int> edges;
    for (const auto& f : mesh.faces) {
        if (f[0] >= weld.size() || f[1] >= weld.size() || f[2] >= weld.size())
            return false;
        const uint32_t a = weld[f[0]], b = weld[f[1]], c = weld[f[2]];
        if (a == b || b == c || c == a)
            return false;
        if (++edges[{a, b}] > 1 || ++edges[{b, c}] > 1 || ++edges[{c, a}] > 1)
            return false;
    }
    for (const auto& e : edges)
        if (edges.find({e.first.second, e.first.first}) == edges.end())
            return false;
    return true;
}

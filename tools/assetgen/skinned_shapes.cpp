#include "tools/assetgen/skinned_shapes.h"

#include <algorithm>
#include <cmath>

#include "tools/assetgen/mesh_builder.h"

namespace {
D3DXVECTOR3 Centroid(const std::vector<D3DXVECTOR3>& points) {
    D3DXVECTOR3 sum;
    for (const D3DXVECTOR3& p : points)
        sum += p;
    return points.empty() ? sum : sum / static_cast<float>(points.size());
}

// Newell normal of a closed polygon: its direction follows the right-hand rule of the order.
D3DXVECTOR3 PolygonNormal(const std::vector<D3DXVECTOR3>& points) {
    D3DXVECTOR3 n;
    for (size_t i = 0; i < points.size(); ++i) {
        const D3DXVECTOR3& a = points[i];
        const D3DXVECTOR3& b = points[(i + 1) % points.size()];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

// Area-weighted vertex normals from the faces that share each vertex.
void SmoothNormals(MeshData* mesh) {
    mesh->normals.assign(mesh->positions.size(), D3DXVECTOR3());
    for (const std::array<uint32_t, 3>& f : mesh->faces) {
        const D3DXVECTOR3 e1 = mesh->positions[f[1]] - mesh->positions[f[0]];
        const D3DXVECTOR3 e2 = mesh->positions[f[2]] - mesh->positions[f[0]];
        D3DXVECTOR3 n;
        D3DXVec3Cross(&n, &e1, &e2);
        for (uint32_t v : f)
            mesh->normals[v] += n;
    }
    for (D3DXVECTOR3& n : mesh->normals)
        D3DXVec3Normalize(&n, &n);
}

float ChannelMix(uint32_t a, uint32_t b, float t) {
    return static_cast<float>(a) + (static_cast<float>(b) - static_cast<float>(a)) * t;
}
}  // namespace

SkinnedPart Loft(const std::vector<LoftSection>& sections) {
    SkinnedPart part;
    if (sections.size() < 2)
        return part;
    MeshData& mesh = part.mesh;

    // Vertices: every point of every section.
    std::vector<uint32_t> first(sections.size());
    for (size_t s = 0; s < sections.size(); ++s) {
        first[s] = static_cast<uint32_t>(mesh.positions.size());
        const LoftSection& section = sections[s];
        for (size_t i = 0; i < section.points.size(); ++i) {
            mesh.positions.push_back(section.points[i]);
            part.influences.push_back(i < section.influences.size() ? section.influences[i]
                                                                    : section.influences.back());
        }
    }

    // The direction of travel at each ring, used to orient its faces outward.
    auto ringWinding = [&](size_t ring, const D3DXVECTOR3& travel) {
        const D3DXVECTOR3 n = PolygonNormal(sections[ring].points);
        return D3DXVec3Dot(&n, &travel) >= 0.0f;
    };
    auto addFace = [&](uint32_t a, uint32_t b, uint32_t c, bool forward) {
        if (forward)
            mesh.faces.push_back({a, b, c});
        else
            mesh.faces.push_back({a, c, b});
    };

    // Side quads between rings of equal count.
    for (size_t s = 0; s + 1 < sections.size(); ++s) {
        const size_t n0 = sections[s].points.size(), n1 = sections[s + 1].points.size();
        if (n0 < 2 || n1 < 2 || n0 != n1)
            continue;
        const D3DXVECTOR3 travel = Centroid(sections[s + 1].points) - Centroid(sections[s].points);
        const bool ccw = ringWinding(s, travel);
        for (size_t i = 0; i < n0; ++i) {
            const uint32_t a = first[s] + static_cast<uint32_t>(i);
            const uint32_t b = first[s] + static_cast<uint32_t>((i + 1) % n0);
            const uint32_t c = first[s + 1] + static_cast<uint32_t>((i + 1) % n0);
            const uint32_t d = first[s + 1] + static_cast<uint32_t>(i);
            addFace(a, b, c, ccw);
            addFace(a, c, d, ccw);
        }
    }

    // Ends: a cone to an apex section, or a fan around a new centroid vertex.
    auto closeEnd = [&](size_t ring, size_t neighbour, bool atStart) {
        const LoftSection& section = sections[ring];
        if (section.points.size() < 2)
            return;
        uint32_t centre = 0;
        D3DXVECTOR3 outward;
        if (sections[neighbour].points.size() == 1) {
            centre = first[neighbour];
            outward = sections[neighbour].points[0] - Centroid(section.points);
            // An apex pulled back inside the loft (a notch) still closes the same end.
            const size_t inner = atStart ? ring + 1 : ring - 1;
            if (inner < sections.size() && sections[inner].points.size() > 1)
                outward = Centroid(section.points) - Centroid(sections[inner].points);
        } else {
            centre = static_cast<uint32_t>(mesh.positions.size());
            mesh.positions.push_back(Centroid(section.points));
            part.influences.push_back(part.influences[first[ring]]);
            const size_t inner = atStart ? ring + 1 : ring - 1;
            outward = Centroid(section.points) - Centroid(sections[inner].points);
        }
        const bool ccw = ringWinding(ring, outward);
        const size_t n = section.points.size();
        for (size_t i = 0; i < n; ++i) {
            const uint32_t a = first[ring] + static_cast<uint32_t>(i);
            const uint32_t b = first[ring] + static_cast<uint32_t>((i + 1) % n);
            addFace(centre, a, b, ccw);
        }
    };
    const size_t last = sections.size() - 1;
    if (sections[0].points.size() == 1)
        closeEnd(1, 0, true);
    else
        closeEnd(0, 0, true);
    if (sections[last].points.size() == 1)
        closeEnd(last - 1, last, false);
    else
        closeEnd(last, last, false);

    SmoothNormals(&mesh);
    mesh.colours.assign(mesh.positions.size(), Rgb(255, 255, 255));
    return part;
}

std::vector<std::vector<SkinInfluence>> Uniform(size_t count,
                                                const std::vector<SkinInfluence>& influences) {
    return std::vector<std::vector<SkinInfluence>>(count, influences);
}

std::vector<SkinInfluence> Rigid(uint32_t bone) {
    return {SkinInfluence{bone, 1.0f}};
}

std::vector<SkinInfluence> Blend(uint32_t a, uint32_t b, float t) {
    if (t <= 0.0f || a == b)
        return {SkinInfluence{a, 1.0f}};
    if (t >= 1.0f)
        return {SkinInfluence{b, 1.0f}};
    return {SkinInfluence{a, 1.0f - t}, SkinInfluence{b, t}};
}

LoftSection RingSection(const D3DXVECTOR3& centre, const D3DXVECTOR3& axis, float rx, float ry,
                        int sides, const std::vector<SkinInfluence>& influences) {
    D3DXVECTOR3 along, across, up(0.0f, 1.0f, 0.0f);
    D3DXVec3Normalize(&along, &axis);
    D3DXVec3Cross(&across, &up, &along);
    if (D3DXVec3LengthSq(&across) < 1e-6f)
        across = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    D3DXVec3Normalize(&across, &across);
    D3DXVec3Cross(&up, &along, &across);
    LoftSection section;
    for (int i = 0; i < sides; ++i) {
        const float a = 2.0f * D3DX_PI * static_cast<float>(i) / static_cast<float>(sides);
        section.points.push_back(centre + across * (rx * std::cos(a)) + up * (ry * std::sin(a)));
    }
    section.influences = Uniform(section.points.size(), influences);
    return section;
}

LoftSection AirfoilSection(float x, float y, float lead, float trail, float half,
                           const std::vector<SkinInfluence>& influences) {
    const float thick = lead + (trail - lead) * 0.35f;
    LoftSection section;
    section.points = {D3DXVECTOR3(x, y, lead), D3DXVECTOR3(x, y + half, thick),
                      D3DXVECTOR3(x, y, trail), D3DXVECTOR3(x, y - half, thick)};
    section.influences = Uniform(section.points.size(), influences);
    return section;
}

LoftSection ApexSection(const D3DXVECTOR3& point, const std::vector<SkinInfluence>& influences) {
    LoftSection section;
    section.points = {point};
    section.influences = {influences};
    return section;
}

SkinnedPart Bead(const D3DXVECTOR3& centre, float halfLength, float radius, uint32_t bone) {
    const std::vector<SkinInfluence> rigid = Rigid(bone);
    const D3DXVECTOR3 along(halfLength, 0.0f, 0.0f);
    return Loft({ApexSection(centre - along, rigid),
                 RingSection(centre, D3DXVECTOR3(1.0f, 0.0f, 0.0f), radius, radius, 4, rigid),
                 ApexSection(centre + along, rigid)});
}

void MapTexture(SkinnedPart* part, const std::function<D3DXVECTOR2(const D3DXVECTOR3&)>& map) {
    MeshData& mesh = part->mesh;
    mesh.texCoords.resize(mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i)
        mesh.texCoords[i] = map(mesh.positions[i]);
}

void PaintPart(SkinnedPart* part,
               const std::function<D3DCOLOR(const D3DXVECTOR3&, const D3DXVECTOR3&)>& paint) {
    MeshData& mesh = part->mesh;
    mesh.colours.resize(mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i)
        mesh.colours[i] = paint(mesh.positions[i], mesh.normals[i]);
}

SkinnedPart MirrorPart(const SkinnedPart& part,
                       const std::function<uint32_t(uint32_t)>& mirrorBone) {
    SkinnedPart mirrored = part;
    D3DXMATRIX flip;
    D3DXMatrixScaling(&flip, -1.0f, 1.0f, 1.0f);
    TransformMesh(&mirrored.mesh, flip);
    for (std::vector<SkinInfluence>& list : mirrored.influences)
        for (SkinInfluence& s : list)
            s.bone = mirrorBone(s.bone);
    return mirrored;
}

void AppendPart(SkinnedModel* model, const SkinnedPart& part) {
    AppendMesh(&model->mesh, part.mesh);
    model->influences.insert(model->influences.end(), part.influences.begin(),
                             part.influences.end());
}

D3DCOLOR Rgb(int r, int g, int b) {
    auto clamp = [](int c) { return static_cast<uint32_t>(std::min(255, std::max(0, c))); };
    return 0xFF000000u | (clamp(r) << 16) | (clamp(g) << 8) | clamp(b);
}

D3DCOLOR MixColour(D3DCOLOR a, D3DCOLOR b, float t) {
    t = std::min(1.0f, std::max(0.0f, t));
    auto channel = [&](int shift) {
        return static_cast<int>(
            std::lround(ChannelMix((a >> shift) & 0xFF, (b >> shift) & 0xFF, t)));
    };
    return Rgb(channel(16), channel(8), channel(0));
}

void QuantiseWeights(std::vector<SkinInfluence>* influences) {
    float total = 0.0f;
    for (const SkinInfluence& s : *influences)
        total += s.weight;
    if (influences->empty() || total <= 0.0f)
        return;
    std::vector<int> thousandths;
    int sum = 0;
    size_t largest = 0;
    for (size_t i = 0; i < influences->size(); ++i) {
        const int q = static_cast<int>(std::lround((*influences)[i].weight / total * 1000.0f));
        thousandths.push_back(q);
        sum += q;
        if ((*influences)[i].weight > (*influences)[largest].weight)
            largest = i;
    }
    thousandths[largest] += 1000 - sum;
    std::vector<SkinInfluence> kept;
    for (size_t i = 0; i < influences->size(); ++i)
        if (thousandths[i] > 0)
            kept.push_back(
                SkinInfluence{(*influences)[i].bone, static_cast<float>(thousandths[i]) / 1000.0f});
    *influences = kept;
}

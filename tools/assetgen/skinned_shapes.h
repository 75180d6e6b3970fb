// Skinned geometry for the authored creatures: closed lofts through cross-sections that carry
// their bone influences, so bodies, wings, feathers, fins and eyes bend with their bones.
// Owns: the SkinnedPart record (a mesh with one influence list per vertex), the loft, the
// section shapes and the painting and appending of parts.
// Does not: pick bones or colours for a creature, or write text. Winding is Direct3D's:
// cross(Q - P, R - P) of every face points outward. Needs: mesh_builder.h, skinned_model.h.
#pragma once

#include <functional>
#include <vector>

#include "platform/system/d3dx_math.h"
#include "tools/assetgen/mesh_data.h"
#include "tools/assetgen/skinned_model.h"

struct SkinnedPart {
    MeshData mesh;
    std::vector<std::vector<SkinInfluence>> influences;  // one list per vertex
};

// One cross-section of a loft: a closed polygon (or a single apex point at either end of the
// loft) with the influences of each point.
struct LoftSection {
    std::vector<D3DXVECTOR3> points;
    std::vector<std::vector<SkinInfluence>> influences;  // one list per point
};

// Joins consecutive sections with quads; a single-point first or last section closes the end
// as a cone, any other end is closed by a flat fan around its centroid. Sections of more than
// one point must all have the same count. Smooth normals, white vertices, no texture
// coordinates (MapTexture adds them).
SkinnedPart Loft(const std::vector<LoftSection>& sections);

// The same influences for every point of a section.
std::vector<std::vector<SkinInfluence>> Uniform(size_t count,
                                                const std::vector<SkinInfluence>& influences);
// One bone with the whole weight.
std::vector<SkinInfluence> Rigid(uint32_t bone);
// Two-bone blend: bone a with weight 1 - t, bone b with t (a single influence at the ends).
std::vector<SkinInfluence> Blend(uint32_t a, uint32_t b, float t);
// Ellipse of `sides` points around `axis` through centre: radius rx along the horizontal
// direction across the axis (x for an axis along z), ry along the direction up from it.
// Points follow the right-hand rule about the axis.
LoftSection RingSection(const D3DXVECTOR3& centre, const D3DXVECTOR3& axis, float rx, float ry,
                        int sides, const std::vector<SkinInfluence>& influences);
// Diamond airfoil in a plane of constant x: leading edge at z = lead, trailing edge at
// z = trail, the thickest point at 35% of the chord, half-thickness `half` above and below y.
LoftSection AirfoilSection(float x, float y, float lead, float trail, float half,
                           const std::vector<SkinInfluence>& influences);
// A single apex point.
LoftSection ApexSection(const D3DXVECTOR3& point, const std::vector<SkinInfluence>& influences);

// A small eight-sided bead (an eye) on one bone: points halfLength either side of centre
// along x, a square ring of the given radius between them.
SkinnedPart Bead(const D3DXVECTOR3& centre, float halfLength, float radius, uint32_t bone);

// Sets every vertex's texture coordinates from its position.
void MapTexture(SkinnedPart* part, const std::function<D3DXVECTOR2(const D3DXVECTOR3&)>& map);
// Sets every vertex colour from its position and normal.
void PaintPart(SkinnedPart* part,
               const std::function<D3DCOLOR(const D3DXVECTOR3&, const D3DXVECTOR3&)>& paint);
// Mirror image across the x = 0 plane with the bones renamed by `mirrorBone` (faces reversed
// so the winding stays outward).
SkinnedPart MirrorPart(const SkinnedPart& part,
                       const std::function<uint32_t(uint32_t)>& mirrorBone);
// Appends a part to the model's mesh and influence lists.
void AppendPart(SkinnedModel* model, const SkinnedPart& part);

// Colour helpers: 0xFFRRGGBB from bytes; channel-wise blend of two colours by t in [0, 1].
D3DCOLOR Rgb(int r, int g, int b);
D3DCOLOR MixColour(D3DCOLOR a, D3DCOLOR b, float t);
// Quantises influences so each weight is a multiple of 1/1000 and they sum to exactly 1000
// thousandths (the file then states weights that add up to 1), dropping zero weights.
void QuantiseWeights(std::vector<SkinInfluence>* influences);

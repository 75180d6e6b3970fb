#include "tools/assetgen/skinned_dammy.h"

#include <algorithm>
#include <cmath>

#include "tools/assetgen/mesh_builder.h"
#include "tools/assetgen/skinned_shapes.h"

namespace {
constexpr uint32_t kBoneCount = 6;
constexpr uint32_t kKeyCount = 31;  // one every 329 ticks, both ends included

const BoneSpec kBones[kBoneCount] = {
    {"Segment0", -1, {0.0f, 0.0f, 0.0f}}, {"Segment1", 0, {0.0f, 1.0f, 0.0f}},
    {"Segment2", 1, {0.0f, 1.0f, 0.0f}},  {"Segment3", 2, {0.0f, 1.0f, 0.0f}},
    {"Segment4", 3, {0.0f, 1.0f, 0.0f}},  {"Segment5", 4, {0.0f, 1.0f, 0.0f}},
};

// The four bones nearest a height, weighted by a bell around each bone's middle.
std::vector<SkinInfluence> ColumnInfluences(float height) {
    std::vector<SkinInfluence> all;
    for (uint32_t b = 0; b < kBoneCount; ++b) {
        const float d = height - (static_cast<float>(b) + 0.5f);
        all.push_back(SkinInfluence{b, std::exp(-d * d / 0.8f)});
    }
    std::stable_sort(all.begin(), all.end(), [](const SkinInfluence& a, const SkinInfluence& b) {
        return a.weight > b.weight;
    });
    all.resize(4);
    QuantiseWeights(&all);
    return all;
}

void BuildSkin(SkinnedModel* model) {
    std::vector<LoftSection> sections;
    for (int i = 0; i <= 12; ++i) {
        const float y = 0.5f * static_cast<float>(i);
        const float r = 0.45f - 0.03f * y;
        sections.push_back(RingSection(D3DXVECTOR3(0.0f, y, 0.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f), r,
                                       r, 8, ColumnInfluences(y)));
    }
    SkinnedPart part = Loft(sections);
    PaintPart(&part, [](const D3DXVECTOR3& p, const D3DXVECTOR3&) {
        return MixColour(Rgb(200, 204, 214), Rgb(244, 246, 250), p.y / 6.0f);
    });
    AppendPart(model, part);
    SetSingleMaterial(&model->mesh, MeshMaterial());
}

// Every segment bends a little more than the one below, a wave climbing the column.
D3DXMATRIX SegmentPose(uint32_t bone, uint32_t t) {
    const float a =
        2.0f * D3DX_PI * static_cast<float>(t) / static_cast<float>(kDammyAnimationTicks);
    const float k = static_cast<float>(bone);
    D3DXMATRIX bend, twist, move;
    D3DXMatrixRotationZ(&bend, 0.18f * std::sin(a - 0.7f * k));
    D3DXMatrixRotationX(&twist, 0.08f * std::sin(2.0f * a - 0.5f * k));
    const D3DXVECTOR3& o = kBones[bone].offset;
    const float lift = bone == 0 ? 0.1f * std::sin(a) : 0.0f;
    D3DXMatrixTranslation(&move, o.x, o.y + lift, o.z);
    return bend * twist * move;
}

void BuildMotion(SkinnedModel* model) {
    for (uint32_t bone = 0; bone < kBoneCount; ++bone) {
        BoneTrack track;
        track.bone = kBones[bone].name;
        for (uint32_t k = 0; k < kKeyCount; ++k) {
            const uint32_t t = kDammyAnimationTicks * k / (kKeyCount - 1);
            track.matrix.push_back(MatrixKey{t, SegmentPose(bone, t)});
        }
        model->tracks.push_back(track);
    }
}
}  // namespace

SkinnedModel BuildDammy() {
    SkinnedModel model;
    model.frameName = "Dammy";
    model.meshName = "DammySkin";
    model.animationSetName = "Sway";
    AddBones(&model, kBones, kBoneCount);
    BuildSkin(&model);
    BuildMotion(&model);
    return model;
}

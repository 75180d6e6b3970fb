#include "tools/assetgen/skinned_x_writer.h"

#include <vector>

#include "tools/assetgen/x_writer.h"

namespace {
// Key types of AnimationKey.
constexpr int kRotationKeys = 0;
constexpr int kScaleKeys = 1;
constexpr int kPositionKeys = 2;
constexpr int kMatrixKeys = 4;

void SkinTemplates(XWriter* x) {
    x->BeginObject("template", "XSkinMeshHeader");
    x->Line("<3CF169CE-FF7C-44ab-93C0-F78F62D172E2>");
    x->Line("WORD nMaxSkinWeightsPerVertex;");
    x->Line("WORD nMaxSkinWeightsPerFace;");
    x->Line("WORD nBones;");
    x->EndObject();
    x->BeginObject("template", "SkinWeights");
    x->Line("<6F0D123B-BAD2-4167-A0D0-80224F25FABB>");
    x->Line("STRING transformNodeName;");
    x->Line("DWORD nWeights;");
    x->Line("array DWORD vertexIndices[nWeights];");
    x->Line("array FLOAT weights[nWeights];");
    x->Line("Matrix4x4 matrixOffset;");
    x->EndObject();
}

std::string MatrixText(const D3DXMATRIX& m) {
    std::string text;
    for (int i = 0; i < 16; ++i) {
        text += FormatXFloat(m(i / 4, i % 4));
        text += i < 15 ? "," : ";;";
    }
    return text;
}

void SkinWeights(XWriter* x, const SkinnedModel& model) {
    const std::vector<D3DXMATRIX> offsets = BoneOffsetMatrices(model);
    x->BeginObject("XSkinMeshHeader");
    x->Line(std::to_string(MaxInfluencesPerVertex(model)) + ";");
    x->Line(std::to_string(MaxInfluencesPerFace(model)) + ";");
    x->Line(std::to_string(model.bones.size()) + ";");
    x->EndObject();
    for (size_t b = 0; b < model.bones.size(); ++b) {
        std::vector<uint32_t> vertices;
        std::vector<float> weights;
        for (size_t v = 0; v < model.influences.size(); ++v)
            for (const SkinInfluence& s : model.influences[v])
                if (s.bone == b) {
                    vertices.push_back(static_cast<uint32_t>(v));
                    weights.push_back(s.weight);
                }
        x->BeginObject("SkinWeights");
        x->Line("\"" + model.bones[b].name + "\";");
        x->Line(std::to_string(vertices.size()) + ";");
        x->DwordList(vertices, 16);
        x->FloatList(weights, 12);
        x->Line(MatrixText(offsets[b]));
        x->EndObject();
    }
}

void BoneFrame(XWriter* x, const SkinnedModel& model, size_t bone) {
    x->BeginObject("Frame", model.bones[bone].name);
    x->FrameTransformMatrix(model.bones[bone].rest);
    for (size_t child = bone + 1; child < model.bones.size(); ++child)
        if (model.bones[child].parent == static_cast<int>(bone))
            BoneFrame(x, model, child);
    x->EndObject();
}

// One AnimationKey: key type, key count, then "time;n;v,...;;" separated by "," and ended ";".
template <typename Key, typename Values>
void KeyList(XWriter* x, int type, const std::vector<Key>& keys, Values values) {
    if (keys.empty())
        return;
    x->BeginObject("AnimationKey");
    x->Line(std::to_string(type) + ";");
    x->Line(std::to_string(keys.size()) + ";");
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::vector<float> v = values(keys[i]);
        std::string line = std::to_string(keys[i].time) + ";" + std::to_string(v.size()) + ";";
        for (size_t j = 0; j < v.size(); ++j)
            line += FormatXFloat(v[j]) + (j + 1 < v.size() ? "," : "");
        line += i + 1 < keys.size() ? ";;," : ";;;";
        x->Line(line);
    }
    x->EndObject();
}

void Track(XWriter* x, const BoneTrack& track) {
    x->BeginObject("Animation", "Anim_" + track.bone);
    x->Line("{ " + track.bone + " }");
    KeyList(x, kRotationKeys, track.rotation, [](const RotationKey& k) {
        return std::vector<float>{k.value.w, k.value.x, k.value.y, k.value.z};
    });
    KeyList(x, kScaleKeys, track.scale, [](const VectorKey& k) {
        return std::vector<float>{k.value.x, k.value.y, k.value.z};
    });
    KeyList(x, kPositionKeys, track.position, [](const VectorKey& k) {
        return std::vector<float>{k.value.x, k.value.y, k.value.z};
    });
    KeyList(x, kMatrixKeys, track.matrix, [](const MatrixKey& k) {
        return std::vector<float>(&k.value.m[0][0], &k.value.m[0][0] + 16);
    });
    x->EndObject();
}
}  // namespace

std::string SkinnedModelText(const SkinnedModel& model) {
    XWriter x;
    SkinTemplates(&x);
    x.BeginObject("Frame", model.frameName);
    x.FrameTransformMatrix(D3DXMATRIX());
    x.BeginMesh(model.meshName, model.mesh);
    SkinWeights(&x, model);
    x.EndObject();
    for (size_t bone = 0; bone < model.bones.size(); ++bone)
        if (model.bones[bone].parent < 0)
            BoneFrame(&x, model, bone);
    x.EndObject();
    x.BeginObject("AnimationSet", model.animationSetName);
    for (const BoneTrack& track : model.tracks)
        Track(&x, track);
    x.EndObject();
    return x.Text();
}

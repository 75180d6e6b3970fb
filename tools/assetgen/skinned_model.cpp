#include "tools/assetgen/skinned_model.h"

#include <algorithm>
#include <set>

void AddBones(SkinnedModel* model, const BoneSpec* specs, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        SkinnedBone bone;
        bone.name = specs[i].name;
        bone.parent = specs[i].parent;
        D3DXMatrixTranslation(&bone.rest, specs[i].offset.x, specs[i].offset.y, specs[i].offset.z);
        model->bones.push_back(bone);
    }
}

int FindBone(const SkinnedModel& model, const std::string& name) {
    for (size_t i = 0; i < model.bones.size(); ++i)
        if (model.bones[i].name == name)
            return static_cast<int>(i);
    return -1;
}

std::vector<D3DXMATRIX> BindPoseMatrices(const SkinnedModel& model) {
    std::vector<D3DXMATRIX> combined(model.bones.size());
    for (size_t i = 0; i < model.bones.size(); ++i) {
        const SkinnedBone& bone = model.bones[i];
        combined[i] = bone.parent < 0 ? bone.rest : bone.rest * combined[bone.parent];
    }
    return combined;
}

D3DXVECTOR3 BindPosition(const SkinnedModel& model, uint32_t bone) {
    const D3DXMATRIX m = BindPoseMatrices(model).at(bone);
    return D3DXVECTOR3(m._41, m._42, m._43);
}

std::vector<D3DXMATRIX> BoneOffsetMatrices(const SkinnedModel& model) {
    std::vector<D3DXMATRIX> offsets = BindPoseMatrices(model);
    for (D3DXMATRIX& m : offsets)
        D3DXMatrixInverse(&m, nullptr, &m);
    return offsets;
}

uint32_t MaxInfluencesPerVertex(const SkinnedModel& model) {
    size_t most = 0;
    for (const std::vector<SkinInfluence>& list : model.influences)
        most = std::max(most, list.size());
    return static_cast<uint32_t>(most);
}

uint32_t MaxInfluencesPerFace(const SkinnedModel& model) {
    size_t most = 0;
    for (const std::array<uint32_t, 3>& face : model.mesh.faces) {
        std::set<uint32_t> bones;
        for (uint32_t v : face)
            if (v < model.influences.size())
                for (const SkinInfluence& s : model.influences[v])
                    bones.insert(s.bone);
        most = std::max(most, bones.size());
    }
    return static_cast<uint32_t>(most);
}

uint32_t AnimationLength(const SkinnedModel& model) {
    uint32_t length = 0;
    for (const BoneTrack& track : model.tracks) {
        if (!track.rotation.empty())
            length = std::max(length, track.rotation.back().time);
        if (!track.scale.empty())
            length = std::max(length, track.scale.back().time);
        if (!track.position.empty())
            length = std::max(length, track.position.back().time);
        if (!track.matrix.empty())
            length = std::max(length, track.matrix.back().time);
    }
    return length;
}

size_t KeyCount(const SkinnedModel& model) {
    size_t count = 0;
    for (const BoneTrack& track : model.tracks)
        count += track.rotation.size() + track.scale.size() + track.position.size() +
                 track.matrix.size();
    return count;
}

// One authored skinned model as plain CPU data: the bone frames with their rest matrices, the
// skin (a mesh plus up to four bone influences per vertex) and one animation set of key lists.
// Owns: the records and the questions every skinned model answers (bind pose, bone offsets,
// counts, animation length). Rotation keys hold the quaternion exactly as the file stores it.
// Does not: build shapes (skinned_shapes.h), design motion (skinned_animation.h) or write text
// (skinned_x_writer.h). Needs: mesh_data.h, platform/system/d3dx_math.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system/d3dx_math.h"
#include "tools/assetgen/mesh_data.h"

// A bone is a frame of the hierarchy; parent is an index into the bone list (always smaller
// than the bone's own index) or -1 for the skeleton root, which hangs on the model frame.
struct SkinnedBone {
    std::string name;
    int parent = -1;
    D3DXMATRIX rest;  // FrameTransformMatrix: the bone's bind pose relative to its parent
};

// One bone's share of a vertex.
struct SkinInfluence {
    uint32_t bone = 0;
    float weight = 0.0f;
};

struct RotationKey {
    uint32_t time = 0;     // ticks, 4800 per second
    D3DXQUATERNION value;  // as stored in the file (see FileRotation in skinned_animation.h)
};

struct VectorKey {
    uint32_t time = 0;  // ticks
    D3DXVECTOR3 value;  // scale factors or position in the parent's space
};

struct MatrixKey {
    uint32_t time = 0;  // ticks
    D3DXMATRIX value;   // the whole local matrix; not interpolated by the player
};

// The key lists of one Animation object, driving the bone named by `bone`. Empty lists are
// not written.
struct BoneTrack {
    std::string bone;
    std::vector<RotationKey> rotation;
    std::vector<VectorKey> scale;
    std::vector<VectorKey> position;
    std::vector<MatrixKey> matrix;
};

struct SkinnedModel {
    std::string frameName;  // top-level frame holding the mesh and the skeleton root
    std::string meshName;
    std::vector<SkinnedBone> bones;                      // parents listed before their children
    MeshData mesh;                                       // in the bind pose, model units
    std::vector<std::vector<SkinInfluence>> influences;  // one list per vertex
    std::string animationSetName;
    std::vector<BoneTrack> tracks;
};

// A row of a skeleton table: rest translation from the parent (index, or -1 for the root).
struct BoneSpec {
    const char* name;
    int parent;
    D3DXVECTOR3 offset;  // model units
};

// Appends bones with pure translation rest matrices, so that animated joints (whose file
// rotation the player drops) lose nothing.
void AddBones(SkinnedModel* model, const BoneSpec* specs, size_t count);
// Index of the bone with this name, or -1.
int FindBone(const SkinnedModel& model, const std::string& name);
// Bind-pose combined matrix of every bone: rest × parent's combined, the model frame being
// the identity.
std::vector<D3DXMATRIX> BindPoseMatrices(const SkinnedModel& model);
// Position of a bone's joint in the bind pose.
D3DXVECTOR3 BindPosition(const SkinnedModel& model, uint32_t bone);
// Bone offset matrices: the inverse of each bone's bind-pose combined matrix.
std::vector<D3DXMATRIX> BoneOffsetMatrices(const SkinnedModel& model);
// Largest number of influences on one vertex.
uint32_t MaxInfluencesPerVertex(const SkinnedModel& model);
// Largest number of distinct bones among the three vertices of one face.
uint32_t MaxInfluencesPerFace(const SkinnedModel& model);
// Latest last key time over all key lists, in ticks: the animation length the player reads.
uint32_t AnimationLength(const SkinnedModel& model);
// Total number of keys of all lists.
size_t KeyCount(const SkinnedModel& model);

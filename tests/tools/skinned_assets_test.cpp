// The authored skinned models: skeletons, skins and key lists as generated, posed on the CPU with
// the player's sampling rules over the whole loop, and the committed files read back by assimp.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/image/bmp_image.h"
#include "platform/system/d3dx_math.h"
#include "tools/assetgen/mesh_builder.h"
#include "tools/assetgen/scene_layout.h"
#include "tools/assetgen/skinned_animation.h"
#include "tools/assetgen/skinned_bird.h"
#include "tools/assetgen/skinned_dammy.h"
#include "tools/assetgen/skinned_feather_texture.h"
#include "tools/assetgen/skinned_whale.h"
#include "tools/assetgen/skinned_x_writer.h"
#include "tools/assetgen/static_models.h"

namespace {

struct Expected {
    const char* file;
    std::function<SkinnedModel()> build;
    size_t bones;
    uint32_t maxWeights;
    uint32_t ticks;
    size_t triangleBudget;
    float reach;  // no posed vertex goes farther from the origin, model units
};

const std::vector<Expected>& Models() {
    static const std::vector<Expected> models = {
        {"BIRDSKINNED01.X", [] { return BuildBird(BirdVariant::Day1); }, 19, 2, 98400, 600, 6.0f},
        {"BIRDSKINNED02.X", [] { return BuildBird(BirdVariant::Day2); }, 19, 2, 98400, 600, 6.0f},
        {"BIRDSKINNED03.X", [] { return BuildBird(BirdVariant::Night1); }, 19, 2, 98400, 600, 6.0f},
        {"BIRDSKINNED04.X", [] { return BuildBird(BirdVariant::Night2); }, 19, 2, 98400, 600, 6.0f},
        {"WHALESKINNED.X", [] { return BuildWhale(); }, 17, 2, 59450, 1500, 7.0f},
        {"DAMMY.X", [] { return BuildDammy(); }, 6, 4, 9870, 1500, 7.0f},
    };
    return models;
}

// ---- The player's sampling rules, written out independently of the generator ------------------

struct Bracket {
    size_t i1 = 0, i2 = 0;
    float f = 0.0f;
};

// Each list wraps on its own last key time; a single key at time 0 always wins.
template <typename Key>
Bracket BracketKeys(const std::vector<Key>& keys, float t) {
    Bracket b;
    const float local = std::fmod(t, static_cast<float>(keys.back().time));
    for (size_t i = 0; i < keys.size(); ++i) {
        if (static_cast<float>(keys[i].time) > local) {
            b.i2 = i;
            b.i1 = i == 0 ? 0 : i - 1;
            const float t1 = static_cast<float>(keys[b.i1].time);
            const float t2 = static_cast<float>(keys[b.i2].time);
            b.f = t1 == t2 ? 0.0f : (local - t1) / (t2 - t1);
            return b;
        }
    }
    return b;
}

D3DXMATRIX SampleRotation(const std::vector<RotationKey>& keys, float t) {
    const Bracket b = BracketKeys(keys, t);
    const int n = static_cast<int>(keys.size());
    const int i0 = static_cast<int>(b.i1) - 1 < 0 ? static_cast<int>(b.i1) - 1 + n
                                                  : static_cast<int>(b.i1) - 1;
    const int i3 = static_cast<int>(b.i2) + 1 >= n ? static_cast<int>(b.i2) + 1 - n
                                                   : static_cast<int>(b.i2) + 1;
    D3DXQUATERNION a, bq, c, q;
    D3DXQuaternionSquadSetup(&a, &bq, &c, &keys[i0].value, &keys[b.i1].value, &keys[b.i2].value,
                             &keys[i3].value);
    D3DXQuaternionSquad(&q, &keys[b.i1].value, &a, &bq, &c, b.f);
    q.w = -q.w;
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &q);
    return m;
}

D3DXVECTOR3 SampleVector(const std::vector<VectorKey>& keys, float t) {
    const Bracket b = BracketKeys(keys, t);
    return keys[b.i1].value + (keys[b.i2].value - keys[b.i1].value) * b.f;
}

// Combined matrix of every bone at time t: local (scale x rotation x translation, or the
// nearest matrix key) times the parent's combined matrix.
std::vector<D3DXMATRIX> PoseBones(const SkinnedModel& model, float t) {
    std::vector<D3DXMATRIX> local(model.bones.size());
    for (size_t i = 0; i < model.bones.size(); ++i)
        local[i] = model.bones[i].rest;
    for (const BoneTrack& track : model.tracks) {
        const int bone = FindBone(model, track.bone);
        if (bone < 0)
            continue;
        if (!track.matrix.empty()) {
            const Bracket b = BracketKeys(track.matrix, t);
            local[bone] = track.matrix[b.f > 0.5f ? b.i2 : b.i1].value;
            continue;
        }
        D3DXMATRIX m, step;
        if (!track.scale.empty()) {
            const D3DXVECTOR3 s = SampleVector(track.scale, t);
            m = m * *D3DXMatrixScaling(&step, s.x, s.y, s.z);
        }
        if (!track.rotation.empty())
            m = m * SampleRotation(track.rotation, t);
        const D3DXMATRIX& rest = model.bones[bone].rest;
        const D3DXVECTOR3 p = track.position.empty() ? D3DXVECTOR3(rest._41, rest._42, rest._43)
                                                     : SampleVector(track.position, t);
        local[bone] = m * *D3DXMatrixTranslation(&step, p.x, p.y, p.z);
    }
    std::vector<D3DXMATRIX> combined(model.bones.size());
    for (size_t i = 0; i < model.bones.size(); ++i)
        combined[i] =
            model.bones[i].parent < 0 ? local[i] : local[i] * combined[model.bones[i].parent];
    return combined;
}

std::vector<D3DXVECTOR3> PoseSkin(const SkinnedModel& model, float t) {
    const std::vector<D3DXMATRIX> combined = PoseBones(model, t);
    const std::vector<D3DXMATRIX> offsets = BoneOffsetMatrices(model);
    std::vector<D3DXVECTOR3> posed(model.mesh.positions.size());
    for (size_t v = 0; v < posed.size(); ++v)
        for (const SkinInfluence& s : model.influences[v]) {
            const D3DXMATRIX skin = offsets[s.bone] * combined[s.bone];
            D3DXVECTOR3 p;
            D3DXVec3TransformCoord(&p, &model.mesh.positions[v], &skin);
            posed[v] += p * s.weight;
        }
    return posed;
}

// Angle between the rotation parts of two matrices, radians.
float RotationAngle(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    float trace = 0.0f;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            trace += a(i, j) * b(i, j);  // trace of a * transpose(b)
    return std::acos(std::max(-1.0f, std::min(1.0f, (trace - 1.0f) * 0.5f)));
}

float MaxDistance(const std::vector<D3DXVECTOR3>& a, const std::vector<D3DXVECTOR3>& b) {
    float most = 0.0f;
    for (size_t i = 0; i < a.size(); ++i) {
        const D3DXVECTOR3 d = a[i] - b[i];
        most = std::max(most, D3DXVec3Length(&d));
    }
    return most;
}

// The vertex farthest along +x: the right wing tip.
size_t FarthestRight(const SkinnedModel& model) {
    size_t best = 0;
    for (size_t v = 0; v < model.mesh.positions.size(); ++v)
        if (model.mesh.positions[v].x > model.mesh.positions[best].x)
            best = v;
    return best;
}

float Luminance(D3DCOLOR c) {
    return 0.3f * static_cast<float>((c >> 16) & 0xFF) +
           0.59f * static_cast<float>((c >> 8) & 0xFF) + 0.11f * static_cast<float>(c & 0xFF);
}

constexpr float kFrameTicks = 80.0f;  // one frame at 60 frames per second

struct Box3 {
    D3DXVECTOR3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    void Add(const D3DXVECTOR3& p) {
        lo = D3DXVECTOR3(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi = D3DXVECTOR3(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
};

// Every posed vertex, scaled as drawn, over the whole loop at a step finer than any frame.
Box3 DrawnEnvelope(const Expected& e, float scale) {
    const SkinnedModel model = e.build();
    Box3 box;
    for (float t = 0.0f; t <= static_cast<float>(e.ticks); t += 20.0f)
        for (const D3DXVECTOR3& p : PoseSkin(model, t))
            box.Add(p * scale);
    return box;
}

// The box the frustum test uses: all display meshes of a static model, as the loader bounds them.
Box3 DisplayBox(const std::string& fileName) {
    Box3 box;
    for (const StaticModel& model : BuildStaticModels())
        if (model.fileName == fileName)
            for (const NamedMesh& m : model.meshes)
                if (IsDisplayMeshName(m.name))
                    for (const D3DXVECTOR3& p : m.mesh.positions)
                        box.Add(p);
    return box;
}

}  // namespace

// ---- The data as generated ---------------------------------------------------------------------

TEST(SkinnedAssets, SkeletonsAndWeightsFollowTheSkinningLimits) {
    for (const Expected& e : Models()) {
        SCOPED_TRACE(e.file);
        const SkinnedModel model = e.build();
        ASSERT_EQ(model.bones.size(), e.bones);
        std::set<std::string> names;
        for (size_t b = 0; b < model.bones.size(); ++b) {
            EXPECT_LT(model.bones[b].parent, static_cast<int>(b));
            EXPECT_TRUE(names.insert(model.bones[b].name).second) << model.bones[b].name;
        }
        EXPECT_EQ(MaxInfluencesPerVertex(model), e.maxWeights);
        ASSERT_EQ(model.influences.size(), model.mesh.positions.size());
        std::vector<int> used(model.bones.size(), 0);
        for (const std::vector<SkinInfluence>& list : model.influences) {
            ASSERT_FALSE(list.empty());
            float sum = 0.0f;
            for (const SkinInfluence& s : list) {
                ASSERT_LT(s.bone, model.bones.size());
                EXPECT_GT(s.weight, 0.0f);
                // Weights are whole thousandths, so the six decimals in the file add to 1.
                EXPECT_FLOAT_EQ(std::round(s.weight * 1000.0f), s.weight * 1000.0f);
                sum += s.weight;
                ++used[s.bone];
            }
            EXPECT_NEAR(sum, 1.0f, 1e-5f);
        }
        for (size_t b = 0; b < used.size(); ++b)
            EXPECT_GT(used[b], 0) << model.bones[b].name << " moves no vertex";
    }
}

TEST(SkinnedAssets, SkinsAreClosedOutwardWoundAndWithinBudget) {
    for (const Expected& e : Models()) {
        SCOPED_TRACE(e.file);
        const SkinnedModel model = e.build();
        EXPECT_LE(model.mesh.faces.size(), e.triangleBudget);
        EXPECT_TRUE(IsClosedSurface(model.mesh));
        EXPECT_GT(MeshVolume(model.mesh), 0.0f);
        ASSERT_EQ(model.mesh.normals.size(), model.mesh.positions.size());
        ASSERT_EQ(model.mesh.colours.size(), model.mesh.positions.size());
    }
}

TEST(SkinnedAssets, KeyListsNameBonesAndEndExactlyAtTheLoopLength) {
    for (const Expected& e : Models()) {
        SCOPED_TRACE(e.file);
        const SkinnedModel model = e.build();
        EXPECT_EQ(AnimationLength(model), e.ticks);
        size_t holds = 0, matrixTracks = 0;
        for (const BoneTrack& track : model.tracks) {
            EXPECT_GE(FindBone(model, track.bone), 0) << track.bone;
            std::vector<std::vector<uint32_t>> lists;
            auto times = [](const auto& keys) {
                std::vector<uint32_t> out;
                for (const auto& k : keys)
                    out.push_back(k.time);
                return out;
            };
            for (const auto& list : {times(track.rotation), times(track.scale),
                                     times(track.position), times(track.matrix)}) {
                if (list.empty())
                    continue;
                EXPECT_EQ(list.front(), 0u);
                // A list that moves must close on the loop length, or its own wrap would
                // jump when the whole animation restarts.
                if (list.size() > 1) {
                    EXPECT_EQ(list.back(), e.ticks) << track.bone;
                }
                for (size_t i = 1; i < list.size(); ++i)
                    EXPECT_LT(list[i - 1], list[i]);
            }
            if (track.rotation.size() == 1 && track.matrix.empty())
                ++holds;
            if (!track.matrix.empty())
                ++matrixTracks;
        }
        if (e.bones == 19) {
            EXPECT_GE(holds, 1u);
        }
        if (e.maxWeights == 4) {
            EXPECT_EQ(matrixTracks, model.tracks.size());
        }
    }
}

TEST(SkinnedAssets, StoredRotationRebuildsTheIntendedJointRotation) {
    const D3DXQUATERNION intended = JointRotation(0.3f, -0.5f, 0.9f);
    D3DXMATRIX want;
    D3DXMatrixRotationQuaternion(&want, &intended);
    // A single key, and a key in the middle of a list, both come out as intended.
    const std::vector<RotationKey> single = {{0, FileRotation(intended)}};
    const std::vector<RotationKey> list = SampleRotationKeys(
        {0, 100, 200}, [&](uint32_t t) { return t == 100 ? intended : JointRotation(0, 0, 0); });
    for (const D3DXMATRIX& got : {SampleRotation(single, 37.0f), SampleRotation(list, 100.0f)})
        EXPECT_LT(RotationAngle(got, want), 1e-4f);
    // Mirroring a right joint gives the left joint's mirror image.
    D3DXMATRIX mirror, flip;
    const D3DXQUATERNION left = MirrorAcrossX(intended);
    D3DXMatrixRotationQuaternion(&mirror, &left);
    D3DXMatrixScaling(&flip, -1.0f, 1.0f, 1.0f);
    EXPECT_LT(RotationAngle(mirror, flip * want * flip), 1e-4f);
}

// ---- Posed over the whole loop -----------------------------------------------------------------

TEST(SkinnedAssets, PosedSkinStaysBoundedAndNoJointFlips) {
    for (const Expected& e : Models()) {
        SCOPED_TRACE(e.file);
        const SkinnedModel model = e.build();
        const std::vector<D3DXMATRIX> bind = BindPoseMatrices(model);
        std::vector<D3DXMATRIX> previous = PoseBones(model, 0.0f);
        for (float t = kFrameTicks; t <= static_cast<float>(e.ticks); t += kFrameTicks) {
            const std::vector<D3DXMATRIX> bones = PoseBones(model, t);
            for (size_t b = 0; b < bones.size(); ++b) {
                // Never far from the rest pose, never a sudden turn between two frames.
                ASSERT_LT(RotationAngle(bones[b], bind[b]), 2.0f)
                    << model.bones[b].name << " " << t;
                ASSERT_LT(RotationAngle(bones[b], previous[b]), 0.5f)
                    << model.bones[b].name << " " << t;
            }
            previous = bones;
            if (static_cast<int>(t) % 800 != 0)
                continue;
            for (const D3DXVECTOR3& p : PoseSkin(model, t))
                ASSERT_LT(D3DXVec3Length(&p), e.reach) << t;
        }
    }
}

TEST(SkinnedAssets, WingsFlapFlukesBeatAndTheColumnSways) {
    // The bird's right wing tip and the whale's fluke tip rise and fall; the top of the
    // dammy's column swings sideways.
    struct Stroke {
        size_t model;
        std::function<float(const D3DXVECTOR3&)> tipness, along;
        float least;  // model units
    };
    const std::vector<Stroke> strokes = {
        {0, [](const D3DXVECTOR3& p) { return p.x; }, [](const D3DXVECTOR3& p) { return p.y; },
         3.0f},
        {1, [](const D3DXVECTOR3& p) { return p.x; }, [](const D3DXVECTOR3& p) { return p.y; },
         3.0f},
        {4, [](const D3DXVECTOR3& p) { return -p.z; }, [](const D3DXVECTOR3& p) { return p.y; },
         0.5f},
        {5, [](const D3DXVECTOR3& p) { return p.y; }, [](const D3DXVECTOR3& p) { return p.x; },
         0.5f},
    };
    for (const Stroke& s : strokes) {
        const Expected& e = Models()[s.model];
        SCOPED_TRACE(e.file);
        const SkinnedModel model = e.build();
        size_t tip = 0;
        for (size_t v = 0; v < model.mesh.positions.size(); ++v)
            if (s.tipness(model.mesh.positions[v]) > s.tipness(model.mesh.positions[tip]))
                tip = v;
        float low = 1e9f, high = -1e9f;
        for (float t = 0.0f; t < static_cast<float>(e.ticks); t += kFrameTicks) {
            const float c = s.along(PoseSkin(model, t)[tip]);
            low = std::min(low, c);
            high = std::max(high, c);
        }
        EXPECT_GT(high - low, s.least);
    }
}

TEST(SkinnedAssets, LoopClosesWithoutAJumpOrAHitch) {
    for (const Expected& e : Models()) {
        if (e.maxWeights == 4)
            continue;  // matrix keys step by design
        SCOPED_TRACE(e.file);
        const SkinnedModel model = e.build();
        const float end = static_cast<float>(e.ticks);
        EXPECT_LT(MaxDistance(PoseSkin(model, 0.0f), PoseSkin(model, end)), 1e-4f);
        // The frame step across the restart moves the skin about as much as its neighbours.
        auto step = [&](float t) {
            return MaxDistance(PoseSkin(model, t), PoseSkin(model, t + kFrameTicks));
        };
        const float across = MaxDistance(PoseSkin(model, end - kFrameTicks), PoseSkin(model, 0.0f));
        const float before = step(end - 2.0f * kFrameTicks);
        const float after = step(0.0f);
        EXPECT_LT(across, 1.5f * std::max(before, after) + 1e-4f);
        EXPECT_GT(across, 0.5f * std::min(before, after) - 1e-4f);
    }
}

TEST(SkinnedAssets, DammyBoxesHoldTheDrawnSkinOverTheWholeLoop) {
    // The flock culls each bird by the dammy's display box at the unscaled world matrix and then
    // draws the skin at kBirdDrawScale; the whale draws both at one scale, so they compare
    // unscaled. Anything outside the box pops at the screen edge; a box far larger than the
    // envelope draws birds that are off screen.
    struct Pair {
        const char* dammy;
        size_t first, last;  // rows of Models()
        float scale;
    };
    const Pair pairs[] = {{"BIRDDAMMY01.X", 0, 3, kBirdDrawScale}, {"WHALEDAMMY.X", 4, 4, 1.0f}};
    for (const Pair& pair : pairs) {
        SCOPED_TRACE(pair.dammy);
        const Box3 box = DisplayBox(pair.dammy);
        Box3 envelope;
        for (size_t i = pair.first; i <= pair.last; ++i) {
            const Box3 one = DrawnEnvelope(Models()[i], pair.scale);
            envelope.Add(one.lo);
            envelope.Add(one.hi);
        }
        const D3DXVECTOR3 size = envelope.hi - envelope.lo;
        const float margin = 0.005f * D3DXVec3Length(&size);
        const float slack = 0.1f * D3DXVec3Length(&size);
        for (int axis = 0; axis < 3; ++axis) {
            const float lo = (&envelope.lo.x)[axis], hi = (&envelope.hi.x)[axis];
            const float boxLo = (&box.lo.x)[axis], boxHi = (&box.hi.x)[axis];
            EXPECT_LE(boxLo, lo - margin) << "axis " << axis << " envelope " << lo << ".." << hi;
            EXPECT_GE(boxHi, hi + margin) << "axis " << axis << " envelope " << lo << ".." << hi;
            EXPECT_GT(boxLo, lo - slack) << "axis " << axis << " envelope " << lo << ".." << hi;
            EXPECT_LT(boxHi, hi + slack) << "axis " << axis << " envelope " << lo << ".." << hi;
        }
    }
}

TEST(SkinnedAssets, DayVariantsDoNotBeatInStep) {
    const SkinnedModel first = BuildBird(BirdVariant::Day1);
    const SkinnedModel second = BuildBird(BirdVariant::Day2);
    const size_t tip = FarthestRight(first);
    int apart = 0, samples = 0;
    for (float t = 0.0f; t < 98400.0f; t += 400.0f, ++samples)
        if (std::fabs(PoseSkin(first, t)[tip].y - PoseSkin(second, t)[tip].y) > 0.5f)
            ++apart;
    EXPECT_GT(apart, samples / 3);
}

TEST(SkinnedAssets, DayBirdsStayLightAndNightBirdsGlow) {
    // Markings (cap, wing tips, beak, feet) may be dark; most of the surface is light.
    for (BirdVariant variant : {BirdVariant::Day1, BirdVariant::Day2}) {
        const MeshData mesh = BuildBird(variant).mesh;
        float light = 0.0f, total = 0.0f;
        for (const std::array<uint32_t, 3>& f : mesh.faces) {
            const D3DXVECTOR3 e1 = mesh.positions[f[1]] - mesh.positions[f[0]];
            const D3DXVECTOR3 e2 = mesh.positions[f[2]] - mesh.positions[f[0]];
            D3DXVECTOR3 n;
            const float area = D3DXVec3Length(D3DXVec3Cross(&n, &e1, &e2));
            float luminance = 0.0f;
            for (uint32_t v : f)
                luminance += Luminance(mesh.colours[v]) / 3.0f;
            total += area;
            if (luminance >= 190.0f)
                light += area;
        }
        EXPECT_GT(light, 0.75f * total);
    }
    for (BirdVariant variant : {BirdVariant::Night1, BirdVariant::Night2})
        for (D3DCOLOR c : BuildBird(variant).mesh.colours) {
            // Drawn with vertex colours alone on black: every vertex bright.
            const uint32_t brightest = std::max({(c >> 16) & 0xFFu, (c >> 8) & 0xFFu, c & 0xFFu});
            ASSERT_GE(brightest, 200u);
        }
}

TEST(SkinnedAssets, OnlyDayBirdsCarryTheFeatherTextureAndItStaysNearlyWhite) {
    for (const Expected& e : Models()) {
        SCOPED_TRACE(e.file);
        const SkinnedModel model = e.build();
        const bool day =
            e.file == std::string("BIRDSKINNED01.X") || e.file == std::string("BIRDSKINNED02.X");
        ASSERT_EQ(model.mesh.materials.size(), 1u);
        EXPECT_EQ(model.mesh.materials[0].textureFile, day ? kBirdTextureName : "");
        EXPECT_EQ(model.mesh.texCoords.size(), day ? model.mesh.positions.size() : 0u);
        for (const D3DXVECTOR2& uv : model.mesh.texCoords) {
            EXPECT_TRUE(uv.x > 0.0f && uv.x < 1.0f && uv.y > 0.0f && uv.y < 1.0f);
        }
    }
    // The texture multiplies the bird's colours: it must decode and barely darken them.
    const std::string bytes = BirdFeatherBitmapBytes();
    BmpImage image;
    std::string error;
    ASSERT_EQ(ReadBmpImage(bytes.data(), bytes.size(), kBirdTextureName, &image, &error), S_OK)
        << error;
    EXPECT_EQ(image.width, 64u);
    EXPECT_EQ(image.height, 64u);
    EXPECT_EQ(image.bitsPerPixel, 24u);
    float mean = 0.0f;
    for (size_t i = 0; i < image.bgra.size(); i += 4)
        mean += image.bgra[i + 1];
    EXPECT_GT(mean / static_cast<float>(image.width * image.height), 240.0f);
}

// ---- The text -----------------------------------------------------------------------------------

TEST(SkinnedXWriter, DeclaresSkinTemplatesAndWritesWeightsAndKeysInFileOrder) {
    SkinnedModel model;
    model.frameName = "Root";
    model.meshName = "Skin";
    model.animationSetName = "Move";
    const BoneSpec bones[] = {{"Hip", -1, {0.0f, 1.0f, 0.0f}}, {"Knee", 0, {0.0f, 0.0f, 2.0f}}};
    AddBones(&model, bones, 2);
    model.mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    model.mesh.normals = {{0, 0, -1}, {0, 0, -1}, {0, 0, -1}};
    model.mesh.faces = {{0, 2, 1}};
    model.influences = {{{0, 1.0f}}, {{0, 0.25f}, {1, 0.75f}}, {{1, 1.0f}}};
    BoneTrack track;
    track.bone = "Knee";
    track.rotation = {{0, D3DXQUATERNION(0.1f, 0.2f, 0.3f, 0.9f)}, {4800, D3DXQUATERNION()}};
    track.position = {{0, D3DXVECTOR3(0.0f, 0.0f, 2.0f)}};
    model.tracks.push_back(track);

    const std::string text = SkinnedModelText(model);
    EXPECT_EQ(text.rfind("xof 0302txt 0064\n", 0), 0u);
    for (const char* expected :
         {"template XSkinMeshHeader {", "<3CF169CE-FF7C-44ab-93C0-F78F62D172E2>",
          "template SkinWeights {", "<6F0D123B-BAD2-4167-A0D0-80224F25FABB>",
          "array FLOAT weights[nWeights];",
          // Header: two weights per vertex, two bones per face, two bones.
          "XSkinMeshHeader {\n      2;\n      2;\n      2;",
          "\"Knee\";\n      2;\n      1,2;\n      0.75,1.0;",
          // The knee's offset undoes its bind position (0, 1, 2).
          "1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,-1.0,-2.0,1.0;;", "Frame Hip {",
          "Frame Knee {", "{ Knee }",
          // Rotation keys as w, x, y, z; the last key of a list ends with ";;;".
          "0;\n      2;\n      0;4;0.9,0.1,0.2,0.3;;,\n      4800;4;1.0,0.0,0.0,0.0;;;",
          "2;\n      1;\n      0;3;0.0,0.0,2.0;;;"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

// ---- The committed files, read by an independent reader ---------------------------------------

TEST(SkinnedAssets, AssimpReadsEveryModelWithItsBonesAndAnimation) {
    if (std::system("assimp version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "assimp not installed";
    for (const Expected& e : Models()) {
        SCOPED_TRACE(e.file);
        const std::string file = std::string(VELMORA_SOURCE_DIR) + "/resources/MODEL/" + e.file;
        const std::string out = std::string(VELMORA_BINARY_DIR) + "/skinned_assets_" + e.file;
        ASSERT_EQ(std::system(("assimp info '" + file + "' > '" + out + ".txt' 2>&1").c_str()), 0);
        ASSERT_EQ(std::system(
                      ("assimp export '" + file + "' '" + out + ".json' -fassjson > /dev/null 2>&1")
                          .c_str()),
                  0);
        std::ifstream infoFile(out + ".txt"), jsonFile(out + ".json");
        std::stringstream info, json;
        info << infoFile.rdbuf();
        json << jsonFile.rdbuf();
        std::map<std::string, long> counts;
        std::string line;
        while (std::getline(info, line)) {
            const size_t colon = line.find(':');
            if (colon == std::string::npos)
                continue;
            // The first "Meshes:" is the count; a later one heads the list of meshes.
            counts.emplace(line.substr(0, colon),
                           std::strtol(line.c_str() + colon + 1, nullptr, 10));
        }
        const SkinnedModel model = e.build();
        EXPECT_EQ(counts["Meshes"], 1);
        EXPECT_EQ(counts["Bones"], static_cast<long>(e.bones));
        EXPECT_EQ(counts["Faces"], static_cast<long>(model.mesh.faces.size()));
        EXPECT_EQ(counts["Animations"], 1);
        EXPECT_EQ(counts["Animation Channels"], static_cast<long>(model.tracks.size()));
        EXPECT_NE(json.str().find("\"duration\": " + std::to_string(e.ticks)), std::string::npos);
    }
}

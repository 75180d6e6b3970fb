#include "tools/assetgen/skinned_whale.h"

#include <algorithm>
#include <cmath>

#include "tools/assetgen/mesh_builder.h"
#include "tools/assetgen/skinned_animation.h"
#include "tools/assetgen/skinned_shapes.h"

namespace {
enum Bone : uint32_t {
    kBody,
    kChest,
    kHead,
    kJaw,
    kSpine1,
    kSpine2,
    kDorsal,
    kSpine3,
    kTail1,
    kTail2,
    kPeduncle,
    kFlukeL,
    kFlukeR,
    kFlipperL,
    kFlipperTipL,
    kFlipperR,
    kFlipperTipR,
    kBoneCount
};

// Heading +z, y up; the snout at z = +5.05, the fluke tips near z = -5.95.
const BoneSpec kBones[kBoneCount] = {
    {"WhaleBody", -1, {0.0f, 0.0f, 0.0f}},
    {"Chest", kBody, {0.0f, 0.05f, 1.6f}},
    {"Head", kChest, {0.0f, 0.0f, 1.7f}},
    {"Jaw", kHead, {0.0f, -0.35f, -0.1f}},
    {"Spine1", kBody, {0.0f, 0.05f, -1.2f}},
    {"Spine2", kSpine1, {0.0f, 0.02f, -1.0f}},
    {"Dorsal", kSpine2, {0.0f, 0.75f, -0.2f}},
    {"Spine3", kSpine2, {0.0f, 0.0f, -0.9f}},
    {"Tail1", kSpine3, {0.0f, 0.0f, -0.7f}},
    {"Tail2", kTail1, {0.0f, 0.0f, -0.55f}},
    {"Peduncle", kTail2, {0.0f, 0.0f, -0.4f}},
    {"FlukeL", kPeduncle, {-0.15f, 0.0f, -0.15f}},
    {"FlukeR", kPeduncle, {0.15f, 0.0f, -0.15f}},
    {"FlipperL", kChest, {-0.95f, -0.45f, 0.1f}},
    {"FlipperTipL", kFlipperL, {-1.6f, -0.25f, -0.5f}},
    {"FlipperR", kChest, {0.95f, -0.45f, 0.1f}},
    {"FlipperTipR", kFlipperR, {1.6f, -0.25f, -0.5f}},
};

uint32_t MirrorBone(uint32_t bone) {
    switch (bone) {
        case kFlukeL:
            return kFlukeR;
        case kFlukeR:
            return kFlukeL;
        case kFlipperL:
            return kFlipperR;
        case kFlipperTipL:
            return kFlipperTipR;
        case kFlipperR:
            return kFlipperL;
        case kFlipperTipR:
            return kFlipperTipL;
        default:
            return bone;
    }
}

const D3DCOLOR kBack = Rgb(172, 190, 222);
const D3DCOLOR kBelly = Rgb(250, 251, 255);
const D3DCOLOR kPleat = Rgb(222, 229, 244);
const D3DCOLOR kFinTop = Rgb(198, 210, 234);
const D3DCOLOR kFinEdge = Rgb(150, 166, 200);
const D3DCOLOR kEye = Rgb(40, 44, 62);

// ---- Skin ------------------------------------------------------------------------------------

SkinnedPart BodyPart() {
    // The head is flat on top and deep below (the throat); the tail stock is tall and thin.
    struct Ring {
        float z, y, rx, ryTop, ryBottom;
        std::vector<SkinInfluence> influences;
    };
    const std::vector<Ring> rings = {
        {4.85f, -0.06f, 0.28f, 0.14f, 0.18f, Rigid(kHead)},
        {4.5f, -0.08f, 0.52f, 0.26f, 0.38f, Rigid(kHead)},
        {4.0f, -0.1f, 0.74f, 0.38f, 0.6f, Rigid(kHead)},
        {3.3f, -0.1f, 0.9f, 0.52f, 0.8f, Blend(kHead, kChest, 0.3f)},
        {2.5f, -0.08f, 1.0f, 0.68f, 0.92f, Blend(kChest, kHead, 0.2f)},
        {1.6f, -0.05f, 1.05f, 0.8f, 0.96f, Rigid(kChest)},
        {0.8f, -0.02f, 1.04f, 0.86f, 0.94f, Blend(kBody, kChest, 0.5f)},
        {0.0f, 0.0f, 0.98f, 0.88f, 0.88f, Rigid(kBody)},
        {-0.7f, 0.02f, 0.88f, 0.84f, 0.84f, Blend(kBody, kSpine1, 0.4f)},
        {-1.4f, 0.04f, 0.74f, 0.75f, 0.75f, Blend(kSpine1, kSpine2, 0.2f)},
        {-2.1f, 0.06f, 0.58f, 0.64f, 0.64f, Blend(kSpine1, kSpine2, 0.9f)},
        {-2.7f, 0.07f, 0.43f, 0.53f, 0.53f, Blend(kSpine2, kSpine3, 0.6f)},
        {-3.3f, 0.07f, 0.29f, 0.42f, 0.42f, Blend(kSpine3, kTail1, 0.3f)},
        {-3.8f, 0.07f, 0.19f, 0.33f, 0.33f, Rigid(kTail1)},
        {-4.3f, 0.07f, 0.12f, 0.25f, 0.25f, Blend(kTail1, kTail2, 0.9f)},
        {-4.7f, 0.07f, 0.09f, 0.17f, 0.17f, Blend(kTail2, kPeduncle, 0.8f)},
        {-4.95f, 0.07f, 0.07f, 0.1f, 0.1f, Rigid(kPeduncle)},
    };
    std::vector<LoftSection> sections;
    sections.push_back(ApexSection(D3DXVECTOR3(0.0f, -0.05f, 5.05f), Rigid(kHead)));
    for (const Ring& r : rings) {
        LoftSection ring = RingSection(D3DXVECTOR3(0.0f, r.y, r.z), D3DXVECTOR3(0.0f, 0.0f, -1.0f),
                                       r.rx, 1.0f, 16, r.influences);
        for (D3DXVECTOR3& p : ring.points)
            p.y = r.y + (p.y - r.y) * (p.y > r.y ? r.ryTop : r.ryBottom);
        sections.push_back(ring);
    }
    sections.push_back(ApexSection(D3DXVECTOR3(0.0f, 0.07f, -5.1f), Rigid(kPeduncle)));
    SkinnedPart part = Loft(sections);

    // The lower half of the head belongs to the jaw.
    for (size_t i = 0; i < part.mesh.positions.size(); ++i) {
        const D3DXVECTOR3& p = part.mesh.positions[i];
        const float jaw = SmoothStep(-0.15f, -0.45f, p.y) * SmoothStep(2.6f, 3.4f, p.z);
        if (jaw > 0.0f)
            part.influences[i] = Blend(kHead, kJaw, jaw);
    }

    // Blue-grey back, white belly with the throat pleats as stripes.
    PaintPart(&part, [](const D3DXVECTOR3& p, const D3DXVECTOR3& n) {
        const D3DCOLOR side = MixColour(kBelly, kBack, SmoothStep(-0.35f, 0.25f, n.y));
        const float around = std::atan2(p.y, p.x) / (2.0f * D3DX_PI) * 16.0f;
        const bool pleat = n.y < -0.45f && p.z > -0.6f && p.z < 4.6f &&
                           (static_cast<int>(std::lround(around + 16.0f)) % 2) == 1;
        return pleat ? kPleat : side;
    });
    return part;
}

// The right flipper: long, swept back and drooping, with a knobbed leading edge.
SkinnedPart FlipperPart(const D3DXVECTOR3& root) {
    const D3DXVECTOR3 span(3.0f, -0.5f, -1.0f);
    const int kStations = 8;
    std::vector<LoftSection> sections;
    for (int i = 0; i < kStations; ++i) {
        const float s = static_cast<float>(i) / static_cast<float>(kStations);
        const D3DXVECTOR3 p = root + span * s + D3DXVECTOR3(-0.15f, 0.0f, 0.0f);
        const float chord =
            0.72f + 0.4f * std::sin(D3DX_PI * std::min(1.0f, s * 1.6f)) - 0.5f * s * s;
        const float knob = (i % 2 == 1) ? 0.06f : 0.0f;
        const std::vector<SkinInfluence> influences =
            Blend(kFlipperR, kFlipperTipR, SmoothStep(0.4f, 0.65f, s));
        sections.push_back(AirfoilSection(p.x, p.y, p.z + 0.4f * chord + knob, p.z - 0.6f * chord,
                                          0.09f * (1.0f - 0.6f * s), influences));
    }
    sections.push_back(ApexSection(root + span * 1.03f, Rigid(kFlipperTipR)));
    SkinnedPart part = Loft(sections);
    PaintPart(&part, [](const D3DXVECTOR3& p, const D3DXVECTOR3& n) {
        const D3DCOLOR surface = MixColour(kBelly, kFinTop, SmoothStep(-0.2f, 0.4f, n.y));
        return MixColour(surface, kFinEdge, SmoothStep(3.0f, 3.8f, p.x) * 0.6f);
    });
    return part;
}

// The right fluke, swept back from the peduncle, its trailing edge notched at the middle.
SkinnedPart FlukePart(float y) {
    struct Station {
        float x, lead, trail, half;
        std::vector<SkinInfluence> influences;
    };
    const std::vector<Station> stations = {
        {0.02f, -4.8f, -5.35f, 0.08f, Blend(kPeduncle, kFlukeR, 0.6f)},
        {0.45f, -4.95f, -5.6f, 0.07f, Rigid(kFlukeR)},
        {0.9f, -5.15f, -5.75f, 0.055f, Rigid(kFlukeR)},
        {1.35f, -5.4f, -5.85f, 0.04f, Rigid(kFlukeR)},
        {1.7f, -5.65f, -5.92f, 0.03f, Rigid(kFlukeR)},
    };
    std::vector<LoftSection> sections;
    for (const Station& s : stations)
        sections.push_back(AirfoilSection(s.x, y, s.lead, s.trail, s.half, s.influences));
    sections.push_back(ApexSection(D3DXVECTOR3(1.95f, y, -5.95f), Rigid(kFlukeR)));
    SkinnedPart part = Loft(sections);
    PaintPart(&part, [](const D3DXVECTOR3& p, const D3DXVECTOR3& n) {
        const D3DCOLOR surface = MixColour(kBelly, kBack, SmoothStep(-0.2f, 0.3f, n.y));
        return MixColour(surface, kFinEdge, SmoothStep(-5.6f, -5.9f, p.z));
    });
    return part;
}

SkinnedPart DorsalPart(const D3DXVECTOR3& base) {
    auto section = [&](float y, float chord, float half, const std::vector<SkinInfluence>& s) {
        LoftSection out;
        const float z = base.z - 0.3f * (y - base.y);
        out.points = {D3DXVECTOR3(0.0f, y, z + 0.5f * chord), D3DXVECTOR3(half, y, z),
                      D3DXVECTOR3(0.0f, y, z - 0.5f * chord), D3DXVECTOR3(-half, y, z)};
        out.influences = Uniform(4, s);
        return out;
    };
    SkinnedPart part = Loft({section(base.y - 0.25f, 0.7f, 0.1f, Blend(kSpine2, kDorsal, 0.5f)),
                             section(base.y + 0.05f, 0.45f, 0.06f, Rigid(kDorsal)),
                             ApexSection(base + D3DXVECTOR3(0.0f, 0.2f, -0.3f), Rigid(kDorsal))});
    PaintPart(&part, [](const D3DXVECTOR3&, const D3DXVECTOR3&) { return kBack; });
    return part;
}

void BuildSkin(SkinnedModel* model) {
    auto origin = [&](uint32_t bone) { return BindPosition(*model, bone); };
    AppendPart(model, BodyPart());
    const SkinnedPart flipper = FlipperPart(origin(kFlipperR));
    AppendPart(model, flipper);
    AppendPart(model, MirrorPart(flipper, MirrorBone));
    const SkinnedPart fluke = FlukePart(origin(kPeduncle).y);
    AppendPart(model, fluke);
    AppendPart(model, MirrorPart(fluke, MirrorBone));
    AppendPart(model, DorsalPart(origin(kDorsal)));
    SkinnedPart eye = Bead(D3DXVECTOR3(0.82f, -0.16f, 3.55f), 0.06f, 0.08f, kHead);
    PaintPart(&eye, [](const D3DXVECTOR3&, const D3DXVECTOR3&) { return kEye; });
    AppendPart(model, eye);
    AppendPart(model, MirrorPart(eye, MirrorBone));
    for (std::vector<SkinInfluence>& list : model->influences)
        QuantiseWeights(&list);
    SetSingleMaterial(&model->mesh, MeshMaterial());
}

// ---- Motion ----------------------------------------------------------------------------------

constexpr int kStrokes = 5;
constexpr int kKeysPerStroke = 8;
// Keys this close to either end of the loop keep squad's wrapped neighbours from slowing the
// wave as it passes the loop point.
constexpr uint32_t kWrapGuardTicks = 120;

std::vector<uint32_t> KeyTimes() {
    std::vector<uint32_t> times = {0, kWrapGuardTicks};
    const int steps = kStrokes * kKeysPerStroke;
    for (int k = 1; k < steps; ++k)
        times.push_back(static_cast<uint32_t>(
            std::lround(static_cast<double>(kWhaleAnimationTicks) * k / steps)));
    times.push_back(kWhaleAnimationTicks - kWrapGuardTicks);
    times.push_back(kWhaleAnimationTicks);
    return times;
}

// Stroke angle (five strokes per loop) and the slow angle (once per loop), radians.
float Stroke(uint32_t t) {
    return 2.0f * D3DX_PI * static_cast<float>(kStrokes) * static_cast<float>(t) /
           static_cast<float>(kWhaleAnimationTicks);
}
float Slow(uint32_t t) {
    return 2.0f * D3DX_PI * static_cast<float>(t) / static_cast<float>(kWhaleAnimationTicks);
}

// The wave runs from the chest to the flukes, growing toward the tail.
struct WaveJoint {
    uint32_t bone;
    float amplitude;  // radians of pitch
    float lag;        // radians behind the stroke
};
const WaveJoint kWave[] = {
    {kBody, 0.025f, 0.0f},  {kChest, -0.02f, 0.3f}, {kHead, -0.015f, 0.6f},
    {kSpine1, 0.04f, 0.5f}, {kSpine2, 0.07f, 0.9f}, {kSpine3, 0.1f, 1.3f},
    {kTail1, 0.12f, 1.7f},  {kTail2, 0.15f, 2.1f},  {kPeduncle, 0.18f, 2.5f},
};

D3DXQUATERNION RightFlipper(uint32_t bone, uint32_t t) {
    const float a = Stroke(t), b = Slow(t);
    if (bone == kFlipperR)
        return JointRotation(0.08f * std::cos(a + 0.8f), 0.1f * std::sin(b + 1.0f),
                             0.12f * std::sin(a + 0.8f) + 0.06f * std::sin(b));
    if (bone == kFlipperTipR)
        return JointRotation(0.0f, 0.0f, 0.1f * std::sin(a + 0.2f));
    // Fluke: flexes behind the peduncle and twists a little.
    return JointRotation(0.22f * std::sin(a - 3.0f), 0.0f, 0.05f * std::sin(a - 3.0f));
}

void BuildMotion(SkinnedModel* model) {
    const std::vector<uint32_t> times = KeyTimes();
    for (const WaveJoint& joint : kWave) {
        BoneTrack track;
        track.bone = kBones[joint.bone].name;
        track.rotation = SampleRotationKeys(times, [&](uint32_t t) {
            const float look = joint.bone == kHead ? 0.03f * std::sin(Slow(t)) : 0.0f;
            return JointRotation(joint.amplitude * std::sin(Stroke(t) - joint.lag), look, 0.0f);
        });
        if (joint.bone == kBody)  // the body heaves with each stroke
            track.position = SampleVectorKeys(times, [](uint32_t t) {
                return kBones[kBody].offset +
                       D3DXVECTOR3(0.0f, 0.06f * std::sin(Stroke(t) + 1.2f), 0.0f);
            });
        model->tracks.push_back(track);
    }
    model->tracks.push_back(HoldTrack(kBones[kJaw].name));
    model->tracks.push_back(HoldTrack(kBones[kDorsal].name));
    for (uint32_t bone : {kFlukeR, kFlipperR, kFlipperTipR}) {
        BoneTrack left, right;
        right.bone = kBones[bone].name;
        left.bone = kBones[MirrorBone(bone)].name;
        right.rotation =
            SampleRotationKeys(times, [&](uint32_t t) { return RightFlipper(bone, t); });
        left.rotation = SampleRotationKeys(
            times, [&](uint32_t t) { return MirrorAcrossX(RightFlipper(bone, t)); });
        model->tracks.push_back(left);
        model->tracks.push_back(right);
    }
}
}  // namespace

SkinnedModel BuildWhale() {
    SkinnedModel model;
    model.frameName = "Whale";
    model.meshName = "WhaleSkin";
    model.animationSetName = "Swim";
    AddBones(&model, kBones, kBoneCount);
    BuildSkin(&model);
    BuildMotion(&model);
    return model;
}

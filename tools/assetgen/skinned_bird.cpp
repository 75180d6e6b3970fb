#include "tools/assetgen/skinned_bird.h"

#include <algorithm>
#include <cmath>

#include "tools/assetgen/mesh_builder.h"
#include "tools/assetgen/skinned_animation.h"
#include "tools/assetgen/skinned_feather_texture.h"
#include "tools/assetgen/skinned_shapes.h"

namespace {
enum Bone : uint32_t {
    kBody,
    kChest,
    kNeck,
    kHead,
    kBeak,
    kTailBase,
    kTailFan,
    kShoulderL,
    kElbowL,
    kWristL,
    kTipL,
    kShoulderR,
    kElbowR,
    kWristR,
    kTipR,
    kLegL,
    kFootL,
    kLegR,
    kFootR,
    kBoneCount
};

// Heading +z, y up, right wing along +x; the body's centre of mass at the origin.
const BoneSpec kBones[kBoneCount] = {
    {"Body", -1, {0.0f, 0.0f, 0.0f}},
    {"Chest", kBody, {0.0f, 0.05f, 0.5f}},
    {"Neck", kChest, {0.0f, 0.15f, 0.8f}},
    {"Head", kNeck, {0.0f, 0.12f, 0.4f}},
    {"Beak", kHead, {0.0f, -0.02f, 0.42f}},
    {"TailBase", kBody, {0.0f, 0.08f, -0.8f}},
    {"TailFan", kTailBase, {0.0f, 0.02f, -0.55f}},
    {"ShoulderL", kChest, {-0.3f, 0.22f, 0.15f}},
    {"ElbowL", kShoulderL, {-1.5f, 0.0f, -0.1f}},
    {"WristL", kElbowL, {-1.45f, 0.0f, 0.05f}},
    {"WingTipL", kWristL, {-1.0f, 0.0f, -0.1f}},
    {"ShoulderR", kChest, {0.3f, 0.22f, 0.15f}},
    {"ElbowR", kShoulderR, {1.5f, 0.0f, -0.1f}},
    {"WristR", kElbowR, {1.45f, 0.0f, 0.05f}},
    {"WingTipR", kWristR, {1.0f, 0.0f, -0.1f}},
    {"LegL", kBody, {-0.2f, -0.3f, -0.3f}},
    {"FootL", kLegL, {0.0f, -0.1f, -0.4f}},
    {"LegR", kBody, {0.2f, -0.3f, -0.3f}},
    {"FootR", kLegR, {0.0f, -0.1f, -0.4f}},
};

uint32_t MirrorBone(uint32_t bone) {
    switch (bone) {
        case kShoulderL:
            return kShoulderR;
        case kElbowL:
            return kElbowR;
        case kWristL:
            return kWristR;
        case kTipL:
            return kTipR;
        case kShoulderR:
            return kShoulderL;
        case kElbowR:
            return kElbowL;
        case kWristR:
            return kWristL;
        case kTipR:
            return kTipL;
        case kLegL:
            return kLegR;
        case kFootL:
            return kFootR;
        case kLegR:
            return kLegL;
        case kFootR:
            return kFootL;
        default:
            return bone;
    }
}

struct BirdPalette {
    D3DCOLOR belly, back, head, cap, wingTop, wingUnder, wingTip, tail, tailTip, beak, eye, feet;
};

BirdPalette PaletteFor(BirdVariant variant) {
    switch (variant) {
        case BirdVariant::Day1:
            return {Rgb(252, 252, 255), Rgb(226, 232, 244), Rgb(252, 252, 255), Rgb(244, 246, 252),
                    Rgb(220, 228, 244), Rgb(248, 250, 255), Rgb(104, 112, 136), Rgb(244, 246, 252),
                    Rgb(226, 232, 244), Rgb(255, 196, 84),  Rgb(34, 34, 48),    Rgb(255, 172, 96)};
        case BirdVariant::Day2:
            return {Rgb(255, 249, 244), Rgb(212, 221, 238), Rgb(252, 252, 255), Rgb(62, 66, 88),
                    Rgb(206, 216, 236), Rgb(246, 248, 255), Rgb(140, 150, 178), Rgb(240, 243, 250),
                    Rgb(150, 160, 186), Rgb(240, 104, 64),  Rgb(30, 30, 42),    Rgb(228, 92, 70)};
        case BirdVariant::Night1:
            return {Rgb(170, 255, 248), Rgb(118, 238, 255), Rgb(200, 255, 250), Rgb(200, 255, 250),
                    Rgb(108, 222, 255), Rgb(160, 250, 255), Rgb(96, 150, 255),  Rgb(130, 235, 255),
                    Rgb(150, 170, 255), Rgb(255, 236, 140), Rgb(255, 255, 255), Rgb(255, 210, 140)};
        case BirdVariant::Night2:
            return {Rgb(255, 242, 180), Rgb(255, 212, 118), Rgb(255, 246, 200), Rgb(238, 150, 255),
                    Rgb(255, 204, 108), Rgb(255, 236, 170), Rgb(255, 120, 190), Rgb(255, 200, 120),
                    Rgb(255, 132, 192), Rgb(255, 255, 220), Rgb(255, 255, 255), Rgb(255, 172, 132)};
    }
    return {};
}

bool IsSecondTiming(BirdVariant variant) {
    return variant == BirdVariant::Day2 || variant == BirdVariant::Night2;
}

// ---- Skin ------------------------------------------------------------------------------------

// The body, neck and head as one smooth tube from the tail root to the beak root.
SkinnedPart BodyPart(const BirdPalette& palette) {
    struct Ring {
        float z, y, rx, ry;
        std::vector<SkinInfluence> influences;
    };
    const std::vector<Ring> rings = {
        {-1.05f, 0.1f, 0.1f, 0.07f, Rigid(kTailBase)},
        {-0.75f, 0.07f, 0.3f, 0.25f, Blend(kBody, kTailBase, 0.5f)},
        {-0.3f, 0.02f, 0.46f, 0.42f, Rigid(kBody)},
        {0.25f, 0.03f, 0.52f, 0.48f, Blend(kBody, kChest, 0.4f)},
        {0.75f, 0.1f, 0.45f, 0.42f, Rigid(kChest)},
        {1.2f, 0.22f, 0.26f, 0.27f, Blend(kChest, kNeck, 0.5f)},
        {1.5f, 0.3f, 0.25f, 0.26f, Blend(kNeck, kHead, 0.4f)},
        {1.8f, 0.34f, 0.28f, 0.27f, Rigid(kHead)},
        {2.08f, 0.3f, 0.17f, 0.16f, Rigid(kHead)},
    };
    std::vector<LoftSection> sections;
    for (const Ring& r : rings)
        sections.push_back(RingSection(D3DXVECTOR3(0.0f, r.y, r.z), D3DXVECTOR3(0.0f, 0.0f, 1.0f),
                                       r.rx, r.ry, 12, r.influences));
    SkinnedPart part = Loft(sections);
    PaintPart(&part, [&](const D3DXVECTOR3& p, const D3DXVECTOR3& n) {
        D3DCOLOR c = MixColour(palette.belly, palette.back, SmoothStep(-0.1f, 0.5f, n.y));
        if (p.z > 1.35f)
            c = MixColour(palette.head, palette.cap, SmoothStep(0.35f, 0.6f, n.y));
        return c;
    });
    return part;
}

SkinnedPart BeakPart(const BirdPalette& palette, const D3DXVECTOR3& beak) {
    const std::vector<SkinInfluence> b = Rigid(kBeak);
    const D3DXVECTOR3 axis(0.0f, -0.1f, 1.0f);
    SkinnedPart part =
        Loft({RingSection(beak + D3DXVECTOR3(0.0f, 0.0f, -0.1f), axis, 0.14f, 0.12f, 6, b),
              RingSection(beak + D3DXVECTOR3(0.0f, -0.02f, 0.18f), axis, 0.08f, 0.07f, 6, b),
              ApexSection(beak + D3DXVECTOR3(0.0f, -0.05f, 0.5f), b)});
    PaintPart(&part, [&](const D3DXVECTOR3&, const D3DXVECTOR3&) { return palette.beak; });
    return part;
}

// The right wing's cross-sections from the root (hidden inside the body) to the hand; a pointed
// tip at x = 5 follows.
struct WingStation {
    float x, lead, trail, half;  // span position, leading and trailing edge z, half-thickness
    std::vector<SkinInfluence> influences;
};
const std::vector<WingStation>& WingStations() {
    static const std::vector<WingStation> stations = {
        {0.15f, 0.95f, 0.0f, 0.1f, Rigid(kShoulderR)},
        {0.9f, 1.0f, -0.25f, 0.09f, Rigid(kShoulderR)},
        {1.8f, 0.95f, -0.35f, 0.08f, Blend(kShoulderR, kElbowR, 0.5f)},
        {2.5f, 0.92f, -0.35f, 0.07f, Rigid(kElbowR)},
        {3.25f, 0.88f, -0.28f, 0.06f, Blend(kElbowR, kWristR, 0.5f)},
        {3.8f, 0.78f, -0.2f, 0.05f, Rigid(kWristR)},
        {4.25f, 0.62f, -0.1f, 0.04f, Blend(kWristR, kTipR, 0.5f)},
        {4.7f, 0.45f, 0.05f, 0.03f, Rigid(kTipR)},
    };
    return stations;
}
constexpr float kWingSpan = 5.0f;  // model units from the middle to one tip

// Where a point of the right wing lies on the feather texture: span and chord fractions.
D3DXVECTOR2 WingTexturePoint(const D3DXVECTOR3& p) {
    const std::vector<WingStation>& st = WingStations();
    size_t i = 1;
    while (i + 1 < st.size() && st[i].x < p.x)
        ++i;
    const float k = std::min(1.0f, std::max(0.0f, (p.x - st[i - 1].x) / (st[i].x - st[i - 1].x)));
    const float lead = st[i - 1].lead + (st[i].lead - st[i - 1].lead) * k;
    const float trail = st[i - 1].trail + (st[i].trail - st[i - 1].trail) * k;
    return AreaPoint(kWingArea, p.x / kWingSpan, (lead - p.z) / (lead - trail));
}

SkinnedPart WingPart(const BirdPalette& palette, float y) {
    std::vector<LoftSection> sections;
    for (const WingStation& s : WingStations())
        sections.push_back(AirfoilSection(s.x, y, s.lead, s.trail, s.half, s.influences));
    sections.push_back(ApexSection(D3DXVECTOR3(kWingSpan, y, 0.3f), Rigid(kTipR)));
    SkinnedPart part = Loft(sections);
    PaintPart(&part, [&](const D3DXVECTOR3& p, const D3DXVECTOR3& n) {
        const D3DCOLOR surface =
            MixColour(palette.wingUnder, palette.wingTop, SmoothStep(-0.3f, 0.3f, n.y));
        return MixColour(surface, palette.wingTip, SmoothStep(3.9f, 4.5f, std::fabs(p.x)));
    });
    return part;
}

SkinnedPart TailPart(const BirdPalette& palette) {
    struct Station {
        float z, y, halfWidth, half;
        std::vector<SkinInfluence> influences;
    };
    const std::vector<Station> stations = {
        {-0.95f, 0.1f, 0.12f, 0.04f, Blend(kTailBase, kTailFan, 0.3f)},
        {-1.45f, 0.12f, 0.36f, 0.03f, Rigid(kTailFan)},
        {-1.95f, 0.14f, 0.5f, 0.02f, Rigid(kTailFan)},
    };
    std::vector<LoftSection> sections;
    for (const Station& s : stations) {
        LoftSection section;
        section.points = {D3DXVECTOR3(-s.halfWidth, s.y, s.z), D3DXVECTOR3(0.0f, s.y + s.half, s.z),
                          D3DXVECTOR3(s.halfWidth, s.y, s.z), D3DXVECTOR3(0.0f, s.y - s.half, s.z)};
        section.influences = Uniform(4, s.influences);
        sections.push_back(section);
    }
    SkinnedPart part = Loft(sections);
    PaintPart(&part, [&](const D3DXVECTOR3& p, const D3DXVECTOR3&) {
        return MixColour(palette.tail, palette.tailTip, SmoothStep(-1.5f, -1.95f, p.z));
    });
    return part;
}

// Right leg and foot, tucked back under the tail as in flight.
SkinnedPart LegPart(const BirdPalette& palette, const D3DXVECTOR3& hip, const D3DXVECTOR3& ankle) {
    const std::vector<SkinInfluence> leg = Rigid(kLegR);
    const std::vector<SkinInfluence> foot = Rigid(kFootR);
    const D3DXVECTOR3 shin = ankle - hip;
    SkinnedPart part =
        Loft({RingSection(hip + D3DXVECTOR3(0.0f, 0.12f, 0.1f), shin, 0.07f, 0.07f, 4, leg),
              RingSection(ankle, shin, 0.05f, 0.05f, 4, Blend(kLegR, kFootR, 0.5f)),
              RingSection(ankle + D3DXVECTOR3(0.0f, -0.02f, -0.12f), shin, 0.09f, 0.03f, 4, foot),
              ApexSection(ankle + D3DXVECTOR3(0.0f, -0.03f, -0.32f), foot)});
    PaintPart(&part, [&](const D3DXVECTOR3&, const D3DXVECTOR3&) { return palette.feet; });
    return part;
}

void BuildSkin(SkinnedModel* model, const BirdPalette& palette, bool textured) {
    auto origin = [&](uint32_t bone) { return BindPosition(*model, bone); };
    // Each part with its place on the feather texture (day birds only), then its mirror image
    // for the paired parts.
    auto add = [&](SkinnedPart part, D3DXVECTOR2 (*map)(const D3DXVECTOR3&), bool paired) {
        if (textured)
            MapTexture(&part, map);
        AppendPart(model, part);
        if (paired)
            AppendPart(model, MirrorPart(part, MirrorBone));
    };
    auto body = [](const D3DXVECTOR3& p) {
        return AreaPoint(kBodyArea, (p.z + 1.1f) / 3.3f, (0.7f - p.y) / 1.3f);
    };
    auto plain = [](const D3DXVECTOR3&) { return AreaPoint(kPlainArea, 0.5f, 0.5f); };
    auto tail = [](const D3DXVECTOR3& p) {
        return AreaPoint(kTailArea, (p.x + 0.55f) / 1.1f, (-0.95f - p.z) / 1.0f);
    };
    add(BodyPart(palette), body, false);
    add(BeakPart(palette, origin(kBeak)), plain, false);
    SkinnedPart eye = Bead(D3DXVECTOR3(0.2f, 0.4f, 1.88f), 0.05f, 0.07f, kHead);
    PaintPart(&eye, [&](const D3DXVECTOR3&, const D3DXVECTOR3&) { return palette.eye; });
    add(eye, plain, true);
    add(WingPart(palette, origin(kShoulderR).y), WingTexturePoint, true);
    add(TailPart(palette), tail, false);
    add(LegPart(palette, origin(kLegR), origin(kFootR)), plain, true);
    for (std::vector<SkinInfluence>& list : model->influences)
        QuantiseWeights(&list);

    MeshMaterial material;
    if (textured)
        material.textureFile = kBirdTextureName;
    SetSingleMaterial(&model->mesh, material);
}

// ---- Motion ----------------------------------------------------------------------------------

struct FlightSegment {
    uint32_t ticks = 0;
    uint32_t cycles = 0;  // wing beats; 0 for a glide
};

// Flapping bouts between glides; each plan starts and ends gliding so the loop closes at rest.
std::vector<FlightSegment> FlightPlan(BirdVariant variant) {
    if (IsSecondTiming(variant))  // beats of 0.55 s
        return {{4800, 0}, {18480, 7}, {14400, 0}, {23760, 9}, {10560, 0}, {13200, 5}, {13200, 0}};
    return {{7200, 0}, {19200, 8},  {12000, 0}, {14400, 6},  // beats of 0.5 s
            {9600, 0}, {24000, 10}, {12000, 0}};
}

// Where the bird is in its plan at one time.
struct FlightState {
    float beat = 0.0f;        // wing-beat angle, radians (0 at the start of a bout)
    float envelope = 0.0f;    // 0 gliding, 1 in full flapping; eases in and out of a bout
    float glide = 0.0f;       // 0..1 across a glide, 0 while flapping
    float sways = 0.0f;       // slow wing and tail adjustments across this glide
    bool lookAround = false;  // long glides turn the head once to each side
};

FlightState StateAt(const std::vector<FlightSegment>& plan, uint32_t t) {
    FlightState state;
    uint32_t start = 0;
    for (const FlightSegment& segment : plan) {
        if (t <= start + segment.ticks) {
            const float local = static_cast<float>(t - start);
            if (segment.cycles > 0) {
                const float beats = local / (static_cast<float>(segment.ticks) /
                                             static_cast<float>(segment.cycles));
                state.beat = 2.0f * D3DX_PI * beats;
                state.envelope = SmoothStep(0.0f, 0.5f, beats) *
                                 SmoothStep(0.0f, 0.5f, static_cast<float>(segment.cycles) - beats);
            } else {
                state.glide = local / static_cast<float>(segment.ticks);
                state.sways =
                    std::max(1.0f, std::floor(static_cast<float>(segment.ticks) / 4800.0f));
                state.lookAround = segment.ticks >= 9600;
            }
            return state;
        }
        start += segment.ticks;
    }
    return state;
}

// Eight keys per wing beat, four per second while gliding, and the closing key.
std::vector<uint32_t> KeyTimes(const std::vector<FlightSegment>& plan) {
    std::vector<uint32_t> times;
    uint32_t start = 0;
    for (const FlightSegment& segment : plan) {
        const uint32_t steps = segment.cycles > 0 ? segment.cycles * 8 : segment.ticks / 1200;
        for (uint32_t k = 0; k < steps; ++k)
            times.push_back(start + static_cast<uint32_t>(std::lround(
                                        static_cast<double>(segment.ticks) * k / steps)));
        start += segment.ticks;
    }
    times.push_back(start);
    return times;
}

// 0 at both ends of a glide with no slope there, 1 in its middle.
float GlideBump(const FlightState& s) {
    const float b = std::sin(D3DX_PI * s.glide);
    return b * b;
}

// Rotation of each right-wing joint; the left wing mirrors it.
D3DXQUATERNION RightWingRotation(uint32_t bone, const FlightState& s) {
    const float e = s.envelope;
    const float a = s.beat;
    const float fold = e * std::pow(std::max(0.0f, std::cos(a - 0.3f)), 2.0f);
    const float adjust = 0.05f * std::sin(2.0f * D3DX_PI * s.glide * s.sways) * GlideBump(s);
    switch (bone) {
        case kShoulderR:
            return JointRotation(0.08f * e * std::cos(a), 0.0f,
                                 0.08f + adjust + e * 0.65f * std::sin(a));
        case kElbowR:
            return JointRotation(0.0f, -0.12f * fold, -0.04f + e * 0.22f * std::sin(a - 0.5f));
        case kWristR:
            return JointRotation(0.0f, 0.06f * (1.0f - e) + 0.4f * fold,
                                 e * 0.3f * std::sin(a - 1.0f) - 0.5f * adjust);
        default:  // wing tip
            return JointRotation(0.0f, 0.0f, 0.06f + e * 0.3f * std::sin(a - 1.5f));
    }
}

float BodyPitch(const FlightState& s) {
    return 0.035f * s.envelope * std::cos(s.beat);
}
float NeckPitch(const FlightState& s) {
    return 0.05f * s.envelope * std::sin(s.beat + 0.5f);
}

void BuildMotion(SkinnedModel* model, BirdVariant variant) {
    const std::vector<FlightSegment> plan = FlightPlan(variant);
    const std::vector<uint32_t> times = KeyTimes(plan);
    auto state = [&](uint32_t t) { return StateAt(plan, t); };

    BoneTrack body;
    body.bone = kBones[kBody].name;
    body.rotation = SampleRotationKeys(
        times, [&](uint32_t t) { return JointRotation(BodyPitch(state(t)), 0.0f, 0.0f); });
    body.position = SampleVectorKeys(times, [&](uint32_t t) {
        const FlightState s = state(t);
        return kBones[kBody].offset +
               D3DXVECTOR3(0.0f, -0.07f * s.envelope * std::sin(s.beat + 0.5f), 0.0f);
    });
    model->tracks.push_back(body);

    model->tracks.push_back(HoldTrack(kBones[kChest].name));

    BoneTrack neck;
    neck.bone = kBones[kNeck].name;
    neck.rotation = SampleRotationKeys(
        times, [&](uint32_t t) { return JointRotation(NeckPitch(state(t)), 0.0f, 0.0f); });
    model->tracks.push_back(neck);

    // The head stays level while the body bobs, and looks around in long glides.
    BoneTrack head;
    head.bone = kBones[kHead].name;
    head.rotation = SampleRotationKeys(times, [&](uint32_t t) {
        const FlightState s = state(t);
        const float look =
            s.lookAround ? 0.3f * std::sin(2.0f * D3DX_PI * s.glide) * GlideBump(s) : 0.0f;
        return JointRotation(-(BodyPitch(s) + NeckPitch(s)), look, 0.0f);
    });
    model->tracks.push_back(head);

    model->tracks.push_back(HoldTrack(kBones[kBeak].name));

    BoneTrack tailBase;
    tailBase.bone = kBones[kTailBase].name;
    tailBase.rotation = SampleRotationKeys(times, [&](uint32_t t) {
        const FlightState s = state(t);
        const float steer = 0.07f * std::sin(2.0f * D3DX_PI * s.glide * s.sways) * GlideBump(s);
        return JointRotation(0.07f * s.envelope * std::sin(s.beat - 0.8f) - 0.04f * GlideBump(s),
                             steer, 0.0f);
    });
    model->tracks.push_back(tailBase);

    // The tail fans out in the middle of each glide.
    BoneTrack tailFan;
    tailFan.bone = kBones[kTailFan].name;
    tailFan.scale = SampleVectorKeys(times, [&](uint32_t t) {
        return D3DXVECTOR3(1.0f + 0.3f * GlideBump(state(t)), 1.0f, 1.0f);
    });
    model->tracks.push_back(tailFan);

    for (uint32_t bone : {kShoulderR, kElbowR, kWristR, kTipR}) {
        BoneTrack left, right;
        right.bone = kBones[bone].name;
        left.bone = kBones[MirrorBone(bone)].name;
        right.rotation = SampleRotationKeys(
            times, [&](uint32_t t) { return RightWingRotation(bone, state(t)); });
        left.rotation = SampleRotationKeys(
            times, [&](uint32_t t) { return MirrorAcrossX(RightWingRotation(bone, state(t))); });
        model->tracks.push_back(left);
        model->tracks.push_back(right);
    }

    for (uint32_t bone : {kLegL, kFootL, kLegR, kFootR})
        model->tracks.push_back(HoldTrack(kBones[bone].name));
}
}  // namespace

SkinnedModel BuildBird(BirdVariant variant) {
    SkinnedModel model;
    model.frameName = "Bird";
    model.meshName = "BirdSkin";
    model.animationSetName = "Fly";
    AddBones(&model, kBones, kBoneCount);
    const bool day = variant == BirdVariant::Day1 || variant == BirdVariant::Day2;
    BuildSkin(&model, PaletteFor(variant), day);
    BuildMotion(&model, variant);
    return model;
}

// The skinned flock bird: a 19-bone skeleton (body, chest, neck, head, beak, tail base and fan,
// four joints per wing, legs and feet), a toon-friendly skin of about 450 triangles with at
// most two weights per vertex, and a 20.5 s loop of flapping bouts and glides.
// Owns: the bird's proportions (wingspan 10 model units, heading +z, y up), its markings per
// variant and its flight schedule. Does not: write files (skinned_models.cpp does).
// Needs: skinned_model.h, skinned_shapes.h, skinned_animation.h.
#pragma once

#include "tools/assetgen/skinned_model.h"

// Length of the bird loop in ticks: 20.5 s at 4800 ticks per second.
constexpr uint32_t kBirdAnimationTicks = 98400;

enum class BirdVariant {
    Day1,    // "BIRDSKINNED01.X": white with grey-blue mantle and dark wing tips
    Day2,    // "BIRDSKINNED02.X": white with a dark cap and slate outer wings, other timing
    Night1,  // "BIRDSKINNED03.X": Day1's motion, luminous cyan
    Night2,  // "BIRDSKINNED04.X": Day2's motion, luminous gold and rose
};

SkinnedModel BuildBird(BirdVariant variant);

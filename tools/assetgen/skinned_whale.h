// The skinned whale the user flies: a humpback-like body 10 model units long (drawn at 30 times,
// so about 300 world units), 17 bones (body, chest, head, jaw, a spine of six joints to the
// flukes, two-joint flippers, dorsal fin), at most two weights per vertex, and a 59,450-tick
// loop of five slow tail strokes with sculling flippers.
// Owns: the whale's shape, colours and swim. Does not: write files (skinned_models.cpp).
// Needs: skinned_model.h, skinned_shapes.h, skinned_animation.h.
#pragma once

#include "tools/assetgen/skinned_model.h"

// Length of the swim loop in ticks (about 12.4 s at 4800 ticks per second).
constexpr uint32_t kWhaleAnimationTicks = 59450;

SkinnedModel BuildWhale();

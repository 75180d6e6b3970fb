// "Dammy.x": the small skinned model the application loads once and never draws. A swaying
// column on a chain of 6 bones, up to four weights per vertex, animated by matrix keys only
// over 9,870 ticks, so the loader's matrix-key and four-weight paths have real data.
// Owns: that model. Does not: write files (skinned_models.cpp).
// Needs: skinned_model.h, skinned_shapes.h, skinned_animation.h.
#pragma once

#include "tools/assetgen/skinned_model.h"

// Length of the sway loop in ticks.
constexpr uint32_t kDammyAnimationTicks = 9870;

SkinnedModel BuildDammy();

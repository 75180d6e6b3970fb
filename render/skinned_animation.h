// Skeletal animation of a SkinnedMesh's frame tree: an animation node's keys sampled at a time
// into its target's local matrix, and the local matrices combined down the tree.
// Owns: key bracketing (each list wraps on its own last key time), the matrix-key pick, the
// scale x squad rotation x translation pose, and UpdateMatrices.
// Does not: advance play time or segments (SkinnedMesh::Advance) or draw.
// Needs: render/skinned_frame.h, platform/system/d3dx_math.h for squad.
#pragma once

#include "render/skinned_frame.h"

// The two keys around t' = fmod(t, last key time) and the blend between them.
struct KeyBracket {
    DWORD i1 = 0;
    DWORD i2 = 0;
    float f = 0.0f;  // 0 at key i1; 0 when the two keys share a time
};

// Brackets t in a key list of count keys whose times are times[k * stride] (in DWORDs apart).
// count must be at least 1. The first key strictly later than t' is i2, i1 the one before it
// (0 when i2 is 0); with no later key (a last time of 0) both are 0.
KeyBracket BracketKeyTimes(const DWORD* times, size_t strideBytes, DWORD count, float t);

// Writes the pose of animation node `node` at t ticks into its target's local matrix. Matrix
// keys win (the nearer key, f = 0.5 taking the earlier); otherwise scale x rotation (squad of
// the four keys around t, w negated) x position, the rest translation standing in for missing
// position keys. A node without target or keys changes nothing.
void SampleAnimation(FrameNode* node, float t);

// node's combined matrix = local x parent x extra, then the same for its children in list order.
void UpdateMatrices(FrameNode* node, const D3DXMATRIX& parent);

// Writes one SkinnedModel as a DirectX .X text document ("xof 0302txt 0064"): the skin
// templates XSkinMeshHeader and SkinWeights declared at the top (readers register only the
// standard set), the model frame with the skinned mesh and the bone frames, then one
// AnimationSet with an Animation of key lists per driven bone.
// Owns: the layout of skin, frame and animation objects, rotation keys as w, x, y, z.
// Does not: check the model (the tests do) or touch the disk. Needs: x_writer.h (numbers,
// meshes, frame matrices), skinned_model.h.
#pragma once

#include <string>

#include "tools/assetgen/skinned_model.h"

std::string SkinnedModelText(const SkinnedModel& model);

#include "tools/assetgen/asset_output.h"
#include "tools/assetgen/asset_writers.h"
#include "tools/assetgen/skinned_bird.h"
#include "tools/assetgen/skinned_dammy.h"
#include "tools/assetgen/skinned_feather_texture.h"
#include "tools/assetgen/skinned_whale.h"
#include "tools/assetgen/skinned_x_writer.h"

void WriteSkinnedModels(const std::string& outDir) {
    WriteAsset(outDir, "MODEL", "BIRDSKINNED01.X", SkinnedModelText(BuildBird(BirdVariant::Day1)));
    WriteAsset(outDir, "MODEL", "BIRDSKINNED02.X", SkinnedModelText(BuildBird(BirdVariant::Day2)));
    WriteAsset(outDir, "MODEL", "BIRDSKINNED03.X",
               SkinnedModelText(BuildBird(BirdVariant::Night1)));
    WriteAsset(outDir, "MODEL", "BIRDSKINNED04.X",
               SkinnedModelText(BuildBird(BirdVariant::Night2)));
    WriteAsset(outDir, "MODEL", "WHALESKINNED.X", SkinnedModelText(BuildWhale()));
    WriteAsset(outDir, "MODEL", "DAMMY.X", SkinnedModelText(BuildDammy()));
    WriteAsset(outDir, "RCDATA", kBirdTextureName, BirdFeatherBitmapBytes());
}

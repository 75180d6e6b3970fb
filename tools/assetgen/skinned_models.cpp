#include "tools/assetgen/asset_writers.h"

// Placeholder until the skinned models are authored: writes nothing, so the committed
// resources/MODEL/DAMMY.X stays as it is.
void WriteSkinnedModels(const std::string& outDir) {
    (void)outDir;
}

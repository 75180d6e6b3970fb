// velmora-assetgen OUTDIR [--report]: writes every generated asset into OUTDIR/<TYPE>/<NAME>.
// The output depends on nothing but this code, so regenerating reproduces resources/ exactly.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/assetgen/asset_output.h"
#include "tools/assetgen/asset_writers.h"

int main(int argc, char** argv) {
    std::string outDir;
    bool report = false;
    bool wellFormed = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--report") == 0)
            report = true;
        else if (outDir.empty())
            outDir = argv[i];
        else
            wellFormed = false;
    }
    if (outDir.empty() || !wellFormed) {
        std::fprintf(stderr, "usage: velmora-assetgen OUTDIR [--report]\n");
        return 2;
    }
    WriteStaticModels(outDir, report);
    WriteSkinnedModels(outDir);
    WritePlacements(outDir, report);
    WriteRamps(outDir);
    WriteIcon(outDir);
    WriteSound(outDir);
    WriteMidi(outDir);
    return AssetWriteFailures() == 0 ? 0 : 1;
}

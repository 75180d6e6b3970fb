// velmora-tool path [t ...]: loads "CLOCK.FPP" as the saver does and samples the circuit.
#include <cstdio>

#include "tools/velmora_tool/commands.h"
#include "tools/velmora_tool/tool_output.h"
#include "world/ferguson.h"

void PrintPathUsage(std::FILE* out) {
    std::fprintf(
        out,
        "usage: velmora-tool path [t ...]\n  t: a circuit parameter, 0 to the segment count\n");
}

int RunPathCommand(int argc, char** argv) {
    std::vector<float> parameters;
    for (int i = 0; i < argc; ++i) {
        float t = 0.0f;
        if (!ParseFloatArgument(argv[i], &t)) {
            PrintPathUsage(stderr);
            return 2;
        }
        parameters.push_back(t);
    }
    Ferguson path;
    if (FAILED(path.InitDeviceObjects("CLOCK.FPP"))) {
        std::fprintf(stderr, "velmora-tool: cannot load CLOCK.FPP:\n");
        PrintTrace();
        return 1;
    }
    std::printf("count %d\n", path.Count());
    std::printf("centre %s\n", FormatVector(path.Centre()).c_str());
    for (float t : parameters) {
        D3DXVECTOR3 position, ahead;
        if (!(t >= 0.0f && t < static_cast<float>(path.Count()))) {
            std::printf("t %s outside [0, %d)\n", FormatFloat(t).c_str(), path.Count());
            continue;
        }
        path.Evaluate(t, &position, &ahead);
        std::printf("t %s position %s ahead %s\n", FormatFloat(t).c_str(),
                    FormatVector(position).c_str(), FormatVector(ahead).c_str());
    }
    return 0;
}

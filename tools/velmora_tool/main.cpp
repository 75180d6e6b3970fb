// velmora-tool: the window through which authors, tests and benchmarks look at Velmora.
#include <cstdio>
#include <cstring>

#include "tools/velmora_tool/commands.h"

namespace {
struct ToolCommand {
    const char* name;
    const char* usage;
    int (*run)(int argc, char** argv);
};

const ToolCommand kCommands[] = {
    {"resources", "resources              list the embedded resources", RunResourcesCommand},
    {"path", "path [t ...]           sample the circuit of CLOCK.FPP", RunPathCommand},
    {"x", "x FILE                 parse a .X text file and print its object tree", RunXCommand},
    {"shade", "shade --png FILE [--size WxH] [--night]  render the toon shaders to a PNG",
     RunShadeCommand},
    {"model", "model NAME [--png FILE]  load a static model; draw four sides to a PNG",
     RunModelCommand},
    {"skin",
     "skin NAME|FILE [--time TICKS] [--matrices] [--png FILE [--poses N] [--night]]  "
     "load a skinned model; pose it; draw a contact sheet",
     RunSkinCommand},
    {"render", "render [--set NAME=VALUE] [--png FRAME:FILE] [--report] ...  run frames headless",
     RunRenderCommand},
    {"flock", "flock [--frames N] [--birds N] [--avoid 0|1] ...  fly the flock undrawn: soak",
     RunFlockCommand},
};

void PrintUsage() {
    std::fprintf(stderr, "usage: velmora-tool COMMAND [ARGS]\ncommands:\n");
    for (const ToolCommand& c : kCommands) std::fprintf(stderr, "  %s\n", c.usage);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage();
        return 2;
    }
    for (const ToolCommand& c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 2, argv + 2);
    std::fprintf(stderr, "velmora-tool: unknown command '%s'\n", argv[1]);
    PrintUsage();
    return 2;
}

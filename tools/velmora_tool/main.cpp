// velmora-tool: the window through which authors, tests and benchmarks look at Velmora.
#include <cstdio>
#include <cstring>

#include "tools/velmora_tool/commands.h"

namespace {
struct ToolCommand {
    const char* name;
    const char* usage;
    int (*run)(int argc, char** argv);
    void (*printUsage)(std::FILE* out);
};

const ToolCommand kCommands[] = {
    {"resources", "resources              list the embedded resources", RunResourcesCommand,
     PrintResourcesUsage},
    {"path", "path [t ...]           sample the circuit of CLOCK.FPP", RunPathCommand,
     PrintPathUsage},
    {"x", "x FILE                 parse a .X text file and print its object tree", RunXCommand,
     PrintXUsage},
    {"shade", "shade --png FILE [--size WxH] [--night]  render the toon shaders to a PNG",
     RunShadeCommand, PrintShadeUsage},
    {"model", "model NAME [--png FILE]  load a static model; draw four sides to a PNG",
     RunModelCommand, PrintModelUsage},
    {"skin",
     "skin NAME|FILE [--time TICKS] [--matrices] [--png FILE [--poses N] [--night]]  "
     "load a skinned model; pose it; draw a contact sheet",
     RunSkinCommand, PrintSkinUsage},
    {"render", "render [--set NAME=VALUE] [--png FRAME:FILE] [--report] ...  run frames headless",
     RunRenderCommand, PrintRenderUsage},
    {"flock", "flock [--frames N] [--birds N] [--avoid 0|1] ...  fly the flock undrawn: soak",
     RunFlockCommand, PrintFlockUsage},
};

void PrintUsage(std::FILE* out) {
    std::fprintf(
        out,
        "usage: velmora-tool COMMAND [ARGS]\n       velmora-tool [COMMAND] --help\ncommands:\n");
    for (const ToolCommand& c : kCommands)
        std::fprintf(out, "  %s\n", c.usage);
}

bool IsHelp(const char* argument) {
    return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    if (IsHelp(argv[1]) || std::strcmp(argv[1], "help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    for (const ToolCommand& c : kCommands) {
        if (std::strcmp(argv[1], c.name) != 0)
            continue;
        // A request for help anywhere among the arguments is answered, whatever else they say.
        for (int i = 2; i < argc; ++i)
            if (IsHelp(argv[i])) {
                c.printUsage(stdout);
                return 0;
            }
        return c.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "velmora-tool: unknown command '%s'\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}

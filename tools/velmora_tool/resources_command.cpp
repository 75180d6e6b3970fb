// velmora-tool resources: one line per embedded resource: type, name, size in bytes.
#include <cstdio>

#include "platform/system/resource_table.h"
#include "tools/velmora_tool/commands.h"

void PrintResourcesUsage(std::FILE* out) {
    std::fprintf(out, "usage: velmora-tool resources\n");
}

int RunResourcesCommand(int argc, char** /*argv*/) {
    if (argc != 0) {
        PrintResourcesUsage(stderr);
        return 2;
    }
    for (unsigned i = 0; i < EmbeddedResourceCount(); ++i) {
        const EmbeddedResource& r = EmbeddedResourceAt(i);
        std::printf("%-7s %-20s %8zu\n", r.type, r.name, SizeofResource(&r));
    }
    return 0;
}

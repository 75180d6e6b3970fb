// velmora-tool x FILE: parses a .X text file from disk with the standard templates and prints
// its object tree (templates, names, scalar members, array sizes, references), or the error
// with its line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/xfile/xfile_dump.h"
#include "platform/xfile/xfile_parser.h"
#include "tools/velmora_tool/commands.h"

namespace {
// Reads up to one byte more than the reader accepts, so that an oversized file is refused by
// the parser without being read whole.
bool ReadFileBytes(const char* path, std::string* bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    char chunk[65536];
    size_t got = 0;
    while (bytes->size() <= kMaxXTextBytes && (got = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
        bytes->append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}
}  // namespace

void PrintXUsage(std::FILE* out) {
    std::fprintf(out, "usage: velmora-tool x FILE\n");
}

int RunXCommand(int argc, char** argv) {
    if (argc != 1) {
        PrintXUsage(stderr);
        return 2;
    }
    std::string bytes;
    if (!ReadFileBytes(argv[0], &bytes)) {
        std::fprintf(stderr, "velmora-tool: cannot read %s: %s\n", argv[0], std::strerror(errno));
        return 1;
    }
    XTemplateSet templates;
    if (FAILED(RegisterStandardXTemplates(&templates))) {
        std::fprintf(stderr, "velmora-tool: the standard templates do not register\n");
        return 1;
    }
    XDocument document;
    if (FAILED(ParseXText(bytes.data(), bytes.size(), argv[0], templates, &document))) {
        std::fprintf(stderr, "%s\n", document.Error().Text().c_str());
        return 1;
    }
    std::fputs(DumpXDocument(document).c_str(), stdout);
    return 0;
}

#include "tools/assetgen/asset_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {
int g_nWriteFailures = 0;
}  // namespace

bool WriteAsset(const std::string& outDir, const std::string& type, const std::string& name,
                const std::string& bytes) {
    const std::filesystem::path folder = std::filesystem::path(outDir) / type;
    const std::filesystem::path path = folder / name;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "velmora-assetgen: cannot create %s: %s\n", folder.c_str(),
                     error.message().c_str());
        ++g_nWriteFailures;
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "velmora-assetgen: cannot write %s: %s\n", path.c_str(),
                     std::strerror(errno));
        ++g_nWriteFailures;
        return false;
    }
    return true;
}

int AssetWriteFailures() {
    return g_nWriteFailures;
}

// A second opinion on the committed static models: assimp, an independent .X reader, must open
// each one and find the meshes and triangles the generator meant, in file order.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "tools/assetgen/static_models.h"

namespace {

bool AssimpPresent() {
    return std::system("command -v assimp >/dev/null 2>&1") == 0;
}

// Runs "assimp info FILE -r" (no post-processing, so meshes are neither merged nor split) and
// returns the face count of each mesh it lists, or nothing when it fails.
std::vector<size_t> AssimpFaceCounts(const std::string& path, int* status) {
    const std::string command = "assimp info \"" + path + "\" -r 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    if (pipe) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
            output.append(buffer, n);
        *status = pclose(pipe);
    }
    // Mesh lines read "    3 (name): [vertices / bones / faces | primitive types]".
    static const std::regex line(R"(^\s*\d+ \([^)]*\): \[(\d+) / (\d+) / (\d+) \|)");
    std::vector<size_t> faces;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        std::smatch m;
        const std::string text = output.substr(start, end - start);
        if (std::regex_search(text, m, line))
            faces.push_back(std::stoul(m[3].str()));
        start = end + 1;
    }
    return faces;
}

TEST(AssimpModels, EveryStaticModelOpensWithTheIntendedMeshesAndTriangles) {
    if (!AssimpPresent())
        GTEST_SKIP() << "assimp (assimp-utils) is not installed";
    for (const StaticModel& model : BuildStaticModels()) {
        const std::string path =
            std::string(VELMORA_SOURCE_DIR) + "/resources/MODEL/" + model.fileName;
        int status = -1;
        const std::vector<size_t> faces = AssimpFaceCounts(path, &status);
        EXPECT_EQ(status, 0) << model.fileName;
        std::vector<size_t> expected;
        for (const NamedMesh& m : model.meshes)
            expected.push_back(m.mesh.faces.size());
        EXPECT_EQ(faces, expected) << model.fileName;
    }
}

}  // namespace

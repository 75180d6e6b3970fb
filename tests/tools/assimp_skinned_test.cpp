// A second opinion on the committed skinned models: assimp, an independent .X reader, must find
// the same bones and triangles in each one as the skinned loader does.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "platform/system/resource_table.h"
#include "render/skinned_mesh.h"

namespace {

bool AssimpPresent() {
    return std::system("command -v assimp >/dev/null 2>&1") == 0;
}

// "assimp info FILE -r" (no post-processing): the bone and face counts of its one mesh.
bool AssimpCounts(const std::string& path, size_t* bones, size_t* faces) {
    const std::string command = "assimp info \"" + path + "\" -r 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return false;
    std::string output;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        output.append(buffer, n);
    if (pclose(pipe) != 0)
        return false;
    // Mesh lines read "    0 (name): [vertices / bones / faces | primitive types]".
    static const std::regex line(R"(\n\s*0 \([^)]*\): \[(\d+) / (\d+) / (\d+) \|)");
    std::smatch m;
    if (!std::regex_search(output, m, line))
        return false;
    *bones = std::stoul(m[2].str());
    *faces = std::stoul(m[3].str());
    return true;
}

TEST(AssimpSkinned, EverySkinnedModelHasTheBonesAndTrianglesTheLoaderFinds) {
    if (!AssimpPresent())
        GTEST_SKIP() << "assimp (assimp-utils) is not installed";
    for (const char* name : {"BIRDSKINNED01.X", "BIRDSKINNED02.X", "BIRDSKINNED03.X",
                             "BIRDSKINNED04.X", "WHALESKINNED.X", "DAMMY.X"}) {
        HRSRC resource = FindResourceA(name, "MODEL");
        ASSERT_NE(resource, nullptr) << name;
        SkinnedMesh mesh;
        ASSERT_EQ(mesh.LoadModelFromText(LockResource(resource), SizeofResource(resource), name),
                  S_OK)
            << mesh.LastError();
        const MeshContainer* c = mesh.Selected()->m_pRoot->m_pFirstChild->m_pMeshContainers;
        ASSERT_NE(c, nullptr) << name;
        size_t bones = 0, faces = 0;
        ASSERT_TRUE(AssimpCounts(std::string(VELMORA_SOURCE_DIR) + "/resources/MODEL/" + name,
                                 &bones, &faces))
            << name;
        EXPECT_EQ(c->BoneCount(), bones) << name;
        EXPECT_EQ(c->m_pMesh->GetNumFaces(), faces) << name;
    }
}

}  // namespace

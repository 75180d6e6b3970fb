#include "platform/system/resource_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {
std::string ReadSourceFile(const std::string& relative) {
    std::ifstream in(std::string(VELMORA_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ResourceTable, NamesAndTypesCompareWithoutRegardToCase) {
    HRSRC stored = FindResourceA("DAMMY.X", "MODEL");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(FindResourceA("Dammy.x", "Model"), stored);
    EXPECT_EQ(FindResourceA("dammy.X", "model"), stored);
    EXPECT_NE(FindResourceA("test_mixed_case.X", "MODEL"), nullptr);
}

TEST(ResourceTable, TypeMustMatchAndMissingNamesAreNotFound) {
    EXPECT_EQ(FindResourceA("DAMMY.X", "MISC"), nullptr);
    EXPECT_EQ(FindResourceA("NO_SUCH.X", "MODEL"), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "MODEL"), nullptr);
    EXPECT_EQ(FindResourceA("DAMMY.X", nullptr), nullptr);
    EXPECT_EQ(FindResourceA("DAMMY", "MODEL"), nullptr);  // no prefix matches
}

TEST(ResourceTable, LockedBytesAreTheFileBytesFollowedByANul) {
    HRSRC found = FindResourceA("CLOCK.FPP", "MISC");
    ASSERT_NE(found, nullptr);
    HRSRC loaded = LoadResource(found);
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    const std::string file = ReadSourceFile("resources/MISC/CLOCK.FPP");
    ASSERT_EQ(SizeofResource(loaded), file.size());
    EXPECT_EQ(std::memcmp(bytes, file.data(), file.size()), 0);
    EXPECT_EQ(bytes[file.size()], '\0');
}

TEST(ResourceTable, NullHandlesAreHandled) {
    EXPECT_EQ(LoadResource(nullptr), nullptr);
    EXPECT_EQ(LockResource(nullptr), nullptr);
    EXPECT_EQ(SizeofResource(nullptr), 0u);
}

TEST(ResourceTable, ListingHoldsEveryTypeOnceEachNameIsUnique) {
    bool seen[4] = {};
    const char* types[4] = {"MISC", "MODEL", "MIDI", "RCDATA"};
    for (unsigned i = 0; i < EmbeddedResourceCount(); ++i) {
        const EmbeddedResource& r = EmbeddedResourceAt(i);
        for (int t = 0; t < 4; ++t) seen[t] |= std::strcmp(r.type, types[t]) == 0;
        EXPECT_EQ(FindResourceA(r.name, r.type), &r) << r.name;
    }
    for (int t = 0; t < 4; ++t) EXPECT_TRUE(seen[t]) << types[t];
}
}  // namespace

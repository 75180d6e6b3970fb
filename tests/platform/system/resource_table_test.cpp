#include "platform/system/resource_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

// Resident kilobytes of the mapping that holds `address`, from /proc/self/smaps; -1 if not found.
long ResidentKilobytesAround(const void* address) {
    std::ifstream smaps("/proc/self/smaps");
    const auto at = reinterpret_cast<uintptr_t>(address);
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        unsigned long low = 0, high = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &low, &high) == 2 && line.find(' ') < 40) {
            inside = at >= low && at < high;
        } else if (inside && line.rfind("Rss:", 0) == 0) {
            return std::strtol(line.c_str() + 4, nullptr, 10);
        }
    }
    return -1;
}

TEST(ResourceTable, ReleasedPagesLeaveMemoryAndReadBackUnchanged) {
    HRSRC largest = nullptr;
    for (unsigned i = 0; i < EmbeddedResourceCount(); ++i) {
        HRSRC r = &EmbeddedResourceAt(i);
        if (largest == nullptr || SizeofResource(r) > SizeofResource(largest))
            largest = r;
    }
    ASSERT_NE(largest, nullptr);
    ASSERT_GT(SizeofResource(largest), 256u * 1024u);
    const std::string file = ReadSourceFile(std::string("resources/") + largest->type + "/" +
                                            largest->name);
    const auto* bytes = static_cast<const char*>(LockResource(largest));
    ASSERT_EQ(std::memcmp(bytes, file.data(), file.size()), 0);  // every page resident now

    const long before = ResidentKilobytesAround(bytes);
    ReleaseResourcePages();
    const long after = ResidentKilobytesAround(bytes);
    ASSERT_GE(before, 0);
    EXPECT_LE(after, before - static_cast<long>(SizeofResource(largest) / 1024) + 8);

    // The bytes come back from the program file, whole and with their NUL; twice is harmless.
    EXPECT_EQ(std::memcmp(bytes, file.data(), file.size()), 0);
    EXPECT_EQ(bytes[file.size()], '\0');
    ReleaseResourcePages();
    EXPECT_EQ(std::memcmp(bytes, file.data(), file.size()), 0);
}

}  // namespace

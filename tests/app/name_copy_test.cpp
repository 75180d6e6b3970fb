#include "app/name_copy.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
TEST(BoundedNameCopy, ShortSourceIsPaddedWithNulsUpToTheCapacity) {
    char dest[8];
    std::memset(dest, 'x', sizeof dest);
    BoundedNameCopy(dest, "ab", 6);
    EXPECT_STREQ(dest, "ab");
    for (int i = 2; i < 6; ++i) EXPECT_EQ(dest[i], '\0') << i;
    EXPECT_EQ(dest[6], 'x');  // nothing beyond the capacity
}

TEST(BoundedNameCopy, LongSourceIsCutAndTerminatedAtCapacityMinusOne) {
    char dest[8];
    std::memset(dest, 'x', sizeof dest);
    BoundedNameCopy(dest, "display04Mesh", 5);
    EXPECT_STREQ(dest, "disp");
    EXPECT_EQ(dest[5], 'x');
}

TEST(BoundedNameCopy, MinusOneCopiesTheWholeText) {
    char dest[32] = {};
    BoundedNameCopy(dest, "dammy01Mesh", -1);
    EXPECT_STREQ(dest, "dammy01Mesh");
}

TEST(BoundedNameCopy, AbsentPointersAndZeroOrOtherNegativeCapacitiesDoNothing) {
    char dest[4] = {'a', 'b', 'c', '\0'};
    BoundedNameCopy(dest, nullptr, 4);
    BoundedNameCopy(nullptr, "x", 4);
    BoundedNameCopy(dest, "zz", 0);
    BoundedNameCopy(dest, "zz", -2);
    EXPECT_STREQ(dest, "abc");
}

TEST(BoundedNameCopy, CapacityOneLeavesAnEmptyName) {
    char dest[4] = {'a', 'b', 'c', '\0'};
    BoundedNameCopy(dest, "zz", 1);
    EXPECT_STREQ(dest, "");
}
}  // namespace

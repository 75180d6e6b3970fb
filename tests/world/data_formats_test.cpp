#include <gtest/gtest.h>

#include <string>

#include "app/trace_log.h"
#include "world/bps_format.h"
#include "world/fpp_format.h"
#include "world/misc_resource.h"

namespace {
// The trace text appended since construction.
class TraceTail {
public:
    TraceTail() : m_start(g_traceLog.Length()) {}
    std::string Text() const { return std::string(g_traceLog.Text() + m_start); }

private:
    size_t m_start;
};

TEST(MiscResource, FindAndLoadAreTracedWithTheGivenFindLine) {
    TraceTail tail;
    ResourceBytes bytes;
    ASSERT_EQ(ReadMiscResource("CLOCK.FPP", "\t\tFindResource...\n", &bytes), S_OK);
    EXPECT_EQ(tail.Text(), "\t\tFindResource...\n\t\tLoadResource...\n");
    EXPECT_EQ(bytes.size, 984u);
}

TEST(MiscResource, MissingResourceFailsAfterTheFindLine) {
    TraceTail tail;
    ResourceBytes bytes;
    EXPECT_EQ(ReadMiscResource("NOPE.BPS", "\t\tFineResource...\n", &bytes), E_FAIL);
    EXPECT_EQ(tail.Text(), "\t\tFineResource...\n\t\tFailed\n");
    EXPECT_EQ(bytes.data, nullptr);
}

ResourceBytes Load(const char* name) {
    ResourceBytes bytes;
    EXPECT_EQ(ReadMiscResource(name, "", &bytes), S_OK) << name;
    return bytes;
}

TEST(FppFormat, ShippedCircuitHas49PointsAndItsFirstPointExactly) {
    std::vector<D3DXVECTOR3> points;
    ASSERT_EQ(ReadFpp(Load("CLOCK.FPP"), "CLOCK.FPP", &points), S_OK);
    ASSERT_EQ(points.size(), 49u);
    EXPECT_EQ(points[0], D3DXVECTOR3(27.98963f, 9.167835f, -191.1297f));
}

TEST(FppFormat, CountZeroAndOneAreValid) {
    std::vector<D3DXVECTOR3> points(3);
    ASSERT_EQ(ReadFpp(Load("TEST_EMPTY.FPP"), "TEST_EMPTY.FPP", &points), S_OK);
    EXPECT_TRUE(points.empty());
    ASSERT_EQ(ReadFpp(Load("TEST_SINGLE.FPP"), "TEST_SINGLE.FPP", &points), S_OK);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0], D3DXVECTOR3(5.0f, -2.0f, 7.5f));
}

TEST(FppFormat, DataShorterThanItsCountIsRefusedWithALineNamingIt) {
    std::vector<D3DXVECTOR3> points;
    const ResourceBytes shortData = Load("TEST_SHORT.FPP");
    TraceTail tail;
    EXPECT_EQ(ReadFpp(shortData, "TEST_SHORT.FPP", &points), E_FAIL);
    EXPECT_EQ(tail.Text(), "\t\tFailed TEST_SHORT.FPP: 164 bytes, count 49 needs 984\n");
    EXPECT_TRUE(points.empty());

    const ResourceBytes noCount = Load("TEST_NOCOUNT.FPP");
    TraceTail second;
    EXPECT_EQ(ReadFpp(noCount, "TEST_NOCOUNT.FPP", &points), E_FAIL);
    EXPECT_EQ(second.Text(), "\t\tFailed TEST_NOCOUNT.FPP: 2 bytes hold no count\n");
}

TEST(FppFormat, ExactlyTheAnnouncedSizeIsEnoughAndOneByteLessIsNot) {
    const ResourceBytes full = Load("TEST_SINGLE.FPP");
    std::vector<D3DXVECTOR3> points;
    EXPECT_EQ(ReadFpp(full, "x", &points), S_OK);
    const ResourceBytes cut{full.data, full.size - 1};
    EXPECT_EQ(ReadFpp(cut, "x", &points), E_FAIL);
}

TEST(BpsFormat, MatricesAreCopiedVerbatimRowByRow) {
    std::vector<D3DXMATRIX> matrices;
    ASSERT_EQ(ReadMatrixList(Load("TEST_TWO.BPS"), "TEST_TWO.BPS", &matrices), S_OK);
    ASSERT_EQ(matrices.size(), 2u);
    EXPECT_EQ(matrices[0], D3DXMATRIX(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 10, 20, 30, 1));
    EXPECT_EQ(matrices[1], D3DXMATRIX(0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, -5, 0, 5, 1));
}

TEST(BpsFormat, NegativeCountAndShortDataAreRefused) {
    std::vector<D3DXMATRIX> matrices;
    const ResourceBytes negative = Load("TEST_NEGATIVE.BPS");
    const ResourceBytes shortData = Load("TEST_SHORT.BPS");
    TraceTail tail;
    EXPECT_EQ(ReadMatrixList(negative, "TEST_NEGATIVE.BPS", &matrices), E_FAIL);
    EXPECT_EQ(tail.Text(), "\t\tFailed TEST_NEGATIVE.BPS: negative count -1\n");
    TraceTail second;
    EXPECT_EQ(ReadMatrixList(shortData, "TEST_SHORT.BPS", &matrices), E_FAIL);
    EXPECT_EQ(second.Text(), "\t\tFailed TEST_SHORT.BPS: 128 bytes, count 2 needs 132\n");
}

TEST(BpsFormat, HugeCountsCannotOverflowTheSizeCheck) {
    unsigned char bytes[8] = {0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0};  // count 2^31 - 1
    std::vector<D3DXMATRIX> matrices;
    EXPECT_EQ(ReadMatrixList(ResourceBytes{bytes, sizeof bytes}, "huge", &matrices), E_FAIL);
}
}  // namespace

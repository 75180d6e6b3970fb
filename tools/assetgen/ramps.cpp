#include "tools/assetgen/ramps.h"

#include "tools/assetgen/asset_output.h"
#include "tools/assetgen/asset_writers.h"
#include "tools/assetgen/byte_writer.h"

namespace {
// A run of columns up to and including lastColumn in one colour.
struct Band {
    int lastColumn;
    uint32_t rgb;
};

const Band kDayBands[] = {
    {40, 0x5D5DDD},   // (93, 93, 221)
    {84, 0x8686E3},   // (134, 134, 227)
    {108, 0xD7D7FA},  // (215, 215, 250)
    {127, 0xFFFFFF},
};

constexpr uint32_t Grey(uint32_t level) {
    return level << 16 | level << 8 | level;
}

const Band kNightBands[] = {
    {17, Grey(0)},   {18, Grey(22)},  {19, Grey(40)},  {20, Grey(38)},   {44, Grey(35)},
    {45, Grey(31)},  {46, Grey(26)},  {47, Grey(53)},  {48, Grey(98)},   {50, Grey(131)},
    {51, Grey(132)}, {65, Grey(131)}, {85, Grey(202)}, {109, Grey(229)}, {127, Grey(253)},
};

template <size_t N>
uint32_t BandColour(const Band (&bands)[N], int x) {
    for (const Band& b : bands)
        if (x <= b.lastColumn)
            return b.rgb;
    return bands[N - 1].rgb;
}
}  // namespace

uint32_t DayRampColour(int x) {
    return BandColour(kDayBands, x);
}
uint32_t NightRampColour(int x) {
    return BandColour(kNightBands, x);
}

std::string RampBitmapBytes(uint32_t (*columnColour)(int)) {
    constexpr uint32_t kHeaderBytes = 14 + 40;
    std::string out;
    // File header.
    out += "BM";
    AppendLe32(&out, kRampFileBytes);
    AppendLe32(&out, 0);  // two reserved words
    AppendLe32(&out, kHeaderBytes);
    // Information header: 128 x 128, bottom-up, 1 plane, 24 bits, uncompressed, image size
    // left 0, 2834 pixels per metre (72 dpi) both ways, no palette.
    AppendLe32(&out, 40);
    AppendLe32(&out, kRampSize);
    AppendLe32(&out, kRampSize);
    AppendLe16(&out, 1);
    AppendLe16(&out, 24);
    AppendLe32(&out, 0);
    AppendLe32(&out, 0);
    AppendLe32(&out, 2834);
    AppendLe32(&out, 2834);
    AppendLe32(&out, 0);
    AppendLe32(&out, 0);
    // Rows of 384 bytes (no padding needed), pixels stored blue, green, red.
    std::string row;
    for (int x = 0; x < kRampSize; ++x) {
        const uint32_t rgb = columnColour(x);
        row.push_back(static_cast<char>(rgb & 0xFF));
        row.push_back(static_cast<char>((rgb >> 8) & 0xFF));
        row.push_back(static_cast<char>((rgb >> 16) & 0xFF));
    }
    for (int y = 0; y < kRampSize; ++y)
        out += row;
    out.append(2, '\0');
    return out;
}

void WriteRamps(const std::string& outDir) {
    WriteAsset(outDir, "RCDATA", "Toon.bmp", RampBitmapBytes(DayRampColour));
    WriteAsset(outDir, "RCDATA", "ToonToon.bmp", RampBitmapBytes(NightRampColour));
}

#include "platform/image/png_writer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

TEST(PngWriter, ChecksumsMatchTheirPublishedValues) {
    const uint8_t iend[] = {'I', 'E', 'N', 'D'};
    EXPECT_EQ(PngCrc32(iend, 4, 0), 0xAE426082u);
    const char* text = "123456789";
    EXPECT_EQ(PngCrc32(reinterpret_cast<const uint8_t*>(text), 9, 0), 0xCBF43926u);
    const char* wiki = "Wikipedia";
    EXPECT_EQ(PngAdler32(reinterpret_cast<const uint8_t*>(wiki), 9, 1), 0x11E60398u);
    // Continuing a checksum over a second part equals one pass over the whole.
    const uint8_t* digits = reinterpret_cast<const uint8_t*>(text);
    EXPECT_EQ(PngCrc32(digits + 4, 5, PngCrc32(digits, 4, 0)), 0xCBF43926u);
}

// Walks the chunks, checks every CRC, and unpacks the stored deflate blocks of IDAT.
TEST(PngWriter, ChunksAndStoredBlocksCarryTheImageExactly) {
    const int width = 150, height = 130;  // 150 * 4 + 1 bytes a row: several 64 KiB blocks
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = uint8_t(i * 31 + i / 7);
    std::vector<uint8_t> png;
    ASSERT_TRUE(EncodePng(rgba.data(), width, height, &png));
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_EQ(std::memcmp(png.data(), signature, 8), 0);

    std::vector<uint8_t> idat;
    std::vector<std::string> types;
    for (size_t at = 8; at < png.size();) {
        ASSERT_LE(at + 12, png.size());
        const uint32_t length = BigEndian32(&png[at]);
        ASSERT_LE(at + 12 + length, png.size());
        types.emplace_back(reinterpret_cast<const char*>(&png[at + 4]), 4);
        EXPECT_EQ(PngCrc32(&png[at + 4], length + 4, 0), BigEndian32(&png[at + 8 + length]));
        if (types.back() == "IHDR") {
            EXPECT_EQ(BigEndian32(&png[at + 8]), uint32_t(width));
            EXPECT_EQ(BigEndian32(&png[at + 12]), uint32_t(height));
            EXPECT_EQ(png[at + 16], 8);  // bits per channel
            EXPECT_EQ(png[at + 17], 6);  // RGBA
        }
        if (types.back() == "IDAT")
            idat.assign(&png[at + 8], &png[at + 8 + length]);
        at += 12 + length;
    }
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));

    ASSERT_GE(idat.size(), 6u);
    EXPECT_EQ((idat[0] * 256 + idat[1]) % 31, 0);  // zlib header check
    std::vector<uint8_t> raw;
    size_t at = 2;
    int blocks = 0;
    for (bool last = false; !last; ++blocks) {
        ASSERT_LE(at + 5, idat.size());
        last = (idat[at] & 1) != 0;
        EXPECT_EQ(idat[at] >> 1, 0);  // stored
        const unsigned length = idat[at + 1] | (idat[at + 2] << 8);
        const unsigned inverse = idat[at + 3] | (idat[at + 4] << 8);
        EXPECT_EQ(length ^ 0xFFFFu, inverse);
        ASSERT_LE(at + 5 + length, idat.size());
        raw.insert(raw.end(), &idat[at + 5], &idat[at + 5] + length);
        at += 5 + length;
    }
    EXPECT_GT(blocks, 1);
    ASSERT_EQ(at + 4, idat.size());
    EXPECT_EQ(BigEndian32(&idat[at]), PngAdler32(raw.data(), raw.size(), 1));
    ASSERT_EQ(raw.size(), size_t(width * 4 + 1) * height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* line = &raw[size_t(y) * (width * 4 + 1)];
        EXPECT_EQ(line[0], 0);  // filter: none
        ASSERT_EQ(std::memcmp(line + 1, &rgba[size_t(y) * width * 4], width * 4), 0) << y;
    }
}

TEST(PngWriter, EmptyImagesAndUnwritablePathsFail) {
    std::vector<uint8_t> png = {1, 2, 3};
    const uint8_t pixel[4] = {};
    EXPECT_FALSE(EncodePng(pixel, 0, 1, &png));
    EXPECT_TRUE(png.empty());
    EXPECT_FALSE(EncodePng(nullptr, 1, 1, &png));
    std::string error;
    EXPECT_FALSE(WritePng("/nonexistent-directory/x.png", pixel, 1, 1, &error));
    EXPECT_NE(error.find("/nonexistent-directory/x.png"), std::string::npos);
}

}  // namespace

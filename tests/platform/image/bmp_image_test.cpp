#include "platform/image/bmp_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system/resource_table.h"

namespace {
void PutU16(std::vector<BYTE>* b, size_t at, uint32_t v) {
    (*b)[at] = static_cast<BYTE>(v);
    (*b)[at + 1] = static_cast<BYTE>(v >> 8);
}

void PutU32(std::vector<BYTE>* b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) (*b)[at + i] = static_cast<BYTE>(v >> (8 * i));
}

// A BMP with a 40-byte information header. pixels: BGRA per pixel, top row first; 24-bit
// files drop the alpha byte. Rows are stored bottom-up unless topDown.
std::vector<BYTE> MakeBmp(int width, int height, int bits, bool topDown,
                          const std::vector<BYTE>& pixels) {
    const size_t bytesPerPixel = static_cast<size_t>(bits / 8);
    const size_t stride = (static_cast<size_t>(width) * bytesPerPixel + 3) & ~size_t{3};
    std::vector<BYTE> b(54 + stride * static_cast<size_t>(height), 0);
    b[0] = 'B';
    b[1] = 'M';
    PutU32(&b, 2, static_cast<uint32_t>(b.size()));
    PutU32(&b, 10, 54);
    PutU32(&b, 14, 40);
    PutU32(&b, 18, static_cast<uint32_t>(width));
    PutU32(&b, 22, static_cast<uint32_t>(topDown ? -height : height));
    PutU16(&b, 26, 1);
    PutU16(&b, 28, static_cast<uint32_t>(bits));
    for (int y = 0; y < height; ++y) {
        const int row = topDown ? y : height - 1 - y;
        for (int x = 0; x < width; ++x)
            for (size_t c = 0; c < bytesPerPixel; ++c)
                b[54 + static_cast<size_t>(row) * stride + x * bytesPerPixel + c] =
                    pixels[(static_cast<size_t>(y) * width + x) * 4 + c];
    }
    return b;
}

// 3 x 2 pixels: a 24-bit row is 9 bytes, so every stored row carries 3 bytes of padding.
const std::vector<BYTE> kThreeByTwo = {
    10, 20, 30, 255,  40, 50, 60, 255,  70, 80, 90, 255,     // top row
    11, 21, 31, 255,  41, 51, 61, 255,  71, 81, 91, 255,     // bottom row
};

HRESULT Decode(const std::vector<BYTE>& file, BmpImage* image, std::string* error) {
    return ReadBmpImage(file.data(), file.size(), "TEST.bmp", image, error);
}

TEST(BmpImage, TwentyFourBitRowsAreUnpaddedTopFirstWithOpaqueAlpha) {
    for (bool topDown : {false, true}) {
        BmpImage image;
        std::string error;
        ASSERT_EQ(Decode(MakeBmp(3, 2, 24, topDown, kThreeByTwo), &image, &error), S_OK)
            << error;
        EXPECT_EQ(image.width, 3u);
        EXPECT_EQ(image.height, 2u);
        EXPECT_EQ(image.bitsPerPixel, 24u);
        EXPECT_EQ(image.bgra, kThreeByTwo) << "topDown " << topDown;
    }
}

TEST(BmpImage, ThirtyTwoBitKeepsItsAlphaInBothRowOrders) {
    std::vector<BYTE> pixels = kThreeByTwo;
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = static_cast<BYTE>(i * 10);
    for (bool topDown : {false, true}) {
        BmpImage image;
        ASSERT_EQ(Decode(MakeBmp(3, 2, 32, topDown, pixels), &image, nullptr), S_OK);
        EXPECT_EQ(image.bitsPerPixel, 32u);
        EXPECT_EQ(image.bgra, pixels) << "topDown " << topDown;
    }
}

TEST(BmpImage, PixelOffsetIsHonouredAndLaterHeadersAreAccepted) {
    // A 124-byte (V5) header followed by a gap before the pixels.
    std::vector<BYTE> file = MakeBmp(3, 2, 24, false, kThreeByTwo);
    std::vector<BYTE> pixelBytes(file.begin() + 54, file.end());
    file.resize(14 + 124 + 6, 0xEE);
    PutU32(&file, 14, 124);
    PutU32(&file, 10, static_cast<uint32_t>(file.size()));
    file.insert(file.end(), pixelBytes.begin(), pixelBytes.end());
    BmpImage image;
    std::string error;
    ASSERT_EQ(Decode(file, &image, &error), S_OK) << error;
    EXPECT_EQ(image.bgra, kThreeByTwo);
}

TEST(BmpImage, TheLastRowMayLackItsPaddingButNoPixelByte) {
    std::vector<BYTE> file = MakeBmp(3, 2, 24, false, kThreeByTwo);
    file.resize(file.size() - 3);
    BmpImage image;
    EXPECT_EQ(Decode(file, &image, nullptr), S_OK);
    file.resize(file.size() - 1);
    std::string error;
    EXPECT_EQ(Decode(file, &image, &error), D3DXERR_INVALIDDATA);
    EXPECT_EQ(error, "TEST.bmp: pixel data truncated: 21 bytes needed at offset 54, 20 held");
    EXPECT_TRUE(image.bgra.empty());
    EXPECT_EQ(image.width, 0u);
}

TEST(BmpImage, EveryShorterPrefixOfAValidFileIsRefused) {
    const std::vector<BYTE> file = MakeBmp(5, 3, 32, true, std::vector<BYTE>(5 * 3 * 4, 7));
    for (size_t size = 0; size < file.size(); ++size) {
        BmpImage image;
        std::string error;
        EXPECT_EQ(ReadBmpImage(file.data(), size, "cut", &image, &error), D3DXERR_INVALIDDATA)
            << size;
        EXPECT_EQ(error.rfind("cut: ", 0), 0u) << error;
    }
}

struct Malformed {
    const char* what;
    size_t at;  // byte to patch, or SIZE_MAX to cut the file to `value` bytes
    int width;  // 16 or 32 bits patched at `at`
    uint32_t value;
    const char* message;
};

TEST(BmpImage, MalformedHeadersAreRefusedWithWhatIsWrong) {
    const Malformed cases[] = {
        {"short file", SIZE_MAX, 0, 10, "10 bytes, too short for a BMP header"},
        {"wrong magic", 0, 16, 0x4142, "does not start with \"BM\""},
        {"short info header", SIZE_MAX, 0, 40,
         "40 bytes, too short for its 40-byte information header"},
        {"core header", 14, 32, 12, "OS/2 core headers are not supported"},
        {"odd header size", 14, 32, 41, "information header size 41 is not a BMP header"},
        {"two planes", 26, 16, 2, "2 planes, not 1"},
        {"8 bits", 28, 16, 8, "8 bits per pixel; only 24 and 32 are supported"},
        {"16 bits", 28, 16, 16, "16 bits per pixel; only 24 and 32 are supported"},
        {"1 bit", 28, 16, 1, "1 bits per pixel; only 24 and 32 are supported"},
        {"run-length", 30, 32, 1, "compression 1; only uncompressed images are supported"},
        {"bit fields", 30, 32, 3, "compression 3; only uncompressed images are supported"},
        {"zero width", 18, 32, 0, "empty or negative size 0x2"},
        {"zero height", 22, 32, 0, "empty or negative size 3x0"},
        {"negative width", 18, 32, 0xFFFFFFFDu, "empty or negative size -3x2"},
        {"absurd width", 18, 32, 100000, "size 100000x2 beyond the limit of 16384"},
        {"absurd height", 22, 32, 0x80000000u, "size 3x2147483648 beyond the limit of 16384"},
        {"overflowing size", 18, 32, 0x7FFFFFFFu, "size 2147483647x2 beyond the limit of 16384"},
        {"offset beyond end", 10, 32, 1000, "pixel data offset 1000 beyond the end (78 bytes)"},
        {"offset in headers", 10, 32, 20,
         "pixel data offset 20 lies inside the headers (54 bytes)"},
        {"offset leaves too little", 10, 32, 60,
         "pixel data truncated: 21 bytes needed at offset 60, 18 held"},
    };
    for (const Malformed& c : cases) {
        std::vector<BYTE> file = MakeBmp(3, 2, 24, false, kThreeByTwo);
        if (c.at == SIZE_MAX) {
            file.resize(c.value);
        } else if (c.width == 16) {
            PutU16(&file, c.at, c.value);
        } else {
            PutU32(&file, c.at, c.value);
        }
        BmpImage image;
        std::string error;
        EXPECT_EQ(Decode(file, &image, &error), D3DXERR_INVALIDDATA) << c.what;
        EXPECT_EQ(error, std::string("TEST.bmp: ") + c.message) << c.what;
        EXPECT_TRUE(image.bgra.empty()) << c.what;
    }
}

TEST(BmpImage, NullDataIsRefusedAndANullErrorIsAllowed) {
    BmpImage image;
    std::string error;
    EXPECT_EQ(ReadBmpImage(nullptr, 54, "none", &image, &error), D3DXERR_INVALIDDATA);
    EXPECT_EQ(error, "none: no data");
    const std::vector<BYTE> file = MakeBmp(3, 2, 16, false, kThreeByTwo);
    EXPECT_EQ(ReadBmpImage(file.data(), file.size(), nullptr, &image, nullptr),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(ReadBmpImage(file.data(), file.size(), "x", nullptr, &error), D3DERR_INVALIDCALL);
}

TEST(BmpImage, EmbeddedFixturesDecodeAsDocumented) {
    HRSRC found = FindResourceA("TEST_TOPDOWN24.bmp", kRtRcdata);
    ASSERT_NE(found, nullptr);
    BmpImage image;
    std::string error;
    ASSERT_EQ(ReadBmpImage(LockResource(found), SizeofResource(found), "TEST_TOPDOWN24.bmp",
                           &image, &error),
              S_OK)
        << error;
    ASSERT_EQ(image.width, 3u);
    ASSERT_EQ(image.height, 2u);
    EXPECT_EQ(image.bgra, kThreeByTwo);

    found = FindResourceA("TEST_8BIT.bmp", kRtRcdata);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(ReadBmpImage(LockResource(found), SizeofResource(found), "TEST_8BIT.bmp", &image,
                           &error),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(error, "TEST_8BIT.bmp: 8 bits per pixel; only 24 and 32 are supported");
}
}  // namespace

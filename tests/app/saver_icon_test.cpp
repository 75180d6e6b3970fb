#include "app/saver_icon.h"

#include <gtest/gtest.h>

namespace {
const BYTE* Pixel(const BmpImage& image, UINT x, UINT y) {
    return &image.bgra[(y * image.width + x) * 4];
}

TEST(SaverIcon, IsARoundPictureWithAWhiteBirdOnItsSkyAndClearCorners) {
    BmpImage icon;
    ASSERT_TRUE(LoadSaverIcon(&icon));
    EXPECT_EQ(icon.width, 48u);
    EXPECT_EQ(icon.height, 48u);
    EXPECT_EQ(icon.bitsPerPixel, 32u);
    for (UINT corner : {0u, 47u}) {
        EXPECT_EQ(Pixel(icon, corner, 0)[3], 0) << "corner " << corner;
        EXPECT_EQ(Pixel(icon, corner, 47)[3], 0) << "corner " << corner;
    }
    // Opaque inside the disc: the deep sky band below, the bird's white body at the middle.
    const BYTE* sky = Pixel(icon, 24, 38);
    EXPECT_EQ(sky[3], 255);
    EXPECT_GT(sky[0], sky[2]) << "blue over red";
    const BYTE* body = Pixel(icon, 24, 24);
    EXPECT_EQ(body[3], 255);
    EXPECT_EQ(body[0] & body[1] & body[2], 255);
    // The outline is dark.
    const BYTE* rim = Pixel(icon, 24, 2);
    EXPECT_LT(rim[0] + rim[1] + rim[2], 3 * 128);
}

TEST(SaverIcon, TheSetterWithoutAWindowDoesNothing) {
    SetSaverIcon(static_cast<SDL_Window*>(nullptr));
}
}  // namespace

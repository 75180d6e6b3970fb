#include "platform/gl/gl_program.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int32_t kDisable = 1, kSelectArg1 = 2, kSelectArg2 = 3, kModulate = 4;
constexpr int32_t kDiffuse = 0, kCurrent = 1, kTexture = 2, kFactor = 3, kSpecular = 4;
constexpr int32_t kComplement = 16, kAlphaReplicate = 32;

// Stage 0 modulates its texture by the diffuse colour; stage 1 is off.
GlPixelKey TexturedKey() {
    GlPixelKey key;
    key.colorStage[0][0] = kModulate;
    key.colorStage[0][1] = kTexture;
    key.colorStage[0][2] = kDiffuse;
    key.alphaStage[0][0] = kSelectArg1;
    key.alphaStage[0][1] = kDiffuse;
    key.alphaStage[0][2] = kDiffuse;
    key.textured[0] = 1;
    key.colorStage[1][0] = kDisable;
    key.alphaStage[1][0] = kDisable;
    key.fog = 1;
    return key;
}

TEST(GlPixelKeys, FieldsTheProgramDoesNotReadDoNotSplitPrograms) {
    const GlPixelKey base = GlNormalPixelKey(TexturedKey());
    auto same = [&](GlPixelKey drawn, const char* what) {
        EXPECT_TRUE(GlNormalPixelKey(drawn) == base) << what;
        EXPECT_EQ(GlFragmentProgramSource(drawn), GlFragmentProgramSource(base)) << what;
    };
    GlPixelKey k = TexturedKey();
    k.alphaStage[0][2] = kFactor;
    same(k, "the second argument of a select-first alpha");
    k = TexturedKey();
    k.colorStage[1][1] = kTexture;
    k.alphaStage[1][0] = kModulate;
    k.textured[1] = 1;
    k.colorStage[1][3] = 1;
    same(k, "anything of a disabled stage");
    k = TexturedKey();
    k.colorStage[0][1] = kCurrent;  // reads no texture now
    const GlPixelKey untextured = GlNormalPixelKey(k);
    k.textured[0] = 0;
    k.colorStage[0][3] = 1;
    EXPECT_TRUE(GlNormalPixelKey(k) == untextured) << "a bound texture no argument samples";
    k = TexturedKey();
    k.colorStage[0][1] = kTexture | 0x40;  // bits above the flags select nothing
    same(k, "unused argument bits");
    k = TexturedKey();
    k.colorStage[0][2] = 7;  // no such source: read as the current colour
    GlPixelKey current = TexturedKey();
    current.colorStage[0][2] = kCurrent;
    EXPECT_TRUE(GlNormalPixelKey(k) == GlNormalPixelKey(current));
    k = TexturedKey();
    k.alphaFunc = 8;  // D3DCMP_ALWAYS tests nothing
    same(k, "an alpha test that always passes");
}

TEST(GlPixelKeys, FieldsTheProgramReadsKeepProgramsApart) {
    const std::string base = GlFragmentProgramSource(TexturedKey());
    auto differs = [&](const GlPixelKey& drawn, const char* what) {
        EXPECT_FALSE(GlNormalPixelKey(drawn) == GlNormalPixelKey(TexturedKey())) << what;
        EXPECT_NE(GlFragmentProgramSource(drawn), base) << what;
    };
    GlPixelKey k = TexturedKey();
    k.colorStage[0][3] = 1;
    differs(k, "the coordinate set of a sampled texture");
    k = TexturedKey();
    k.colorStage[0][2] = kDiffuse | kComplement;
    differs(k, "a complemented argument");
    k = TexturedKey();
    k.colorStage[0][2] = kSpecular | kAlphaReplicate;
    differs(k, "an alpha-replicated specular");
    k = TexturedKey();
    k.alphaStage[0][0] = kSelectArg2;
    k.alphaStage[0][2] = kFactor;
    differs(k, "select-second reads the second argument");
    k = TexturedKey();
    k.colorStage[1][0] = kSelectArg1;
    k.colorStage[1][1] = kCurrent;
    differs(k, "a second stage switched on");
    k = TexturedKey();
    k.fog = 0;
    differs(k, "fog");
    k = TexturedKey();
    k.alphaFunc = 1;  // D3DCMP_NEVER discards everything
    differs(k, "an alpha test that never passes");
    k = TexturedKey();
    k.textured[0] = 0;  // no texture bound: the stage reads white
    differs(k, "an unbound texture");
}

}  // namespace

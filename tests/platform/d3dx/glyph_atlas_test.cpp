#include "platform/d3dx/glyph_atlas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
// The request of the frame-rate font: "Lucida Console", default height, weight 600, underlined.
LOGFONTA FrameRateRequest() {
    HFONT font = CreateFontA(0, 0, 0, 0, FW_SEMIBOLD, FALSE, TRUE, FALSE, ANSI_CHARSET,
                             OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, "Lucida Console");
    LOGFONTA request;
    EXPECT_EQ(GetObjectA(font, sizeof request, &request), static_cast<int>(sizeof request));
    EXPECT_TRUE(DeleteObject(font));
    return request;
}

class GlyphAtlasTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_EQ(m_atlas.Build(FrameRateRequest(), &error), S_OK) << error;
        m_nAdvance = m_atlas.Glyph('0').advance;
    }
    int Layout(const char* text, RECT rect, DWORD format, std::vector<TextQuad>* quads) {
        return m_atlas.LayOut(text, -1, &rect, format, quads);
    }
    GlyphAtlas m_atlas;
    int m_nAdvance = 0;
};

TEST(GdiFont, LongFaceNamesAreCutAndCopiesNeverExceedTheBuffer) {
    HFONT font = CreateFontA(-12, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0,
                             "A face name far longer than thirty-one characters");
    LOGFONTA copy;
    EXPECT_EQ(GetObjectA(font, 8, &copy), 8);
    ASSERT_EQ(GetObjectA(font, sizeof copy, &copy), static_cast<int>(sizeof copy));
    EXPECT_EQ(std::string(copy.lfFaceName).size(), 31u);
    EXPECT_EQ(copy.lfItalic, 1);  // any non-zero flag is on
    EXPECT_EQ(GetObjectA(nullptr, sizeof copy, &copy), 0);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(nullptr));
}

TEST_F(GlyphAtlasTest, DefaultHeightGivesASixteenPixelCellWithTheUnderlineInside) {
    EXPECT_EQ(m_atlas.CellHeight(), kDefaultFontCellHeight);
    EXPECT_GT(m_atlas.Ascent(), m_atlas.Descent());
    EXPECT_GE(m_atlas.UnderlineOffset(), 0);
    EXPECT_GE(m_atlas.UnderlineThickness(), 1);
    EXPECT_LE(m_atlas.UnderlineOffset() + m_atlas.UnderlineThickness(), m_atlas.Descent());
    EXPECT_LT(m_atlas.StrikeOutOffset(), 0);  // above the baseline
}

TEST_F(GlyphAtlasTest, CellAndEmHeightsFollowGdiSigns) {
    LOGFONTA request = FrameRateRequest();
    request.lfHeight = 24;
    GlyphAtlas cell;
    ASSERT_EQ(cell.Build(request, nullptr), S_OK);
    EXPECT_EQ(cell.CellHeight(), 24);
    request.lfHeight = -24;  // em square of 24: the cell, with ascent and descent, is taller
    GlyphAtlas em;
    ASSERT_EQ(em.Build(request, nullptr), S_OK);
    EXPECT_GT(em.CellHeight(), 26);
    EXPECT_GT(em.Glyph('M').advance, cell.Glyph('M').advance);
}

TEST_F(GlyphAtlasTest, EveryCharacterIsMonospacedAndDigitsHaveInk) {
    ASSERT_GT(m_nAdvance, 5);
    for (int c = 32; c < 256; ++c)
        EXPECT_EQ(m_atlas.Glyph(static_cast<unsigned char>(c)).advance, m_nAdvance) << c;
    for (char c : std::string("0123456789.")) {
        const GlyphBox& box = m_atlas.Glyph(static_cast<unsigned char>(c));
        int ink = 0;
        for (int y = 0; y < box.height; ++y)
            for (int x = 0; x < box.width; ++x)
                ink = std::max<int>(
                    ink, m_atlas.Coverage()[(box.atlasY + y) * m_atlas.Width() + box.atlasX + x]);
        EXPECT_EQ(ink, 255) << c;  // bold stems are fully covered somewhere
        EXPECT_LE(box.top, m_atlas.Ascent()) << c;
    }
    EXPECT_EQ(m_atlas.Glyph(' ').width * m_atlas.Glyph(' ').height, 0);
}

TEST_F(GlyphAtlasTest, GlyphBoxesNeverOverlapAndStayInsideTheAtlas) {
    std::vector<GlyphBox> boxes;
    for (int c = 0; c < 256; ++c) {
        const GlyphBox& b = m_atlas.Glyph(static_cast<unsigned char>(c));
        if (b.width == 0) continue;
        EXPECT_GE(b.atlasX, 1);
        EXPECT_GE(b.atlasY, 1);
        EXPECT_LT(b.atlasX + b.width, static_cast<int>(m_atlas.Width()));
        EXPECT_LT(b.atlasY + b.height, static_cast<int>(m_atlas.Height()));
        boxes.push_back(b);
    }
    for (size_t i = 0; i < boxes.size(); ++i)
        for (size_t j = i + 1; j < boxes.size(); ++j) {
            const GlyphBox& a = boxes[i];
            const GlyphBox& b = boxes[j];
            if (a.atlasX == b.atlasX && a.atlasY == b.atlasY) continue;  // a shared glyph
            const bool apart = a.atlasX + a.width < b.atlasX || b.atlasX + b.width < a.atlasX ||
                               a.atlasY + a.height < b.atlasY || b.atlasY + b.height < a.atlasY;
            EXPECT_TRUE(apart) << i << " and " << j << " touch";
        }
    // Bytes without a glyph of their own all share the missing-glyph box, which is not '?'.
    EXPECT_EQ(m_atlas.Glyph(0x01).atlasX, m_atlas.Glyph(0x90).atlasX);
    EXPECT_NE(m_atlas.Glyph(0x01).atlasX, m_atlas.Glyph('?').atlasX);
    EXPECT_GT(m_atlas.Glyph(0x01).width, 0);
}

TEST_F(GlyphAtlasTest, FrameRateTextSitsTopLeftWithAnUnderlineUnderTheWholeString) {
    std::vector<TextQuad> quads;
    const int height =
        Layout(" 12.34 ", RECT{0, 0, 640, 480}, DT_SINGLELINE | DT_NOCLIP, &quads);
    EXPECT_EQ(height, 16);
    ASSERT_EQ(quads.size(), 6u);  // five inked characters and the underline
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_GE(quads[i].x0, static_cast<float>(m_nAdvance * (i + 1) - 2)) << i;
        EXPECT_LE(quads[i].x1, static_cast<float>(m_nAdvance * (i + 2) + 2)) << i;
        EXPECT_GE(quads[i].y0, 0.0f);
        EXPECT_LE(quads[i].y1, static_cast<float>(m_atlas.Ascent() + 1));
        EXPECT_LT(quads[i].u0, quads[i].u1);
    }
    const TextQuad& bar = quads.back();
    EXPECT_EQ(bar.x0, 0.0f);
    EXPECT_EQ(bar.x1, static_cast<float>(7 * m_nAdvance));
    EXPECT_EQ(bar.y0, static_cast<float>(m_atlas.Ascent() + m_atlas.UnderlineOffset()));
    EXPECT_EQ(bar.y1 - bar.y0, static_cast<float>(m_atlas.UnderlineThickness()));
    const float u = bar.u0 * m_atlas.Width(), v = bar.v0 * m_atlas.Height();
    EXPECT_EQ(m_atlas.Coverage()[static_cast<size_t>(v) * m_atlas.Width() + static_cast<size_t>(u)],
              255);
}

TEST_F(GlyphAtlasTest, AlignmentFlagsPlaceTheLineInsideTheRectangle) {
    const RECT rect{100, 50, 300, 150};
    const float width = static_cast<float>(3 * m_nAdvance);
    std::vector<TextQuad> quads;
    EXPECT_EQ(Layout("abc", rect, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, &quads), 100);
    EXPECT_EQ(quads.back().x1, 300.0f);
    EXPECT_EQ(quads.back().x0, 300.0f - width);
    EXPECT_EQ(quads.back().y0, static_cast<float>(150 - 16 + m_atlas.Ascent() +
                                                  m_atlas.UnderlineOffset()));
    quads.clear();
    EXPECT_EQ(Layout("abc", rect, DT_SINGLELINE | DT_CENTER | DT_VCENTER, &quads), 50 + 8);
    EXPECT_EQ(quads.back().x0, static_cast<float>(100 + (200 - 3 * m_nAdvance) / 2));
    quads.clear();
    // Without DT_SINGLELINE the vertical flags do nothing.
    EXPECT_EQ(Layout("abc", rect, DT_BOTTOM, &quads), 16);
    EXPECT_EQ(quads.back().y0, static_cast<float>(50 + m_atlas.Ascent() +
                                                  m_atlas.UnderlineOffset()));
}

TEST_F(GlyphAtlasTest, LineBreaksCountOnlyWithoutSingleLine) {
    std::vector<TextQuad> quads;
    EXPECT_EQ(Layout("a\nb\r\nc\rd", RECT{0, 0, 100, 100}, DT_NOCLIP, &quads), 64);
    ASSERT_EQ(quads.size(), 8u);  // each line: its glyph, then its underline
    for (int line = 0; line < 4; ++line) {
        EXPECT_EQ(quads[2 * line + 1].x1, static_cast<float>(m_nAdvance)) << line;
        EXPECT_EQ(quads[2 * line + 1].y0,
                  static_cast<float>(16 * line + m_atlas.Ascent() + m_atlas.UnderlineOffset()));
    }
    quads.clear();
    EXPECT_EQ(Layout("a\nb", RECT{0, 0, 100, 100}, DT_SINGLELINE | DT_NOCLIP, &quads), 16);
    EXPECT_EQ(quads.back().x1, static_cast<float>(3 * m_nAdvance));  // the LF is a box
}

TEST_F(GlyphAtlasTest, ClippingCutsQuadsAndTheirTextureCoordinatesTogether) {
    std::vector<TextQuad> free, clipped;
    Layout("WWW", RECT{0, 0, 10, 8}, DT_SINGLELINE | DT_NOCLIP, &free);
    Layout("WWW", RECT{0, 0, 10, 8}, DT_SINGLELINE, &clipped);
    ASSERT_FALSE(clipped.empty());
    EXPECT_LT(clipped.size(), free.size());  // the underline and the third W fall outside
    for (const TextQuad& q : clipped) {
        EXPECT_LE(q.x1, 10.0f);
        EXPECT_LE(q.y1, 8.0f);
    }
    const TextQuad& whole = free[0];
    const TextQuad& cut = clipped[0];
    ASSERT_EQ(cut.x0, whole.x0);
    const float texelsPerPixel = (whole.v1 - whole.v0) / (whole.y1 - whole.y0);
    EXPECT_FLOAT_EQ(cut.v1 - cut.v0, (cut.y1 - cut.y0) * texelsPerPixel);
    EXPECT_FLOAT_EQ(cut.u0, whole.u0);
    EXPECT_FLOAT_EQ(cut.v0, whole.v0 + (cut.y0 - whole.y0) * texelsPerPixel);

    clipped.clear();
    Layout("WWW", RECT{0, 0, 0, 0}, DT_SINGLELINE, &clipped);
    EXPECT_TRUE(clipped.empty());
}

TEST_F(GlyphAtlasTest, CalcRectMeasuresWithoutLayingOut) {
    RECT rect{10, 20, 11, 21};
    std::vector<TextQuad> quads;
    EXPECT_EQ(m_atlas.LayOut("abcd\nef", -1, &rect, DT_CALCRECT, &quads), 32);
    EXPECT_TRUE(quads.empty());
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.right, 10 + 4 * m_nAdvance);
    EXPECT_EQ(rect.bottom, 20 + 32);
}

TEST_F(GlyphAtlasTest, CountLimitsTheTextAndEmptyOrNullTextGivesNothing) {
    RECT rect{0, 0, 100, 100};
    std::vector<TextQuad> quads;
    EXPECT_EQ(m_atlas.LayOut("abcdef", 2, &rect, DT_NOCLIP, &quads), 16);
    EXPECT_EQ(quads.back().x1, static_cast<float>(2 * m_nAdvance));
    quads.clear();
    EXPECT_EQ(m_atlas.LayOut("abc", 0, &rect, DT_NOCLIP, &quads), 0);
    EXPECT_EQ(m_atlas.LayOut("", -1, &rect, DT_NOCLIP, &quads), 0);
    EXPECT_EQ(m_atlas.LayOut(nullptr, -1, &rect, DT_NOCLIP, &quads), 0);
    EXPECT_EQ(m_atlas.LayOut("abc", -2, &rect, DT_NOCLIP, &quads), 0);
    EXPECT_EQ(m_atlas.LayOut("abc", -1, nullptr, DT_NOCLIP, &quads), 0);
    EXPECT_TRUE(quads.empty());
    GlyphAtlas unbuilt;
    EXPECT_EQ(unbuilt.LayOut("abc", -1, &rect, DT_NOCLIP, &quads), 0);
}

TEST(GlyphAtlas, AbsurdSizesAreRefusedWithAMessage) {
    LOGFONTA request;
    request.lfHeight = 100000;
    GlyphAtlas atlas;
    std::string error;
    EXPECT_EQ(atlas.Build(request, &error), E_FAIL);
    EXPECT_EQ(error, "DejaVuSansMono-Bold.ttf: height 100000 width 0 out of range");
    request.lfHeight = 16;
    request.lfWidth = -1000000;
    EXPECT_EQ(atlas.Build(request, &error), E_FAIL);
    EXPECT_EQ(atlas.CellHeight(), 0);
}

TEST(GlyphAtlas, WidthAndSlantRequestsChangeTheGlyphs) {
    LOGFONTA request;
    request.lfHeight = 16;
    request.lfWidth = 12;
    GlyphAtlas wide;
    ASSERT_EQ(wide.Build(request, nullptr), S_OK);
    EXPECT_NEAR(wide.Glyph('x').advance, 12, 1);
    request.lfWidth = 0;
    request.lfItalic = 1;
    GlyphAtlas upright, slanted;
    ASSERT_EQ(slanted.Build(request, nullptr), S_OK);
    request.lfItalic = 0;
    ASSERT_EQ(upright.Build(request, nullptr), S_OK);
    EXPECT_GT(slanted.Glyph('|').width, upright.Glyph('|').width + 2);
}
}  // namespace

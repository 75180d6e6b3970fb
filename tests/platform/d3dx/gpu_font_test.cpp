#include <cmath>
#include <string>
#include <vector>

#include "tests/platform/d3d8/gpu_test_support.h"
#include "platform/d3dx/d3dx_font.h"

namespace {
constexpr D3DCOLOR kTextColour = 0x88BBBBFF;  // the frame-rate text's colour
constexpr D3DCOLOR kWhite = 0xFFFFFFFF;
constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr UINT kWidth = 96;
constexpr UINT kHeight = 32;

int Channel(D3DCOLOR c, int shift) { return static_cast<int>((c >> shift) & 0xFFu); }

// Source-alpha blending of `colour` at coverage/255 over `below`, as the device does it.
D3DCOLOR Blend(D3DCOLOR colour, int coverage, D3DCOLOR below) {
    const double a = Channel(colour, 24) / 255.0 * coverage / 255.0;
    D3DCOLOR out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const double c = Channel(colour, shift) * a + Channel(below, shift) * (1.0 - a);
        out |= static_cast<D3DCOLOR>(std::lround(c)) << shift;
    }
    return out;
}

class GpuFontTest : public GpuTest {
protected:
    void SetUp() override {
        GpuTest::SetUp();
        CreateDevice(kWidth, kHeight);
        m_hFont = CreateFontA(0, 0, 0, 0, FW_SEMIBOLD, FALSE, TRUE, FALSE, ANSI_CHARSET,
                              OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, "Lucida Console");
        ASSERT_NE(m_hFont, nullptr);
        std::string error;
        ASSERT_EQ(D3DXCreateFont(m_pDevice, m_hFont, &m_pFont, &error), S_OK) << error;
    }
    void TearDown() override {
        if (m_pFont) m_pFont->Release();  // before the device's context goes
        DeleteObject(m_hFont);
        GpuTest::TearDown();
    }

    // Clears to background, draws text as the frame-rate step does (fog on around it, with a
    // colour that would show) and reads the back buffer.
    GpuImage Draw(D3DCOLOR background, const char* text, RECT rect, DWORD format) {
        m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_FOGCOLOR, 0xFFFF0000);
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0);
        m_pDevice->BeginScene();
        m_nDrawnHeight = m_pFont->DrawTextA(text, -1, &rect, format, kTextColour);
        m_pDevice->EndScene();
        return BackBuffer();
    }

    // What Draw should give: the atlas's own layout composited quad by quad on the CPU.
    GpuImage Expected(D3DCOLOR background, const char* text, RECT rect, DWORD format) const {
        const GlyphAtlas& atlas = m_pFont->Atlas();
        std::vector<TextQuad> quads;
        atlas.LayOut(text, -1, &rect, format, &quads);
        GpuImage image(kWidth, kHeight, background);
        for (const TextQuad& q : quads) {
            const int tx0 = static_cast<int>(std::lround(q.u0 * atlas.Width()));
            const int ty0 = static_cast<int>(std::lround(q.v0 * atlas.Height()));
            const bool solid = q.u0 == q.u1;
            for (int y = static_cast<int>(q.y0); y < static_cast<int>(q.y1); ++y)
                for (int x = static_cast<int>(q.x0); x < static_cast<int>(q.x1); ++x) {
                    if (x < 0 || y < 0 || x >= static_cast<int>(kWidth) ||
                        y >= static_cast<int>(kHeight))
                        continue;
                    const int tx = solid ? tx0 : tx0 + x - static_cast<int>(q.x0);
                    const int ty = solid ? ty0 : ty0 + y - static_cast<int>(q.y0);
                    const int coverage = atlas.Coverage()[ty * atlas.Width() + tx];
                    image.Set(x, y, Blend(kTextColour, coverage, image.At(x, y)));
                }
        }
        return image;
    }

    HFONT m_hFont = nullptr;
    ID3DXFont* m_pFont = nullptr;
    int m_nDrawnHeight = 0;
};

const RECT kScreen{0, 0, static_cast<LONG>(kWidth), static_cast<LONG>(kHeight)};
constexpr DWORD kFrameRateFormat = DT_SINGLELINE | DT_NOCLIP;

TEST_F(GpuFontTest, FrameRateTextBlendsAtAlpha0x88OverWhiteAndBlackWithoutFog) {
    const int advance = m_pFont->Atlas().Glyph('0').advance;
    const UINT underline = static_cast<UINT>(m_pFont->Atlas().Ascent() +
                                             m_pFont->Atlas().UnderlineOffset());
    const GpuImage onWhite = Draw(kWhite, " 12.34 ", kScreen, kFrameRateFormat);
    EXPECT_EQ(m_nDrawnHeight, 16);
    EXPECT_TRUE(ImagesMatch(onWhite, Expected(kWhite, " 12.34 ", kScreen, kFrameRateFormat), 2,
                            "white"));
    // 0xBB at alpha 0x88 over 0xFF is 0xDB; blue stays 0xFF. The underline runs under all
    // seven characters, blanks included, and stops there.
    EXPECT_TRUE(PixelNear(onWhite, 0, underline, 0xFFDBDBFF, 2));
    EXPECT_TRUE(PixelNear(onWhite, 7 * advance - 1, underline, 0xFFDBDBFF, 2));
    EXPECT_TRUE(PixelNear(onWhite, 7 * advance, underline, kWhite, 0));
    EXPECT_TRUE(PixelNear(onWhite, 0, 16, kWhite, 0));

    const GpuImage onBlack = Draw(kBlack, " 12.34 ", kScreen, kFrameRateFormat);
    EXPECT_TRUE(ImagesMatch(onBlack, Expected(kBlack, " 12.34 ", kScreen, kFrameRateFormat), 2,
                            "black"));
    // Over black: 0xBB * 0x88 / 0xFF = 0x64 and 0xFF * 0x88 / 0xFF = 0x88.
    EXPECT_TRUE(PixelNear(onBlack, 3, underline, 0xFF646488, 2));
}

TEST_F(GpuFontTest, DrawTextLeavesEveryDeviceStateAsItFoundIt) {
    IDirect3DTexture8* ramp = CreateTexture(2, 1, {0xFF0000FF, 0xFF00FF00});
    IDirect3DTexture8* detail = CreateTexture(1, 1, {0xFF808080});
    ASSERT_TRUE(ramp && detail);
    const DWORD shader = CreateShader("vs.1.1\nmov oPos, v0\nmov oD0, v5\n");
    // The scene's usual states around the frame-rate text.
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_FOGCOLOR, 0xFFFF0000);  // as Draw sets it
    m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    m_pDevice->SetTexture(0, ramp);
    m_pDevice->SetTexture(1, detail);
    m_pDevice->SetVertexShader(shader);
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(m_pDevice->CreateVertexBuffer(44 * 3, 0, 0, D3DPOOL_MANAGED, &vertices), D3D_OK);
    ASSERT_EQ(m_pDevice->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices), D3D_OK);
    m_pDevice->SetStreamSource(0, vertices, 44);
    m_pDevice->SetIndices(indices, 7);

    std::vector<DWORD> before, after;
    auto record = [&](std::vector<DWORD>* states) {
        states->clear();
        for (DWORD s = 0; s < 256; ++s) {
            DWORD v = 0;
            m_pDevice->GetRenderState(static_cast<D3DRENDERSTATETYPE>(s), &v);
            states->push_back(v);
        }
        for (DWORD stage = 0; stage < 8; ++stage)
            for (DWORD s = 0; s < 32; ++s) {
                DWORD v = 0;
                m_pDevice->GetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(s),
                                                &v);
                states->push_back(v);
            }
        DWORD handle = 0;
        m_pDevice->GetVertexShader(&handle);
        states->push_back(handle);
    };
    record(&before);
    const ULONG rampRefs = (ramp->AddRef(), ramp->Release());
    Draw(kWhite, " 12.34 ", kScreen, kFrameRateFormat);
    record(&after);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(after[i], before[i]) << (i < 256 ? "render state " : "stage state ")
                                       << (i < 256 ? i : i - 256);
    IDirect3DTexture8* bound = nullptr;
    m_pDevice->GetTexture(0, &bound);
    EXPECT_EQ(bound, ramp);
    if (bound) bound->Release();
    m_pDevice->GetTexture(1, &bound);
    EXPECT_EQ(bound, detail);
    if (bound) bound->Release();
    EXPECT_EQ((ramp->AddRef(), ramp->Release()), rampRefs);
    IDirect3DVertexBuffer8* stream = nullptr;
    UINT stride = 0;
    m_pDevice->GetStreamSource(0, &stream, &stride);
    EXPECT_EQ(stream, vertices);
    EXPECT_EQ(stride, 44u);
    if (stream) stream->Release();
    IDirect3DIndexBuffer8* boundIndices = nullptr;
    UINT baseVertex = 0;
    m_pDevice->GetIndices(&boundIndices, &baseVertex);
    EXPECT_EQ(boundIndices, indices);
    EXPECT_EQ(baseVertex, 7u);
    if (boundIndices) boundIndices->Release();
    m_pDevice->SetStreamSource(0, nullptr, 0);
    m_pDevice->SetIndices(nullptr, 0);
    vertices->Release();
    indices->Release();
    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetTexture(1, nullptr);
    m_pDevice->SetVertexShader(kScreenVertexFvf);
    m_pDevice->DeleteVertexShader(shader);
    ramp->Release();
    detail->Release();
}

TEST_F(GpuFontTest, ClippedTextStaysInItsRectangleAndCalcRectDrawsNothing) {
    const RECT box{10, 4, 30, 12};
    const GpuImage clipped = Draw(kWhite, "WWWWWW", box, DT_SINGLELINE);
    int inked = 0;
    for (UINT y = 0; y < kHeight; ++y)
        for (UINT x = 0; x < kWidth; ++x) {
            const bool inside = x >= 10 && x < 30 && y >= 4 && y < 12;
            if (!inside) {
                EXPECT_TRUE(PixelNear(clipped, x, y, kWhite, 0));
            }
            inked += clipped.At(x, y) != kWhite;
        }
    EXPECT_GT(inked, 20);
    EXPECT_TRUE(ImagesMatch(clipped, Expected(kWhite, "WWWWWW", box, DT_SINGLELINE), 2, "clip"));

    RECT measured{5, 5, 5, 5};
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kWhite, 1.0f, 0);
    EXPECT_EQ(m_pFont->DrawTextA("12.34", -1, &measured, DT_CALCRECT, kTextColour), 16);
    EXPECT_EQ(measured.right, 5 + 5 * m_pFont->Atlas().Glyph('1').advance);
    EXPECT_EQ(measured.bottom, 21);
    EXPECT_TRUE(ImagesMatch(BackBuffer(), GpuImage(kWidth, kHeight, kWhite), 0, "calcrect"));
}

TEST_F(GpuFontTest, TextLongerThanOneBufferIsDrawnInBatches) {
    const std::string text(20000, '#');  // 20,001 quads with the underline: two draws
    const RECT rect{-static_cast<LONG>(19990 * m_pFont->Atlas().Glyph('#').advance), 0, 0, 0};
    const GpuImage image = Draw(kBlack, text.c_str(), rect, kFrameRateFormat);
    EXPECT_TRUE(ImagesMatch(image, Expected(kBlack, text.c_str(), rect, kFrameRateFormat), 2,
                            "long"));
}

using GpuFontCreation = GpuTest;

TEST_F(GpuFontCreation, NullArgumentsAndUnusableRequestsAreRefused) {
    HFONT font = CreateFontA(0, 0, 0, 0, FW_SEMIBOLD, 0, 1, 0, 0, 7, 0, 2, 0, "Lucida Console");
    HFONT huge = CreateFontA(100000, 0, 0, 0, FW_SEMIBOLD, 0, 1, 0, 0, 7, 0, 2, 0, "x");
    ID3DXFont* out = reinterpret_cast<ID3DXFont*>(0x1);
    EXPECT_EQ(D3DXCreateFont(nullptr, font, &out), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateFont(m_pDevice, nullptr, &out), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateFont(m_pDevice, font, nullptr), D3DERR_INVALIDCALL);
    const ULONG refs = (m_pDevice->AddRef(), m_pDevice->Release());
    std::string error;
    EXPECT_EQ(D3DXCreateFont(m_pDevice, huge, &out, &error), E_FAIL);
    EXPECT_NE(error.find("out of range"), std::string::npos) << error;
    EXPECT_EQ(out, reinterpret_cast<ID3DXFont*>(0x1));  // untouched on failure
    EXPECT_EQ((m_pDevice->AddRef(), m_pDevice->Release()), refs);

    ASSERT_EQ(D3DXCreateFont(m_pDevice, font, &out), S_OK);
    EXPECT_EQ((m_pDevice->AddRef(), m_pDevice->Release()), refs + 1);  // the font holds one
    LOGFONTA request;
    EXPECT_EQ(out->GetLogFont(&request), S_OK);
    EXPECT_STREQ(request.lfFaceName, "Lucida Console");
    EXPECT_EQ(out->Release(), 0u);
    EXPECT_EQ((m_pDevice->AddRef(), m_pDevice->Release()), refs);
    DeleteObject(font);
    DeleteObject(huge);
}
}  // namespace

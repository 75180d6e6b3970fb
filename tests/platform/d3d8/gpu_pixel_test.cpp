// The pixel side measured: coverage, blending, depth, culling, texture stages, formats,
// filtering and addressing, fog.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "tests/platform/d3d8/gpu_test_support.h"

namespace {

constexpr D3DCOLOR kRed = 0xFFFF0000;
constexpr D3DCOLOR kGreen = 0xFF00FF00;
constexpr D3DCOLOR kBlue = 0xFF0000FF;
constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr D3DCOLOR kWhite = 0xFFFFFFFF;

const char kPassThrough[] =
    "vs.1.1\n"
    "mov oPos, v0\n"
    "mov oD0, v5\n"
    "mov oT0, v7\n"
    "mov oT1, v8\n";

// Fog factor from the second coordinate pair's u.
const char kFogFromV8[] =
    "vs.1.1\n"
    "mov oPos, v0\n"
    "mov oD0, v5\n"
    "mov oT0, v7\n"
    "mov oFog.x, v8.x\n";

// A clip-space rectangle (y up), clockwise on screen, with constant coordinate pairs.
std::vector<ShaderVertex> ClipRect(float x0, float y0, float x1, float y1, D3DCOLOR color,
                                   float u0 = 0.0f, float u1 = 0.0f) {
    return {{x0, y1, 0.5f, color, u0, 0.5f, u1, 0.5f},
            {x1, y1, 0.5f, color, u0, 0.5f, u1, 0.5f},
            {x1, y0, 0.5f, color, u0, 0.5f, u1, 0.5f},
            {x0, y0, 0.5f, color, u0, 0.5f, u1, 0.5f}};
}
const std::vector<uint16_t> kRectIndices = {0, 1, 2, 0, 2, 3};

class GpuPixel : public GpuTest {
  protected:
    // The texture stages as the start-up sets them: texture x diffuse, then texture x current.
    void SetStartupStages() {
        m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
        m_pDevice->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    }

    // Draws one full-target rectangle through the pass-through shader and reads its centre.
    D3DCOLOR ShadeWith(D3DCOLOR color, float u0, float u1) {
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        DrawShaderTriangles(ClipRect(-1, -1, 1, 1, color, u0, u1), kRectIndices);
        return BackBuffer().At(32, 32);
    }
};

TEST_F(GpuPixel, RectanglesCoverExactlyTheirPixelsOnBothPaths) {
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    DrawScreenRect(3, 5, 10, 9, kRed);
    DrawScreenRect(0, 60, 64, 64, kGreen);
    GpuImage expected(64, 64, kBlack);
    expected.Fill(3, 5, 10, 9, kRed);
    expected.Fill(0, 60, 64, 64, kGreen);
    EXPECT_TRUE(ImagesMatch(BackBuffer(), expected, 0, "screen"));

    // A clip-space quad from -1 to 1 covers every pixel, the first row and column included.
    m_pDevice->SetVertexShader(CreateShader(kPassThrough));
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    DrawShaderTriangles(ClipRect(-1, -1, 1, 1, kBlue), kRectIndices);
    EXPECT_TRUE(ImagesMatch(BackBuffer(), GpuImage(64, 64, kBlue), 0, "clip"));
    // The left half of clip space is exactly the left 32 columns.
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    DrawShaderTriangles(ClipRect(-1, 0, 0, 1, kBlue), kRectIndices);
    expected = GpuImage(64, 64, kBlack);
    expected.Fill(0, 0, 32, 32, kBlue);
    EXPECT_TRUE(ImagesMatch(BackBuffer(), expected, 0, "clip-quarter"));
}

TEST_F(GpuPixel, BlendsSourceAlphaOverInverseSourceAlpha) {
    SetStartupStages();
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlue, 1.0f, 0);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    DrawScreenRect(0, 0, 32, 64, 0x80FF0000);
    // Blending off replaces, whatever the blend factors say.
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    DrawScreenRect(32, 0, 64, 32, 0x80FF0000);
    // Blending on with the default factors (one, zero) replaces too.
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    DrawScreenRect(32, 32, 64, 64, 0x4000FF00);
    GpuImage expected(64, 64, kBlue);
    expected.Fill(0, 0, 32, 64, 0xFF80007F);
    expected.Fill(32, 0, 64, 32, kRed);
    expected.Fill(32, 32, 64, 64, kGreen);
    EXPECT_TRUE(ImagesMatch(BackBuffer(), expected, 1, "blend"));
}

TEST_F(GpuPixel, DepthTestKeepsTheNearerSurfaceAndHonoursItsStates) {
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    DrawScreenRect(0, 0, 64, 64, kGreen, 0.8f);
    DrawScreenRect(0, 0, 32, 64, kRed, 0.3f);
    DrawScreenRect(0, 0, 64, 64, kBlue, 0.6f);    // behind red, in front of green
    DrawScreenRect(48, 0, 64, 64, kWhite, 0.6f);  // equal depth passes less-or-equal
    GpuImage expected(64, 64, kBlue);
    expected.Fill(0, 0, 32, 64, kRed);
    expected.Fill(48, 0, 64, 64, kWhite);
    EXPECT_TRUE(ImagesMatch(BackBuffer(), expected, 0, "less-equal"));

    // Without depth writes a near surface does not hide a later, farther one.
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    DrawScreenRect(0, 0, 64, 64, kRed, 0.1f);
    DrawScreenRect(0, 0, 64, 64, kGreen, 0.2f);
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    EXPECT_TRUE(ImagesMatch(BackBuffer(), GpuImage(64, 64, kGreen), 0, "no-write"));

    // D3DCMP_GREATER keeps only what lies behind; with the test off everything draws.
    DrawScreenRect(0, 0, 64, 64, kRed, 0.5f);
    m_pDevice->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATER);
    DrawScreenRect(0, 0, 32, 64, kBlue, 0.4f);
    DrawScreenRect(32, 0, 64, 64, kBlue, 0.7f);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    DrawScreenRect(0, 0, 16, 64, kWhite, 0.9f);
    expected = GpuImage(64, 64, kRed);
    expected.Fill(32, 0, 64, 64, kBlue);
    expected.Fill(0, 0, 16, 64, kWhite);
    EXPECT_TRUE(ImagesMatch(BackBuffer(), expected, 0, "greater-off"));
}

TEST_F(GpuPixel, CullingFollowsDirect3DsScreenWinding) {
    // Screen y grows downwards: top-left, top-right, bottom-left is clockwise on screen.
    const std::vector<ScreenVertex> clockwise = {
        {4, 4, 0.5f, 1, kRed, 0, 0}, {28, 4, 0.5f, 1, kRed, 0, 0}, {4, 28, 0.5f, 1, kRed, 0, 0}};
    const std::vector<ScreenVertex> mirrored = {{36, 4, 0.5f, 1, kGreen, 0, 0},
                                                {36, 28, 0.5f, 1, kGreen, 0, 0},
                                                {60, 4, 0.5f, 1, kGreen, 0, 0}};
    const struct {
        DWORD mode;
        bool clockwiseDrawn;
        bool mirroredDrawn;
    } cases[] = {{D3DCULL_CCW, true, false}, {D3DCULL_CW, false, true}, {D3DCULL_NONE, true, true}};
    for (const auto& c : cases) {
        m_pDevice->SetRenderState(D3DRS_CULLMODE, c.mode);
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
        DrawScreenTriangles(clockwise);
        DrawScreenTriangles(mirrored);
        const GpuImage image = BackBuffer();
        EXPECT_TRUE(PixelNear(image, 8, 8, c.clockwiseDrawn ? kRed : kBlack, 0)) << c.mode;
        EXPECT_TRUE(PixelNear(image, 40, 8, c.mirroredDrawn ? kGreen : kBlack, 0)) << c.mode;
    }

    // Through a vertex shader, clip space y up: the same on-screen winding decides.
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    m_pDevice->SetVertexShader(CreateShader(kPassThrough));
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    DrawShaderTriangles({{-0.9f, 0.9f, 0.5f, kRed, 0, 0, 0, 0},
                         {-0.1f, 0.9f, 0.5f, kRed, 0, 0, 0, 0},
                         {-0.9f, 0.1f, 0.5f, kRed, 0, 0, 0, 0},
                         {0.1f, 0.9f, 0.5f, kGreen, 0, 0, 0, 0},
                         {0.1f, 0.1f, 0.5f, kGreen, 0, 0, 0, 0},
                         {0.9f, 0.9f, 0.5f, kGreen, 0, 0, 0, 0}});
    const GpuImage image = BackBuffer();
    EXPECT_TRUE(PixelNear(image, 8, 8, kRed, 0));
    EXPECT_TRUE(PixelNear(image, 40, 8, kBlack, 0));
}

TEST_F(GpuPixel, TextureStagesCombineTextureDiffuseAndCurrent) {
    CreateDevice(64, 64, D3DFMT_A8R8G8B8);
    SetStartupStages();
    m_pDevice->SetVertexShader(CreateShader(kPassThrough));
    // Point sampling of two-texel rows: u 0.25 reads the left texel, 0.75 the right one.
    IDirect3DTexture8* first = CreateTexture(2, 1, {0x40FF0000, 0x4000FF00});
    IDirect3DTexture8* second = CreateTexture(2, 1, {0xFFFFFFFF, 0xFF808080});
    m_pDevice->SetTexture(0, first);
    m_pDevice->SetTexture(1, second);

    // Stage k reads coordinate set k; stage 1's alpha is its texture times the diffuse alpha.
    EXPECT_TRUE(ColorsNear(ShadeWith(0x80FFFFFF, 0.25f, 0.75f), 0x80800000, 1));
    EXPECT_TRUE(ColorsNear(ShadeWith(0x80FFFFFF, 0.75f, 0.25f), 0x8000FF00, 1));
    EXPECT_TRUE(ColorsNear(ShadeWith(0xFF808080, 0.25f, 0.25f), 0xFF800000, 1));

    // An unset texture reads as white: the piece keeps texture x diffuse from stage 0.
    m_pDevice->SetTexture(1, nullptr);
    EXPECT_TRUE(ColorsNear(ShadeWith(0xFF808080, 0.75f, 0.75f), 0xFF008000, 1));
    m_pDevice->SetTexture(1, second);

    // SELECTARG2 picks the second argument on either stage.
    m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    EXPECT_TRUE(ColorsNear(ShadeWith(0xFFFFFFFF, 0.25f, 0.75f), 0xFFFF0000, 1));
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    EXPECT_TRUE(ColorsNear(ShadeWith(0xFF123456, 0.25f, 0.75f), 0xFF123456, 1));

    // A disabled stage 0 ends the cascade: stage 1 is not applied even though it is set.
    m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    EXPECT_TRUE(ColorsNear(ShadeWith(0xFF654321, 0.25f, 0.75f), 0xFF654321, 1));

    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetTexture(1, nullptr);
    first->Release();
    second->Release();
}

TEST_F(GpuPixel, NightStagesPassTheVertexColourThrough) {
    SetStartupStages();
    m_pDevice->SetVertexShader(CreateShader(kPassThrough));
    IDirect3DTexture8* ramp = CreateTexture(1, 1, {0xFF0000FF});
    IDirect3DTexture8* skin = CreateTexture(1, 1, {0xFF00FF00});
    m_pDevice->SetTexture(0, ramp);
    m_pDevice->SetTexture(1, skin);
    for (DWORD stage = 0; stage < 2; ++stage) {
        m_pDevice->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_pDevice->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(stage, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    }
    EXPECT_TRUE(ColorsNear(ShadeWith(0xFF336699, 0.5f, 0.5f), 0xFF336699, 1));
    // Restored to the day stages, the textures are back.
    SetStartupStages();
    EXPECT_TRUE(ColorsNear(ShadeWith(0xFFFFFFFF, 0.5f, 0.5f), kBlack, 1));
    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetTexture(1, nullptr);
    ramp->Release();
    skin->Release();
}

TEST_F(GpuPixel, TextureFormatsSampleAsDirect3DDefinesThem) {
    CreateDevice(64, 64, D3DFMT_A8R8G8B8);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    const struct {
        D3DFORMAT format;
        uint32_t texel;  // as stored, little-endian
        D3DCOLOR sampled;
    } cases[] = {
        {D3DFMT_A8R8G8B8, 0x80102030, 0x80102030}, {D3DFMT_X8R8G8B8, 0x00102030, 0xFF102030},
        {D3DFMT_R5G6B5, 0xF800, 0xFFFF0000},       {D3DFMT_R5G6B5, 0x07E0, 0xFF00FF00},
        {D3DFMT_X1R5G5B5, 0x001F, 0xFF0000FF},     {D3DFMT_A1R5G5B5, 0x7C00, 0x00FF0000},
        {D3DFMT_A4R4G4B4, 0x8F00, 0x88FF0000},     {D3DFMT_A8, 0x7F, 0x7F000000},
    };
    for (const auto& c : cases) {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(m_pDevice->CreateTexture(1, 1, 1, 0, c.format, D3DPOOL_MANAGED, &texture),
                  D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(0, &desc);
        std::memcpy(locked.pBits, &c.texel, desc.Size);
        texture->UnlockRect(0);
        m_pDevice->SetTexture(0, texture);
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        DrawScreenRect(0, 0, 64, 64, kWhite);
        EXPECT_TRUE(PixelNear(BackBuffer(), 10, 10, c.sampled, 1)) << "format " << c.format;
        m_pDevice->SetTexture(0, nullptr);
        texture->Release();
    }
}

TEST_F(GpuPixel, FiltersAndAddressingFollowTheStageStates) {
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    IDirect3DTexture8* texture = CreateTexture(2, 1, {kBlack, kWhite});
    m_pDevice->SetTexture(0, texture);
    auto sample = [&](float u) {
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kRed, 1.0f, 0);
        DrawScreenTriangles({{0, 0, 0.5f, 1, kWhite, u, 0.5f},
                             {64, 0, 0.5f, 1, kWhite, u, 0.5f},
                             {0, 64, 0.5f, 1, kWhite, u, 0.5f}});
        return BackBuffer().At(8, 8);
    };
    // Direct3D's defaults: point filtering, wrapped addressing.
    EXPECT_TRUE(ColorsNear(sample(0.3f), kBlack, 0));
    EXPECT_TRUE(ColorsNear(sample(1.3f), kBlack, 0));
    EXPECT_TRUE(ColorsNear(sample(1.8f), kWhite, 0));
    m_pDevice->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    EXPECT_TRUE(ColorsNear(sample(1.3f), kWhite, 0));
    EXPECT_TRUE(ColorsNear(sample(-0.5f), kBlack, 0));
    // Linear filtering between the texel centres at 0.25 and 0.75.
    m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    EXPECT_TRUE(ColorsNear(sample(0.5f), 0xFF808080, 2));
    EXPECT_TRUE(ColorsNear(sample(0.3f), 0xFF1A1A1A, 2));
    m_pDevice->SetTexture(0, nullptr);
    texture->Release();

    // A 4 x 4 texture drawn into 2 x 2 pixels: without a mip filter level 0 is used.
    IDirect3DTexture8* mipped = nullptr;
    ASSERT_EQ(m_pDevice->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &mipped),
              D3D_OK);
    ASSERT_EQ(mipped->GetLevelCount(), 3u);
    const D3DCOLOR levelColors[3] = {kRed, kGreen, kBlue};
    for (UINT level = 0; level < 3; ++level) {
        D3DLOCKED_RECT locked;
        D3DSURFACE_DESC desc;
        mipped->GetLevelDesc(level, &desc);
        ASSERT_EQ(mipped->LockRect(level, &locked, nullptr, 0), D3D_OK);
        for (UINT i = 0; i < desc.Width * desc.Height; ++i) {
            std::memcpy(static_cast<BYTE*>(locked.pBits) + i * 4, &levelColors[level], 4);
        }
        mipped->UnlockRect(level);
    }
    m_pDevice->SetTexture(0, mipped);
    m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    DrawScreenRect(0, 0, 2, 2, kWhite);
    EXPECT_TRUE(PixelNear(BackBuffer(), 0, 0, kRed, 0));
    m_pDevice->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    DrawScreenRect(0, 0, 2, 2, kWhite);
    EXPECT_TRUE(PixelNear(BackBuffer(), 0, 0, kGreen, 0));
    m_pDevice->SetTexture(0, nullptr);
    mipped->Release();
}

TEST_F(GpuPixel, FogBlendsTheShaderFactorTowardTheFogColour) {
    m_pDevice->SetVertexShader(CreateShader(kFogFromV8));
    m_pDevice->SetRenderState(D3DRS_FOGCOLOR, kBlue);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    // Five columns with fog factors 1, 0, 0.25 and, clamped, 1.7 and -0.5; fog off first.
    DrawShaderTriangles(ClipRect(-1.0f, -1, -0.6f, 1, kRed, 0, 0.0f), kRectIndices);
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    const float factors[4] = {1.0f, 0.0f, 0.25f, 1.7f};
    for (int i = 0; i < 4; ++i) {
        const float x = -0.6f + 0.4f * static_cast<float>(i);
        DrawShaderTriangles(ClipRect(x, -1, x + 0.4f, 1, kRed, 0, factors[i]), kRectIndices);
    }
    DrawShaderTriangles(ClipRect(1.0f - 0.2f, -1, 1.0f, 1, kRed, 0, -0.5f), kRectIndices);
    const GpuImage image = BackBuffer();
    EXPECT_TRUE(PixelNear(image, 6, 32, kRed, 0));         // fog off
    EXPECT_TRUE(PixelNear(image, 19, 32, kRed, 0));        // factor 1: no fog
    EXPECT_TRUE(PixelNear(image, 32, 32, kBlue, 0));       // factor 0: all fog
    EXPECT_TRUE(PixelNear(image, 45, 32, 0xFF4000BF, 1));  // a quarter of the colour
    EXPECT_TRUE(PixelNear(image, 55, 32, kRed, 0));        // above 1 counts as 1
    EXPECT_TRUE(PixelNear(image, 62, 32, kBlue, 0));       // below 0 counts as 0
}

// Source-alpha blending may be left out only where every alpha is provably 1: a vertex colour,
// a texel, the texture factor or a complement below 1 must still blend, and rewriting a buffer
// or a texture in place must be seen.
TEST_F(GpuPixel, SourceAlphaBlendingStillBlendsWhereAnyAlphaMayBeBelowOne) {
    SetStartupStages();
    m_pDevice->SetVertexShader(CreateShader(kPassThrough));
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    // On stage 1, whose alpha (its texel times the diffuse alpha) is the one drawn.
    IDirect3DTexture8* texture = CreateTexture(1, 1, {0xFFFFFFFF});
    m_pDevice->SetTexture(1, texture);
    auto over = [&](D3DCOLOR color) {
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlue, 1.0f, 0);
        DrawShaderTriangles(ClipRect(-1, -1, 1, 1, color), kRectIndices);
        return BackBuffer().At(32, 32);
    };
    const D3DCOLOR half = 0xFF80007F;  // red at alpha 0x80 over blue
    EXPECT_TRUE(ColorsNear(over(kRed), kRed, 0));
    EXPECT_TRUE(ColorsNear(over(0x80FF0000), half, 1));

    // The texel's alpha, then the same texture rewritten opaque and back.
    D3DLOCKED_RECT locked;
    auto rewrite = [&](D3DCOLOR texel) {
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        std::memcpy(locked.pBits, &texel, 4);
        texture->UnlockRect(0);
    };
    rewrite(0x80FFFFFF);
    EXPECT_TRUE(ColorsNear(over(kRed), half, 1));
    rewrite(0xFFFFFFFF);
    EXPECT_TRUE(ColorsNear(over(kRed), kRed, 0));

    // Stage 1's alpha from the texture factor, then its complement.
    m_pDevice->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    m_pDevice->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    m_pDevice->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80FFFFFF);
    EXPECT_TRUE(ColorsNear(over(kRed), half, 1));
    m_pDevice->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
    EXPECT_TRUE(ColorsNear(over(kRed), kRed, 0));
    m_pDevice->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TFACTOR | 0x10);  // complement
    EXPECT_TRUE(ColorsNear(over(kRed), kBlue, 0));
    SetStartupStages();

    // One vertex buffer drawn opaque, then its colours rewritten at alpha 0x80 in place.
    std::vector<ShaderVertex> vertices = ClipRect(-1, -1, 1, 1, kRed);
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    const UINT bytes = UINT(vertices.size() * sizeof(ShaderVertex));
    ASSERT_EQ(m_pDevice->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
    ASSERT_EQ(m_pDevice->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    BYTE* data = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, kRectIndices.data(), 12);
    ib->Unlock();
    auto fill = [&](D3DCOLOR color) {
        for (ShaderVertex& v : vertices)
            v.color = color;
        ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, vertices.data(), bytes);
        vb->Unlock();
    };
    auto draw = [&] {
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlue, 1.0f, 0);
        m_pDevice->SetStreamSource(0, vb, sizeof(ShaderVertex));
        m_pDevice->SetIndices(ib, 0);
        EXPECT_EQ(m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
        return BackBuffer().At(32, 32);
    };
    fill(kRed);
    EXPECT_TRUE(ColorsNear(draw(), kRed, 0));
    fill(0x80FF0000);
    EXPECT_TRUE(ColorsNear(draw(), half, 1));
    m_pDevice->SetStreamSource(0, nullptr, 0);
    m_pDevice->SetIndices(nullptr, 0);
    vb->Release();
    ib->Release();
    m_pDevice->SetTexture(1, nullptr);
    texture->Release();
}

// Each combination of stage states draws with a program of its own; every one of them must see
// the constants set last, whichever was drawn when they changed.
TEST_F(GpuPixel, ConstantsReachTheProgramOfEveryStageCombination) {
    m_pDevice->SetVertexShader(CreateShader("vs.1.1\nmov oPos, v0\nmov oD0, c0\n"));
    auto shade = [&](D3DCOLOR expected, const char* label) {
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
        DrawShaderTriangles(ClipRect(-1, -1, 1, 1, kWhite), kRectIndices);
        EXPECT_TRUE(ColorsNear(BackBuffer().At(32, 32), expected, 0)) << label;
    };
    const float green[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    const float red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    m_pDevice->SetVertexShaderConstant(0, green, 1);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    shade(kGreen, "first combination");
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    shade(kGreen, "second combination, constants set before it existed");
    m_pDevice->SetVertexShaderConstant(0, red, 1);
    shade(kRed, "second combination, new constants");
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    shade(kRed, "first combination again, constants changed meanwhile");
}

TEST_F(GpuPixel, ProgramsAreLinkedForTheStageCombinationsDrawnAndNoOthers) {
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    m_pDevice->ResetCounters();
    const DWORD shader = CreateShader("vs.1.1\nmov oPos, v0\nmov oD0, c0\n");
    ASSERT_NE(shader, 0u);
    EXPECT_EQ(m_pDevice->Counters().programsLinked, 0u) << "linked before any draw";

    const float green[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    m_pDevice->SetVertexShader(shader);
    m_pDevice->SetVertexShaderConstant(0, green, 1);
    auto draw = [&] {
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
        DrawShaderTriangles(ClipRect(-1, -1, 1, 1, kWhite), kRectIndices);
    };
    draw();
    EXPECT_TRUE(ColorsNear(BackBuffer().At(32, 32), kGreen, 0));
    EXPECT_EQ(m_pDevice->Counters().programsLinked, 1u);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    draw();
    draw();
    EXPECT_EQ(m_pDevice->Counters().programsLinked, 2u);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    draw();
    EXPECT_TRUE(ColorsNear(BackBuffer().At(32, 32), kGreen, 0));
    EXPECT_EQ(m_pDevice->Counters().programsLinked, 2u) << "a combination drawn before relinked";
}

TEST_F(GpuPixel, ASecondDeviceTakesItsProgramsFromTheCacheAndCompilesNoGlsl) {
    const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) /
                                         ("velmora-device-cache-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    const char* outer = std::getenv("XDG_CACHE_HOME");
    const std::string saved = outer != nullptr ? outer : "";
    setenv("XDG_CACHE_HOME", folder.c_str(), 1);

    const float green[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    auto run = [&](const char* what) {
        CreateDevice(64, 64);
        const DeviceCounters created = m_pDevice->Counters();
        m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
        DrawScreenRect(0, 0, 32, 64, kRed);
        m_pDevice->SetVertexShader(CreateShader("vs.1.1\nmov oPos, v0\nmov oD0, c0\n"));
        m_pDevice->SetVertexShaderConstant(0, green, 1);
        DrawShaderTriangles(ClipRect(0, -1, 1, 1, kWhite), kRectIndices);
        EXPECT_TRUE(ColorsNear(BackBuffer().At(16, 32), kRed, 0)) << what;
        EXPECT_TRUE(ColorsNear(BackBuffer().At(48, 32), kGreen, 0)) << what;
        DeviceCounters drawn = m_pDevice->Counters();
        drawn.shadersCompiled -= created.shadersCompiled;
        return std::make_pair(created, drawn);
    };
    const auto first = run("linked");
    EXPECT_GT(first.first.shadersCompiled, 0u) << "the pre-transformed shader checked";
    EXPECT_EQ(first.second.programsLinked, 2u);
    EXPECT_EQ(first.second.programsLoaded, 0u);
    EXPECT_EQ(first.second.shadersCompiled, 5u) << "a check, then two stages for each link";

    const auto second = run("loaded");
    EXPECT_EQ(second.first.shadersCompiled, 0u) << "nothing checked again at creation";
    EXPECT_EQ(second.second.programsLinked, 2u);
    EXPECT_EQ(second.second.programsLoaded, 2u);
    EXPECT_EQ(second.second.shadersCompiled, 0u);

    if (outer != nullptr)
        setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CACHE_HOME");
    std::filesystem::remove_all(folder);
}

}  // namespace

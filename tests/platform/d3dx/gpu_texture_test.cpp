#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/platform/d3d8/gpu_test_support.h"
#include "platform/d3dx/d3dx_shader.h"
#include "platform/d3dx/d3dx_texture.h"
#include "render/vertex_declarations.h"

namespace {
// The bytes of one level, read back through a read-only lock.
std::vector<BYTE> LevelBytes(IDirect3DTexture8* texture, UINT level) {
    D3DSURFACE_DESC desc;
    EXPECT_EQ(texture->GetLevelDesc(level, &desc), D3D_OK);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::vector<BYTE> bytes;
    for (UINT y = 0; y < desc.Height; ++y) {
        const BYTE* row = static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch;
        bytes.insert(bytes.end(), row, row + desc.Width * 4);
    }
    EXPECT_EQ(texture->UnlockRect(level), D3D_OK);
    return bytes;
}

using GpuTexture = GpuTest;

TEST_F(GpuTexture, MipLevelsHalveToOneByOneEachAveragingTheLevelAbove) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromResourceA(m_pDevice, "TEST_MIP32.bmp", &texture), D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 3u);
    const UINT sizes[3][2] = {{4, 2}, {2, 1}, {1, 1}};
    for (UINT level = 0; level < 3; ++level) {
        D3DSURFACE_DESC desc;
        ASSERT_EQ(texture->GetLevelDesc(level, &desc), D3D_OK);
        EXPECT_EQ(desc.Width, sizes[level][0]);
        EXPECT_EQ(desc.Height, sizes[level][1]);
        EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
        EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    }
    // Rounded 2 x 2 averages; the last level averages level 1, not the image (green 64, not 63).
    EXPECT_EQ(LevelBytes(texture, 1), (std::vector<BYTE>{6, 12, 18, 24, 164, 115, 128, 179}));
    EXPECT_EQ(LevelBytes(texture, 2), (std::vector<BYTE>{85, 64, 73, 102}));
    texture->Release();

    // 5 x 3, 24-bit: odd sides end in a three-wide block; alpha is opaque.
    ASSERT_EQ(D3DXCreateTextureFromResourceA(m_pDevice, "TEST_MIP24ODD.bmp", &texture), D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 3u);
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(LevelBytes(texture, 1), (std::vector<BYTE>{10, 30, 7, 255, 60, 30, 7, 255}));
    EXPECT_EQ(LevelBytes(texture, 2), (std::vector<BYTE>{35, 30, 7, 255}));
    texture->Release();
}

TEST_F(GpuTexture, ResourcesLoadByNameAndBadOnesFailWithoutATexture) {
    IDirect3DTexture8* texture = nullptr;
    std::string error;
    ASSERT_EQ(D3DXCreateTextureFromResourceA(m_pDevice, "test_topdown24.BMP", &texture, &error),
              D3D_OK)
        << error;
    EXPECT_EQ(texture->GetLevelCount(), 2u);  // 3 x 2, then 1 x 1
    EXPECT_EQ(LevelBytes(texture, 0),
              (std::vector<BYTE>{10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255,  //
                                 11, 21, 31, 255, 41, 51, 61, 255, 71, 81, 91, 255}));

    // Drawn texel for pixel with point sampling, the image shows upright in B G R order.
    m_pDevice->SetTexture(0, texture);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    m_pDevice->BeginScene();
    DrawScreenRect(-0.5f, -0.5f, 2.5f, 1.5f, 0xFFFFFFFF);
    m_pDevice->EndScene();
    const GpuImage image = BackBuffer();
    EXPECT_TRUE(PixelNear(image, 0, 0, 0xFF1E140A, 0));
    EXPECT_TRUE(PixelNear(image, 2, 0, 0xFF5A5046, 0));
    EXPECT_TRUE(PixelNear(image, 1, 1, 0xFF3D3329, 0));
    m_pDevice->SetTexture(0, nullptr);
    texture->Release();

    IDirect3DTexture8* untouched = reinterpret_cast<IDirect3DTexture8*>(0x1);
    EXPECT_EQ(D3DXCreateTextureFromResourceA(m_pDevice, "NO_SUCH.bmp", &untouched, &error),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(error, "NO_SUCH.bmp: no RCDATA resource");
    EXPECT_EQ(D3DXCreateTextureFromResourceA(m_pDevice, "CLOCK.FPP", &untouched, &error),
              D3DXERR_INVALIDDATA);  // a MISC resource, not RCDATA
    EXPECT_EQ(D3DXCreateTextureFromResourceA(m_pDevice, "TEST_8BIT.bmp", &untouched, &error),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(error, "TEST_8BIT.bmp: 8 bits per pixel; only 24 and 32 are supported");
    EXPECT_EQ(D3DXCreateTextureFromResourceA(m_pDevice, "Toon.vsh", &untouched, &error),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(error, "Toon.vsh: does not start with \"BM\"");
    EXPECT_EQ(D3DXCreateTextureFromResourceA(nullptr, "Toon.bmp", &untouched), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromResourceA(m_pDevice, nullptr, &untouched), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(m_pDevice, nullptr, 10, &untouched),
              D3DERR_INVALIDCALL);
    const BYTE notBmp[20] = {'P', 'N'};
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(m_pDevice, notBmp, sizeof notBmp, &untouched,
                                                &error),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(error, "(memory): does not start with \"BM\"");
    EXPECT_EQ(untouched, reinterpret_cast<IDirect3DTexture8*>(0x1));
}

// The 44-byte static display vertex that "Toon.vsh" reads.
// Renders one 8 x 16 pixel quad per lighting term through "Toon.vsh" with the ramp in stage 0,
// lit by a light along +x, and reads back each quad's centre pixel.
class GpuToonRamp : public GpuTest {
protected:
    std::vector<D3DCOLOR> Shade(const char* ramp, const std::vector<float>& lighting) {
        const UINT width = UINT(8 * lighting.size());
        CreateDevice(width, 16);
        IDirect3DTexture8* texture = nullptr;
        std::string error;
        EXPECT_EQ(D3DXCreateTextureFromResourceA(m_pDevice, ramp, &texture, &error), D3D_OK)
            << error;
        ID3DXBuffer* code = nullptr;
        EXPECT_EQ(D3DXAssembleShaderFromResource("Toon.vsh", 0, nullptr, &code, nullptr), D3D_OK);
        DWORD shader = 0;
        EXPECT_EQ(m_pDevice->CreateVertexShader(
                      kToonDeclaration, static_cast<const DWORD*>(code->GetBufferPointer()),
                      &shader, 0),
                  D3D_OK)
            << m_pDevice->LastError();
        code->Release();

        // Identity world, view and projection: positions are clip coordinates already.
        const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        const float c12[4] = {0.0f, 0.5f, 1.0f, -1.0f};
        const float light[4] = {1.0f, 0.0f, 0.0f, 0.0f};
        const float fog[4] = {-1.0f / 20000.0f, 1.0f, 0.0f, 0.0f};
        m_pDevice->SetVertexShaderConstant(0, identity, 4);
        m_pDevice->SetVertexShaderConstant(4, identity, 4);
        m_pDevice->SetVertexShaderConstant(12, c12, 1);
        m_pDevice->SetVertexShaderConstant(13, light, 1);
        m_pDevice->SetVertexShaderConstant(14, fog, 1);
        m_pDevice->SetVertexShader(shader);
        m_pDevice->SetTexture(0, texture);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        m_pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);

        std::vector<StaticVertex> vertices;
        std::vector<uint16_t> indices;
        for (size_t k = 0; k < lighting.size(); ++k) {
            const float x0 = -1.0f + 2.0f * k / lighting.size();
            const float x1 = -1.0f + 2.0f * (k + 1) / lighting.size();
            const float nx = lighting[k], ny = std::sqrt(std::max(0.0f, 1.0f - nx * nx));
            const uint16_t base = uint16_t(vertices.size());
            for (int corner = 0; corner < 4; ++corner) {
                StaticVertex v;
                v.position = D3DXVECTOR3(corner & 1 ? x1 : x0, corner & 2 ? -1.0f : 1.0f, 0.5f);
                v.normal = D3DXVECTOR3(nx, ny, 0.0f);
                vertices.push_back(v);
            }
            indices.insert(indices.end(), {base, uint16_t(base + 1), uint16_t(base + 2),
                                           uint16_t(base + 2), uint16_t(base + 1),
                                           uint16_t(base + 3)});
        }
        Upload(vertices, indices);
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF00FF00, 1.0f, 0);
        m_pDevice->BeginScene();
        EXPECT_EQ(m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, UINT(vertices.size()), 0,
                                                  UINT(indices.size() / 3)),
                  D3D_OK)
            << m_pDevice->LastError();
        m_pDevice->EndScene();
        const GpuImage image = BackBuffer();
        std::vector<D3DCOLOR> centres;
        for (size_t k = 0; k < lighting.size(); ++k)
            centres.push_back(image.At(UINT(8 * k + 4), 8));

        m_pDevice->SetTexture(0, nullptr);
        m_pDevice->SetStreamSource(0, nullptr, 0);
        m_pDevice->SetIndices(nullptr, 0);
        m_pDevice->SetVertexShader(kScreenVertexFvf);
        m_pDevice->DeleteVertexShader(shader);
        if (texture) texture->Release();
        return centres;
    }

    void Upload(const std::vector<StaticVertex>& vertices, const std::vector<uint16_t>& indices) {
        IDirect3DVertexBuffer8* vb = nullptr;
        IDirect3DIndexBuffer8* ib = nullptr;
        const UINT vbBytes = UINT(vertices.size() * sizeof(StaticVertex));
        const UINT ibBytes = UINT(indices.size() * sizeof(uint16_t));
        ASSERT_EQ(m_pDevice->CreateVertexBuffer(vbBytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                                                &vb),
                  D3D_OK);
        ASSERT_EQ(m_pDevice->CreateIndexBuffer(ibBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                               D3DPOOL_MANAGED, &ib),
                  D3D_OK);
        BYTE* data = nullptr;
        vb->Lock(0, 0, &data, 0);
        std::memcpy(data, vertices.data(), vbBytes);
        vb->Unlock();
        ib->Lock(0, 0, &data, 0);
        std::memcpy(data, indices.data(), ibBytes);
        ib->Unlock();
        m_pDevice->SetStreamSource(0, vb, sizeof(StaticVertex));
        m_pDevice->SetIndices(ib, 0);
        vb->Release();  // the device holds them while bound
        ib->Release();
    }
};

// The lighting term whose ramp coordinate falls on the centre of texel t of 128.
float LightingAtTexel(int t) { return 2.0f * (t + 0.5f) / 128.0f - 1.0f; }
// The lighting term at the left edge of column t, where a band starting there begins.
float LightingAtEdge(int t) { return 2.0f * t / 128.0f - 1.0f; }

TEST_F(GpuToonRamp, DayBandsChangeAtTheirLightingEdgesAndTheEndsClamp) {
    // Texels either side of the band edges at columns 41, 85 and 109 (N.L about -0.36, 0.33
    // and 0.70), and N.L of -1 and 1, which clamped addressing keeps on the end columns.
    const std::vector<float> lighting = {
        -1.0f,               LightingAtTexel(39), LightingAtTexel(42), LightingAtTexel(83),
        LightingAtTexel(86), LightingAtTexel(107), LightingAtTexel(110), 1.0f,
    };
    EXPECT_NEAR(LightingAtEdge(41), -0.36f, 0.005f);
    EXPECT_NEAR(LightingAtEdge(85), 0.33f, 0.005f);
    EXPECT_NEAR(LightingAtEdge(109), 0.70f, 0.005f);
    const std::vector<D3DCOLOR> expected = {
        0xFF5D5DDD, 0xFF5D5DDD, 0xFF8686E3, 0xFF8686E3,
        0xFFD7D7FA, 0xFFD7D7FA, 0xFFFFFFFF, 0xFFFFFFFF,
    };
    const std::vector<D3DCOLOR> shaded = Shade("Toon.bmp", lighting);
    ASSERT_EQ(shaded.size(), expected.size());
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_TRUE(ColorsNear(shaded[k], expected[k], 1))
            << "N.L " << lighting[k] << ": " << ColorText(shaded[k]) << ", expected "
            << ColorText(expected[k]);
}

TEST_F(GpuToonRamp, NightRampHasABlackShadowBandBelowAboutMinus072) {
    const std::vector<float> lighting = {
        -1.0f, LightingAtTexel(16), LightingAtTexel(30), LightingAtTexel(58),
        LightingAtTexel(75), LightingAtTexel(97), LightingAtTexel(120), 1.0f,
    };
    EXPECT_NEAR(LightingAtEdge(18), -0.72f, 0.005f);
    const std::vector<D3DCOLOR> expected = {
        0xFF000000, 0xFF000000, 0xFF232323, 0xFF838383,
        0xFFCACACA, 0xFFE5E5E5, 0xFFFDFDFD, 0xFFFDFDFD,
    };
    const std::vector<D3DCOLOR> shaded = Shade("ToonToon.bmp", lighting);
    ASSERT_EQ(shaded.size(), expected.size());
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_TRUE(ColorsNear(shaded[k], expected[k], 1))
            << "N.L " << lighting[k] << ": " << ColorText(shaded[k]) << ", expected "
            << ColorText(expected[k]);
}
}  // namespace

// Device creation, format checks, clears, present scaling, device loss and Reset.
#include <SDL.h>

#include <cstring>

#include "tests/platform/d3d8/gpu_test_support.h"

namespace {

constexpr D3DCOLOR kRed = 0xFFFF0000;
constexpr D3DCOLOR kGreen = 0xFF00FF00;
constexpr D3DCOLOR kBlue = 0xFF0000FF;
constexpr D3DCOLOR kBlack = 0xFF000000;

TEST(Direct3D, OnlyInterfaceVersion220IsOffered) {
    EXPECT_EQ(Direct3DCreate8(120), nullptr);
    EXPECT_EQ(Direct3DCreate8(221), nullptr);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(d3d->Release(), 0u);
}

using GpuFrame = GpuTest;

TEST_F(GpuFrame, AdapterQueriesDescribeTheHeadlessWindow) {
    D3DDISPLAYMODE mode;
    ASSERT_EQ(m_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
    EXPECT_EQ(mode.Width, 64u);
    EXPECT_EQ(mode.Height, 64u);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(m_pD3D->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);

    D3DCAPS8 caps;
    ASSERT_EQ(m_pD3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_GE(caps.VertexShaderVersion, D3DVS_VERSION(1, 1));
    EXPECT_EQ(caps.MaxVertexShaderConst, 96u);
    EXPECT_GE(caps.MaxTextureWidth, 1024u);
    EXPECT_GE(caps.MaxSimultaneousTextures, 2u);
    EXPECT_EQ(m_pD3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, &caps),
              D3DERR_NOTAVAILABLE);
}

// The start-up takes the first of R5G6B5, X1R5G5B5, X8R8G8B8, R8G8B8 that the check accepts;
// the device must then really render in that format.
TEST_F(GpuFrame, FormatCheckPicksTheFirstRenderableFormatAndTheDeviceUsesIt) {
    const D3DFORMAT order[] = {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8};
    D3DFORMAT chosen = D3DFMT_UNKNOWN;
    for (D3DFORMAT format : order) {
        if (m_pD3D->CheckDeviceType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, format, format, FALSE) ==
            D3D_OK) {
            chosen = format;
            break;
        }
    }
    ASSERT_NE(chosen, D3DFMT_UNKNOWN) << "no back-buffer format is renderable";
    EXPECT_EQ(
        m_pD3D->CheckDeviceType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_A8, D3DFMT_A8, FALSE),
        D3DERR_NOTAVAILABLE);
    EXPECT_EQ(m_pD3D->CheckDeviceType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_R5G6B5,
                                      D3DFMT_X8R8G8B8, FALSE),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(m_pD3D->CheckDeviceType(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, chosen, chosen, FALSE),
              D3DERR_NOTAVAILABLE);

    CreateDevice(32, 32, chosen);
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF3C3C3C, 1.0f, 0), D3D_OK);
    const D3DCOLOR stored = BackBuffer().At(5, 5);
    if (chosen == D3DFMT_R5G6B5) {
        // 60 / 255 becomes 7 of 31 in red and blue and 15 of 63 in green.
        EXPECT_TRUE(ColorsNear(stored, 0xFF3A3D3A, 1)) << ColorText(stored);
    } else if (chosen == D3DFMT_X1R5G5B5) {
        EXPECT_TRUE(ColorsNear(stored, 0xFF3A3A3A, 1)) << ColorText(stored);
    } else {
        EXPECT_EQ(stored, 0xFF3C3C3Cu);
    }
}

TEST_F(GpuFrame, CreationRefusesParametersItCannotHonour) {
    D3DPRESENT_PARAMETERS parameters = m_parameters;
    IDirect3DDevice8* device = nullptr;
    auto create = [&](DWORD behaviour) {
        return m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_pWindow, behaviour,
                                    &parameters, &device);
    };
    parameters.BackBufferFormat = D3DFMT_UNKNOWN;
    EXPECT_EQ(create(D3DCREATE_HARDWARE_VERTEXPROCESSING), D3DERR_INVALIDCALL);
    parameters = m_parameters;
    parameters.AutoDepthStencilFormat = D3DFMT_A8;
    EXPECT_EQ(create(D3DCREATE_HARDWARE_VERTEXPROCESSING), D3DERR_INVALIDCALL);
    parameters = m_parameters;
    EXPECT_EQ(create(D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_SOFTWARE_VERTEXPROCESSING),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(create(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_pWindow,
                                   D3DCREATE_HARDWARE_VERTEXPROCESSING, nullptr, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);

    // Software vertex processing is a recorded state that starts on for such devices.
    ASSERT_EQ(create(D3DCREATE_SOFTWARE_VERTEXPROCESSING), D3D_OK);
    DWORD value = 0;
    device->GetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, &value);
    EXPECT_EQ(value, static_cast<DWORD>(TRUE));
    device->Release();
    m_pDevice->GetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, &value);
    EXPECT_EQ(value, static_cast<DWORD>(FALSE));
}

TEST_F(GpuFrame, ClearWritesColourAndDepthInsideItsRectangles) {
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlue, 1.0f, 0),
              D3D_OK);
    D3DRECT rect;
    rect.x1 = 8;
    rect.y1 = 4;
    rect.x2 = 24;
    rect.y2 = 12;
    ASSERT_EQ(m_pDevice->Clear(1, &rect, D3DCLEAR_TARGET, kRed, 1.0f, 0), D3D_OK);
    GpuImage expected(64, 64, kBlue);
    expected.Fill(8, 4, 24, 12, kRed);
    EXPECT_TRUE(ImagesMatch(BackBuffer(), expected, 0, "colour"));

    // Depth cleared to 0.25 in the left half only: a surface at 0.5 shows only on the right.
    D3DRECT left;
    left.x2 = 32;
    left.y2 = 64;
    ASSERT_EQ(m_pDevice->Clear(1, &left, D3DCLEAR_ZBUFFER, 0, 0.25f, 0), D3D_OK);
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);  // clears ignore it
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 0.0f, 0), D3D_OK);
    DrawScreenRect(0, 0, 64, 64, kGreen, 0.5f);
    expected = GpuImage(64, 64, kBlack);
    expected.Fill(32, 0, 64, 64, kGreen);
    EXPECT_TRUE(ImagesMatch(BackBuffer(), expected, 0, "depth"));

    EXPECT_EQ(m_pDevice->Clear(1, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(GpuFrame, ScenesNestOnlyOnce) {
    EXPECT_EQ(m_pDevice->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_pDevice->BeginScene(), D3D_OK);
    EXPECT_EQ(m_pDevice->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_pDevice->EndScene(), D3D_OK);
    EXPECT_EQ(m_pDevice->EndScene(), D3DERR_INVALIDCALL);
}

TEST_F(GpuFrame, PresentLetterboxesAWideBackBufferInASquareWindow) {
    CreateDevice(640, 480, D3DFMT_X8R8G8B8, 800, 800);
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_pDevice->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    GpuImage expected(800, 800, kBlack);
    expected.Fill(0, 100, 800, 700, kRed);
    EXPECT_TRUE(ImagesMatch(Window(), expected, 0, "letterbox"));
}

TEST_F(GpuFrame, PresentPillarboxesAndKeepsTheImageInPlace) {
    CreateDevice(640, 480, D3DFMT_X8R8G8B8, 1000, 500);
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kGreen, 1.0f, 0), D3D_OK);
    D3DRECT topLeft;
    topLeft.x2 = 320;
    topLeft.y2 = 240;
    ASSERT_EQ(m_pDevice->Clear(1, &topLeft, D3DCLEAR_TARGET, kBlue, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_pDevice->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    // 640 x 480 scaled to 667 x 500, centred: columns 166 to 832.
    const GpuImage window = Window();
    EXPECT_TRUE(PixelNear(window, 165, 250, kBlack, 0));
    EXPECT_TRUE(PixelNear(window, 833, 250, kBlack, 0));
    EXPECT_TRUE(PixelNear(window, 170, 10, kBlue, 0));
    EXPECT_TRUE(PixelNear(window, 490, 240, kBlue, 0));
    EXPECT_TRUE(PixelNear(window, 510, 240, kGreen, 0));
    EXPECT_TRUE(PixelNear(window, 170, 260, kGreen, 0));
    EXPECT_TRUE(PixelNear(window, 830, 495, kGreen, 0));

    const RECT source;
    EXPECT_EQ(m_pDevice->Present(&source, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(GpuFrame, ForcedLossIsReportedUntilResetRestoresDefaultsAndKeepsManagedResources) {
    IDirect3DTexture8* texture = CreateTexture(1, 1, {0xFF208040});
    ASSERT_NE(texture, nullptr);
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(m_pDevice->CreateVertexBuffer(16, 0, 0, D3DPOOL_MANAGED, &buffer), D3D_OK);
    BYTE* bytes = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &bytes, 0), D3D_OK);
    for (int i = 0; i < 16; ++i)
        bytes[i] = static_cast<BYTE>(i * 7);
    buffer->Unlock();
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    m_pDevice->SetTextureStageState(1, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetTexture(0, texture);

    m_pDevice->ForceDeviceLoss(2);
    EXPECT_EQ(m_pDevice->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(m_pDevice->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(m_pDevice->Reset(&m_parameters), D3DERR_DEVICELOST);
    EXPECT_EQ(m_pDevice->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(m_pDevice->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(m_pDevice->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    ASSERT_EQ(m_pDevice->Reset(&m_parameters), D3D_OK);
    EXPECT_EQ(m_pDevice->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(m_pDevice->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    DWORD value = 0;
    m_pDevice->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CCW));
    m_pDevice->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(FALSE));
    m_pDevice->GetRenderState(D3DRS_FOGENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(FALSE));
    m_pDevice->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DZB_TRUE));
    m_pDevice->GetTextureStageState(0, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
    m_pDevice->GetTextureStageState(1, D3DTSS_MINFILTER, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_POINT));
    IDirect3DTexture8* bound = texture;
    m_pDevice->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);

    // The managed copies came back: the buffer's bytes and the texture's texel.
    ASSERT_EQ(buffer->Lock(0, 0, &bytes, D3DLOCK_READONLY), D3D_OK);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(bytes[i], static_cast<BYTE>(i * 7));
    buffer->Unlock();
    buffer->Release();
    m_pDevice->SetTexture(0, texture);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    DrawScreenRect(0, 0, 64, 64, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(BackBuffer(), 32, 32, 0xFF208040, 0));
    m_pDevice->SetTexture(0, nullptr);
    EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(GpuFrame, AHiddenWindowLosesTheDeviceUntilItIsShownAndReset) {
    m_pWindow->SetHidden(true);
    EXPECT_EQ(m_pDevice->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(m_pDevice->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(m_pDevice->Reset(&m_parameters), D3DERR_DEVICELOST);
    m_pWindow->SetHidden(false);
    EXPECT_EQ(m_pDevice->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(m_pDevice->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);

    // A Reset to another size rebuilds the back buffer.
    D3DPRESENT_PARAMETERS larger = m_parameters;
    larger.BackBufferWidth = 96;
    larger.BackBufferHeight = 48;
    ASSERT_EQ(m_pDevice->Reset(&larger), D3D_OK);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0);
    const GpuImage image = BackBuffer();
    EXPECT_EQ(image.width, 96u);
    EXPECT_EQ(image.height, 48u);
    EXPECT_TRUE(PixelNear(image, 95, 47, kRed, 0));
    EXPECT_EQ(m_pDevice->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

// The SDL path, on SDL's offscreen video driver so that no display server is needed.
TEST(GpuSdlWindow, TheDevicePresentsIntoAnSdlWindowAndLosesItWhileHidden) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* plain = SDL_CreateWindow("plain", 0, 0, 32, 32, 0);
    std::string error;
    EXPECT_EQ(GlWindow::CreateForSdl(plain, &error), nullptr);
    EXPECT_FALSE(error.empty());
    SDL_DestroyWindow(plain);

    SDL_Window* sdlWindow = SDL_CreateWindow("saver", 0, 0, 320, 200, SDL_WINDOW_OPENGL);
    ASSERT_NE(sdlWindow, nullptr) << SDL_GetError();
    GlWindow* window = GlWindow::CreateForSdl(sdlWindow, &error);
    ASSERT_NE(window, nullptr) << error;
    EXPECT_FALSE(window->IsHeadless());
    int width = 0, height = 0;
    window->GetDrawableSize(&width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 200);

    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS parameters;
    parameters.BackBufferWidth = 160;
    parameters.BackBufferHeight = 120;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = window;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device),
              D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kRed, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    SDL_HideWindow(sdlWindow);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    SDL_ShowWindow(sdlWindow);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->Reset(&parameters), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(device->Counters().glErrors, 0u);
    device->Release();
    d3d->Release();
    GlWindow::Destroy(window);
    SDL_DestroyWindow(sdlWindow);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace

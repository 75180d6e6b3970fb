// Draw calls and resources: bad input refused cleanly, locks, the state cache, constants per
// shader, transform-feedback capture, and the start-up's fixed states.
#include <cstring>

#include "tests/platform/d3d8/gpu_test_support.h"
#include "platform/gl/gl_program.h"
#include "platform/vshader/vs_program.h"

namespace {

constexpr D3DCOLOR kRed = 0xFFFF0000;
constexpr D3DCOLOR kGreen = 0xFF00FF00;
constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr D3DCOLOR kWhite = 0xFFFFFFFF;

const char kPassThrough[] =
    "vs.1.1\n"
    "mov oPos, v0\n"
    "mov oD0, v5\n"
    "mov oT0, v7\n"
    "mov oT1, v8\n";

// Colour from constant register 0.
const char kColourFromC0[] =
    "vs.1.1\n"
    "mov oPos, v0\n"
    "mov oD0, c0\n";

using GpuDraw = GpuTest;

TEST_F(GpuDraw, BufferLocksOutsideTheBufferAreRefused) {
    IDirect3DVertexBuffer8* buffer = nullptr;
    EXPECT_EQ(m_pDevice->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &buffer), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer, nullptr);
    IDirect3DIndexBuffer8* indices = nullptr;
    EXPECT_EQ(m_pDevice->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &indices),
              D3DERR_INVALIDCALL);
    ASSERT_EQ(m_pDevice->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &buffer), D3D_OK);
    BYTE* data = nullptr;
    EXPECT_EQ(buffer->Lock(64, 0, &data, 0), D3DERR_INVALIDCALL);  // nothing left to lock
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(buffer->Lock(60, 8, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer->Lock(0xFFFFFFF0u, 0x20, &data, 0), D3DERR_INVALIDCALL);  // wraps in 32 bits
    EXPECT_EQ(buffer->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);
    ASSERT_EQ(buffer->Lock(60, 0, &data, 0), D3D_OK);  // size 0: to the end
    BYTE* inner = nullptr;
    ASSERT_EQ(buffer->Lock(0, 4, &inner, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(data - inner, 60);
    EXPECT_EQ(buffer->Unlock(), D3D_OK);
    EXPECT_EQ(buffer->Unlock(), D3D_OK);
    EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);
    D3DVERTEXBUFFER_DESC desc;
    ASSERT_EQ(buffer->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Size, 64u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(buffer->Release(), 0u);
}

TEST_F(GpuDraw, TextureCreationAndLocksAreChecked) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(m_pDevice->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(m_pDevice->CreateTexture(4, 4, 1, 0, D3DFMT_D16, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(m_pDevice->CreateTexture(4, 4, 4, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);  // a 4 x 4 chain has three levels
    EXPECT_EQ(texture, nullptr);
    ASSERT_EQ(m_pDevice->CreateTexture(8, 2, 0, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 4u);  // 8x2, 4x1, 2x1, 1x1
    D3DSURFACE_DESC desc;
    ASSERT_EQ(texture->GetLevelDesc(3, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 1u);
    EXPECT_EQ(desc.Height, 1u);
    EXPECT_EQ(texture->GetLevelDesc(4, &desc), D3DERR_INVALIDCALL);
    D3DLOCKED_RECT locked;
    const RECT part;
    EXPECT_EQ(texture->LockRect(4, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(0, &locked, &part, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
    ASSERT_EQ(texture->LockRect(1, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 8);  // four 16-bit texels
    EXPECT_EQ(texture->LockRect(1, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->UnlockRect(1), D3D_OK);
    EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(GpuDraw, DrawsBeyondTheBuffersAreRefusedAndDrawNothing) {
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    DrawScreenTriangles({{0, 0, 0.5f, 1, kRed, 0, 0},
                         {64, 0, 0.5f, 1, kRed, 0, 0},
                         {0, 64, 0.5f, 1, kRed, 0, 0},
                         {64, 64, 0.5f, 1, kRed, 0, 0}},
                        {0, 1, 2, 2, 1, 3});
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    m_pDevice->ResetCounters();
    auto draw = [&](UINT minIndex, UINT vertices, UINT start, UINT triangles) {
        return m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, minIndex, vertices, start,
                                               triangles);
    };
    EXPECT_EQ(draw(0, 5, 0, 2), D3DERR_INVALIDCALL);            // vertex range past the end
    EXPECT_EQ(draw(0, 4, 3, 2), D3DERR_INVALIDCALL);            // indices past the end
    EXPECT_EQ(draw(0, 4, 0xFFFFFFFFu, 1), D3DERR_INVALIDCALL);  // wraps in 32 bits
    m_pDevice->SetIndices(nullptr, 0);
    EXPECT_EQ(draw(0, 4, 0, 2), D3DERR_INVALIDCALL);  // no indices

    // An index that points past the vertex buffer, while the declared range looks fine.
    IDirect3DIndexBuffer8* wild = nullptr;
    ASSERT_EQ(m_pDevice->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &wild), D3D_OK);
    BYTE* data = nullptr;
    wild->Lock(0, 0, &data, 0);
    const uint16_t indices[3] = {0, 1, 40000};
    std::memcpy(data, indices, sizeof indices);
    wild->Unlock();
    m_pDevice->SetIndices(wild, 0);
    EXPECT_EQ(draw(0, 2, 0, 1), D3DERR_INVALIDCALL);
    m_pDevice->SetIndices(wild, 3);  // a base vertex that pushes index 1 past the end
    wild->Lock(0, 0, &data, 0);
    const uint16_t fine[3] = {0, 1, 0};
    std::memcpy(data, fine, sizeof fine);
    wild->Unlock();
    EXPECT_EQ(draw(0, 1, 0, 1), D3DERR_INVALIDCALL);
    m_pDevice->SetIndices(wild, 2);
    EXPECT_EQ(draw(0, 2, 0, 1), D3D_OK);  // vertices 2 and 3: inside
    wild->Release();

    EXPECT_EQ(m_pDevice->Counters().refusedDraws, 6u);
    EXPECT_EQ(m_pDevice->Counters().draws, 1u);
    EXPECT_FALSE(m_pDevice->LastError().empty());
    // The one accepted draw is degenerate; the refused ones left the target untouched.
    EXPECT_TRUE(ImagesMatch(BackBuffer(), GpuImage(64, 64, kBlack), 0, "untouched"));
}

TEST_F(GpuDraw, DrawsWithoutShaderOrStreamAreRefused) {
    DrawScreenRect(0, 0, 8, 8, kRed);
    m_pDevice->ResetCounters();
    m_pDevice->SetVertexShader(0);
    EXPECT_EQ(m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    m_pDevice->SetVertexShader(kScreenVertexFvf);
    m_pDevice->SetStreamSource(0, nullptr, 0);
    EXPECT_EQ(m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    std::vector<VsVertexOutput> outputs;
    EXPECT_EQ(m_pDevice->CaptureVertexOutputs(3, &outputs), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_pDevice->Counters().draws, 0u);
    EXPECT_EQ(m_pDevice->Counters().refusedDraws, 3u);
}

TEST_F(GpuDraw, ShaderHandlesAndBrokenShadersAreRefused) {
    EXPECT_EQ(m_pDevice->SetVertexShader(0x12345), D3DERR_INVALIDCALL);  // never created
    EXPECT_EQ(m_pDevice->SetVertexShader(0x112), D3DERR_INVALIDCALL);    // an FVF with no path
    EXPECT_EQ(m_pDevice->DeleteVertexShader(0x12345), D3DERR_INVALIDCALL);

    const DWORD declaration[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()};
    const DWORD garbage[] = {0xDEADBEEF, 0x0000FFFF};
    const DWORD badDeclaration[] = {D3DVSD_STREAM(0), 0x7FFFFFFF, D3DVSD_END()};
    DWORD handle = 0xFFFFFFFF;
    const DWORD code[] = {0xFFFE0101, 0x00000001, 0x800F0000 /* mov oPos */, 0x90E40000,
                          0x0000FFFF};
    EXPECT_TRUE(FAILED(m_pDevice->CreateVertexShader(declaration, garbage, &handle, 0)));
    EXPECT_TRUE(FAILED(m_pDevice->CreateVertexShader(badDeclaration, code, &handle, 0)));
    EXPECT_TRUE(FAILED(m_pDevice->CreateVertexShader(declaration, nullptr, &handle, 0)));
    EXPECT_EQ(handle, 0xFFFFFFFFu);

    // A shader deleted while bound: the draw is refused, once reported.
    const DWORD live = CreateShader(kPassThrough);
    ASSERT_EQ(m_pDevice->SetVertexShader(live), D3D_OK);
    EXPECT_EQ(m_pDevice->DeleteVertexShader(live), D3D_OK);
    EXPECT_EQ(m_pDevice->DeleteVertexShader(live), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_pDevice->SetVertexShader(live), D3DERR_INVALIDCALL);
    m_pDevice->ResetCounters();
    std::vector<ShaderVertex> triangle = {
        {0, 0, 0, kRed, 0, 0, 0, 0}, {1, 0, 0, kRed, 0, 0, 0, 0}, {0, -1, 0, kRed, 0, 0, 0, 0}};
    std::vector<uint16_t> indices = {0, 1, 2};
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    m_pDevice->CreateVertexBuffer(96, 0, 0, D3DPOOL_MANAGED, &vb);
    m_pDevice->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib);
    m_pDevice->SetStreamSource(0, vb, sizeof(ShaderVertex));
    m_pDevice->SetIndices(ib, 0);
    EXPECT_EQ(m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_pDevice->Counters().refusedDraws, 1u);
    m_pDevice->SetStreamSource(0, nullptr, 0);
    m_pDevice->SetIndices(nullptr, 0);
    vb->Release();
    ib->Release();
}

TEST_F(GpuDraw, ReadOnlyLocksNeverUpload) {
    DrawScreenRect(0, 0, 64, 64, kRed);  // leaves the quad's indices bound
    IDirect3DVertexBuffer8* buffer = nullptr;
    const UINT stride = sizeof(ScreenVertex);
    ASSERT_EQ(
        m_pDevice->CreateVertexBuffer(4 * sizeof(ScreenVertex), 0, 0, D3DPOOL_MANAGED, &buffer),
        D3D_OK);
    const ScreenVertex quad[4] = {{0, 0, 0.5f, 1, kRed, 0, 0},
                                  {64, 0, 0.5f, 1, kRed, 0, 0},
                                  {64, 64, 0.5f, 1, kRed, 0, 0},
                                  {0, 64, 0.5f, 1, kRed, 0, 0}};
    BYTE* data = nullptr;
    buffer->Lock(0, 0, &data, 0);
    std::memcpy(data, quad, sizeof quad);
    buffer->Unlock();
    m_pDevice->SetStreamSource(0, buffer, stride);
    auto redraw = [&] {
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
        EXPECT_EQ(m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
        return BackBuffer().At(32, 32);
    };
    EXPECT_EQ(redraw(), kRed);
    // Written through a read-only lock: the GPU keeps the old colour.
    ASSERT_EQ(buffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    for (int i = 0; i < 4; ++i)
        std::memcpy(data + i * stride + 16, &kGreen, 4);
    buffer->Unlock();
    EXPECT_EQ(redraw(), kRed);
    // A writable lock of the first byte only sends what it covered.
    ASSERT_EQ(buffer->Lock(16, 4, &data, 0), D3D_OK);
    buffer->Unlock();
    const GpuImage image = [&] {
        redraw();
        return BackBuffer();
    }();
    // Vertex 0 is green now, the others red: the colour varies across the quad.
    EXPECT_NE(image.At(1, 1), image.At(62, 62));
    buffer->Release();
}

TEST_F(GpuDraw, StateCacheSkipsUnchangedStateAndTheBypassDrawsTheSame) {
    auto frame = [&] {
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        DrawScreenRect(0, 0, 48, 48, 0x80FF0000, 0.5f);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        m_pDevice->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
        DrawScreenRect(16, 16, 64, 64, 0x8000FF00, 0.5f);
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        m_pDevice->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
        DrawScreenRect(24, 0, 40, 64, 0xFF0000FF, 0.25f);
        return BackBuffer();
    };
    frame();
    m_pDevice->ResetCounters();
    const GpuImage cached = frame();
    const uint64_t cachedChanges = m_pDevice->Counters().stateChanges;
    m_pDevice->SetStateCacheBypass(true);
    m_pDevice->ResetCounters();
    const GpuImage bypassed = frame();
    const uint64_t bypassedChanges = m_pDevice->Counters().stateChanges;
    m_pDevice->SetStateCacheBypass(false);
    EXPECT_TRUE(ImagesMatch(bypassed, cached, 0, "bypass"));
    EXPECT_LT(cachedChanges * 2, bypassedChanges);
    EXPECT_EQ(m_pDevice->Counters().draws, 3u);

    // Nothing changed between two draws: the second one sets no state at all.
    m_pDevice->ResetCounters();
    DrawScreenRect(0, 0, 8, 8, kWhite);
    const uint64_t first = m_pDevice->Counters().stateChanges;
    m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2);
    EXPECT_EQ(m_pDevice->Counters().stateChanges, first);
}

TEST_F(GpuDraw, EachShaderSeesTheConstantsSetLast) {
    const DWORD first = CreateShader(kColourFromC0);
    const DWORD second = CreateShader(kColourFromC0);
    auto drawWith = [&](DWORD shader) {
        m_pDevice->SetVertexShader(shader);
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
        DrawShaderTriangles({{-1, 1, 0.5f, 0, 0, 0, 0, 0},
                             {1, 1, 0.5f, 0, 0, 0, 0, 0},
                             {-1, -1, 0.5f, 0, 0, 0, 0, 0}});
        return BackBuffer().At(4, 4);
    };
    const float red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    const float green[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    m_pDevice->SetVertexShaderConstant(0, red, 1);
    EXPECT_EQ(drawWith(first), kRed);
    EXPECT_EQ(drawWith(second), kRed);
    m_pDevice->SetVertexShaderConstant(0, green, 1);
    EXPECT_EQ(drawWith(second), kGreen);
    EXPECT_EQ(drawWith(first), kGreen);
    EXPECT_EQ(m_pDevice->SetVertexShaderConstant(95, red, 2), D3DERR_INVALIDCALL);
    float back[4] = {};
    ASSERT_EQ(m_pDevice->GetVertexShaderConstant(0, back, 1), D3D_OK);
    EXPECT_EQ(std::memcmp(back, green, sizeof back), 0);
}

TEST_F(GpuDraw, CaptureReturnsWhatTheShaderWroteForEachVertex) {
    m_pDevice->SetVertexShader(
        CreateShader("vs.1.1\n"
                     "mov oPos, v0\n"
                     "mov oD0, v5\n"
                     "mov oD1, c1\n"
                     "mov oT0, v7\n"
                     "mov oT1, v8\n"
                     "mov oFog.x, c1.y\n"));
    const float c1[4] = {0.5f, 0.25f, 0.125f, 1.0f};
    m_pDevice->SetVertexShaderConstant(1, c1, 1);
    const std::vector<ShaderVertex> vertices = {{1, 2, 0.5f, 0x80FF4020, 0.1f, 0.2f, 0.3f, 0.4f},
                                                {-1, -2, 0.25f, 0xFF000000, 5, 6, 7, 8}};
    std::vector<uint16_t> indices = {0, 1, 1};
    DrawShaderTriangles(vertices, indices);  // binds the stream
    std::vector<VsVertexOutput> outputs;
    ASSERT_EQ(m_pDevice->CaptureVertexOutputs(2, &outputs), D3D_OK);
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_EQ(outputs[0].position, D3DXVECTOR4(1, 2, 0.5f, 1));  // FLOAT3 fills w with 1
    // D3DCOLOR 0x80FF4020: red 0xFF, green 0x40, blue 0x20, alpha 0x80.
    EXPECT_NEAR(outputs[0].diffuse.x, 1.0f, 1e-6f);
    EXPECT_NEAR(outputs[0].diffuse.y, 64.0f / 255.0f, 1e-6f);
    EXPECT_NEAR(outputs[0].diffuse.z, 32.0f / 255.0f, 1e-6f);
    EXPECT_NEAR(outputs[0].diffuse.w, 128.0f / 255.0f, 1e-6f);
    EXPECT_EQ(outputs[0].specular, D3DXVECTOR4(0.5f, 0.25f, 0.125f, 1.0f));
    EXPECT_EQ(outputs[0].fog, 0.25f);
    EXPECT_EQ(outputs[0].texCoord0, D3DXVECTOR4(0.1f, 0.2f, 0, 1));
    EXPECT_EQ(outputs[1].texCoord1, D3DXVECTOR4(7, 8, 0, 1));
    EXPECT_EQ(outputs[1].position, D3DXVECTOR4(-1, -2, 0.25f, 1));
    EXPECT_EQ(m_pDevice->CaptureVertexOutputs(3, &outputs), D3DERR_INVALIDCALL);  // past the end
}

// The start-up's fixed states, in its order, then a static piece drawn as the depth-sorted
// renderer draws one: ramp in stage 0, mesh texture (or none) in stage 1.
TEST_F(GpuDraw, StartupStatesTakeEffect) {
    const struct {
        DWORD stage;
        D3DTEXTURESTAGESTATETYPE type;
        DWORD value;
    } stages[] = {
        {0, D3DTSS_COLOROP, D3DTOP_MODULATE},    {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
        {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE},    {0, D3DTSS_ALPHAOP, D3DTOP_MODULATE},
        {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},    {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
        {0, D3DTSS_MINFILTER, D3DTEXF_LINEAR},   {0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR},
        {0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP}, {1, D3DTSS_COLOROP, D3DTOP_MODULATE},
        {1, D3DTSS_COLORARG1, D3DTA_TEXTURE},    {1, D3DTSS_COLORARG2, D3DTA_CURRENT},
        {1, D3DTSS_ALPHAOP, D3DTOP_MODULATE},    {1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
        {1, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},    {1, D3DTSS_MAGFILTER, D3DTEXF_LINEAR},
        {1, D3DTSS_MINFILTER, D3DTEXF_LINEAR},   {1, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP},
    };
    for (const auto& s : stages) {
        ASSERT_EQ(m_pDevice->SetTextureStageState(s.stage, s.type, s.value), D3D_OK);
    }
    const struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } states[] = {
        {D3DRS_DITHERENABLE, FALSE},         {D3DRS_MULTISAMPLEANTIALIAS, FALSE},
        {D3DRS_ZENABLE, D3DZB_TRUE},         {D3DRS_SPECULARENABLE, FALSE},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD}, {D3DRS_AMBIENT, 0xFF000000},
        {D3DRS_CULLMODE, D3DCULL_CCW},
    };
    for (const auto& s : states)
        ASSERT_EQ(m_pDevice->SetRenderState(s.state, s.value), D3D_OK);

    m_pDevice->SetVertexShader(CreateShader(kPassThrough));
    // A four-band ramp; u past 1 stays on the last band under clamped addressing.
    IDirect3DTexture8* ramp = CreateTexture(4, 1, {0xFF202020, 0xFF606060, 0xFFA0A0A0, kWhite});
    IDirect3DTexture8* skin = CreateTexture(1, 1, {0xFF00FF00});
    m_pDevice->SetTexture(0, ramp);
    auto piece = [&](float ramp_u, D3DCOLOR diffuse) {
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
        DrawShaderTriangles({{-1, 1, 0.5f, diffuse, ramp_u, 0.5f, 0.5f, 0.5f},
                             {1, 1, 0.5f, diffuse, ramp_u, 0.5f, 0.5f, 0.5f},
                             {-1, -1, 0.5f, diffuse, ramp_u, 0.5f, 0.5f, 0.5f}});
        return BackBuffer().At(4, 4);
    };
    EXPECT_TRUE(ColorsNear(piece(1.5f, kWhite), kWhite, 1));
    EXPECT_TRUE(ColorsNear(piece(-0.5f, 0xFFFF8000), 0xFF201000, 1));
    EXPECT_TRUE(ColorsNear(piece(0.5f, kWhite), 0xFF808080, 2));  // halfway between two bands
    m_pDevice->SetTexture(1, skin);
    EXPECT_TRUE(ColorsNear(piece(1.5f, kWhite), kGreen, 1));
    // Counter-clockwise on screen: culled.
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    DrawShaderTriangles({{-1, 1, 0.5f, kWhite, 1, 0, 0, 0},
                         {-1, -1, 0.5f, kWhite, 1, 0, 0, 0},
                         {1, 1, 0.5f, kWhite, 1, 0, 0, 0}});
    EXPECT_EQ(BackBuffer().At(4, 4), kBlack);
    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetTexture(1, nullptr);
    ramp->Release();
    skin->Release();
}

TEST_F(GpuDraw, GlslFailuresShowTheDriverLogAndTheNumberedSource) {
    std::string error;
    const std::string source =
        "#version 450 core\n"
        "// 7: mov oPos, v0\n"
        "void main() { gl_Position = undeclared; }\n";
    EXPECT_EQ(GlCompileShader(GL_VERTEX_SHADER, source, &error), 0u);
    EXPECT_NE(error.find("undeclared"), std::string::npos) << error;
    EXPECT_NE(error.find("   2: // 7: mov oPos, v0\n"), std::string::npos) << error;
    EXPECT_NE(error.find("   3: void main()"), std::string::npos) << error;
}

}  // namespace

#include "tests/platform/d3d8/gpu_test_support.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/d3dx/d3dx_shader.h"
#include "platform/d3d8/headless_device.h"
#include "platform/image/png_writer.h"

namespace {

const DWORD kShaderDeclaration[] = {
    D3DVSD_STREAM(0),
    D3DVSD_REG(0, D3DVSDT_FLOAT3),
    D3DVSD_REG(5, D3DVSDT_D3DCOLOR),
    D3DVSD_REG(7, D3DVSDT_FLOAT2),
    D3DVSD_REG(8, D3DVSDT_FLOAT2),
    D3DVSD_END(),
};

int Channel(D3DCOLOR color, int shift) {
    return static_cast<int>((color >> shift) & 0xFFu);
}

std::string FailureImagePath(const char* label, const char* kind) {
    const std::string directory = std::string(VELMORA_BINARY_DIR) + "/gpu_failures";
    mkdir(directory.c_str(), 0755);
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name() + "_" + label;
    for (char& c : name) {
        if (c == '/')
            c = '_';
    }
    return directory + "/" + name + "_" + kind + ".png";
}

}  // namespace

GpuImage::GpuImage(UINT w, UINT h, D3DCOLOR fill) : width(w), height(h), rgba(size_t(w) * h * 4) {
    Fill(0, 0, w, h, fill);
}

D3DCOLOR GpuImage::At(UINT x, UINT y) const {
    const uint8_t* p = rgba.data() + (static_cast<size_t>(y) * width + x) * 4;
    return (D3DCOLOR(p[3]) << 24) | (D3DCOLOR(p[0]) << 16) | (D3DCOLOR(p[1]) << 8) | p[2];
}

void GpuImage::Set(UINT x, UINT y, D3DCOLOR color) {
    uint8_t* p = rgba.data() + (static_cast<size_t>(y) * width + x) * 4;
    p[0] = static_cast<uint8_t>(color >> 16);
    p[1] = static_cast<uint8_t>(color >> 8);
    p[2] = static_cast<uint8_t>(color);
    p[3] = static_cast<uint8_t>(color >> 24);
}

void GpuImage::Fill(UINT x0, UINT y0, UINT x1, UINT y1, D3DCOLOR color) {
    for (UINT y = y0; y < y1; ++y) {
        for (UINT x = x0; x < x1; ++x)
            Set(x, y, color);
    }
}

bool ColorsNear(D3DCOLOR a, D3DCOLOR b, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        if (std::abs(Channel(a, shift) - Channel(b, shift)) > tolerance)
            return false;
    }
    return true;
}

std::string ColorText(D3DCOLOR color) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", color);
    return text;
}

void GpuTest::SetUp() {
    CreateDevice(64, 64);
}

void GpuTest::TearDown() {
    DestroyDevice();
    if (m_pD3D != nullptr)
        m_pD3D->Release();
    m_pD3D = nullptr;
}

void GpuTest::DestroyDevice() {
    if (m_pDevice != nullptr) {
        EXPECT_EQ(m_pDevice->Counters().glErrors, 0u) << "the device raised GL errors";
        m_pDevice->Release();
    }
    m_pDevice = nullptr;
    GlWindow::Destroy(m_pWindow);
    m_pWindow = nullptr;
}

void GpuTest::CreateDevice(UINT width, UINT height, D3DFORMAT format, int windowWidth,
                           int windowHeight) {
    DestroyDevice();
    std::string error;
    m_pWindow = GlWindow::CreateHeadless(windowWidth > 0 ? windowWidth : int(width),
                                         windowHeight > 0 ? windowHeight : int(height), &error);
    ASSERT_NE(m_pWindow, nullptr) << "no headless OpenGL 4.5 context: " << error;
    if (m_pD3D == nullptr)
        m_pD3D = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(m_pD3D, nullptr);
    m_parameters = HeadlessPresentParameters(width, height, format, m_pWindow);
    ASSERT_EQ(m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_pWindow,
                                   D3DCREATE_HARDWARE_VERTEXPROCESSING, &m_parameters, &m_pDevice),
              D3D_OK);
}

GpuImage GpuTest::BackBuffer() {
    GpuImage image;
    EXPECT_EQ(m_pDevice->ReadBackBuffer(&image.rgba, &image.width, &image.height), D3D_OK);
    return image;
}

GpuImage GpuTest::Window() {
    GpuImage image;
    EXPECT_EQ(m_pDevice->ReadWindow(&image.rgba, &image.width, &image.height), D3D_OK);
    return image;
}

namespace {

template <typename Vertex>
void Upload(IDirect3DDevice8* device, const std::vector<Vertex>& vertices,
            std::vector<uint16_t>* indices, UINT stride) {
    if (indices->empty()) {
        for (size_t i = 0; i < vertices.size(); ++i)
            indices->push_back(uint16_t(i));
    }
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    const UINT vbBytes = UINT(vertices.size() * sizeof(Vertex));
    const UINT ibBytes = UINT(indices->size() * 2);
    ASSERT_EQ(device->CreateVertexBuffer(vbBytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb),
              D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(ibBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                        D3DPOOL_MANAGED, &ib),
              D3D_OK);
    BYTE* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, vertices.data(), vbBytes);
    vb->Unlock();
    ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, indices->data(), ibBytes);
    ib->Unlock();
    device->SetStreamSource(0, vb, stride);
    device->SetIndices(ib, 0);
    vb->Release();  // the device holds them while they are bound
    ib->Release();
}

}  // namespace

void GpuTest::DrawScreenTriangles(const std::vector<ScreenVertex>& vertices,
                                  std::vector<uint16_t> indices) {
    Upload(m_pDevice, vertices, &indices, sizeof(ScreenVertex));
    ASSERT_EQ(m_pDevice->SetVertexShader(kScreenVertexFvf), D3D_OK);
    ASSERT_EQ(m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, UINT(vertices.size()), 0,
                                              UINT(indices.size() / 3)),
              D3D_OK)
        << m_pDevice->LastError();
}

void GpuTest::DrawScreenRect(float x0, float y0, float x1, float y1, D3DCOLOR color, float z) {
    DrawScreenTriangles({{x0, y0, z, 1.0f, color, 0.0f, 0.0f},
                         {x1, y0, z, 1.0f, color, 1.0f, 0.0f},
                         {x1, y1, z, 1.0f, color, 1.0f, 1.0f},
                         {x0, y1, z, 1.0f, color, 0.0f, 1.0f}},
                        {0, 1, 2, 0, 2, 3});
}

DWORD GpuTest::CreateShader(const char* assembly) {
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT hr =
        D3DXAssembleShader(assembly, UINT(std::strlen(assembly)), 0, nullptr, &code, &errors);
    EXPECT_EQ(hr, D3D_OK) << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    if (errors != nullptr)
        errors->Release();
    if (FAILED(hr))
        return 0;
    DWORD handle = 0;
    EXPECT_EQ(
        m_pDevice->CreateVertexShader(
            kShaderDeclaration, static_cast<const DWORD*>(code->GetBufferPointer()), &handle, 0),
        D3D_OK)
        << m_pDevice->LastError();
    code->Release();
    return handle;
}

void GpuTest::DrawShaderTriangles(const std::vector<ShaderVertex>& vertices,
                                  std::vector<uint16_t> indices) {
    Upload(m_pDevice, vertices, &indices, sizeof(ShaderVertex));
    ASSERT_EQ(m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, UINT(vertices.size()), 0,
                                              UINT(indices.size() / 3)),
              D3D_OK)
        << m_pDevice->LastError();
}

IDirect3DTexture8* GpuTest::CreateTexture(UINT width, UINT height,
                                          const std::vector<D3DCOLOR>& texels, D3DFORMAT format) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(m_pDevice->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    if (texture == nullptr)
        return nullptr;
    D3DLOCKED_RECT locked;
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < height; ++y) {
        BYTE* row = static_cast<BYTE*>(locked.pBits) + y * locked.Pitch;
        for (UINT x = 0; x < width; ++x) {
            const D3DCOLOR c = texels[y * width + x];
            if (format == D3DFMT_A8) {
                row[x] = static_cast<BYTE>(c >> 24);
            } else {
                std::memcpy(row + x * 4, &c, 4);
            }
        }
    }
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    return texture;
}

::testing::AssertionResult GpuTest::ImagesMatch(const GpuImage& actual, const GpuImage& expected,
                                                int tolerance, const char* label) {
    if (actual.width != expected.width || actual.height != expected.height) {
        return ::testing::AssertionFailure()
               << label << ": size " << actual.width << "x" << actual.height << ", expected "
               << expected.width << "x" << expected.height;
    }
    for (UINT y = 0; y < actual.height; ++y) {
        for (UINT x = 0; x < actual.width; ++x) {
            if (ColorsNear(actual.At(x, y), expected.At(x, y), tolerance))
                continue;
            std::string error;
            const std::string actualPath = FailureImagePath(label, "actual");
            const std::string expectedPath = FailureImagePath(label, "expected");
            WritePng(actualPath, actual.rgba.data(), int(actual.width), int(actual.height), &error);
            WritePng(expectedPath, expected.rgba.data(), int(expected.width), int(expected.height),
                     &error);
            return ::testing::AssertionFailure()
                   << label << ": pixel (" << x << ", " << y << ") is "
                   << ColorText(actual.At(x, y)) << ", expected " << ColorText(expected.At(x, y))
                   << " within " << tolerance << "; images in " << actualPath << " and "
                   << expectedPath;
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult GpuTest::PixelNear(const GpuImage& image, UINT x, UINT y,
                                              D3DCOLOR expected, int tolerance) {
    if (x >= image.width || y >= image.height) {
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is outside";
    }
    if (ColorsNear(image.At(x, y), expected, tolerance))
        return ::testing::AssertionSuccess();
    const std::string path = FailureImagePath("pixel", "actual");
    std::string error;
    WritePng(path, image.rgba.data(), int(image.width), int(image.height), &error);
    return ::testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is " << ColorText(image.At(x, y)) << ", expected "
           << ColorText(expected) << " within " << tolerance << "; image in " << path;
}

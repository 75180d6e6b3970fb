#include "platform/d3d8/headless_device.h"

#include <cstdio>

D3DPRESENT_PARAMETERS HeadlessPresentParameters(UINT width, UINT height, D3DFORMAT format,
                                                HWND window) {
    D3DPRESENT_PARAMETERS parameters;
    parameters.BackBufferWidth = width;
    parameters.BackBufferHeight = height;
    parameters.BackBufferFormat = format;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = window;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    return parameters;
}

HRESULT HeadlessDevice::Create(UINT width, UINT height, D3DFORMAT format, std::string* error) {
    Release();
    std::string reason;
    window = GlWindow::CreateHeadless(static_cast<int>(width), static_cast<int>(height), &reason);
    if (!window) {
        *error = "no headless OpenGL 4.5 context: " + reason;
        return E_FAIL;
    }
    d3d = Direct3DCreate8(D3D_SDK_VERSION);
    parameters = HeadlessPresentParameters(width, height, format, window);
    const HRESULT hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                         D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                                         &device);
    if (FAILED(hr)) {
        char text[64];
        std::snprintf(text, sizeof text, "CreateDevice failed hr=%x", static_cast<unsigned>(hr));
        *error = text;
        Release();
    }
    return hr;
}

void HeadlessDevice::Release() {
    if (device) device->Release();
    device = nullptr;
    if (d3d) d3d->Release();
    d3d = nullptr;
    GlWindow::Destroy(window);
    window = nullptr;
}

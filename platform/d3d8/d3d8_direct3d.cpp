// IDirect3D8: the adapter queries (display mode, format checks, capabilities). CreateDevice lives
// beside the device in platform/d3d8/d3d8_device.cpp.
#include "platform/d3d8/d3d8.h"
#include "platform/gl/gl_device.h"
#include "platform/gl/gl_window.h"

namespace {

D3DFORMAT FormatOfDepth(int bitsPerPixel) {
    if (bitsPerPixel == 16)
        return D3DFMT_R5G6B5;
    if (bitsPerPixel == 15)
        return D3DFMT_X1R5G5B5;
    return D3DFMT_X8R8G8B8;
}

bool IsDisplayFormat(D3DFORMAT format) {
    return format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_X8R8G8B8 ||
           format == D3DFMT_R8G8B8;
}

// A back buffer matches the display format, or adds alpha to it.
bool BackBufferMatches(D3DFORMAT display, D3DFORMAT backBuffer) {
    return backBuffer == display || (display == D3DFMT_X8R8G8B8 && backBuffer == D3DFMT_A8R8G8B8) ||
           (display == D3DFMT_X1R5G5B5 && backBuffer == D3DFMT_A1R5G5B5);
}

D3dAdapterLimits g_adapterLimits;

}  // namespace

void LimitAdapterForTests(const D3dAdapterLimits& limits) {
    g_adapterLimits = limits;
}

const D3dAdapterLimits& AdapterLimits() {
    return g_adapterLimits;
}

IDirect3D8* Direct3DCreate8(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION)
        return nullptr;
    return new IDirect3D8();
}

ULONG IDirect3D8::AddRef() {
    return ++m_nRefs;
}

ULONG IDirect3D8::Release() {
    const ULONG refs = --m_nRefs;
    if (refs == 0)
        delete this;
    return refs;
}

HRESULT IDirect3D8::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (adapter != D3DADAPTER_DEFAULT || mode == nullptr)
        return D3DERR_INVALIDCALL;
    const GlWindow* window = GlWindow::Current();
    if (window == nullptr)
        return D3DERR_NOTAVAILABLE;
    int width = 0, height = 0, refresh = 0, bits = 0;
    window->GetDesktopMode(&width, &height, &refresh, &bits);
    mode->Width = static_cast<UINT>(width);
    mode->Height = static_cast<UINT>(height);
    mode->RefreshRate = static_cast<UINT>(refresh);
    mode->Format = FormatOfDepth(bits);
    return D3D_OK;
}

HRESULT IDirect3D8::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                    D3DFORMAT backBufferFormat, BOOL /*windowed*/) {
    if (adapter != D3DADAPTER_DEFAULT)
        return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL)
        return D3DERR_NOTAVAILABLE;
    if (!IsDisplayFormat(displayFormat) || !BackBufferMatches(displayFormat, backBufferFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    // The answer comes from the driver: can a framebuffer of that format be rendered to?
    if (GlWindow::Current() == nullptr)
        return D3DERR_NOTAVAILABLE;
    for (D3DFORMAT refused : g_adapterLimits.refusedBackBufferFormats)
        if (refused == backBufferFormat)
            return D3DERR_NOTAVAILABLE;
    return GlBackBufferFormatRenderable(backBufferFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT IDirect3D8::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) {
    if (adapter != D3DADAPTER_DEFAULT || caps == nullptr)
        return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL || GlWindow::Current() == nullptr)
        return D3DERR_NOTAVAILABLE;
    GlFillCaps(caps);
    if (g_adapterLimits.vertexShaderVersion != 0)
        caps->VertexShaderVersion = g_adapterLimits.vertexShaderVersion;
    return D3D_OK;
}

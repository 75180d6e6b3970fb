#include "platform/d3dx/d3dx_shader.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/system/resource_table.h"
#include "platform/vshader/vs_assembler.h"

namespace {

// A buffer holding `text` and its NUL; null when out of memory.
ID3DXBuffer* TextBuffer(const std::string& text) {
    ID3DXBuffer* buffer = ID3DXBuffer::Create(text.size() + 1);
    if (buffer)
        std::memcpy(buffer->GetBufferPointer(), text.c_str(), text.size() + 1);
    return buffer;
}

HRESULT Assemble(const char* text, size_t length, const char* name, ID3DXBuffer** constants,
                 ID3DXBuffer** code, ID3DXBuffer** errors) {
    if (constants)
        *constants = nullptr;
    if (code)
        *code = nullptr;
    if (errors)
        *errors = nullptr;
    std::vector<DWORD> tokens;
    std::string messages;
    const HRESULT hr = AssembleVertexShader(text, length, name, &tokens, &messages);
    if (FAILED(hr)) {
        if (errors)
            *errors = TextBuffer(messages);
        return hr;
    }
    if (code) {
        ID3DXBuffer* buffer = ID3DXBuffer::Create(tokens.size() * sizeof(DWORD));
        if (!buffer)
            return E_OUTOFMEMORY;
        std::memcpy(buffer->GetBufferPointer(), tokens.data(), tokens.size() * sizeof(DWORD));
        *code = buffer;
    }
    return D3D_OK;
}

}  // namespace

HRESULT D3DXAssembleShader(const char* text, UINT length, DWORD /*flags*/, ID3DXBuffer** constants,
                           ID3DXBuffer** code, ID3DXBuffer** errors) {
    if (!text) {
        if (constants)
            *constants = nullptr;
        if (code)
            *code = nullptr;
        if (errors)
            *errors = TextBuffer("no shader text");
        return D3DERR_INVALIDCALL;
    }
    return Assemble(text, length, "shader", constants, code, errors);
}

HRESULT D3DXAssembleShaderFromResource(const char* resourceName, DWORD /*flags*/,
                                       ID3DXBuffer** constants, ID3DXBuffer** code,
                                       ID3DXBuffer** errors) {
    HRSRC resource = resourceName ? FindResourceA(resourceName, kRtRcdata) : nullptr;
    const void* bytes = LockResource(LoadResource(resource));
    if (!bytes) {
        if (constants)
            *constants = nullptr;
        if (code)
            *code = nullptr;
        if (errors)
            *errors = TextBuffer(std::string(resourceName ? resourceName : "(null)") +
                                 ": no RCDATA resource");
        return E_FAIL;
    }
    return Assemble(static_cast<const char*>(bytes), SizeofResource(resource), resourceName,
                    constants, code, errors);
}

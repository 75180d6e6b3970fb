// libFuzzer target of the two Direct3D 8 token readers, fed little-endian DWORDs: the vertex
// shader decoder reads them all, the vertex declaration parser those after the first shader end
// token 0x0000FFFF (all of them when there is none), as CreateVertexShader gets both. Neither may
// read beyond the count given; a decoded program must pass the check and encode back to tokens that
// decode to the same program; a parsed declaration's elements must lie inside its stride; a program
// and a declaration that both pass translate to GLSL. A broken invariant traps.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/vshader/vs_declaration.h"
#include "platform/vshader/vs_glsl.h"
#include "platform/vshader/vs_program.h"

namespace {
void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool CheckShader(const std::vector<DWORD>& tokens, VsProgram* program) {
    std::string error;
    const HRESULT hr = DecodeVertexShader(tokens.data(), tokens.size(), program, &error);
    if (FAILED(hr)) {
        Require(hr == D3DERR_INVALIDCALL && !error.empty());
        return false;
    }
    Require(CheckVertexShader(*program, nullptr));
    std::vector<DWORD> encoded;
    EncodeVertexShader(*program, &encoded);
    VsProgram again;
    Require(SUCCEEDED(DecodeVertexShader(encoded.data(), encoded.size(), &again, &error)));
    Require(DumpVertexShader(again) == DumpVertexShader(*program));
    return true;
}

bool CheckDeclaration(const std::vector<DWORD>& tokens, VsDeclaration* declaration) {
    std::string error;
    const HRESULT hr = ParseVertexDeclaration(tokens.data(), tokens.size(), declaration, &error);
    if (FAILED(hr)) {
        Require(hr == D3DERR_INVALIDCALL && !error.empty());
        return false;
    }
    bool seen[kVsInputCount] = {};
    for (const VsDeclaration::Element& e : declaration->elements) {
        Require(e.reg < kVsInputCount && !seen[e.reg]);
        seen[e.reg] = true;
        const UINT bytes = VsDeclarationTypeSize(e.type);
        Require(bytes > 0 && e.offset + bytes <= declaration->stride);
    }
    // Fetching one vertex reads only the stride's bytes.
    const std::vector<unsigned char> vertex(declaration->stride, 0x41);
    D3DXVECTOR4 inputs[kVsInputCount];
    FetchVertexInputs(*declaration, vertex.data(), inputs);
    return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<DWORD> tokens(size / 4);
    if (!tokens.empty())
        std::memcpy(tokens.data(), data, tokens.size() * 4);
    VsProgram program;
    VsDeclaration declaration;
    const bool shader = CheckShader(tokens, &program);
    auto end = std::find(tokens.begin(), tokens.end(), kVsEndToken);
    const std::vector<DWORD> rest(end == tokens.end() ? tokens.begin() : end + 1, tokens.end());
    if (CheckDeclaration(rest, &declaration) && shader)
        Require(!TranslateVertexShaderToGlsl(program, declaration).empty());
    return 0;
}

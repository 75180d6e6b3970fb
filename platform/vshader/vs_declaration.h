// Vertex shader declarations: the D3DVSD token list that maps one stream's vertex bytes onto the
// input registers v0-v15.
// Owns: VsDeclaration, its parser, and the CPU fetch of one vertex's registers.
// Does not: bind anything to GL (the device does, from the parsed elements), or load the
// D3DVSD_CONST constants of a declaration (refused as unsupported).
// Needs: platform/system/d3d8_types.h, platform/vshader/vs_program.h.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/system/d3d8_types.h"
#include "platform/system/d3dx_math.h"
#include "platform/vshader/vs_program.h"

struct VsDeclaration {
    struct Element {
        UINT reg;     // input register v0-v15
        DWORD type;   // D3DVSDT_*
        UINT offset;  // bytes from the start of the vertex
    };
    UINT stream = 0;
    UINT stride = 0;  // bytes per vertex implied by the elements
    std::vector<Element> elements;
};

// Parses D3DVSD tokens (stream token, register and skip tokens, end 0xFFFFFFFF); refuses unknown
// tokens, a register declared twice and a second stream with D3DERR_INVALIDCALL and a message.
// The unsized form stops at kVsMaxDeclarationTokens; the sized form never reads beyond `count`.
HRESULT ParseVertexDeclaration(const DWORD* tokens, VsDeclaration* declaration, std::string* error);
HRESULT ParseVertexDeclaration(const DWORD* tokens, size_t count, VsDeclaration* declaration,
                               std::string* error);
constexpr size_t kVsMaxDeclarationTokens = 256;

// Bytes one element of a D3DVSDT_* type occupies; 0 for an unknown type.
UINT VsDeclarationTypeSize(DWORD type);

// The input registers one vertex delivers to the shader, as the device feeds them: floats and
// shorts as they are, D3DCOLOR as BGRA bytes / 255 (x = red = byte 2, y = byte 1, z = byte 0,
// w = byte 3), UBYTE4 as bytes; missing components and undeclared registers read 0, 0, 0, 1.
// `vertex` points at `declaration.stride` readable bytes.
void FetchVertexInputs(const VsDeclaration& declaration, const void* vertex,
                       D3DXVECTOR4 inputs[kVsInputCount]);

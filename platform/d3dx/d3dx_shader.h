// D3DX-style shader assembly: vs 1.x assembly text, or an RT_RCDATA resource holding it, becomes
// the Direct3D 8 token stream that IDirect3DDevice8::CreateVertexShader takes.
// Owns: the two D3DXAssembleShader entry points and their buffers.
// Does not: parse or check anything itself (platform/vshader/vs_assembler.h does), or hand back a
// constant declaration: `def` constants stay inline in the code, so *constants is set to null.
// Needs: platform/d3dx/d3dx_buffer.h, platform/system/resource_table.h.
#pragma once

#include "platform/system/d3d8_types.h"
#include "platform/d3dx/d3dx_buffer.h"

// Accepted and ignored: the code always carries each instruction's line, and is always checked.
constexpr DWORD D3DXASM_DEBUG = 1;
constexpr DWORD D3DXASM_SKIPVALIDATION = 2;

// Assembles `length` bytes of text. On success *code (when not null) receives the tokens. On
// failure returns D3DXERR_INVALIDDATA and *errors (when not null) the messages, one per line,
// as NUL-ended text; null text gives D3DERR_INVALIDCALL. Outputs not written are set to null.
HRESULT D3DXAssembleShader(const char* text, UINT length, DWORD flags, ID3DXBuffer** constants,
                           ID3DXBuffer** code, ID3DXBuffer** errors);

// The same for the RT_RCDATA resource `resourceName` (names compare without regard to case);
// messages name the resource. A missing resource gives E_FAIL.
HRESULT D3DXAssembleShaderFromResource(const char* resourceName, DWORD flags,
                                       ID3DXBuffer** constants, ID3DXBuffer** code,
                                       ID3DXBuffer** errors);

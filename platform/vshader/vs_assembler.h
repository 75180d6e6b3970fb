// The vs 1.x assembler: vertex shader assembly text -> checked VsProgram -> Direct3D 8 tokens.
// Text: the version line "vs.1.0" or "vs.1.1" first, one instruction per line, `;`, `//` and
// `/* */` comments, opcodes and registers in any case; `def c<n>, x, y, z, w` constants.
// Does not: run a preprocessor, or accept anything the register-use check refuses.
// Needs: platform/vshader/vs_program.h (the opcode table, the check, the encoder).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/system/d3d8_types.h"
#include "platform/vshader/vs_program.h"

// Parses and checks `length` bytes of text (a NUL ends it early). On failure returns
// D3DXERR_INVALIDDATA and, when errors is not null, one line "<sourceName>(<line>): <message>"
// per finding; *program is written only on success.
HRESULT ParseVertexShaderText(const char* text, size_t length, const char* sourceName,
                              VsProgram* program, std::string* errors);

// ParseVertexShaderText, then the token stream of the program (EncodeVertexShader).
HRESULT AssembleVertexShader(const char* text, size_t length, const char* sourceName,
                             std::vector<DWORD>* tokens, std::string* errors);

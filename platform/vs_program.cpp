#include "platform/vs_program.h"

const VsOpcodeInfo* FindVsOpcode(VsOpcode) { return nullptr; }
const VsOpcodeInfo* FindVsOpcode(const char*, size_t) { return nullptr; }
bool CheckVertexShader(const VsProgram&, std::vector<VsDiagnostic>*) { return false; }
void EncodeVertexShader(const VsProgram&, std::vector<DWORD>* tokens) { tokens->clear(); }
HRESULT DecodeVertexShader(const DWORD* tokens, VsProgram* program, std::string* error) {
    return DecodeVertexShader(tokens, 0, program, error);
}
HRESULT DecodeVertexShader(const DWORD*, size_t, VsProgram*, std::string* error) {
    if (error) *error = "vertex shader decoding is not available yet";
    return D3DERR_INVALIDCALL;
}
std::string DumpVertexShader(const VsProgram&) { return std::string(); }
std::string FormatVsInstruction(const VsInstruction&) { return std::string(); }
std::string FormatVsDefinition(const VsDefinition&) { return std::string(); }

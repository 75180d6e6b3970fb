// Vertex shader programs of versions 1.0 and 1.1: the checked instruction list, its opcode table,
// the Direct3D 8 token encoding (encode, decode), the register-use check and the dump.
// Owns: VsProgram and its parts, VsVertexOutput (what one vertex leaves a shader with).
// Does not: read assembly text (platform/vshader/vs_assembler.h), emit GLSL (platform/vshader/vs_glsl.h) or run
// a program (platform/vshader/vs_interpreter.h).
// Needs: platform/system/d3d8_types.h, platform/system/d3dx_math.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system/d3d8_types.h"
#include "platform/system/d3dx_math.h"

// Register files, numbered as the D3DSPR_* register types of the token encoding.
enum class VsRegisterType : uint8_t {
    Temp = 0,         // r0-r11
    Input = 1,        // v0-v15
    Const = 2,        // c0-c95, c[a0.x + n]
    Address = 3,      // a0 (vs 1.1)
    RastOut = 4,      // oPos (0), oFog (1), oPts (2)
    AttrOut = 5,      // oD0, oD1
    TexCoordOut = 6,  // oT0-oT7
};

constexpr UINT kVsInputCount = 16;
constexpr UINT kVsTempCount = 12;
constexpr UINT kVsConstCount = 96;
constexpr UINT kVsColorOutCount = 2;
constexpr UINT kVsTexCoordOutCount = 8;
constexpr UINT kVsRastOutPosition = 0;
constexpr UINT kVsRastOutFog = 1;
constexpr UINT kVsRastOutPointSize = 2;
constexpr UINT kVsMaxInstructionSlots = 128;

// Token stream markers.
constexpr DWORD kVsVersion10 = 0xFFFE0100u;
constexpr DWORD kVsVersion11 = 0xFFFE0101u;
constexpr DWORD kVsEndToken = 0x0000FFFFu;

// The D3DSIO_* opcodes of vs 1.x.
enum class VsOpcode : uint16_t {
    Nop = 0,
    Mov = 1,
    Add = 2,
    Sub = 3,
    Mad = 4,
    Mul = 5,
    Rcp = 6,
    Rsq = 7,
    Dp3 = 8,
    Dp4 = 9,
    Min = 10,
    Max = 11,
    Slt = 12,
    Sge = 13,
    Exp = 14,
    Log = 15,
    Lit = 16,
    Dst = 17,
    Frc = 19,
    M4x4 = 20,
    M4x3 = 21,
    M3x4 = 22,
    M3x3 = 23,
    M3x2 = 24,
    Expp = 78,
    Logp = 79,
    Def = 81,
};

// One row of the opcode table.
struct VsOpcodeInfo {
    VsOpcode opcode;
    const char* name;    // as written in assembly, lower case
    UINT sourceCount;    // source operands after the destination (0 for nop and def)
    UINT slots;          // instruction slots counted against kVsMaxInstructionSlots
    UINT matrixRows;     // matrix macros: consecutive registers read from the second source
    UINT matrixColumns;  // matrix macros: 3 (dp3 rows) or 4 (dp4 rows)
    DWORD writableMask;  // components the instruction may write (bit 0 = x ... bit 3 = w)
    bool scalarSource;   // the source needs a replicate swizzle (.x, .y, .z or .w)
    UINT minorVersion;   // the first vs 1.x that has it
};

// The table row of an opcode, or of a name (compared without regard to case); nullptr if none.
const VsOpcodeInfo* FindVsOpcode(VsOpcode opcode);
const VsOpcodeInfo* FindVsOpcode(const char* name, size_t length);

struct VsDestination {
    VsRegisterType type = VsRegisterType::Temp;
    UINT index = 0;
    DWORD writeMask = 0xF;  // bit 0 = x ... bit 3 = w
};

struct VsSource {
    VsRegisterType type = VsRegisterType::Temp;
    UINT index = 0;         // register number; with `relative`, the offset n of c[a0.x + n]
    bool relative = false;  // c[a0.x + n]
    uint8_t swizzle[4] = {0, 1, 2, 3};  // component read into x, y, z, w (0 = x ... 3 = w)
    bool negate = false;
};

struct VsInstruction {
    VsOpcode opcode = VsOpcode::Nop;
    VsDestination dst;
    VsSource src[3];
    UINT sourceCount = 0;
    UINT line = 0;     // assembly line (1-based); 0 when the tokens did not carry it
    std::string text;  // the assembly line as written; empty when the tokens did not carry it
};

// A `def` constant: applies to the program's own reads of its register, relative reads included.
struct VsDefinition {
    UINT index = 0;  // constant register
    float value[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    UINT line = 0;
    std::string text;
};

struct VsProgram {
    UINT minorVersion = 1;  // vs.1.0 or vs.1.1
    std::vector<VsDefinition> definitions;
    std::vector<VsInstruction> instructions;  // program order, without the defs
};

// One finding of the register-use check.
struct VsDiagnostic {
    UINT line = 0;         // assembly line, 0 when unknown
    UINT instruction = 0;  // 1-based position in the instruction list, 0 for the whole program
    std::string message;
};

// Checks a program against the vs 1.x rules: register ranges and files, version features,
// operand forms, read-port limits, reads before writes, instruction slots, oPos written.
// Appends every finding; returns true when there is none.
bool CheckVertexShader(const VsProgram& program, std::vector<VsDiagnostic>* diagnostics);

// The token stream of a program: version, per instruction a line comment (line and text) and the
// instruction tokens, the defs first, then the end token.
void EncodeVertexShader(const VsProgram& program, std::vector<DWORD>* tokens);

// Decodes a token stream (version token 0xFFFE0100 or 0xFFFE0101 ... end token 0x0000FFFF, the
// real Direct3D 8 vertex shader token encoding) into a checked program. Never reads past the
// end token, refuses anything malformed with D3DERR_INVALIDCALL and a message in *error.
// Comment sizes are trusted as Direct3D trusts them; the sized form never reads beyond `count`.
HRESULT DecodeVertexShader(const DWORD* tokens, VsProgram* program, std::string* error);
HRESULT DecodeVertexShader(const DWORD* tokens, size_t count, VsProgram* program,
                           std::string* error);

// Where the alpha of oD0 comes from: the input register (0-15) its last write copies unchanged,
// kVsDiffuseAlphaDefault when nothing writes it (it stays 1), kVsDiffuseAlphaUnknown otherwise.
constexpr int kVsDiffuseAlphaDefault = -2;
constexpr int kVsDiffuseAlphaUnknown = -1;
int VsDiffuseAlphaSource(const VsProgram& program);

// The program printed back as assembly, one instruction per line, defs first.
std::string DumpVertexShader(const VsProgram& program);
// One instruction or def as assembly, e.g. "m4x3 r0, v0, c[a0.x + 9]" (a full mask unwritten).
std::string FormatVsInstruction(const VsInstruction& instruction);
std::string FormatVsDefinition(const VsDefinition& definition);

// What one vertex leaves the vertex shader with (also what the CPU interpreter returns).
struct VsVertexOutput {
    D3DXVECTOR4 position;   // oPos, Direct3D clip space (z in 0..w)
    D3DXVECTOR4 diffuse;    // oD0
    D3DXVECTOR4 specular;   // oD1
    float fog = 1.0f;       // oFog.x
    D3DXVECTOR4 texCoord0;  // oT0
    D3DXVECTOR4 texCoord1;  // oT1
};

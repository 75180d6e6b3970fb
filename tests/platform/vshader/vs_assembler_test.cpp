#include "platform/vshader/vs_assembler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx/d3dx_shader.h"
#include "platform/vshader/vs_program.h"
#include "tests/platform/vshader/vs_test_util.h"

namespace {

std::string Errors(const std::string& text, const char* name = "bad.vsh") {
    VsProgram program;
    std::string errors;
    const HRESULT hr = ParseVertexShaderText(text.data(), text.size(), name, &program, &errors);
    EXPECT_EQ(hr, D3DXERR_INVALIDDATA) << text;
    return errors;
}

TEST(VsAssembler, EachBadInputClassIsRefusedWithTheResourceAndLine) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"vs.1.1\nmov oPos, v0\nmox r0, v0\n", "bad.vsh(3): unknown opcode 'mox'"},
        {"vs.1.1\nmov oPos, c96\n", "bad.vsh(2): register c96 out of range (c0-c95)"},
        {"vs.1.1\n\nmov r12, v0\nmov oPos, v0\n", "bad.vsh(3): register r12 out of range"},
        {"vs.1.1\nmov oPos, v16\n", "bad.vsh(2): register v16 out of range"},
        {"vs.1.1\nmov oPos, v0\nmov oT8, v0\n", "bad.vsh(3): register oT8 out of range"},
        {"vs.1.1\nmov a0.x, v0.x\nmov oPos, c[a0.x + 96]\n", "bad.vsh(3): register c[a0.x + 96]"},
        {"vs.1.1\nmov oPos, v0\nm4x4 r0, v0, c93\n", "bad.vsh(3): m4x4 reads 4 registers from c93"},
        {"vs.1.1\nadd oPos, v0\n", "bad.vsh(2): add takes 3 operands, found 2"},
        {"vs.1.1\nmov oPos, v0,\n", "bad.vsh(2): mov takes 2 operands, found 3"},
        {"mov oPos, v0\n", "bad.vsh(1): missing version"},
        {"; only a comment\n\n", "bad.vsh(3): missing version"},
        {"vs.2.0\nmov oPos, v0\n", "bad.vsh(1): unsupported version 'vs.2.0'"},
        {"vs.1.1\nvs.1.1\nmov oPos, v0\n", "bad.vsh(2): the version may be given only once"},
        {"vs.1.0\nmov a0.x, v0.x\nmov oPos, c[a0.x + 1]\n", "bad.vsh(2): the address register"},
        {"vs.1.0\nmov a0.x, v0.x\nmov oPos, c[a0.x + 1]\n", "bad.vsh(3): relative addressing"},
        {"vs.1.1\nadd oPos, c0, c1\n", "bad.vsh(2): more than one constant register read"},
        {"vs.1.1\nmov a0.x, v0.x\nadd oPos, c2, c[a0.x + 2]\n", "bad.vsh(3): more than one const"},
        {"vs.1.1\nmad oPos, v0, c0, v1\n", "bad.vsh(2): more than one input register read"},
        {"vs.1.1\nmov r0.x, v0\nmov oPos, r0.xyyy\n", "bad.vsh(3): r0.y is read before it is"},
        {"vs.1.1\nmov oPos, c[a0.x + 1]\n", "bad.vsh(2): a0.x is used before it is written"},
        {"vs.1.1\nrcp r0, v0\nmov oPos, r0\n", "bad.vsh(2): rcp needs a single-component swizzle"},
        {"vs.1.1\nmov r0.yx, v0\nmov oPos, v0\n", "bad.vsh(2): bad write mask 'r0.yx'"},
        {"vs.1.1\nmov oPos, v0.xq\n", "bad.vsh(2): bad swizzle 'v0.xq'"},
        {"vs.1.1\nmov oPos, q0\n", "bad.vsh(2): bad register 'q0'"},
        {"vs.1.1\nmov v0, c0\nmov oPos, v0\n", "bad.vsh(2): register v0 cannot be written"},
        {"vs.1.1\nmov oPos, v0\nmov r0, oPos\n", "bad.vsh(3): register oPos cannot be read"},
        {"vs.1.1\nadd a0.x, v0.x, v0.x\nmov oPos, v0\n", "bad.vsh(2): only mov can write a0"},
        {"vs.1.1\nm4x4 oPos, v0, c0.yzwx\n", "bad.vsh(2): m4x4 takes no swizzle"},
        {"vs.1.1\nm4x3 r0.xyzw, v0, c0\nmov oPos, v0\n", "bad.vsh(2): m4x3 cannot write r0"},
        {"vs.1.1\ndef r0, 1, 2, 3, 4\nmov oPos, v0\n", "bad.vsh(2): def needs a constant register"},
        {"vs.1.1\ndef c0, 1, 2, x, 4\nmov oPos, v0\n", "bad.vsh(2): bad number 'x'"},
        {"vs.1.1\ndef c0, 1, 2, 3, 4\ndef c0, 0, 0, 0, 0\nmov oPos, c0\n", "bad.vsh(3): c0 is def"},
        {"vs.1.1\nmov r0, v0\n", "bad.vsh(2): oPos is never written"},
        {"vs.1.1\n/* open\nmov oPos, v0\n", "bad.vsh(2): unterminated /* comment"},
        {"vs.1.1\nmov oPos, v0 \xE3\x81\x82\n", "bad.vsh(2): unexpected character"},
    };
    for (const Case& c : cases)
        EXPECT_NE(Errors(c.text).find(c.expected), std::string::npos)
            << c.text << "\n-> " << Errors(c.text);
}

TEST(VsAssembler, TooManyInstructionSlotsAreRefused) {
    std::string text = "vs.1.1\n";
    for (int i = 0; i < 32; ++i)
        text += "m4x4 oPos, v0, c0\n";
    VsProgram program;
    EXPECT_EQ(ParseVertexShaderText(text.data(), text.size(), "full", &program, nullptr), D3D_OK);
    text += "mov oD0, v5\n";
    EXPECT_NE(Errors(text).find("bad.vsh(34): too many instruction slots: 129"), std::string::npos);
}

TEST(VsAssembler, ReportsEveryBadLineNotJustTheFirst) {
    const std::string errors = Errors("vs.1.1\nfoo r0\nmov oPos, v0\nbar r1\n");
    EXPECT_NE(errors.find("bad.vsh(2): unknown opcode 'foo'"), std::string::npos);
    EXPECT_NE(errors.find("bad.vsh(4): unknown opcode 'bar'"), std::string::npos);
}

TEST(VsAssembler, AcceptsCommentsCaseAndEveryAddressForm) {
    const std::string text =
        "// leading comment\n"
        "VS.1.1 ; version\n"
        "/* a block\n   over lines */ DEF c20, 1.0f, -0.5, 2, +3e1\n"
        "MOV a0.X, v0.w\n"
        "mov r0, c[a0.x]\n"
        "add r0, r0, c[ 5 + A0.x ]\n"
        "add r0, r0, c[a0.x+7].rgba\n"
        "add r0.xz, r0, -c[9]\n"
        "M4X4 oPos, r0, C20\n";
    const VsProgram program = AssembleForTest(text);
    ASSERT_EQ(program.instructions.size(), 6u);
    ASSERT_EQ(program.definitions.size(), 1u);
    EXPECT_EQ(program.definitions[0].value[1], -0.5f);
    EXPECT_EQ(program.definitions[0].value[3], 30.0f);
    EXPECT_EQ(program.instructions[2].src[1].index, 5u);
    EXPECT_TRUE(program.instructions[2].src[1].relative);
    EXPECT_EQ(program.instructions[4].line, 9u);
    EXPECT_EQ(program.instructions[4].text, "add r0.xz, r0, -c[9]");
    EXPECT_EQ(DumpVertexShader(program),
              "vs.1.1\n"
              "def c20, 1.0, -0.5, 2.0, 30.0\n"
              "mov a0.x, v0.w\n"
              "mov r0, c[a0.x]\n"
              "add r0, r0, c[a0.x + 5]\n"
              "add r0, r0, c[a0.x + 7]\n"
              "add r0.xz, r0, -c9\n"
              "m4x4 oPos, r0, c20\n");
}

TEST(VsAssembler, DecodingIsLosslessAndTheDumpIsCanonicalAssembly) {
    const std::string text =
        "vs.1.1\n"
        "def c95, 0.25, 1e-07, -3.5, 765.01\n"
        "mul r1, v2.zyxw, c0.w\n"
        "mov a0.x, r1.y\n"
        "m4x3 r4, v0, c[a0.x + 9]\n"
        "m3x2 r5, -v3.yzxw, c[a0.x + 12]\n"
        "frc r6, r4.zyx\n"
        "expp r7, r4.z\n"
        "lit r8, r7\n"
        "dst r9, r8, r7\n"
        "slt r10.yw, r9, c95\n"
        "mov r4.w, c95.x\n"
        "m4x4 oPos, r4, c2\n"
        "mov oFog.x, r10.w\n";
    std::vector<DWORD> first, second;
    std::string errors;
    ASSERT_EQ(AssembleVertexShader(text.data(), text.size(), "t", &first, &errors), D3D_OK)
        << errors;
    VsProgram decoded;
    ASSERT_EQ(DecodeVertexShader(first.data(), first.size(), &decoded, &errors), D3D_OK) << errors;
    EncodeVertexShader(decoded, &second);
    EXPECT_EQ(second, first);
    EXPECT_EQ(DumpVertexShader(decoded), text);
    EXPECT_EQ(decoded.instructions[3].line, 6u);
    EXPECT_EQ(decoded.instructions[3].text, "m3x2 r5, -v3.yzxw, c[a0.x + 12]");
}

TEST(VsAssembler, NoInputCrashesIt) {
    const std::string valid =
        "vs.1.1\ndef c3, 1, 2, 3, 4\nmov a0.x, v1.x\nm4x3 r0, v0, c[a0.x + 9]\n"
        "mov r0.w, c3.x\nm4x4 oPos, r0, c2 ; done\n";
    // Every prefix of a valid shader, then pseudo-random bytes drawn from its alphabet and beyond.
    for (size_t n = 0; n <= valid.size(); ++n) {
        VsProgram program;
        std::string errors;
        ParseVertexShaderText(valid.data(), n, "prefix", &program, &errors);
    }
    uint32_t state = 12345u;
    for (int round = 0; round < 2000; ++round) {
        std::string text = "vs.1.1\n";
        const int length = round % 60;
        for (int k = 0; k < length; ++k) {
            state = state * 1103515245u + 12345u;
            const char* alphabet = "mov add m4x4 rvca0oPTD[].+-,;/*0123456789xyzw \n\x01\xFF";
            text += alphabet[(state >> 16) % std::strlen(alphabet)];
        }
        std::vector<DWORD> tokens;
        std::string errors;
        if (SUCCEEDED(AssembleVertexShader(text.data(), text.size(), "fuzz", &tokens, &errors))) {
            VsProgram program;
            EXPECT_EQ(DecodeVertexShader(tokens.data(), tokens.size(), &program, &errors), D3D_OK);
        }
    }
}

TEST(D3dxAssembleShader, AssemblesTextAndResourcesIntoTokenBuffers) {
    const char text[] = "vs.1.1\nmov oPos, v0\n";
    ID3DXBuffer* constants = reinterpret_cast<ID3DXBuffer*>(1);
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    ASSERT_EQ(D3DXAssembleShader(text, sizeof(text) - 1, 0, &constants, &code, &errors), D3D_OK);
    EXPECT_EQ(constants, nullptr);
    EXPECT_EQ(errors, nullptr);
    ASSERT_NE(code, nullptr);
    const auto* tokens = static_cast<const DWORD*>(code->GetBufferPointer());
    const size_t count = code->GetBufferSize() / sizeof(DWORD);
    ASSERT_GE(count, 5u);
    // Version, a line comment, then "mov oPos, v0" in real Direct3D 8 tokens, then the end.
    EXPECT_EQ(tokens[0], 0xFFFE0101u);
    EXPECT_EQ(tokens[1] & 0xFFFFu, 0xFFFEu);
    const size_t instruction = 2 + (tokens[1] >> 16);
    ASSERT_EQ(count, instruction + 4);
    EXPECT_EQ(tokens[instruction], 0x00000001u);
    EXPECT_EQ(tokens[instruction + 1], 0xC00F0000u);
    EXPECT_EQ(tokens[instruction + 2], 0x90E40000u);
    EXPECT_EQ(tokens[instruction + 3], 0x0000FFFFu);
    code->Release();

    ASSERT_EQ(D3DXAssembleShaderFromResource("SKINMESH2.VSH", 0, nullptr, &code, nullptr), D3D_OK);
    EXPECT_EQ(static_cast<const DWORD*>(code->GetBufferPointer())[0], 0xFFFE0101u);
    code->Release();
}

TEST(D3dxAssembleShader, FailuresReturnTheirCodeAndTheMessageBuffer) {
    ID3DXBuffer* code = reinterpret_cast<ID3DXBuffer*>(1);
    ID3DXBuffer* errors = nullptr;
    const char bad[] = "vs.1.1\nmov oPos, r0\n";
    EXPECT_EQ(D3DXAssembleShader(bad, sizeof(bad), 0, nullptr, &code, &errors),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(code, nullptr);
    ASSERT_NE(errors, nullptr);
    const std::string message = static_cast<const char*>(errors->GetBufferPointer());
    EXPECT_NE(message.find("shader(2): r0 is read before it is written"), std::string::npos);
    errors->Release();

    EXPECT_EQ(D3DXAssembleShaderFromResource("missing.vsh", 0, nullptr, &code, &errors), E_FAIL);
    ASSERT_NE(errors, nullptr);
    EXPECT_STREQ(static_cast<const char*>(errors->GetBufferPointer()),
                 "missing.vsh: no RCDATA resource");
    errors->Release();
    EXPECT_EQ(D3DXAssembleShader(nullptr, 0, 0, nullptr, &code, nullptr), D3DERR_INVALIDCALL);
}

}  // namespace

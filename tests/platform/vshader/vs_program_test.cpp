#include "platform/vshader/vs_program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kMovOposV0[] = {0x00000001u, 0xC00F0000u, 0x90E40000u};

TEST(VsDecode, ReadsHandEncodedDirect3d8TokensWithoutLineComments) {
    // mov oPos, v0 / mov a0.x, v1.x / add oD0, -c[a0.x + 2].yzxw, v3
    const DWORD tokens[] = {0xFFFE0101u, 0x00000001u, 0xC00F0000u, 0x90E40000u,
                            0x00000001u, 0xB0010000u, 0x90000001u, 0x00000002u,
                            0xD00F0000u, 0xA1C92002u, 0x90E40003u, 0x0000FFFFu};
    VsProgram program;
    std::string error;
    ASSERT_EQ(DecodeVertexShader(tokens, &program, &error), D3D_OK) << error;
    EXPECT_EQ(DumpVertexShader(program),
              "vs.1.1\nmov oPos, v0\nmov a0.x, v1.x\nadd oD0, -c[a0.x + 2].yzxw, v3\n");
    EXPECT_EQ(program.instructions[2].line, 0u);
    EXPECT_EQ(program.instructions[2].text, "add oD0, -c[a0.x + 2].yzxw, v3");
    // Encoding without line texts gives the very same tokens back.
    for (VsInstruction& ins : program.instructions)
        ins.text.clear();
    std::vector<DWORD> again;
    EncodeVertexShader(program, &again);
    EXPECT_EQ(again, std::vector<DWORD>(std::begin(tokens), std::end(tokens)));
}

TEST(VsDecode, RefusesMalformedStreamsWithAMessage) {
    struct Case {
        std::vector<DWORD> tokens;
        const char* expected;
    };
    auto withMov = [](std::vector<DWORD> head, std::vector<DWORD> tail) {
        head.insert(head.end(), std::begin(kMovOposV0), std::end(kMovOposV0));
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const Case cases[] = {
        {{0xFFFE0200u, 0x0000FFFFu}, "not a vs.1.0 or vs.1.1 version token: 0xFFFE0200"},
        {{0xFFFF0101u, 0x0000FFFFu}, "not a vs.1.0 or vs.1.1 version token"},
        {withMov({0xFFFE0101u}, {}), "no end token"},
        {withMov({0xFFFE0101u, 0x00000042u, 0xC00F0000u}, {0x0000FFFFu}), "unknown opcode 66"},
        {withMov({0xFFFE0101u, 0x0009FFFEu, 0u}, {0x0000FFFFu}), "comment runs past the end"},
        {{0xFFFE0101u, 0x40000001u, 0xC00F0000u, 0x90E40000u, 0x0000FFFFu},
         "malformed instruction token"},
        {{0xFFFE0101u, 0x00000001u, 0xC01F0000u, 0x90E40000u, 0x0000FFFFu},
         "bad destination parameter of mov"},
        {{0xFFFE0101u, 0x00000001u, 0xC00F0000u, 0x10E40000u, 0x0000FFFFu},
         "bad source parameter of mov"},
        {{0xFFFE0101u, 0x00000001u, 0xC00F0000u, 0x92E40000u, 0x0000FFFFu},
         "bad source parameter of mov"},
        {{0xFFFE0101u, 0x00000001u, 0xC00F0000u, 0xA0E40060u, 0x0000FFFFu},
         "instruction 1: register c96 out of range"},
        {{0xFFFE0100u, 0x00000001u, 0xC00F0000u, 0xA0E42001u, 0x0000FFFFu},
         "relative addressing c[a0.x + n] needs vs.1.1"},
        {{0xFFFE0101u, 0x00000051u, 0xA00F0000u, 0u, 0u, 0x0000FFFFu}, "def values cut short"},
        {{0xFFFE0101u, 0x0000FFFFu}, "oPos is never written"},
    };
    for (const Case& c : cases) {
        VsProgram program;
        std::string error;
        EXPECT_EQ(DecodeVertexShader(c.tokens.data(), c.tokens.size(), &program, &error),
                  D3DERR_INVALIDCALL)
            << c.expected;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.expected << " -> " << error;
    }
    VsProgram program;
    EXPECT_EQ(DecodeVertexShader(nullptr, &program, nullptr), D3DERR_INVALIDCALL);
}

TEST(VsDecode, StopsAtTheEndTokenAndReadsNothingBeyondIt) {
    // Everything after the end token is garbage that must never be looked at.
    const DWORD tokens[] = {0xFFFE0100u, 0x00000001u, 0xC00F0000u,
                            0x90E40000u, 0x0000FFFFu, 0xDEADBEEFu};
    VsProgram program;
    std::string error;
    ASSERT_EQ(DecodeVertexShader(tokens, 5, &program, &error), D3D_OK) << error;
    EXPECT_EQ(program.minorVersion, 0u);
    ASSERT_EQ(program.instructions.size(), 1u);
}

TEST(VsOpcodeTable, NamesAndOpcodesFindTheSameRows) {
    EXPECT_EQ(FindVsOpcode("M4X3", 4), FindVsOpcode(VsOpcode::M4x3));
    EXPECT_EQ(FindVsOpcode(VsOpcode::M4x3)->matrixRows, 3u);
    EXPECT_EQ(FindVsOpcode("exp", 3)->slots, 10u);
    EXPECT_EQ(FindVsOpcode("mo", 2), nullptr);
    EXPECT_EQ(FindVsOpcode(static_cast<VsOpcode>(18)), nullptr);  // lrp is not a vs 1.x opcode
}

}  // namespace

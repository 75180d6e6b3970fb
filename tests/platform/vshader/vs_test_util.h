// Test support for the vertex shader toolchain: assembly text to a program through the real
// token stream (assemble, then decode), and register files for the interpreter.
// Owns: nothing beyond the test programs. Needs: platform/vshader/vs_assembler.h, vs_interpreter.h.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/vshader/vs_assembler.h"
#include "platform/vshader/vs_interpreter.h"
#include "platform/vshader/vs_program.h"

// Assembles `text`, decodes the tokens back, and fails the test on any error.
inline VsProgram AssembleForTest(const std::string& text) {
    std::vector<DWORD> tokens;
    std::string errors;
    VsProgram program;
    EXPECT_EQ(AssembleVertexShader(text.data(), text.size(), "test.vsh", &tokens, &errors), D3D_OK)
        << errors;
    if (tokens.empty())
        return program;
    EXPECT_EQ(DecodeVertexShader(tokens.data(), tokens.size(), &program, &errors), D3D_OK)
        << errors;
    return program;
}

// Inputs and constants of one interpreter run, all zero unless set.
struct VsRegisters {
    D3DXVECTOR4 v[kVsInputCount];
    D3DXVECTOR4 c[kVsConstCount];
    VsVertexOutput Run(const VsProgram& program) const { return RunVertexShader(program, v, c); }
};

inline void ExpectVec4Near(const D3DXVECTOR4& actual, const D3DXVECTOR4& expected,
                           float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
    EXPECT_NEAR(actual.w, expected.w, tolerance);
}

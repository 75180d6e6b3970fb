#include "platform/vshader/vs_interpreter.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

#include "tests/platform/vshader/vs_test_util.h"

namespace {

// Runs `body` (instructions that leave their result in oT0) on the given registers.
D3DXVECTOR4 RunToT0(const std::string& body, const VsRegisters& regs, const char* version = "1.1") {
    const VsProgram program =
        AssembleForTest(std::string("vs.") + version + "\nmov oPos, v0\n" + body);
    return regs.Run(program).texCoord0;
}

TEST(VsInterpreter, ComponentwiseArithmeticHonoursSwizzleNegationAndMask) {
    VsRegisters regs;
    regs.v[1] = D3DXVECTOR4(1.0f, 2.0f, 3.0f, 4.0f);
    regs.c[0] = D3DXVECTOR4(10.0f, 20.0f, 30.0f, 40.0f);
    regs.c[1] = D3DXVECTOR4(0.5f, 0.5f, 2.0f, -1.0f);
    EXPECT_EQ(RunToT0("add oT0, v1.wzyx, -c0\n", regs), D3DXVECTOR4(-6.0f, -17.0f, -28.0f, -39.0f));
    EXPECT_EQ(RunToT0("sub oT0, c0, v1.y\n", regs), D3DXVECTOR4(8.0f, 18.0f, 28.0f, 38.0f));
    EXPECT_EQ(RunToT0("mov r0, c1\nmad oT0, v1, r0, c0.x\n", regs),
              D3DXVECTOR4(10.5f, 11.0f, 16.0f, 6.0f));
    // A masked write keeps the untouched components of the output's start value (0, 0, 0, 1).
    EXPECT_EQ(RunToT0("mul oT0.yz, v1, c1\n", regs), D3DXVECTOR4(0.0f, 1.0f, 6.0f, 1.0f));
    EXPECT_EQ(RunToT0("min oT0, v1, c1.zzzz\n", regs), D3DXVECTOR4(1.0f, 2.0f, 2.0f, 2.0f));
    EXPECT_EQ(RunToT0("max oT0, -v1, c1.w\n", regs), D3DXVECTOR4(-1.0f, -1.0f, -1.0f, -1.0f));
    EXPECT_EQ(RunToT0("slt oT0, v1, c1.z\n", regs), D3DXVECTOR4(1.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(RunToT0("sge oT0, v1, c1.z\n", regs), D3DXVECTOR4(0.0f, 1.0f, 1.0f, 1.0f));
    EXPECT_EQ(RunToT0("frc oT0, -c1.zw\n", regs), D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f));
    regs.v[2] = D3DXVECTOR4(1.25f, -0.25f, 7.5f, 9.0f);
    EXPECT_EQ(RunToT0("frc oT0, v2\n", regs), D3DXVECTOR4(0.25f, 0.75f, 0.0f, 1.0f));
}

TEST(VsInterpreter, DotProductsAndMatrixMacrosUseConsecutiveRegisters) {
    VsRegisters regs;
    regs.v[1] = D3DXVECTOR4(1.0f, 2.0f, 3.0f, 4.0f);
    for (int row = 0; row < 4; ++row)
        regs.c[10 + row] = D3DXVECTOR4(row == 0 ? 1.0f : 0.0f, row == 1 ? 2.0f : 0.0f,
                                       row == 2 ? 3.0f : 0.0f, 1.0f);
    EXPECT_EQ(RunToT0("dp3 oT0, v1, c12\n", regs), D3DXVECTOR4(9.0f, 9.0f, 9.0f, 9.0f));
    EXPECT_EQ(RunToT0("dp4 oT0, v1, c12\n", regs), D3DXVECTOR4(13.0f, 13.0f, 13.0f, 13.0f));
    EXPECT_EQ(RunToT0("m4x4 oT0, v1, c10\n", regs), D3DXVECTOR4(5.0f, 8.0f, 13.0f, 4.0f));
    EXPECT_EQ(RunToT0("m4x3 oT0, v1, c10\n", regs), D3DXVECTOR4(5.0f, 8.0f, 13.0f, 1.0f));
    EXPECT_EQ(RunToT0("m3x4 oT0, v1, c10\n", regs), D3DXVECTOR4(1.0f, 4.0f, 9.0f, 0.0f));
    EXPECT_EQ(RunToT0("m3x3 oT0, v1, c10\n", regs), D3DXVECTOR4(1.0f, 4.0f, 9.0f, 1.0f));
    EXPECT_EQ(RunToT0("m3x2 oT0, v1.zyxw, c10\n", regs), D3DXVECTOR4(3.0f, 4.0f, 0.0f, 1.0f));
    // A macro whose destination is its own source reads every row before writing.
    EXPECT_EQ(RunToT0("mov r0, v1\nm4x4 r0, r0, c10\nmov oT0, r0\n", regs),
              D3DXVECTOR4(5.0f, 8.0f, 13.0f, 4.0f));
}

TEST(VsInterpreter, ScalarFunctionsFollowDirect3dSpecialCases) {
    VsRegisters regs;
    regs.v[1] = D3DXVECTOR4(0.0f, 1.0f, 4.0f, -4.0f);
    regs.v[2] = D3DXVECTOR4(3.0f, -8.0f, 2.5f, -12.0f);
    EXPECT_EQ(RunToT0("rcp oT0, v1.x\n", regs).x, FLT_MAX);
    EXPECT_EQ(RunToT0("rcp oT0, -v1.x\n", regs).x, FLT_MAX);
    EXPECT_EQ(RunToT0("rcp oT0, v1.y\n", regs).y, 1.0f);
    EXPECT_EQ(RunToT0("rcp oT0, v1.w\n", regs), D3DXVECTOR4(-0.25f, -0.25f, -0.25f, -0.25f));
    EXPECT_EQ(RunToT0("rsq oT0, v1.x\n", regs).w, FLT_MAX);
    EXPECT_EQ(RunToT0("rsq oT0, v1.w\n", regs), D3DXVECTOR4(0.5f, 0.5f, 0.5f, 0.5f));
    EXPECT_EQ(RunToT0("exp oT0, v2.x\n", regs), D3DXVECTOR4(8.0f, 8.0f, 8.0f, 8.0f));
    EXPECT_EQ(RunToT0("log oT0, v2.y\n", regs), D3DXVECTOR4(3.0f, 3.0f, 3.0f, 3.0f));
    EXPECT_EQ(RunToT0("log oT0, v1.x\n", regs).z, -FLT_MAX);

    // expp: 2^floor, fraction, 2^v with the low eight mantissa bits cleared, 1.
    const D3DXVECTOR4 e = RunToT0("expp oT0, v2.z\n", regs);
    EXPECT_EQ(e.x, 4.0f);
    EXPECT_EQ(e.y, 0.5f);
    EXPECT_NEAR(e.z, 5.656854f, 1.0e-3f);
    uint32_t bits = 0;
    std::memcpy(&bits, &e.z, sizeof(bits));
    EXPECT_EQ(bits & 0xFFu, 0u);
    EXPECT_EQ(e.w, 1.0f);
    // logp: exponent, mantissa, log2 |v|, 1; |v| = 12 = 1.5 * 2^3.
    const D3DXVECTOR4 l = RunToT0("logp oT0, v2.w\n", regs);
    EXPECT_EQ(l.x, 3.0f);
    EXPECT_EQ(l.y, 1.5f);
    EXPECT_NEAR(l.z, 3.5849625f, 1.0e-6f);
    EXPECT_EQ(l.w, 1.0f);
    EXPECT_EQ(RunToT0("logp oT0, v1.x\n", regs), D3DXVECTOR4(-FLT_MAX, 1.0f, -FLT_MAX, 1.0f));
}

TEST(VsInterpreter, LitClampsAndDstBuildsTheDistanceVector) {
    VsRegisters regs;
    regs.v[1] = D3DXVECTOR4(0.5f, 0.25f, 9.0f, 2.0f);
    regs.v[2] = D3DXVECTOR4(-0.5f, 0.25f, 9.0f, 2.0f);
    regs.v[3] = D3DXVECTOR4(0.5f, -0.25f, 9.0f, 2.0f);
    regs.v[4] = D3DXVECTOR4(1.0f, 2.0f, 0.0f, 500.0f);
    EXPECT_EQ(RunToT0("lit oT0, v1\n", regs), D3DXVECTOR4(1.0f, 0.5f, 0.0625f, 1.0f));
    EXPECT_EQ(RunToT0("lit oT0, v2\n", regs), D3DXVECTOR4(1.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(RunToT0("lit oT0, v3\n", regs), D3DXVECTOR4(1.0f, 0.5f, 0.0f, 1.0f));
    EXPECT_EQ(RunToT0("lit oT0, v4\n", regs).z, std::pow(2.0f, 127.9961f));
    regs.v[5] = D3DXVECTOR4(9.0f, 2.0f, 3.0f, 9.0f);
    regs.v[6] = D3DXVECTOR4(9.0f, 5.0f, 9.0f, 7.0f);
    EXPECT_EQ(RunToT0("mov r0, v6\ndst oT0, v5, r0\n", regs), D3DXVECTOR4(1.0f, 10.0f, 3.0f, 7.0f));
}

TEST(VsInterpreter, AddressRegisterRoundsToNearestAndStraysReadZero) {
    VsRegisters regs;
    for (int i = 0; i < 96; ++i)
        regs.c[i] = D3DXVECTOR4(float(i), 0.0f, 0.0f, 1.0f);
    const std::string read = "mov a0.x, v1.x\nmov oT0, c[a0.x + 3]\n";
    const float cases[][2] = {{1.5f, 5.0f}, {2.4f, 5.0f}, {-0.6f, 2.0f}, {91.6f, 95.0f}};
    for (const auto& c : cases) {
        regs.v[1] = D3DXVECTOR4(c[0], 0.0f, 0.0f, 0.0f);
        EXPECT_EQ(RunToT0(read, regs).x, c[1]) << "a0.x from " << c[0];
    }
    for (float stray : {93.0f, -4.0f, 1.0e9f, NAN}) {
        regs.v[1] = D3DXVECTOR4(stray, 0.0f, 0.0f, 0.0f);
        EXPECT_EQ(RunToT0(read, regs), D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f)) << stray;
    }
    // Matrix rows past c95 read zero too.
    regs.v[1] = D3DXVECTOR4(92.0f, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(RunToT0("mov a0.x, v1.x\nm4x4 oT0, v1, c[a0.x + 2]\n", regs),
              D3DXVECTOR4(94.0f * 92.0f + 1.0f, 95.0f * 92.0f + 1.0f, 0.0f, 0.0f));
}

TEST(VsInterpreter, DefConstantsOverrideUploadsForDirectAndRelativeReads) {
    VsRegisters regs;
    regs.c[4] = D3DXVECTOR4(9.0f, 9.0f, 9.0f, 9.0f);
    regs.v[1] = D3DXVECTOR4(4.0f, 0.0f, 0.0f, 0.0f);
    const std::string body =
        "def c4, 1, 2, 3, 4\nadd r0, c4, v1.y\nmov a0.x, v1.x\n"
        "add oT0, r0, c[a0.x]\n";
    EXPECT_EQ(RunToT0(body, regs), D3DXVECTOR4(2.0f, 4.0f, 6.0f, 8.0f));
}

TEST(VsInterpreter, UnwrittenOutputsKeepTheirStartValues) {
    VsRegisters regs;
    regs.v[0] = D3DXVECTOR4(1.0f, 2.0f, 3.0f, 1.0f);
    const VsVertexOutput out = regs.Run(AssembleForTest("vs.1.0\nmov oPos, v0\n"));
    EXPECT_EQ(out.position, regs.v[0]);
    EXPECT_EQ(out.diffuse, D3DXVECTOR4(1.0f, 1.0f, 1.0f, 1.0f));
    EXPECT_EQ(out.specular, D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(out.fog, 1.0f);
    EXPECT_EQ(out.texCoord0, D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(out.texCoord1, D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f));
}

}  // namespace

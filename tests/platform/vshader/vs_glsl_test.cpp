#include "platform/vshader/vs_glsl.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/platform/vshader/vs_test_util.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(VsGlsl, SmallProgramTranslatesToTheDeviceInterface) {
    const VsProgram program = AssembleForTest(
        "vs.1.1\n"
        "def c4, 0.5, 1, -2, 3\n"
        "mov a0.x, v1.x\n"
        "m4x4 oPos, v0, c[a0.x + 8]\n"
        "mov r1, c9\n"
        "mad oD0.xyz, v5, c4.y, -r1\n"
        "rsq r0.w, v2.z\n"
        "mov oT1.xy, r0.w\n");
    VsDeclaration declaration;
    declaration.elements = {{0, D3DVSDT_FLOAT3, 0}, {1, D3DVSDT_FLOAT1, 12}, {5, 4, 16}};
    const std::string glsl = TranslateVertexShaderToGlsl(program, declaration);

    EXPECT_EQ(glsl.rfind("#version 450 core\n", 0), 0u);
    EXPECT_TRUE(Contains(glsl, "layout(location = 0) in vec4 v0;\n"));
    EXPECT_TRUE(Contains(glsl, "layout(location = 5) in vec4 v5;\n"));
    // Read but not declared: a constant (0, 0, 0, 1), as an unbound attribute reads.
    EXPECT_TRUE(Contains(glsl, "const vec4 v2 = vec4(0.0, 0.0, 0.0, 1.0);"));
    EXPECT_FALSE(Contains(glsl, "in vec4 v2;"));
    for (const char* line : {"uniform vec4 c[96];", "uniform vec4 uPositionFixup;",
                             "out vec4 vsPosition;", "out vec4 vsDiffuse;", "out vec4 vsSpecular;",
                             "out float vsFog;", "out vec4 vsTexCoord0;", "out vec4 vsTexCoord1;"})
        EXPECT_TRUE(Contains(glsl, line)) << line;
    // Each instruction's GLSL follows its assembly line.
    EXPECT_TRUE(Contains(glsl, "    // 3: mov a0.x, v1.x\n    a0x = vsAddress((v1.xxxx).x);\n"));
    EXPECT_TRUE(Contains(glsl,
                         "    // 4: m4x4 oPos, v0, c[a0.x + 8]\n"
                         "    t = vec4(dot((v0), readConst(a0x + 8)), dot((v0), "
                         "readConst(a0x + 9)), dot((v0), readConst(a0x + 10)), dot((v0), "
                         "readConst(a0x + 11)));\n    oPos = t;\n"));
    // A def is read as its literal directly and through readConst when relative.
    EXPECT_TRUE(Contains(glsl, "t = c[9];\n    r1 = t;\n"));
    EXPECT_TRUE(Contains(glsl,
                         "t = v5 * vec4(0.5, 1.0, -2.0, 3.0).yyyy + (-r1);\n"
                         "    oD0.xyz = t.xyz;\n"));
    EXPECT_TRUE(Contains(glsl, "if (i == 4) return vec4(0.5, 1.0, -2.0, 3.0);"));
    EXPECT_TRUE(Contains(glsl, "t = vec4(vsRsq((v2.zzzz).x));\n    r0.w = t.w;\n"));
    EXPECT_TRUE(Contains(glsl, "vsFog = oFog.x;"));
    EXPECT_TRUE(Contains(glsl,
                         "gl_Position = oPos;\n    gl_Position.xy += uPositionFixup.xy * "
                         "oPos.w;\n}\n"));
}

TEST(VsGlsl, CarriedAssemblyTextCannotBreakOutOfItsComment) {
    VsProgram program = AssembleForTest("vs.1.1\nmov oPos, v0\n");
    program.instructions[0].text = "mov oPos, v0 \\\nrogue();";
    const std::string glsl = TranslateVertexShaderToGlsl(program, VsDeclaration());
    EXPECT_TRUE(Contains(glsl, "// 2: mov oPos, v0 /?rogue();\n"));
}

}  // namespace

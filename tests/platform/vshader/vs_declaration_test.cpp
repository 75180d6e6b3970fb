#include "platform/vshader/vs_declaration.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(VsDeclaration, ElementsGetTheirOffsetsAndSkipsAdvanceThem) {
    const DWORD tokens[] = {
        D3DVSD_STREAM(0),
        D3DVSD_REG(0, D3DVSDT_FLOAT3),
        0x50020000u,  // D3DVSD_SKIP(2): two DWORDs nobody reads
        D3DVSD_REG(4, D3DVSDT_SHORT2),
        0x00000000u,  // D3DVSD_NOP
        D3DVSD_REG(9, D3DVSDT_UBYTE4),
        D3DVSD_END(),
    };
    VsDeclaration declaration;
    std::string error;
    ASSERT_EQ(ParseVertexDeclaration(tokens, &declaration, &error), D3D_OK) << error;
    ASSERT_EQ(declaration.elements.size(), 3u);
    EXPECT_EQ(declaration.elements[1].reg, 4u);
    EXPECT_EQ(declaration.elements[1].offset, 20u);
    EXPECT_EQ(declaration.elements[2].offset, 24u);
    EXPECT_EQ(declaration.stride, 28u);
}

TEST(VsDeclaration, RefusesWhatItCannotBind) {
    struct Case {
        std::vector<DWORD> tokens;
        const char* expected;
    };
    const Case cases[] = {
        {{D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()}, "register data before any stream"},
        {{D3DVSD_STREAM(0), D3DVSD_REG(0, 8), D3DVSD_END()}, "unknown data type 8"},
        {{D3DVSD_STREAM(0), D3DVSD_REG(16, D3DVSDT_FLOAT1), D3DVSD_END()}, "v16 out of range"},
        {{D3DVSD_STREAM(0), D3DVSD_REG(3, 2), D3DVSD_REG(3, 1), D3DVSD_END()}, "v3 declared twice"},
        {{D3DVSD_STREAM(0), D3DVSD_STREAM(1), D3DVSD_END()}, "only one stream"},
        {{D3DVSD_STREAM(0), 0x90000004u, 0u, 0u, 0u, 0u, D3DVSD_END()}, "unsupported declaration"},
        {{D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3)}, "no end token within 2 tokens"},
        {{D3DVSD_END()}, "no stream token"},
    };
    for (const Case& c : cases) {
        VsDeclaration declaration;
        std::string error;
        EXPECT_EQ(ParseVertexDeclaration(c.tokens.data(), c.tokens.size(), &declaration, &error),
                  D3DERR_INVALIDCALL);
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.expected << " -> " << error;
    }
}

TEST(VsDeclaration, FetchDeliversColoursAsBgraAndFillsMissingComponents) {
    const DWORD tokens[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT2),
                            D3DVSD_REG(2, D3DVSDT_D3DCOLOR), D3DVSD_REG(6, D3DVSDT_SHORT2),
                            D3DVSD_END()};
    VsDeclaration declaration;
    ASSERT_EQ(ParseVertexDeclaration(tokens, &declaration, nullptr), D3D_OK);
    unsigned char vertex[16] = {};
    const float xy[2] = {1.5f, -2.0f};
    std::memcpy(vertex, xy, sizeof(xy));
    const D3DCOLOR colour = 0x40FF8000u;  // a 64, r 255, g 128, b 0: bytes 00 80 FF 40
    std::memcpy(vertex + 8, &colour, sizeof(colour));
    const int16_t shorts[2] = {-7, 300};
    std::memcpy(vertex + 12, shorts, sizeof(shorts));
    D3DXVECTOR4 inputs[kVsInputCount];
    FetchVertexInputs(declaration, vertex, inputs);
    EXPECT_EQ(inputs[0], D3DXVECTOR4(1.5f, -2.0f, 0.0f, 1.0f));
    EXPECT_EQ(inputs[2], D3DXVECTOR4(1.0f, 128.0f / 255.0f, 0.0f, 64.0f / 255.0f));
    EXPECT_EQ(inputs[6], D3DXVECTOR4(-7.0f, 300.0f, 0.0f, 1.0f));
    EXPECT_EQ(inputs[1], D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f));
}

}  // namespace

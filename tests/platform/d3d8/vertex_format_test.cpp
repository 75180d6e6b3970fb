#include "platform/d3d8/vertex_format.h"

#include <gtest/gtest.h>

namespace {
TEST(VertexFormat, SizesOfTheFormatsTheSceneUses) {
    EXPECT_EQ(D3DXGetFVFVertexSize(kStaticVertexFvf), 44u);
    EXPECT_EQ(kSkinnedVertexFvf, 0x1258u);
    EXPECT_EQ(D3DXGetFVFVertexSize(kSkinnedVertexFvf), 52u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), 32u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), 28u);
}

TEST(VertexFormat, EachBlendCountAddsOneFloat) {
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ), 12u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZB1), 16u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZB3), 24u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZB4), 28u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZB5), 32u);
}
}  // namespace

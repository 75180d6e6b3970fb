// The D3DX-style mesh layer: loading Mesh objects (fans, splitting, materials, bad data), the
// attribute sort and its table, cloning between vertex formats, normals, bounds, adjacency.
#include "platform/d3dx/d3dx_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3dx/xfile_mesh.h"
#include "tests/platform/xfile/xfile_test_util.h"

namespace {
struct MeshDeleter {
    void operator()(ID3DXMesh* mesh) const {
        if (mesh)
            mesh->Release();
    }
};
using MeshPtr = std::unique_ptr<ID3DXMesh, MeshDeleter>;

D3DXVECTOR3 PositionOf(ID3DXMesh* mesh, DWORD vertex) {
    BYTE* data = nullptr;
    mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
    D3DXVECTOR3 p;
    std::memcpy(&p, data + vertex * mesh->GetNumBytesPerVertex(), sizeof p);
    mesh->UnlockVertexBuffer();
    return p;
}

template <typename T>
T ReadAt(ID3DXMesh* mesh, DWORD vertex, DWORD offset) {
    BYTE* data = nullptr;
    mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
    T value;
    std::memcpy(&value, data + vertex * mesh->GetNumBytesPerVertex() + offset, sizeof value);
    mesh->UnlockVertexBuffer();
    return value;
}

std::vector<WORD> IndicesOf(ID3DXMesh* mesh) {
    BYTE* data = nullptr;
    mesh->LockIndexBuffer(D3DLOCK_READONLY, &data);
    std::vector<WORD> indices(mesh->GetNumFaces() * 3);
    std::memcpy(indices.data(), data, indices.size() * sizeof(WORD));
    mesh->UnlockIndexBuffer();
    return indices;
}

std::vector<DWORD> AttributesOf(ID3DXMesh* mesh) {
    DWORD* data = nullptr;
    mesh->LockAttributeBuffer(D3DLOCK_READONLY, &data);
    std::vector<DWORD> attributes(data, data + mesh->GetNumFaces());
    mesh->UnlockAttributeBuffer();
    return attributes;
}

void ExpectVectorNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// A mesh of position-only vertices made directly, with the given faces and attributes.
MeshPtr MakeMesh(const std::vector<D3DXVECTOR3>& positions, const std::vector<WORD>& indices,
                 const std::vector<DWORD>& attributes) {
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXCreateMeshFVF(static_cast<DWORD>(attributes.size()),
                                static_cast<DWORD>(positions.size()), D3DXMESH_SYSTEMMEM,
                                D3DFVF_XYZ, nullptr, &mesh),
              D3D_OK);
    BYTE* data = nullptr;
    mesh->LockVertexBuffer(0, &data);
    std::memcpy(data, positions.data(), positions.size() * sizeof(D3DXVECTOR3));
    mesh->UnlockVertexBuffer();
    mesh->LockIndexBuffer(0, &data);
    std::memcpy(data, indices.data(), indices.size() * sizeof(WORD));
    mesh->UnlockIndexBuffer();
    DWORD* ids = nullptr;
    mesh->LockAttributeBuffer(0, &ids);
    std::copy(attributes.begin(), attributes.end(), ids);
    mesh->UnlockAttributeBuffer();
    return MeshPtr(mesh);
}

class XMeshTest : public XFileTest {
  protected:
    // Parses "xof" + body and loads its first top-level object as a mesh.
    HRESULT Load(const std::string& body, MeshPtr* mesh, ID3DXBuffer** materials = nullptr,
                 DWORD* materialCount = nullptr, std::string* error = nullptr,
                 ID3DXBuffer** adjacency = nullptr) {
        EXPECT_EQ(ParseBody(body, &m_document), S_OK) << m_document.Error().Text();
        if (m_document.Objects().empty())
            return E_FAIL;
        ID3DXMesh* raw = nullptr;
        const HRESULT hr = D3DXLoadMeshFromXof(m_document.Objects()[0], D3DXMESH_SYSTEMMEM, nullptr,
                                               adjacency, materials, materialCount, &raw, error);
        mesh->reset(raw);
        return hr;
    }

    XDocument m_document;
};

// A unit square (0..3) plus a pentagon (4..8) in the plane z = 0, wound clockwise.
const char kPolygons[] = R"(Mesh polygons {
 9;
 0;0;0;, 0;1;0;, 1;1;0;, 1;0;0;,
 3;0;0;, 3;1;0;, 4;2;0;, 5;1;0;, 5;0;0;;
 2;
 4;0,1,2,3;,
 5;4,5,6,7,8;;
 MeshMaterialList { 2; 2; 1, 0;;
  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }
  Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }
 }
})";
}  // namespace

TEST_F(XMeshTest, PolygonsBecomeFansAroundTheirFirstCornerKeepingTheirMaterial) {
    MeshPtr mesh;
    ASSERT_EQ(Load(kPolygons, &mesh), D3D_OK);
    EXPECT_EQ(mesh->GetNumFaces(), 5u);
    EXPECT_EQ(mesh->GetNumVertices(), 9u);
    EXPECT_EQ(mesh->GetFVF(), D3DFVF_XYZ);
    const std::vector<WORD> expected = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7, 4, 7, 8};
    EXPECT_EQ(IndicesOf(mesh.get()), expected);
    EXPECT_EQ(AttributesOf(mesh.get()), (std::vector<DWORD>{1, 1, 0, 0, 0}));
    DWORD size = 99;
    mesh->GetAttributeTable(nullptr, &size);
    EXPECT_EQ(size, 0u) << "a loaded mesh is not attribute-sorted yet";
}

TEST_F(XMeshTest, AVertexUsedWithTwoNormalsIsSplitOnlyWhereTheNormalsDiffer) {
    // Vertex 0 is shared by both triangles: with normal 0 (+z) in the first, normal 1 (-x) in
    // the second. Vertex 1 is named through normals 0 and 2, which are equal: no split.
    // Vertex 3 is first met in the second triangle and takes its normal there.
    const char body[] = R"(Mesh split {
 4; 0;0;0;, 0;1;0;, 1;0;0;, 0;0;1;;
 2; 3;0,1,2;, 3;0,3,1;;
 MeshNormals { 3; 0;0;1;, -1;0;0;, 0;0;1;; 2; 3;0,0,0;, 3;1,1,2;; }
 MeshTextureCoords { 4; 0.5;0.25;, 1;0;, 0;1;, 1;1;; }
 MeshVertexColors { 1; 0;1;0;0;1;;; }
})";
    MeshPtr mesh;
    ASSERT_EQ(Load(body, &mesh), D3D_OK);
    ASSERT_EQ(mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    ASSERT_EQ(mesh->GetNumVertices(), 5u) << "vertex 0 is copied, vertices 1 and 3 are not";
    EXPECT_EQ(IndicesOf(mesh.get()), (std::vector<WORD>{0, 1, 2, 4, 3, 1}));
    // The copy of vertex 0 keeps its position, coordinates and colour, with the other normal.
    ExpectVectorNear(PositionOf(mesh.get(), 4), D3DXVECTOR3(0, 0, 0), 0.0f);
    ExpectVectorNear(ReadAt<D3DXVECTOR3>(mesh.get(), 4, 12), D3DXVECTOR3(-1, 0, 0), 0.0f);
    ExpectVectorNear(ReadAt<D3DXVECTOR3>(mesh.get(), 0, 12), D3DXVECTOR3(0, 0, 1), 0.0f);
    EXPECT_EQ(ReadAt<D3DCOLOR>(mesh.get(), 4, 24), 0xFFFF0000u);
    EXPECT_FLOAT_EQ(ReadAt<float>(mesh.get(), 4, 28), 0.5f);
    EXPECT_FLOAT_EQ(ReadAt<float>(mesh.get(), 4, 32), 0.25f);
    EXPECT_EQ(ReadAt<D3DCOLOR>(mesh.get(), 2, 24), 0xFFFFFFFFu) << "no colour given: white";

    XMeshGeometry geometry;
    ASSERT_EQ(ReadXMeshGeometry(m_document.Objects()[0], &geometry, nullptr), D3D_OK);
    EXPECT_EQ(geometry.sourceVertex, (std::vector<DWORD>{0, 1, 2, 3, 0}));
}

TEST_F(XMeshTest, MaterialsKeepTheirColoursAndTextureNamesAndShortFaceListsRepeatTheLast) {
    const char body[] = R"(Mesh materials {
 3; 0;0;0;, 0;1;0;, 1;0;0;;
 3; 3;0,1,2;, 3;0,1,2;, 3;0,1,2;;
 MeshMaterialList { 2; 2; 0, 1;;
  Material { 0.25;0.5;0.75;0.8;; 12.5; 0.1;0.2;0.3;; 0.4;0.5;0.6;; }
  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { "stone.bmp"; } }
 }
})";
    MeshPtr mesh;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    ASSERT_EQ(Load(body, &mesh, &materials, &count), D3D_OK);
    ASSERT_EQ(count, 2u);
    ASSERT_NE(materials, nullptr);
    const D3DXMATERIAL* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_FLOAT_EQ(m[0].MatD3D.Diffuse.g, 0.5f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Diffuse.a, 0.8f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Power, 12.5f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Specular.b, 0.3f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Emissive.r, 0.4f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Ambient.r, 0.0f);
    EXPECT_EQ(m[0].pTextureFilename, nullptr);
    ASSERT_NE(m[1].pTextureFilename, nullptr);
    EXPECT_STREQ(m[1].pTextureFilename, "stone.bmp");
    EXPECT_EQ(AttributesOf(mesh.get()), (std::vector<DWORD>{0, 1, 1}));
    materials->Release();
}

TEST_F(XMeshTest, BadDataIsRefusedWithTheMeshNameAndTheLine) {
    struct Case {
        const char* what;
        const char* body;
        const char* mentions;
    };
    const Case cases[] = {
        {"face index beyond the vertices", "Mesh m {\n3; 0;0;0;, 0;1;0;, 1;0;0;;\n1;\n3;0,1,3;;\n}",
         "m (line 5)"},
        {"a face of two corners", "Mesh m {\n3; 0;0;0;, 0;1;0;, 1;0;0;;\n1;\n2;0,1;;\n}",
         "m (line 5)"},
        {"normals for fewer faces",
         "Mesh m {\n3; 0;0;0;, 0;1;0;, 1;0;0;;\n2; 3;0,1,2;, 3;0,2,1;;\nMeshNormals {\n"
         "1; 0;0;1;; 1; 3;0,0,0;;\n}\n}",
         "m (line 5)"},
        {"a face normal with another corner count",
         "Mesh m {\n3; 0;0;0;, 0;1;0;, 1;0;0;;\n1; 3;0,1,2;;\nMeshNormals { 1; 0;0;1;;\n"
         "1; 4;0,0,0,0;; }\n}",
         "m (line 6)"},
        {"a material index beyond the list",
         "Mesh m {\n3; 0;0;0;, 0;1;0;, 1;0;0;;\n1; 3;0,1,2;;\nMeshMaterialList { 1; 1;\n"
         "1;;\nMaterial { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }\n}",
         "m (line 6)"},
        {"fewer materials than declared",
         "Mesh m {\n3; 0;0;0;, 0;1;0;, 1;0;0;;\n1; 3;0,1,2;;\nMeshMaterialList { 2; 1; 0;;\n"
         "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }\n}",
         "m (line 5)"},
        {"coordinates for fewer vertices",
         "Mesh m {\n3; 0;0;0;, 0;1;0;, 1;0;0;;\n1; 3;0,1,2;;\nMeshTextureCoords { 2; 0;0;, 1;1;; "
         "}\n}",
         "m (line 5)"},
        {"a colour for a missing vertex",
         "Mesh m {\n3; 0;0;0;, 0;1;0;, 1;0;0;;\n1; 3;0,1,2;;\nMeshVertexColors { "
         "1;\n7;1;1;1;1;;;\n}\n}",
         "m (line 6)"},
    };
    for (const Case& c : cases) {
        MeshPtr mesh;
        std::string error;
        EXPECT_EQ(Load(c.body, &mesh, nullptr, nullptr, &error), D3DXERR_INVALIDDATA) << c.what;
        EXPECT_EQ(mesh, nullptr) << c.what;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << c.what << ": " << error;
    }
}

TEST_F(XMeshTest, AMeshWithoutFacesHoldsNoData) {
    MeshPtr mesh;
    EXPECT_EQ(Load("Mesh empty { 3; 0;0;0;, 0;1;0;, 1;0;0;; 0;; }", &mesh),
              D3DXERR_LOADEDMESHHASNODATA);
    EXPECT_EQ(mesh, nullptr);
}

TEST_F(XMeshTest, MoreVerticesThanSixteenBitIndicesReachAreAnError) {
    std::string body = "Mesh huge {\n65536;\n";
    for (int i = 0; i < 65536; ++i)
        body += i + 1 < 65536 ? "0;0;0;,\n" : "0;0;0;;\n";
    body += "1; 3;0,1,65535;;\n}";
    MeshPtr mesh;
    std::string error;
    EXPECT_EQ(Load(body, &mesh, nullptr, nullptr, &error), D3DXERR_INVALIDDATA);
    EXPECT_NE(error.find("65535"), std::string::npos) << error;

    ID3DXMesh* raw = nullptr;
    EXPECT_EQ(D3DXCreateMeshFVF(1, 65536, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, nullptr, &raw),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_32BIT, D3DFVF_XYZ, nullptr, &raw),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 3, 0, D3DFVF_XYZRHW, nullptr, &raw), D3DERR_INVALIDCALL);
    EXPECT_EQ(raw, nullptr);
}

TEST_F(XMeshTest, AdjacencyNamesTheFaceAcrossEachSharedEdgeEvenAcrossSplitVertices) {
    const char body[] = R"(Mesh roof {
 4; 0;0;0;, 0;1;0;, 1;0;0;, -1;0;0;;
 2; 3;0,1,2;, 3;1,0,3;;
 MeshNormals { 2; 0;0;-1;, 0;0;1;; 2; 3;0,0,0;, 3;1,1,1;; }
})";
    MeshPtr mesh;
    ID3DXBuffer* adjacency = nullptr;
    ASSERT_EQ(Load(body, &mesh, nullptr, nullptr, nullptr, &adjacency), D3D_OK);
    ASSERT_NE(adjacency, nullptr);
    EXPECT_EQ(mesh->GetNumVertices(), 6u) << "the second face splits vertices 0 and 1";
    const DWORD* a = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    EXPECT_EQ(std::vector<DWORD>(a, a + 6),
              (std::vector<DWORD>{1, kNoAdjacentFace, kNoAdjacentFace, 0, kNoAdjacentFace,
                                  kNoAdjacentFace}));
    adjacency->Release();
}

TEST(MeshOptimize, AttributeSortGroupsFacesAndGivesEachGroupItsOwnContiguousVertices) {
    // Five vertices, 4 unused; faces with attributes 2, 0, 2, 1, all sharing vertex 0.
    const std::vector<D3DXVECTOR3> positions = {
        {0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {9, 9, 9}};
    MeshPtr mesh = MakeMesh(positions, {0, 1, 2, 0, 2, 3, 0, 3, 1, 0, 1, 3}, {2, 0, 2, 1});
    ID3DXMesh* raw = nullptr;
    DWORD faceRemap[4] = {};
    ID3DXBuffer* vertexRemap = nullptr;
    ASSERT_EQ(mesh->Optimize(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, faceRemap, &vertexRemap, &raw),
              D3D_OK);
    MeshPtr sorted(raw);
    EXPECT_EQ(AttributesOf(sorted.get()), (std::vector<DWORD>{0, 1, 2, 2}));
    EXPECT_EQ(std::vector<DWORD>(faceRemap, faceRemap + 4), (std::vector<DWORD>{1, 3, 0, 2}))
        << "equal attributes keep their order";

    DWORD size = 0;
    sorted->GetAttributeTable(nullptr, &size);
    ASSERT_EQ(size, 3u);
    D3DXATTRIBUTERANGE table[3];
    sorted->GetAttributeTable(table, &size);
    const std::vector<WORD> indices = IndicesOf(sorted.get());
    DWORD nextVertex = 0;
    for (DWORD r = 0; r < 3; ++r) {
        EXPECT_EQ(table[r].AttribId, r);
        EXPECT_EQ(table[r].VertexStart, nextVertex) << "ranges follow one another";
        nextVertex += table[r].VertexCount;
        for (DWORD f = table[r].FaceStart; f < table[r].FaceStart + table[r].FaceCount; ++f)
            for (int c = 0; c < 3; ++c) {
                EXPECT_GE(indices[3 * f + c], table[r].VertexStart);
                EXPECT_LT(indices[3 * f + c], table[r].VertexStart + table[r].VertexCount);
            }
    }
    EXPECT_EQ(table[2].FaceStart, 2u);
    EXPECT_EQ(table[2].FaceCount, 2u);
    // Group 0 uses 3 vertices, group 1 three, group 2 four: vertex 0 appears in every group and
    // the unused vertex 4 in none.
    EXPECT_EQ(sorted->GetNumVertices(), 10u);
    const DWORD* remap = static_cast<const DWORD*>(vertexRemap->GetBufferPointer());
    for (DWORD v = 0; v < sorted->GetNumVertices(); ++v) {
        ExpectVectorNear(PositionOf(sorted.get(), v), positions[remap[v]], 0.0f);
        EXPECT_NE(remap[v], 4u);
    }
    vertexRemap->Release();
}

TEST(MeshClone, ToTheStaticVertexCopiesSharedComponentsAndFillsTheRest) {
    MeshPtr mesh = MakeMesh({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {0, 1, 2}, {3});
    ID3DXMesh* raw = nullptr;
    ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1,
                                 nullptr, &raw),
              D3D_OK);
    MeshPtr dammyLayout(raw);
    EXPECT_EQ(dammyLayout->GetNumBytesPerVertex(), 32u);
    BYTE* data = nullptr;
    dammyLayout->LockVertexBuffer(0, &data);
    const float coordinates[2] = {0.25f, 0.75f};
    std::memcpy(data + 32 + 24, coordinates, sizeof coordinates);  // vertex 1, texture set 0
    dammyLayout->UnlockVertexBuffer();

    ASSERT_EQ(dammyLayout->CloneMeshFVF(D3DXMESH_SYSTEMMEM, kStaticVertexFvf, nullptr, &raw),
              D3D_OK);
    MeshPtr display(raw);
    ASSERT_EQ(display->GetNumBytesPerVertex(), 44u);
    ExpectVectorNear(PositionOf(display.get(), 1), D3DXVECTOR3(4, 5, 6), 0.0f);
    ExpectVectorNear(ReadAt<D3DXVECTOR3>(display.get(), 1, 12), D3DXVECTOR3(), 0.0f);
    EXPECT_EQ(ReadAt<D3DCOLOR>(display.get(), 1, 24), 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(ReadAt<float>(display.get(), 1, 28), 0.25f);
    EXPECT_FLOAT_EQ(ReadAt<float>(display.get(), 1, 32), 0.75f);
    EXPECT_FLOAT_EQ(ReadAt<float>(display.get(), 1, 36), 0.0f) << "a second set is new";
    EXPECT_EQ(IndicesOf(display.get()), (std::vector<WORD>{0, 1, 2}));
    EXPECT_EQ(AttributesOf(display.get()), (std::vector<DWORD>{3}));
}

TEST(MeshNormals, EachVertexAveragesTheUnitNormalsOfItsFacesWhateverTheirArea) {
    // A small face in z = 0 (normal -z by cross(q - p, r - p)) and a large one in x = 0
    // (normal -x), sharing the edge from vertex 0 to vertex 1.
    MeshPtr positions =
        MakeMesh({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 100}}, {0, 1, 2, 0, 3, 1}, {0, 0});
    ID3DXMesh* raw = nullptr;
    ASSERT_EQ(positions->CloneMeshFVF(0, D3DFVF_XYZ | D3DFVF_NORMAL, nullptr, &raw), D3D_OK);
    MeshPtr mesh(raw);
    ASSERT_EQ(D3DXComputeNormals(mesh.get(), nullptr), D3D_OK);
    const float s = 0.70710678f;
    ExpectVectorNear(ReadAt<D3DXVECTOR3>(mesh.get(), 0, 12), D3DXVECTOR3(-s, 0, -s), 1e-6f);
    ExpectVectorNear(ReadAt<D3DXVECTOR3>(mesh.get(), 1, 12), D3DXVECTOR3(-s, 0, -s), 1e-6f);
    ExpectVectorNear(ReadAt<D3DXVECTOR3>(mesh.get(), 2, 12), D3DXVECTOR3(0, 0, -1), 1e-6f);
    ExpectVectorNear(ReadAt<D3DXVECTOR3>(mesh.get(), 3, 12), D3DXVECTOR3(-1, 0, 0), 1e-6f);
    EXPECT_EQ(D3DXComputeNormals(positions.get(), nullptr), D3DERR_INVALIDCALL)
        << "a format without normals";
}

TEST(MeshBounds, BoxAndSphereReadPositionsAtTheFormatsStride) {
    struct Vertex {
        D3DXVECTOR3 p, n;
        D3DCOLOR c;
        float uv[4];
    };
    static_assert(sizeof(Vertex) == 44, "the static vertex");
    Vertex v[4] = {};
    v[0].p = {-1, 0, 0};
    v[1].p = {3, 0, 0};
    v[2].p = {1, 2, -4};
    v[3].p = {1, -2, 0};
    v[0].n = {1000, 1000, 1000};  // never read as a position
    D3DXVECTOR3 low, high, centre;
    float radius = 0.0f;
    ASSERT_EQ(D3DXComputeBoundingBox(v, 4, kStaticVertexFvf, &low, &high), D3D_OK);
    ExpectVectorNear(low, D3DXVECTOR3(-1, -2, -4), 0.0f);
    ExpectVectorNear(high, D3DXVECTOR3(3, 2, 0), 0.0f);
    ASSERT_EQ(D3DXComputeBoundingSphere(v, 4, kStaticVertexFvf, &centre, &radius), D3D_OK);
    ExpectVectorNear(centre, D3DXVECTOR3(1, 0, -1), 1e-6f);
    EXPECT_NEAR(radius, std::sqrt(13.0f), 1e-5f);  // vertex 2, at (0, 2, -3) from the centre
    EXPECT_EQ(D3DXComputeBoundingBox(v, 0, kStaticVertexFvf, &low, &high), D3DERR_INVALIDCALL);
}

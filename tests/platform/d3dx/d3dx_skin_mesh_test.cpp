// The D3DX-style skin mesh: bones and influences read from SkinWeights, refused bad weights, and
// the indexed blended conversion: bone combinations within the palette, every face once,
// palette slots that name the right bones, the vertex-cache order, the 52-byte clone.
#include "platform/d3dx/d3dx_skin_mesh.h"

#include <gtest/gtest.h>
#include <meshoptimizer.h>

#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/d3dx/xfile_mesh.h"
#include "tests/platform/d3dx/skinned_x_text.h"
#include "tests/platform/xfile/xfile_test_util.h"

namespace {

struct Loaded {
    HRESULT status = E_FAIL;
    std::string error;
    ID3DXSkinMesh* skin = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* names = nullptr;
    ID3DXBuffer* offsets = nullptr;
    ~Loaded() {
        for (ID3DXBuffer* b : {adjacency, names, offsets})
            if (b)
                b->Release();
        if (skin)
            skin->Release();
    }
};

class SkinMeshTest : public XFileTest {
  protected:
    // Parses text and loads its first Mesh (at top level or inside the first Frame); a text the
    // reader refuses leaves the reader's status and message.
    void Load(const std::string& text, Loaded* out) {
        out->status = Parse(text, &m_document);
        out->error = m_document.Error().Text();
        if (FAILED(out->status))
            return;
        const XData* mesh = nullptr;
        for (const XData* object : m_document.Objects()) {
            if (object->TemplateName() == "Mesh")
                mesh = object;
            for (const XChild& child : object->Children())
                if (!mesh && child.object && child.object->TemplateName() == "Mesh")
                    mesh = child.object;
        }
        ASSERT_NE(mesh, nullptr);
        out->status = D3DXLoadSkinMeshFromXof(mesh, 0, nullptr, &out->adjacency, nullptr, nullptr,
                                              &out->names, &out->offsets, &out->skin, &out->error);
    }
    XDocument m_document;
};

// One quad (two faces) whose four vertices are weighted by the bones listed per vertex.
std::string Quad(const std::string& skinWeights) {
    return std::string("xof 0302txt 0064\n") + skintest::kSkinTemplates +
           "Mesh Quad {\n 4;\n 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;\n 2;\n 3;0,2,1;, 3;0,3,2;;\n" +
           skinWeights + "}\n";
}

std::string Weights(const std::string& bone, const std::string& indices, const std::string& weights,
                    int count, const std::string& matrix = skintest::Translation(0, 0, 0)) {
    return " SkinWeights {\n  \"" + bone + "\";\n  " + std::to_string(count) + ";\n  " + indices +
           ";\n  " + weights + ";\n  " + matrix + ";;\n }\n";
}

TEST_F(SkinMeshTest, ReadsBonesOffsetsAndInfluencesInFileOrder) {
    Loaded l;
    Load(skintest::TubeModel(3, false), &l);
    ASSERT_EQ(l.status, S_OK) << l.error;
    ASSERT_EQ(l.skin->GetNumBones(), 3u);
    const char* const* names = static_cast<const char* const*>(l.names->GetBufferPointer());
    const D3DXMATRIX* offsets = static_cast<const D3DXMATRIX*>(l.offsets->GetBufferPointer());
    for (DWORD b = 0; b < 3; ++b) {
        EXPECT_STREQ(names[b], ("Bone" + std::to_string(b)).c_str());
        EXPECT_STREQ(l.skin->GetBoneName(b), names[b]);
        EXPECT_FLOAT_EQ(offsets[b]._43, -static_cast<float>(b));
    }
    // Ring 1 (vertices 6 to 11): 0.7 to bone 1, then 0.3 to bone 0, strongest first.
    const std::vector<SkinInfluence>& ring1 = l.skin->GetVertexInfluences(7);
    ASSERT_EQ(ring1.size(), 2u);
    EXPECT_EQ(ring1[0].bone, 1u);
    EXPECT_NEAR(ring1[0].weight, 0.7f, 1e-6f);
    EXPECT_EQ(ring1[1].bone, 0u);
    EXPECT_EQ(l.skin->GetVertexInfluences(0).size(), 1u);
    EXPECT_EQ(l.skin->GetMaxVertexInfluences(), 2u);
    EXPECT_EQ(l.skin->GetMaxFaceInfluences(), 3u);  // a face spanning rings 1 and 2
}

TEST_F(SkinMeshTest, AMeshWithoutSkinWeightsHasNoBonesAndEmptyDataIsReported) {
    Loaded plain;
    Load(Quad(""), &plain);
    ASSERT_EQ(plain.status, S_OK) << plain.error;
    EXPECT_EQ(plain.skin->GetNumBones(), 0u);
    EXPECT_EQ(plain.names, nullptr);
    EXPECT_EQ(plain.offsets, nullptr);
    ID3DXMesh* original = nullptr;
    ASSERT_EQ(plain.skin->GetOriginalMesh(&original), S_OK);
    EXPECT_EQ(original->GetNumFaces(), 2u);
    original->Release();

    Loaded empty;
    Load(std::string("xof 0302txt 0064\nMesh Empty {\n 0;;\n 0;;\n}\n"), &empty);
    EXPECT_EQ(empty.status, D3DXERR_LOADEDMESHHASNODATA);
    EXPECT_EQ(empty.skin, nullptr);
}

TEST_F(SkinMeshTest, RefusesWeightsThatCannotBeTrusted) {
    const std::string big = "1e39";  // beyond float: the reader itself refuses it
    const struct {
        const char* what;
        std::string weights;
        HRESULT status;
        const char* message;
    } cases[] = {
        {"vertex past the end", Weights("A", "0,4", "1.0,1.0", 2), D3DXERR_INVALIDDATA,
         "names vertex 4 of a mesh of 4"},
        {"infinite weight", Weights("A", "0", big, 1), DXFILEERR_BADVALUE, "is not a FLOAT"},
        {"negative weight", Weights("A", "0", "-0.5", 1), D3DXERR_INVALIDDATA, "negative"},
        {"infinite offset",
         Weights("A", "0", "1.0", 1, "1,0,0,0,0,1,0,0,0,0,1,0,0,0," + big + ",1"),
         DXFILEERR_BADVALUE, "is not a FLOAT"},
        {"unequal counts", Weights("A", "0,1", "1.0", 2), DXFILEERR_BADARRAYSIZE, "(line"},
        {"nameless bone", Weights("", "0", "1.0", 1), D3DXERR_INVALIDDATA, "names no frame"},
        {"five bones on vertex 0",
         Weights("A", "0", "0.2", 1) + Weights("B", "0", "0.2", 1) + Weights("C", "0", "0.2", 1) +
             Weights("D", "0", "0.2", 1) + Weights("E", "0", "0.2", 1),
         D3DXERR_TOOMANYINFLUENCES, "vertex 0 is weighted by 5 bones"},
    };
    for (const auto& c : cases) {
        Loaded l;
        Load(Quad(c.weights), &l);
        EXPECT_EQ(l.status, c.status) << c.what;
        EXPECT_EQ(l.skin, nullptr) << c.what;
        EXPECT_NE(l.error.find(c.message), std::string::npos) << c.what << ": " << l.error;
        EXPECT_NE(l.error.find("(line "), std::string::npos) << c.what << ": " << l.error;
    }
    // Four bones are the most a blended vertex holds; repeated bones merge, zero weights drop.
    Loaded four;
    Load(Quad(Weights("A", "0,0", "0.1,0.1", 2) + Weights("B", "0", "0.2", 1) +
              Weights("C", "0", "0.6", 1) + Weights("D", "0,1", "0.0,1.0", 2)),
         &four);
    ASSERT_EQ(four.status, S_OK) << four.error;
    const std::vector<SkinInfluence>& v0 = four.skin->GetVertexInfluences(0);
    ASSERT_EQ(v0.size(), 3u);
    EXPECT_EQ(v0[0].bone, 2u);
    EXPECT_NEAR(v0[1].weight + v0[2].weight, 0.4f, 1e-6f);
    // Vertices no bone weighs follow bone 0 fully.
    EXPECT_EQ(four.skin->GetVertexInfluences(3).size(), 1u);
    EXPECT_EQ(four.skin->GetVertexInfluences(3)[0].bone, 0u);
}

// What a blended vertex says: (bone, weight) pairs decoded through its combination's palette.
std::map<DWORD, float> Decode(const BYTE* vertex, DWORD influences, const D3DXBONECOMBINATION& c) {
    float weights[4] = {};
    std::memcpy(weights, vertex + 12, 4 * (influences - 1));
    float last = 1.0f;
    for (DWORD k = 0; k + 1 < influences; ++k)
        last -= weights[k];
    weights[influences - 1] = last;
    const BYTE* slots = vertex + 12 + 4 * (influences - 1);
    std::map<DWORD, float> out;
    for (DWORD k = 0; k < influences; ++k)
        if (weights[k] != 0.0f)
            out[c.BoneId[slots[k]]] += weights[k];
    return out;
}

TEST_F(SkinMeshTest, FortyTwoBonesSplitIntoCombinationsThatCoverEveryFaceOnce) {
    Loaded l;
    Load(skintest::TubeModel(42, false), &l);
    ASSERT_EQ(l.status, S_OK) << l.error;
    DWORD count = 0;
    ID3DXBuffer* table = nullptr;
    ID3DXMesh* blended = nullptr;
    ASSERT_EQ(l.skin->ConvertToIndexedBlendedMesh(D3DXMESHOPT_VERTEXCACHE | D3DXMESH_MANAGED,
                                                  nullptr, 28, nullptr, &count, &table, &blended),
              S_OK);
    EXPECT_GE(count, 2u);
    EXPECT_EQ(blended->GetFVF(), D3DFVF_XYZB2 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL);
    const D3DXBONECOMBINATION* c =
        static_cast<const D3DXBONECOMBINATION*>(table->GetBufferPointer());
    ID3DXMesh* original = nullptr;
    l.skin->GetOriginalMesh(&original);
    BYTE *blendedData = nullptr, *originalData = nullptr, *indexData = nullptr;
    blended->LockVertexBuffer(D3DLOCK_READONLY, &blendedData);
    original->LockVertexBuffer(D3DLOCK_READONLY, &originalData);
    blended->LockIndexBuffer(D3DLOCK_READONLY, &indexData);
    const WORD* indices = reinterpret_cast<const WORD*>(indexData);
    DWORD nextFace = 0, nextVertex = 0;
    std::multiset<std::vector<float>> facesSeen, facesWanted;
    for (DWORD i = 0; i < count; ++i) {
        EXPECT_EQ(c[i].FaceStart, nextFace) << "combination " << i;
        EXPECT_EQ(c[i].VertexStart, nextVertex) << "combination " << i;
        nextFace += c[i].FaceCount;
        nextVertex += c[i].VertexCount;
        std::set<DWORD> used;
        for (DWORD j = 0; j < 28; ++j)
            if (c[i].BoneId[j] != kNoBone) {
                EXPECT_LT(c[i].BoneId[j], 42u);
                EXPECT_TRUE(used.insert(c[i].BoneId[j]).second);
            }
        EXPECT_LE(used.size(), 28u);
        for (DWORD f = c[i].FaceStart; f < c[i].FaceStart + c[i].FaceCount; ++f) {
            std::vector<float> key;
            for (int k = 0; k < 3; ++k) {
                const WORD v = indices[3 * f + k];
                ASSERT_GE(v, c[i].VertexStart);
                ASSERT_LT(v, c[i].VertexStart + c[i].VertexCount);
                const BYTE* vertex = blendedData + v * blended->GetNumBytesPerVertex();
                const float* p = reinterpret_cast<const float*>(vertex);
                key.insert(key.end(), p, p + 3);
                // The slots name the bones the original vertex is weighted by, with its weights.
                const std::map<DWORD, float> decoded = Decode(vertex, 2, c[i]);
                DWORD match = kNoBone;
                for (DWORD o = 0; o < original->GetNumVertices() && match == kNoBone; ++o)
                    if (std::memcmp(originalData + o * original->GetNumBytesPerVertex(), vertex,
                                    12) == 0)
                        match = o;
                ASSERT_NE(match, kNoBone);
                for (const SkinInfluence& in : l.skin->GetVertexInfluences(match)) {
                    ASSERT_EQ(decoded.count(in.bone), 1u) << "vertex " << v;
                    EXPECT_NEAR(decoded.at(in.bone), in.weight, 1e-6f);
                }
            }
            facesSeen.insert(key);
        }
    }
    EXPECT_EQ(nextFace, original->GetNumFaces());
    EXPECT_EQ(nextVertex, blended->GetNumVertices());
    EXPECT_GT(blended->GetNumVertices(), original->GetNumVertices());  // seams are duplicated
    BYTE* originalIndexData = nullptr;
    original->LockIndexBuffer(D3DLOCK_READONLY, &originalIndexData);
    const WORD* originalIndices = reinterpret_cast<const WORD*>(originalIndexData);
    for (DWORD f = 0; f < original->GetNumFaces(); ++f) {
        std::vector<float> key;
        for (int k = 0; k < 3; ++k) {
            const float* p = reinterpret_cast<const float*>(
                originalData + originalIndices[3 * f + k] * original->GetNumBytesPerVertex());
            key.insert(key.end(), p, p + 3);
        }
        facesWanted.insert(key);
    }
    original->UnlockIndexBuffer();
    // The same triangles up to a rotation of their corners (the cache order may rotate none:
    // meshoptimizer keeps each triangle's corners in order).
    EXPECT_EQ(facesSeen, facesWanted);
    blended->UnlockIndexBuffer();
    original->UnlockVertexBuffer();
    blended->UnlockVertexBuffer();
    original->Release();
    blended->Release();
    table->Release();

    // A palette smaller than the bones of one face cannot hold it.
    ID3DXMesh* none = nullptr;
    EXPECT_EQ(l.skin->ConvertToIndexedBlendedMesh(0, nullptr, 2, nullptr, &count, &table, &none),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(none, nullptr);
}

// Average cache misses per triangle of a 16-entry FIFO cache.
float Acmr(ID3DXMesh* mesh) {
    BYTE* data = nullptr;
    mesh->LockIndexBuffer(D3DLOCK_READONLY, &data);
    std::vector<unsigned int> indices(mesh->GetNumFaces() * 3);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = reinterpret_cast<const WORD*>(data)[i];
    mesh->UnlockIndexBuffer();
    return meshopt_analyzeVertexCache(indices.data(), indices.size(), mesh->GetNumVertices(), 16, 0,
                                      0)
        .acmr;
}

// The same skin over a copy of its mesh with the faces in a scrambled order.
ID3DXSkinMesh* Scrambled(ID3DXSkinMesh* skin) {
    ID3DXMesh* original = nullptr;
    skin->GetOriginalMesh(&original);
    const DWORD faces = original->GetNumFaces();
    std::vector<DWORD> order(faces);
    for (DWORD f = 0; f < faces; ++f)
        order[f] = f;
    uint32_t state = 12345u;
    for (DWORD f = faces - 1; f > 0; --f) {
        state = state * 1664525u + 1013904223u;
        std::swap(order[f], order[(state >> 8) % (f + 1)]);
    }
    ID3DXMesh* copy = nullptr;
    EXPECT_EQ(
        D3DXCreateMeshFVF(faces, original->GetNumVertices(), 0, original->GetFVF(), nullptr, &copy),
        S_OK);
    BYTE *from = nullptr, *to = nullptr;
    original->LockVertexBuffer(D3DLOCK_READONLY, &from);
    copy->LockVertexBuffer(0, &to);
    std::memcpy(to, from, original->GetNumVertices() * original->GetNumBytesPerVertex());
    copy->UnlockVertexBuffer();
    original->UnlockVertexBuffer();
    original->LockIndexBuffer(D3DLOCK_READONLY, &from);
    copy->LockIndexBuffer(0, &to);
    for (DWORD f = 0; f < faces; ++f)
        std::memcpy(to + 6 * f, from + 6 * order[f], 6);
    copy->UnlockIndexBuffer();
    original->UnlockIndexBuffer();
    std::vector<std::string> names;
    std::vector<std::vector<SkinInfluence>> influences;
    for (DWORD b = 0; b < skin->GetNumBones(); ++b)
        names.push_back(skin->GetBoneName(b));
    for (DWORD v = 0; v < original->GetNumVertices(); ++v)
        influences.push_back(skin->GetVertexInfluences(v));
    ID3DXSkinMesh* scrambled = nullptr;
    EXPECT_EQ(D3DXCreateSkinMesh(copy, names, influences, &scrambled), S_OK);
    copy->Release();
    original->Release();
    return scrambled;
}

TEST_F(SkinMeshTest, TheVertexCacheFlagOrdersFacesForTheCacheAndCloneMakesTheSkinnedVertex) {
    Loaded l;
    Load(skintest::TubeModel(6, false), &l);
    ASSERT_EQ(l.status, S_OK) << l.error;
    ID3DXSkinMesh* scrambled = Scrambled(l.skin);
    ASSERT_NE(scrambled, nullptr);
    DWORD count = 0;
    ID3DXBuffer *plainTable = nullptr, *cacheTable = nullptr;
    ID3DXMesh *plain = nullptr, *cached = nullptr;
    ASSERT_EQ(scrambled->ConvertToIndexedBlendedMesh(0, nullptr, 28, nullptr, &count, &plainTable,
                                                     &plain),
              S_OK);
    ASSERT_EQ(scrambled->ConvertToIndexedBlendedMesh(D3DXMESHOPT_VERTEXCACHE, nullptr, 28, nullptr,
                                                     &count, &cacheTable, &cached),
              S_OK);
    scrambled->Release();
    EXPECT_EQ(count, 1u);
    EXPECT_LT(Acmr(cached), 0.8f * Acmr(plain));

    ID3DXMesh* skinned = nullptr;
    ASSERT_EQ(cached->CloneMeshFVF(D3DXMESH_MANAGED, kSkinnedVertexFvf, nullptr, &skinned), S_OK);
    EXPECT_EQ(skinned->GetFVF(), 0x1258u);
    EXPECT_EQ(skinned->GetNumBytesPerVertex(), 52u);
    BYTE *from = nullptr, *to = nullptr;
    cached->LockVertexBuffer(D3DLOCK_READONLY, &from);
    skinned->LockVertexBuffer(D3DLOCK_READONLY, &to);
    for (DWORD v = 0; v < skinned->GetNumVertices(); ++v) {
        // Position, weight and index bytes, then the normal, carry over; the colour is white.
        EXPECT_EQ(std::memcmp(from + v * 32, to + v * 52, 32), 0) << v;
        D3DCOLOR colour = 0;
        std::memcpy(&colour, to + v * 52 + 32, 4);
        EXPECT_EQ(colour, 0xFFFFFFFFu);
    }
    skinned->UnlockVertexBuffer();
    cached->UnlockVertexBuffer();
    for (ID3DXMesh* m : {plain, cached, skinned})
        m->Release();
    plainTable->Release();
    cacheTable->Release();
}

}  // namespace

#include "platform/xfile/xfile_document.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/xfile/xfile_dump.h"
#include "tests/platform/xfile/xfile_test_util.h"

namespace {
class XDocumentTest : public XFileTest {
  protected:
    void SetUp() override {
        XFileTest::SetUp();
        ASSERT_EQ(
            ParseBody("Mesh box {\n"
                      " 2;\n"
                      " 0.0;1.0;2.0;,\n"
                      " 3.0;4.0;5.0;;\n"
                      " 1;\n"
                      " 3;0,1,1;;\n"
                      " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 2; 0;0;0;; 0;0;0;;\n"
                      "  TextureFilename { \"skin.bmp\"; } } }\n"
                      "}\n",
                      &m_doc),
            S_OK)
            << m_doc.Error().Text();
        m_mesh = m_doc.Objects()[0];
    }

    XDocument m_doc;
    const XData* m_mesh = nullptr;
};

TEST_F(XDocumentTest, ViewsExposeKindsSizesLinesAndMemberNames) {
    EXPECT_EQ(m_mesh->Kind(), XValueKind::Struct);
    EXPECT_EQ(m_mesh->Size(), 4u);
    EXPECT_STREQ(m_mesh->MemberName(1), "vertices");
    EXPECT_STREQ(m_mesh->MemberName(9), "");
    EXPECT_TRUE(m_mesh->Has("nFaces"));
    EXPECT_FALSE(m_mesh->Has("nfaces"));  // member names are case-sensitive
    const XValue vertices = m_mesh->Array("vertices");
    EXPECT_EQ(vertices.Kind(), XValueKind::Array);
    EXPECT_EQ(vertices.Line(), 4u);
    EXPECT_EQ(vertices.At(1).Line(), 5u);
    EXPECT_EQ(vertices.At(1).Template()->name, "Vector");
    EXPECT_EQ(vertices.At(1).At(2).Primitive(), XPrimitive::Float);
    EXPECT_EQ(vertices.At(1).At(2).AsFloat(), 5.0f);
    EXPECT_EQ(m_mesh->Member("nVertices").Primitive(), XPrimitive::Dword);
    EXPECT_EQ(m_mesh->Member("nVertices").AsDouble(), 2.0);
    EXPECT_EQ(m_mesh->TemplateGuid().Text(), "3D82AB44-62DA-11CF-AB39-0020AF71E433");
    EXPECT_EQ(m_doc.Status(), S_OK);
}

// A faulty read returns a harmless default and records where it happened; the first fault wins.
TEST_F(XDocumentTest, FaultyReadsGiveDefaultsAndTheFirstFaultIsKept) {
    EXPECT_EQ(m_mesh->Dword("nVerts"), 0u);
    EXPECT_EQ(m_doc.Status(), DXFILEERR_NOTFOUND);
    EXPECT_EQ(m_doc.Error().Text(), "test.x:2: Mesh has no member 'nVerts'");

    EXPECT_EQ(m_mesh->Array("vertices").At(2).Float("x"), 0.0f);  // index outside the array
    EXPECT_EQ(m_mesh->Array("faces").At(0).Array("faceVertexIndices").DwordAt(3), 0u);
    EXPECT_EQ(m_doc.Error().message, "Mesh has no member 'nVerts'");
}

TEST_F(XDocumentTest, EachKindOfFaultHasItsStatusAndLine) {
    const struct {
        const char* what;
        std::function<void(const XData&)> read;
        HRESULT status;
        uint32_t line;
        const char* message;
    } cases[] = {
        {"index", [](const XData& m) { m.Array("vertices").At(2); }, DXFILEERR_BADARRAYSIZE, 4,
         "index 2 outside the array of 2"},
        {"member index", [](const XData& m) { m.At(4); }, DXFILEERR_BADARRAYSIZE, 2,
         "index 4 outside Mesh of 4"},
        {"float as dword", [](const XData& m) { m.Array("vertices").At(0).Dword("x"); },
         DXFILEERR_BADTYPE, 4, "expected an integer, found a FLOAT"},
        {"dword as float", [](const XData& m) { m.Float("nFaces"); }, DXFILEERR_BADTYPE, 6,
         "expected a FLOAT, found a DWORD"},
        {"struct as number", [](const XData& m) { m.Array("vertices").At(1).AsDouble(); },
         DXFILEERR_BADTYPE, 5, "expected a number, found a Vector"},
        {"number as string", [](const XData& m) { m.String("nFaces"); }, DXFILEERR_BADTYPE, 6,
         "expected a STRING, found a DWORD"},
        {"array as struct", [](const XData& m) { m.Struct("faces"); }, DXFILEERR_BADTYPE, 7,
         "member 'faces' is no struct"},
        {"number as array", [](const XData& m) { m.Array("nFaces"); }, DXFILEERR_BADTYPE, 6,
         "member 'nFaces' is no array"},
        {"member of number", [](const XData& m) { m.Member("nFaces").Member("x"); },
         DXFILEERR_BADTYPE, 6, "member 'x' of a DWORD"},
        {"element of number", [](const XData& m) { m.Member("nFaces").At(0); }, DXFILEERR_BADTYPE,
         6, "element 0 of a DWORD"},
    };
    for (const auto& c : cases) {
        XDocument doc;
        ASSERT_EQ(Parse("xof 0302txt 0064\n" + std::string("Mesh box {\n 2;\n 0.0;1.0;2.0;,\n"
                                                           " 3.0;4.0;5.0;;\n 1;\n 3;0,1,1;;\n}\n"),
                        &doc),
                  S_OK);
        c.read(*doc.Objects()[0]);
        EXPECT_EQ(doc.Status(), c.status) << c.what;
        EXPECT_EQ(doc.Error().line, c.line) << c.what;
        EXPECT_NE(doc.Error().message.find(c.message), std::string::npos)
            << c.what << ": " << doc.Error().message;
    }
}

TEST_F(XDocumentTest, ReadsThroughAFailedLookUpStaySafe) {
    const XValue missing = m_mesh->Struct("nothing");
    EXPECT_FALSE(missing.IsValid());
    EXPECT_EQ(missing.Kind(), XValueKind::None);
    EXPECT_EQ(missing.Size(), 0u);
    EXPECT_EQ(missing.Template(), nullptr);
    EXPECT_EQ(missing.Array("x").At(5).At(7).FloatAt(3), 0.0f);
    EXPECT_EQ(missing.String("name"), "");
    EXPECT_EQ(m_doc.Error().message, "Mesh has no member 'nothing'");

    const XValue detached;  // belongs to no document: nothing to record, nothing to crash
    EXPECT_EQ(detached.Dword("a"), 0u);
    EXPECT_EQ(detached.AsString(), "");
    EXPECT_EQ(detached.Line(), 0u);
}

TEST_F(XDocumentTest, ANewParseStartsFromAnEmptyDocument) {
    m_mesh->Dword("absent");
    ASSERT_TRUE(m_doc.Error().Failed());
    ASSERT_EQ(ParseBody("Frame only { }", &m_doc), S_OK);
    EXPECT_EQ(m_doc.Status(), S_OK);
    EXPECT_EQ(m_doc.Objects().size(), 1u);
    EXPECT_EQ(m_doc.Find("box"), nullptr);
    m_doc.Clear();
    EXPECT_TRUE(m_doc.Objects().empty());
    EXPECT_EQ(m_doc.Version(), 0u);
}

TEST_F(XDocumentTest, DumpListsTemplatesNamesScalarsArraySizesAndReferences) {
    XDocument doc;
    ASSERT_EQ(ParseFixture("skinned_declared.x", &doc), S_OK);
    const std::string dump = DumpXDocument(doc);
    EXPECT_EQ(dump.substr(0, dump.find('\n')),
              "skinned_declared.x: xof 3.3 text, 32-bit floats, 2 top-level objects");
    const char* lines[] = {
        "\nFrame Root (line 22)\n",
        "\n  Frame Bone01 (line 26)\n",
        "\n      FrameTransformMatrix (line 31) { frameMatrix { matrix[16] } }\n",
        "\n    XSkinMeshHeader (line 45) { nMaxSkinWeightsPerVertex 2; nMaxSkinWeightsPerFace 3; "
        "nBones 2 }\n",
        "\n    SkinWeights (line 50) { transformNodeName \"Bone01\"; nWeights 3; vertexIndices[3]; "
        "weights[3]; matrixOffset { matrix[16] } }\n",
        "\n    -> { Bone01 } Frame (line 75)\n",
        "\n    AnimationKey (line 86) { keyType 2; nKeys 2; keys[2] }\n",
    };
    for (const char* line : lines)
        EXPECT_NE(dump.find(line), std::string::npos) << line;

    XDocument loose;
    ASSERT_EQ(ParseFixture("loose_exporter.x", &loose), S_OK);
    EXPECT_NE(
        DumpXDocument(loose).find("\nMaterial Body.Mat <11111111-2222-3333-4444-555555555555> "
                                  "(line 6) { faceColor { red 0.8; green 0.6; blue 0.4; "
                                  "alpha 1 }; power 12.5;"),
        std::string::npos);
}
}  // namespace

#include "platform/xfile/xfile_parser.h"

#include <gtest/gtest.h>

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/system/resource_table.h"
#include "tests/platform/xfile/xfile_test_util.h"

namespace {
const XData* ChildObject(const XData* parent, const std::string& templateName) {
    if (!parent)
        return nullptr;
    for (const XChild& child : parent->Children())
        if (child.object && child.object->TemplateName() == templateName)
            return child.object;
    return nullptr;
}

using XHeaderTest = XFileTest;

TEST_F(XHeaderTest, TextVersionsAndFloatSizesAreRead) {
    const struct {
        const char* header;
        uint32_t version, floatBits;
    } cases[] = {
        {"xof 0302txt 0064", 302, 64},
        {"xof 0302txt 0032", 302, 32},
        {"xof 0303txt 0032", 303, 32},
        {"\xEF\xBB\xBFxof 0303txt 0064", 303, 64},  // a UTF-8 byte order mark is skipped
    };
    for (const auto& c : cases) {
        XDocument doc;
        ASSERT_EQ(Parse(std::string(c.header) + "\nHeader { 1; 0; 1; }\n", &doc), S_OK)
            << c.header << ": " << doc.Error().Text();
        EXPECT_EQ(doc.Version(), c.version);
        EXPECT_EQ(doc.FloatBits(), c.floatBits);
        EXPECT_EQ(doc.Objects().size(), 1u);
    }
}

TEST_F(XHeaderTest, BinaryCompressedAndForeignFilesAreRefusedWithTheirCodes) {
    const struct {
        std::string text;
        HRESULT status;
        const char* message;
    } cases[] = {
        {"xof 0302bin 0032\x01\x02", DXFILEERR_BADFILETYPE, "binary .X files are not supported"},
        {"xof 0303tzip0032MSCI", DXFILEERR_BADFILECOMPRESSIONTYPE, "compressed"},
        {"xof 0303bzip0064MSCI", DXFILEERR_BADFILECOMPRESSIONTYPE, "compressed"},
        {"xof 0302xml 0032", DXFILEERR_BADFILETYPE, "unknown .X format \"xml \""},
        {"xof 0201txt 0032", DXFILEERR_BADFILEVERSION, "unsupported .X version \"0201\""},
        {"xof 0302txt 0016", DXFILEERR_BADFILEFLOATSIZE, "bad float size \"0016\""},
        {"ply\nformat ascii 1.0", DXFILEERR_BADFILETYPE, "not a .X file"},
        {"xof 0302", DXFILEERR_BADFILETYPE, "not a .X file"},
        {"", DXFILEERR_BADFILETYPE, "not a .X file"},
    };
    for (const auto& c : cases) {
        XDocument doc;
        EXPECT_EQ(Parse(c.text, &doc), c.status) << c.text;
        EXPECT_EQ(doc.Error().line, 1u);
        EXPECT_EQ(doc.Error().source, "test.x");
        EXPECT_NE(doc.Error().message.find(c.message), std::string::npos) << doc.Error().message;
        EXPECT_TRUE(doc.Objects().empty());
    }
    XDocument doc;
    EXPECT_EQ(ParseXText(nullptr, 100, "none", m_templates, &doc), DXFILEERR_BADFILETYPE);
}

TEST_F(XFileTest, SdkStyleModelReadsByMemberName) {
    XDocument doc;
    ASSERT_EQ(ParseFixture("sdk_style_cube.x", &doc), S_OK) << doc.Error().Text();
    ASSERT_EQ(doc.Objects().size(), 2u);
    const XData* header = doc.Objects()[0];
    EXPECT_EQ(header->TemplateName(), "Header");
    EXPECT_EQ(header->Dword("major"), 1u);
    EXPECT_EQ(header->Dword("flags"), 1u);

    const XData* root = doc.Objects()[1];
    EXPECT_EQ(root->TemplateName(), "Frame");
    EXPECT_EQ(root->Name(), "Scene_Root");
    ASSERT_EQ(root->Children().size(), 2u);
    const XValue matrix =
        ChildObject(root, "FrameTransformMatrix")->Struct("frameMatrix").Array("matrix");
    ASSERT_EQ(matrix.Size(), 16u);
    EXPECT_EQ(matrix.FloatAt(0), 1.0f);
    EXPECT_EQ(matrix.FloatAt(12), 10.0f);
    EXPECT_EQ(matrix.FloatAt(13), -20.0f);
    EXPECT_EQ(matrix.FloatAt(14), 30.0f);

    const XData* mesh = ChildObject(root, "Mesh");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->Name(), "displayCube");
    EXPECT_EQ(mesh->Line(), 48u);
    EXPECT_EQ(mesh->Dword("nVertices"), 8u);
    const XValue vertices = mesh->Array("vertices");
    ASSERT_EQ(vertices.Size(), 8u);
    EXPECT_EQ(vertices.At(6).Float("x"), 1.0f);
    EXPECT_EQ(vertices.At(1).Float("y"), 1.0f);
    EXPECT_EQ(vertices.At(0).Float("z"), -1.0f);
    const XValue faces = mesh->Array("faces");
    ASSERT_EQ(faces.Size(), 6u);
    EXPECT_EQ(faces.At(1).Dword("nFaceVertexIndices"), 4u);
    const XValue corners = faces.At(1).Array("faceVertexIndices");
    ASSERT_EQ(corners.Size(), 4u);
    EXPECT_EQ(corners.DwordAt(0), 7u);
    EXPECT_EQ(corners.DwordAt(3), 4u);

    const XData* materials = ChildObject(mesh, "MeshMaterialList");
    ASSERT_NE(materials, nullptr);
    EXPECT_EQ(materials->Dword("nMaterials"), 2u);
    EXPECT_EQ(materials->Array("faceIndexes").DwordAt(5), 1u);
    ASSERT_EQ(materials->Children().size(), 2u);
    const XData* red = materials->Children()[0].object;
    EXPECT_EQ(red->Struct("faceColor").Float("red"), 1.0f);
    EXPECT_EQ(red->Float("power"), 5.0f);
    EXPECT_EQ(ChildObject(red, "TextureFilename")->String("filename"), "Toon.bmp");
    const XData* green = materials->Children()[1].object;
    EXPECT_EQ(green->Name(), "GreenMat");
    EXPECT_EQ(green->Struct("faceColor").Float("alpha"), 0.75f);
    EXPECT_EQ(green->Struct("emissiveColor").Float("blue"), 0.3f);

    const XData* normals = ChildObject(mesh, "MeshNormals");
    EXPECT_EQ(normals->Array("normals").At(2).Float("x"), -1.0f);
    EXPECT_EQ(normals->Array("faceNormals").At(5).Array("faceVertexIndices").DwordAt(3), 5u);
    EXPECT_EQ(ChildObject(mesh, "MeshTextureCoords")->Array("textureCoords").At(3).Float("v"),
              1.0f);
    const XValue colours = ChildObject(mesh, "MeshVertexColors")->Array("vertexColors");
    EXPECT_EQ(colours.At(7).Dword("index"), 7u);
    EXPECT_EQ(colours.At(7).Struct("indexColor").Float("blue"), 1.0f);
    EXPECT_EQ(colours.At(7).Struct("indexColor").Float("alpha"), 0.5f);
    EXPECT_EQ(doc.Status(), S_OK) << doc.Error().Text();
}

TEST_F(XFileTest, LooseExporterLayoutReadsTheSameShapes) {
    XDocument doc;
    ASSERT_EQ(ParseFixture("loose_exporter.x", &doc), S_OK) << doc.Error().Text();
    EXPECT_EQ(doc.FloatBits(), 32u);
    ASSERT_EQ(doc.Objects().size(), 4u);
    const XData* skin = doc.Objects()[0];
    EXPECT_EQ(skin->Name(), "Body.Mat");
    ASSERT_TRUE(skin->HasGuid());
    EXPECT_EQ(skin->Guid().Text(), "11111111-2222-3333-4444-555555555555");
    EXPECT_EQ(skin->Struct("faceColor").Float("blue"), 0.4f);
    EXPECT_EQ(ChildObject(skin, "TextureFilename")->String("filename"), "body skin.bmp");

    // ".5", "5.", "1e-1", "-2E+0", "+0.25", "-0.0" and a bare integer are all FLOATs.
    const XData* second = doc.Objects()[1];
    EXPECT_EQ(second->Float("power"), 0.5f);
    EXPECT_EQ(second->Struct("specularColor").Float("red"), 5.0f);
    EXPECT_EQ(second->Struct("specularColor").Float("green"), 0.1f);
    EXPECT_EQ(second->Struct("specularColor").Float("blue"), -2.0f);
    EXPECT_EQ(second->Struct("emissiveColor").Float("red"), 0.25f);
    EXPECT_TRUE(std::signbit(second->Struct("emissiveColor").Float("green")));

    const XData* frame = doc.Objects()[2];
    EXPECT_EQ(frame->Name(), "Wing-Root");
    const XData* mesh = ChildObject(frame, "Mesh");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->Array("vertices").Size(), 5u);
    EXPECT_EQ(mesh->Array("vertices").At(4).Float("z"), 1.0f);
    const XValue faces = mesh->Array("faces");
    ASSERT_EQ(faces.Size(), 3u);
    EXPECT_EQ(faces.At(0).Array("faceVertexIndices").Size(), 4u);
    EXPECT_EQ(faces.At(2).Array("faceVertexIndices").DwordAt(2), 4u);

    const XData* list = ChildObject(mesh, "MeshMaterialList");
    ASSERT_EQ(list->Children().size(), 2u);
    const XChild& first = list->Children()[0];
    EXPECT_EQ(first.kind, XChildKind::Reference);
    EXPECT_EQ(first.referenceName, "Body.Mat");
    EXPECT_EQ(first.object, nullptr);
    EXPECT_EQ(first.target, skin);
    EXPECT_EQ(first.Data(), skin);
    EXPECT_EQ(list->Children()[1].target, second);

    const XData* nameless = doc.Objects()[3];
    EXPECT_TRUE(nameless->Name().empty());
    ASSERT_EQ(nameless->Children().size(), 1u);
    EXPECT_TRUE(nameless->Children()[0].hasReferenceGuid);
    EXPECT_EQ(nameless->Children()[0].target, skin);
    EXPECT_EQ(doc.Status(), S_OK) << doc.Error().Text();
}

TEST_F(XFileTest, SkinnedModelUsesTheSkinTemplatesItDeclares) {
    XDocument doc;
    ASSERT_EQ(ParseFixture("skinned_declared.x", &doc), S_OK) << doc.Error().Text();
    EXPECT_EQ(doc.Version(), 303u);
    ASSERT_GE(doc.Templates().Find("SkinWeights"), 0);
    EXPECT_EQ(doc.Templates().At(doc.Templates().Find("SkinWeights")).guid.Text(),
              "6F0D123B-BAD2-4167-A0D0-80224F25FABB");
    EXPECT_LT(m_templates.Find("SkinWeights"), 0);  // the file's templates stay in its document

    const XData* mesh = doc.Find("BirdBody");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->Parent(), doc.Find("Root"));
    const XData* header = ChildObject(mesh, "XSkinMeshHeader");
    EXPECT_EQ(header->Dword("nMaxSkinWeightsPerVertex"), 2u);
    EXPECT_EQ(header->Dword("nBones"), 2u);
    std::vector<const XData*> weights;
    for (const XChild& child : mesh->Children())
        if (child.object->TemplateName() == "SkinWeights")
            weights.push_back(child.object);
    ASSERT_EQ(weights.size(), 2u);
    EXPECT_EQ(weights[0]->String("transformNodeName"), "Bone01");
    EXPECT_EQ(weights[0]->Array("vertexIndices").DwordAt(2), 2u);
    EXPECT_EQ(weights[0]->Array("weights").FloatAt(1), 0.75f);
    EXPECT_EQ(weights[1]->Array("weights").Size(), 2u);
    EXPECT_EQ(weights[1]->Struct("matrixOffset").Array("matrix").FloatAt(13), -5.0f);

    const XData* bone02 = doc.Find("Bone02");
    ASSERT_NE(bone02, nullptr);
    EXPECT_EQ(bone02->Parent(), doc.Find("Bone01"));

    const XData* set = doc.Find("Fly");
    ASSERT_EQ(set->Children().size(), 2u);
    const XData* animation = set->Children()[0].object;
    ASSERT_EQ(animation->Children().size(), 4u);
    EXPECT_EQ(animation->Children()[0].kind, XChildKind::Reference);
    EXPECT_EQ(animation->Children()[0].target, doc.Find("Bone01"));
    const XData* rotation = animation->Children()[2].object;
    EXPECT_EQ(rotation->Dword("keyType"), 0u);
    const XValue keys = rotation->Array("keys");
    ASSERT_EQ(keys.Size(), 2u);
    EXPECT_EQ(keys.At(1).Dword("time"), 4800u);
    const XValue values = keys.At(1).Struct("tfkeys").Array("values");
    ASSERT_EQ(values.Size(), 4u);
    EXPECT_EQ(values.FloatAt(0), 0.707107f);
    const XData* matrixKeys = set->Children()[1].object->Children()[1].object;
    EXPECT_EQ(matrixKeys->Dword("keyType"), 4u);
    EXPECT_EQ(matrixKeys->Array("keys").At(0).Struct("tfkeys").Array("values").Size(), 16u);
    EXPECT_EQ(doc.Status(), S_OK) << doc.Error().Text();
}

TEST_F(XFileTest, SeparatorStylesOfDifferentExportersGiveTheSameValues) {
    const char* styles[] = {
        // Standard: ";" after each member, ";;" closing a structure, "," between elements.
        "Mesh { 3; 0.0;1.0;2.0;, 3.0;4.0;5.0;, 6.0;7.0;8.0;; 1; 3;0,1,2;; }",
        // Commas inside structures and nothing after the last element.
        "Mesh { 3; 0.0, 1.0, 2.0; 3.0, 4.0, 5.0; 6.0, 7.0, 8.0 1; 3; 0, 1, 2 }",
        // Every value on its own line, some separators doubled, comments between.
        "Mesh {\n3;\n0;1;2;;,\n3;4;5;;,\n6;7;8;;;\n# faces\n1;\n3;\n0,\n1,\n2;;;\n}",
    };
    for (const char* style : styles) {
        XDocument doc;
        ASSERT_EQ(ParseBody(style, &doc), S_OK) << style << ": " << doc.Error().Text();
        const XData* mesh = doc.Objects()[0];
        const XValue vertices = mesh->Array("vertices");
        ASSERT_EQ(vertices.Size(), 3u) << style;
        for (uint32_t i = 0; i < 3; ++i) {
            EXPECT_EQ(vertices.At(i).Float("x"), 3.0f * i) << style;
            EXPECT_EQ(vertices.At(i).Float("z"), 3.0f * i + 2.0f) << style;
        }
        const XValue corners = mesh->Array("faces").At(0).Array("faceVertexIndices");
        ASSERT_EQ(corners.Size(), 3u) << style;
        EXPECT_EQ(corners.DwordAt(2), 2u) << style;
    }
}

TEST_F(XFileTest, DeclaredTemplatesLayOutNestedMultiDimensionalAndStringMembers) {
    XDocument doc;
    ASSERT_EQ(ParseBody("template Pair { <01234567-89AB-CDEF-0123-456789ABCDEF> WORD a; CHAR b; }\n"
                        "template Grid {\n"
                        "  DWORD rows; DWORD cols;\n"
                        "  array FLOAT cells[rows][cols];\n"
                        "  array Pair pairs[2];\n"
                        "  array STRING labels[rows];\n"
                        "  UCHAR flag; BYTE last; DOUBLE wide;\n"
                        "}\n"
                        "Grid g { 2; 3; 1.0, 2.0, 3.0; 4.0, 5.0, 6.0;;\n"
                        "  65535; -128;, 0; 127;;\n"
                        "  \"first\", \"second\";\n"
                        "  255; 0; 1e300; }\n",
                        &doc),
              S_OK)
        << doc.Error().Text();
    const XData* grid = doc.Find("g");
    ASSERT_NE(grid, nullptr);
    const XValue cells = grid->Array("cells");
    ASSERT_EQ(cells.Size(), 2u);
    ASSERT_EQ(cells.At(1).Kind(), XValueKind::Array);
    ASSERT_EQ(cells.At(1).Size(), 3u);
    EXPECT_EQ(cells.At(1).FloatAt(2), 6.0f);
    EXPECT_EQ(grid->Array("pairs").At(0).Dword("a"), 65535u);
    EXPECT_EQ(grid->Array("pairs").At(0).Member("b").AsDouble(), -128.0);
    EXPECT_EQ(grid->Array("pairs").At(1).Dword("b"), 127u);
    EXPECT_EQ(grid->Array("labels").StringAt(1), "second");
    EXPECT_EQ(grid->Dword("flag"), 255u);
    EXPECT_EQ(grid->Member("wide").AsDouble(), 1e300);
    EXPECT_EQ(grid->Template()->name, "Grid");
    EXPECT_EQ(doc.Status(), S_OK) << doc.Error().Text();
    EXPECT_EQ(grid->Array("pairs").At(0).Dword("b"), 0u);  // a negative CHAR is no DWORD
    EXPECT_EQ(doc.Status(), DXFILEERR_BADVALUE);
    EXPECT_EQ(doc.Error().message, "-128 is outside a DWORD");
}

TEST_F(XFileTest, AFileMayRedeclareAStandardTemplate) {
    // Old exporters restate the standard set; a different layout takes over for this file only.
    XDocument doc;
    ASSERT_EQ(
        ParseBody("template Vector { <3D82AB5E-62DA-11CF-AB39-0020AF71E433> FLOAT x; FLOAT y; }\n"
                  "Vector v { 1.0; 2.0; }\n",
                  &doc),
        S_OK)
        << doc.Error().Text();
    EXPECT_EQ(doc.Find("v")->Size(), 2u);
    EXPECT_FALSE(doc.Find("v")->Has("z"));
    EXPECT_EQ(m_templates.At(m_templates.Find("Vector")).members.size(), 3u);
}

TEST_F(XFileTest, ObjectGuidMayFollowTheNameOrOpenTheBody) {
    XDocument doc;
    ASSERT_EQ(ParseBody("Frame a <00000000-0000-0000-0000-00000000000A> { }\n"
                        "Frame b { <00000000-0000-0000-0000-00000000000B> }\n"
                        "Frame { { <00000000-0000-0000-0000-00000000000B> } }\n",
                        &doc),
              S_OK)
        << doc.Error().Text();
    EXPECT_EQ(doc.Find("a")->Guid().data4[7], 0x0A);
    EXPECT_EQ(doc.Find("b")->Guid().data4[7], 0x0B);
    EXPECT_EQ(doc.Objects()[2]->Children()[0].target, doc.Find("b"));
    EXPECT_TRUE(doc.Objects()[2]->Children()[0].referenceName.empty());
}

TEST_F(XFileTest, ReferencesResolveToTheFirstObjectOfTheirName) {
    XDocument doc;
    ASSERT_EQ(ParseBody("Frame Root { Frame Inner { } { Later } }\n"
                        "Frame Later { }\n"
                        "Frame Inner { }\n"
                        "Frame Last { { Inner } { Root } }\n",
                        &doc),
              S_OK)
        << doc.Error().Text();
    const XData* root = doc.Find("Root");
    EXPECT_EQ(root->Children()[1].target, doc.Find("Later"));  // forward references resolve
    const XData* last = doc.Find("Last");
    EXPECT_EQ(last->Children()[0].target, root->Children()[0].object);
    EXPECT_EQ(last->Children()[1].target, root);
    EXPECT_EQ(doc.Find("Nobody"), nullptr);
    EXPECT_EQ(doc.Find(""), nullptr);
}

TEST_F(XFileTest, RestrictionsOfTheTemplatesAreEnforced) {
    const struct {
        const char* body;
        HRESULT status;
        uint32_t line;
    } cases[] = {
        {"AnimationSet {\n Animation { }\n}", S_OK, 0},
        {"AnimationSet {\n Frame { }\n}", DXFILEERR_BADOBJECT, 3},
        {"Vector { 1; 2; 3;\n Frame { } }", DXFILEERR_BADOBJECT, 3},
        {"Mesh m { 0; 0; }\nMeshMaterialList { 1; 0; { m } }", DXFILEERR_BADOBJECT, 3},
        {"Material m { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\nMeshMaterialList { 1; 0; { m } }", S_OK, 0},
        {"ProgressiveMesh { Url { 1; \"a\"; } }", S_OK, 0},
        {"ProgressiveMesh { Frame { } }", DXFILEERR_BADOBJECT, 2},
    };
    for (const auto& c : cases) {
        XDocument doc;
        EXPECT_EQ(ParseBody(c.body, &doc), c.status) << c.body << ": " << doc.Error().Text();
        EXPECT_EQ(doc.Error().line, c.line) << c.body;
    }
}

// Each fault of the text is reported with its status and the line to look at.
TEST_F(XFileTest, FaultsOfTheTextNameTheirLine) {
    const struct {
        const char* body;  // starts on line 2
        HRESULT status;
        uint32_t line;
        const char* message;
    } cases[] = {
        {"Frame Root {\n Frame Child {\n }\n", DXFILEERR_PARSEERROR, 2,
         "Frame 'Root' (line 2) is not closed"},
        {"Mesh m {\n 2;\n 1;2;3;,\n", DXFILEERR_PARSEERROR, 2, "end of file"},
        {"Frame {\n Mesh {\n 3;\n 1;2;3;,\n 4;5;6;;\n }\n}", DXFILEERR_BADARRAYSIZE, 7,
         "vertices[2 of 3].x: expected a FLOAT, found '}'"},
        {"Mesh {\n 1;\n 0;0;0;;\n 2;\n 3;0,0,0;;\n MeshNormals { 0; 0; }\n}",
         DXFILEERR_BADARRAYSIZE, 7, "faces[1 of 2].nFaceVertexIndices"},
        {"Mesh {\n 4000000000;\n 0;0;0;;\n}", DXFILEERR_BADARRAYSIZE, 4,
         "larger than the rest of the text"},
        {"Mesh {\n 1;\n 0;0;0;;\n 1;\n 3;0,0,0;;\n 7;\n}", DXFILEERR_BADARRAYSIZE, 7,
         "more values than its counts say"},
        {"Frame {\n Wing { }\n}", DXFILEERR_NOTEMPLATE, 3, "unknown template 'Wing'"},
        {"Header {\n 1;\n 1.2.3;\n 0; }", DXFILEERR_PARSEERROR, 4, "bad number '1.2.3'"},
        {"Header {\n 1;\n 2.5;\n 0; }", DXFILEERR_BADVALUE, 4, "minor: number '2.5' is not a WORD"},
        {"Header {\n 1; 70000; 0; }", DXFILEERR_BADVALUE, 3, "not a WORD"},
        {"Header {\n -1; 0; 0; }", DXFILEERR_BADVALUE, 3, "number '-1' is not a WORD"},
        {"Vector {\n 1; 1e39; 0; }", DXFILEERR_BADVALUE, 3, "y: number '1e39' is not a FLOAT"},
        {"Vector {\n 1;\n \"two\"; 3; }", DXFILEERR_PARSEERROR, 4,
         "expected a FLOAT, found string"},
        {"TextureFilename {\n 5; }", DXFILEERR_PARSEERROR, 3, "expected a STRING"},
        {"TextureFilename {\n \"a.bmp\n\"; }", DXFILEERR_PARSEERROR, 3, "unterminated string"},
        {"Frame {\n { Missing }\n}", DXFILEERR_BADDATAREFERENCE, 3,
         "the reference to 'Missing' in Frame (line 2) names no data object"},
        {"Frame {\n { <00000000-0000-0000-0000-000000000001> }\n}", DXFILEERR_BADDATAREFERENCE, 3,
         "names no data object"},
        {"Frame {\n { }\n}", DXFILEERR_BADDATAREFERENCE, 3, "needs a name or a GUID"},
        {"\n{ Root }", DXFILEERR_PARSEERROR, 3, "outside any data object"},
        {"Frame {\n template T { }\n}", DXFILEERR_PARSEERROR, 3, "templates belong at top level"},
        {"Frame Root\n Frame { }", DXFILEERR_PARSEERROR, 3, "expected '{', found name 'Frame'"},
        {"Frame {\n ] }", DXFILEERR_PARSEERROR, 3, "unexpected ']'"},
        {"\n\n}", DXFILEERR_PARSEERROR, 4, "expected a template or a data object"},
        {"template T {\n DWORD a;\n", DXFILEERR_PARSEERROR, 2, "template 'T' opened at line 2"},
        {"template T {\n Thing a;\n}", DXFILEERR_NOTEMPLATE, 3, "unknown member type 'Thing'"},
        {"template T {\n array DWORD a[n];\n DWORD n;\n}", DXFILEERR_BADARRAYSIZE, 3,
         "array size 'n' is not an earlier integer member"},
        {"template T {\n FLOAT n;\n array DWORD a[n];\n}", DXFILEERR_BADARRAYSIZE, 4,
         "not an earlier integer member"},
        {"template T {\n array DWORD a;\n}", DXFILEERR_PARSEERROR, 3, "has no size"},
        {"template T {\n CSTRING s;\n}", DXFILEERR_BADTYPE, 3, "CSTRING is not supported"},
        {"template DWORD {\n}", DXFILEERR_PARSEERROR, 2, "'DWORD' cannot name a template"},
        {"template T {\n DWORD a\n}", DXFILEERR_PARSEERROR, 4, "expected ';', found '}'"},
        {"template T {\n [ Frame Mesh ]\n}", DXFILEERR_PARSEERROR, 3, "expected ','"},
    };
    for (const auto& c : cases) {
        XDocument doc;
        EXPECT_EQ(ParseBody(c.body, &doc), c.status) << c.body << "\n-> " << doc.Error().Text();
        EXPECT_EQ(doc.Error().line, c.line) << c.body << "\n-> " << doc.Error().Text();
        EXPECT_NE(doc.Error().message.find(c.message), std::string::npos)
            << c.body << "\n-> " << doc.Error().Text();
        EXPECT_EQ(doc.Error().source, "test.x");
        EXPECT_TRUE(doc.Objects().empty()) << "a failed parse leaves no objects";
    }
}

TEST_F(XFileTest, CountFaultFixtureNamesTheMemberAndTheLine) {
    XDocument doc;
    EXPECT_EQ(ParseFixture("too_few_faces.x", &doc), DXFILEERR_BADARRAYSIZE);
    EXPECT_EQ(doc.Error().Text(),
              "too_few_faces.x:11: Mesh 'displayShort' (line 3): "
              "faces[2 of 3].nFaceVertexIndices: expected an integer, found name 'MeshNormals': "
              "the data ends before the array sizes say it does");
}

TEST_F(XFileTest, DeepNestingIsRefusedNotRecursedInto) {
    const auto nested = [](uint32_t depth) {
        std::string body;
        for (uint32_t i = 0; i < depth; ++i)
            body += "Frame {\n";
        for (uint32_t i = 0; i < depth; ++i)
            body += "}\n";
        return body;
    };
    XDocument doc;
    EXPECT_EQ(ParseBody(nested(kMaxXDepth), &doc), S_OK) << doc.Error().Text();
    EXPECT_EQ(ParseBody(nested(kMaxXDepth + 1), &doc), DXFILEERR_PARSEERROR);
    EXPECT_EQ(doc.Error().line, kMaxXDepth + 2);
    EXPECT_NE(doc.Error().message.find("nest deeper"), std::string::npos);
    EXPECT_EQ(ParseBody(nested(100000), &doc), DXFILEERR_PARSEERROR);

    // Templates wrapping one another: values as deep as the declarations allow are refused too.
    std::string chain = "template T0 { DWORD v; }\n";
    for (uint32_t i = 1; i <= kMaxXValueDepth + 1; ++i)
        chain += "template T" + std::to_string(i) + " { T" + std::to_string(i - 1) + " v; }\n";
    EXPECT_EQ(ParseBody(chain + "T" + std::to_string(kMaxXValueDepth - 1) + " { 1; }", &doc), S_OK)
        << doc.Error().Text();
    EXPECT_EQ(ParseBody(chain + "T" + std::to_string(kMaxXValueDepth + 1) + " { 1; }", &doc),
              DXFILEERR_PARSEERROR);
    EXPECT_NE(doc.Error().message.find("values nest deeper"), std::string::npos);
}

TEST_F(XFileTest, EmptyStructArraysCannotMultiplyBeyondTheValueLimit) {
    // Elements without members take no text, so only the value limit stops them.
    XDocument doc;
    EXPECT_EQ(ParseBody("template E { }\n"
                        "template Big { DWORD n; array E e[n][n]; }\n"
                        "Big { 2100; }\n" +
                            std::string(2200, ' '),
                        &doc),
              DXFILEERR_BADFILE);
    EXPECT_NE(doc.Error().message.find("values in one document"), std::string::npos);
}

TEST_F(XFileTest, SizeLimitsAreRefusedWithAClearError) {
    XDocument doc;
    std::string references = "Frame a { }\nFrame {\n";
    for (uint32_t i = 0; i < kMaxXEntries; ++i)
        references += "{a}";
    EXPECT_EQ(ParseBody(references + "\n}", &doc), DXFILEERR_BADFILE);
    EXPECT_EQ(doc.Error().line, 4u);
    EXPECT_NE(doc.Error().message.find("data objects and references"), std::string::npos);

    std::string templates;
    for (uint32_t i = 0; i <= kMaxXTemplates - m_templates.Size(); ++i)
        templates += "template T" + std::to_string(i) + " { }\n";
    EXPECT_EQ(ParseBody(templates, &doc), DXFILEERR_BADFILE);
    EXPECT_NE(doc.Error().message.find("more than 4096 templates"), std::string::npos);

    std::string huge = "xof 0302txt 0064\n";
    huge.resize(kMaxXTextBytes + 1, ' ');
    EXPECT_EQ(Parse(huge, &doc), DXFILEERR_BADFILE);

    // A CHAR may size an array, but not with a negative value.
    EXPECT_EQ(ParseBody("template C { CHAR n; array DWORD v[n]; }\nC {\n -2; 1; 2; }", &doc),
              DXFILEERR_BADARRAYSIZE);
    EXPECT_EQ(doc.Error().line, 4u);
    EXPECT_NE(doc.Error().message.find("negative array size -2"), std::string::npos);
}

TEST_F(XFileTest, EveryTruncationOfAModelFailsCleanlyOrParses) {
    const std::string text = ReadFixture("sdk_style_cube.x");
    for (size_t length = 0; length < text.size(); ++length) {
        XDocument doc;
        if (SUCCEEDED(ParseXText(text.data(), length, "cut.x", m_templates, &doc)))
            continue;
        const auto lines = 1 + std::count(text.begin(), text.begin() + length, '\n');
        EXPECT_GE(doc.Error().line, 1u) << length;
        EXPECT_LE(doc.Error().line, static_cast<uint32_t>(lines)) << length;
        EXPECT_FALSE(doc.Error().message.empty()) << length;
    }
    XDocument whole;
    EXPECT_EQ(ParseXText(text.data(), text.size(), "whole.x", m_templates, &whole), S_OK);
}

TEST_F(XFileTest, RegisteredTemplatesAreTheStandardSetWithTheirGuids) {
    const char* names[] = {
        "Header",
        "Vector",
        "Coords2d",
        "Matrix4x4",
        "ColorRGBA",
        "ColorRGB",
        "IndexedColor",
        "Boolean",
        "Boolean2d",
        "MaterialWrap",
        "TextureFilename",
        "Material",
        "MeshFace",
        "MeshFaceWraps",
        "MeshTextureCoords",
        "MeshMaterialList",
        "MeshNormals",
        "MeshVertexColors",
        "Mesh",
        "FrameTransformMatrix",
        "Frame",
        "FloatKeys",
        "TimedFloatKeys",
        "AnimationKey",
        "AnimationOptions",
        "Animation",
        "AnimationSet",
        "InlineData",
        "Url",
        "ProgressiveMesh",
        "Guid",
        "StringProperty",
        "PropertyBag",
        "ExternalVisual",
        "RightHanded",
    };
    EXPECT_EQ(m_templates.Size(), 35u);
    for (const char* name : names)
        EXPECT_GE(m_templates.Find(name), 0) << name;
    const auto guidOf = [&](const char* name) {
        return m_templates.At(m_templates.Find(name)).guid.Text();
    };
    EXPECT_EQ(guidOf("Mesh"), "3D82AB44-62DA-11CF-AB39-0020AF71E433");
    EXPECT_EQ(guidOf("Frame"), "3D82AB46-62DA-11CF-AB39-0020AF71E433");
    EXPECT_EQ(guidOf("AnimationKey"), "10DD46A8-775B-11CF-8F52-0040333594A3");
    EXPECT_EQ(guidOf("RightHanded"), "7F5D5EA0-D53A-11D1-82C0-00A0C9697271");
    const XTemplate& mesh = m_templates.At(m_templates.Find("Mesh"));
    EXPECT_EQ(mesh.restriction, XRestriction::Open);
    ASSERT_EQ(mesh.members.size(), 4u);
    EXPECT_EQ(mesh.members[1].dimensions[0].member, 0);
    const XTemplate& list = m_templates.At(m_templates.Find("MeshMaterialList"));
    EXPECT_EQ(list.restriction, XRestriction::Restricted);
    ASSERT_EQ(list.allowed.size(), 1u);
    EXPECT_EQ(list.allowed[0].name, "Material");
    EXPECT_EQ(m_templates.At(m_templates.Find("Vector")).restriction, XRestriction::Closed);
}

TEST_F(XFileTest, RegisteringTemplatesAddsThemOrLeavesTheSetAlone) {
    XTemplateSet set = m_templates;
    const std::string skin =
        "xof 0303txt 0032\n"
        "template XSkinMeshHeader {\n <3CF169CE-FF7C-44ab-93C0-F78F62D172E2>\n"
        " WORD nMaxSkinWeightsPerVertex; WORD nMaxSkinWeightsPerFace;\n"
        " WORD nBones;\n}\n";
    XError error;
    ASSERT_EQ(RegisterXTemplates(skin.data(), skin.size(), "skin", &set, &error), S_OK)
        << error.Text();
    EXPECT_EQ(set.Size(), 36u);
    EXPECT_GE(set.Find("XSkinMeshHeader"), 0);
    XDocument doc;
    const std::string model = "xof 0302txt 0064 XSkinMeshHeader { 2; 3; 19; }";
    ASSERT_EQ(ParseXText(model.data(), model.size(), "m.x", set, &doc), S_OK) << doc.Error().Text();
    EXPECT_EQ(doc.Objects()[0]->Dword("nBones"), 19u);

    const std::string withData = skin + "Header { 1; 0; 1; }\n";
    EXPECT_EQ(RegisterXTemplates(withData.data(), withData.size(), "mixed", &set, &error),
              DXFILEERR_BADOBJECT);
    EXPECT_EQ(error.line, 7u);
    EXPECT_EQ(error.source, "mixed");
    EXPECT_EQ(set.Size(), 36u);
}

TEST_F(XFileTest, ModelResourcesAreFoundWithoutRegardToCase) {
    XDocument doc;
    EXPECT_EQ(ParseXResource("Dammy.x", m_templates, &doc), S_OK) << doc.Error().Text();
    EXPECT_EQ(doc.Source(), "Dammy.x");
    EXPECT_EQ(ParseXResource("test_mixed_case.X", m_templates, &doc), S_OK) << doc.Error().Text();

    EXPECT_EQ(ParseXResource("NO_SUCH_MODEL.X", m_templates, &doc), DXFILEERR_RESOURCENOTFOUND);
    EXPECT_EQ(doc.Error().Text(), "NO_SUCH_MODEL.X: no MODEL resource of that name");
    EXPECT_EQ(ParseXResource("CLOCK.FPP", m_templates, &doc), DXFILEERR_RESOURCENOTFOUND);
    EXPECT_EQ(ParseXResource(nullptr, m_templates, &doc), DXFILEERR_RESOURCENOTFOUND);
}

TEST_F(XFileTest, EveryShippedModelResourceParses) {
    for (unsigned i = 0; i < EmbeddedResourceCount(); ++i) {
        const EmbeddedResource& resource = EmbeddedResourceAt(i);
        if (std::strcmp(resource.type, "MODEL") != 0 || strncasecmp(resource.name, "TEST", 4) == 0)
            continue;
        XDocument doc;
        EXPECT_EQ(ParseXResource(resource.name, m_templates, &doc), S_OK) << doc.Error().Text();
    }
}
}  // namespace

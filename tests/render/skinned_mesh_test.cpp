// SkinnedMesh without a device: the loader's tree order and name search, refused animation
// data, bones, replacing a model, and playback: segments, wraps, key bracketing, the squad
// rotation with its w negation against matrix keys.
#include "render/skinned_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "app/trace_log.h"
#include "render/skinned_animation.h"
#include "tests/platform/d3dx/skinned_x_text.h"

namespace {

std::string Model(const std::string& body) {
    return "xof 0302txt 0064\n" + body;
}

std::string Frame(const std::string& name, double x, const std::string& inside = "") {
    return "Frame " + name + " {\n FrameTransformMatrix { " + skintest::Translation(x, 0, 0) +
           ";; }\n" + inside + "}\n";
}

// An animation of frame `target` with key lists written as "type;count;keys".
std::string Animation(const std::string& target, const std::string& keys) {
    return "Animation {\n { " + target + " }\n" + keys + "}\n";
}

std::string Keys(int type, const std::string& list, int count) {
    return " AnimationKey {\n  " + std::to_string(type) + ";\n  " + std::to_string(count) +
           ";\n  " + list + ";\n }\n";
}

HRESULT Load(SkinnedMesh* mesh, const std::string& text, const char* name = "TEST.X") {
    return mesh->LoadModelFromText(text.data(), text.size(), name);
}

FrameNode* Root(const SkinnedMesh& mesh) {
    return mesh.Selected()->m_pRoot;
}

bool Near(const D3DXMATRIX& a, const D3DXMATRIX& b, float tolerance = 1e-5f) {
    for (int k = 0; k < 16; ++k)
        if (std::fabs(a.m[k / 4][k % 4] - b.m[k / 4][k % 4]) > tolerance)
            return false;
    return true;
}

TEST(SkinnedMeshLoad, ChildrenComeOutFirstThirdSecondAndNamesAreFoundInThatOrder) {
    SkinnedMesh mesh;
    const std::string text = Model(
        Frame("P", 0.0,
              Frame("First", 1.0) + Frame("Dup", 2.0) + Frame("Dup", 3.0) + Frame("Last", 4.0)) +
        "AnimationSet { " + Animation("Dup", Keys(2, "0;3;5.0,0.0,0.0;;", 1)) + "}\n");
    ASSERT_EQ(Load(&mesh, text), S_OK) << mesh.LastError();
    FrameNode* p = Root(mesh)->m_pFirstChild;
    ASSERT_STREQ(p->m_szName, "P");
    // Read First, Dup(2), Dup(3), Last; linked First, Last, Dup(3), Dup(2).
    const FrameNode* c = p->m_pFirstChild;
    const double order[] = {1.0, 4.0, 3.0, 2.0};
    for (double x : order) {
        ASSERT_NE(c, nullptr);
        EXPECT_FLOAT_EQ(c->m_matRest._41, static_cast<float>(x));
        c = c->m_pSibling;
    }
    EXPECT_EQ(c, nullptr);
    // The root's second child is the animation set, linked behind P.
    ASSERT_NE(p->m_pSibling, nullptr);
    const FrameNode* animation = mesh.Selected()->m_pAnimationHead;
    ASSERT_NE(animation, nullptr);
    EXPECT_FLOAT_EQ(animation->m_pTarget->m_matRest._41, 3.0f);
    EXPECT_EQ(FindFrameFromRoot(Root(mesh), "Dup"), animation->m_pTarget);
    EXPECT_EQ(FindFrameFromRoot(Root(mesh), "dup"), nullptr);  // exact bytes
    EXPECT_EQ(mesh.m_fAnimLength, 0.0f);                       // the last key time
}

TEST(SkinnedMeshLoad, MalformedAnimationDataFailsWithInvalidArgAndLeavesNothing) {
    const std::string bone = Frame("Bone", 0.0);
    const std::string guidFrame =
        "Frame <11111111-2222-3333-4444-555555555555> { FrameTransformMatrix { " +
        skintest::Translation(0, 0, 0) + ";; } }\n";
    const std::string position = Keys(2, "0;3;1.0,0.0,0.0;;", 1);
    const struct {
        const char* what;
        std::string text;
        const char* message;
    } cases[] = {
        {"a frame read after the reference",
         Model("AnimationSet { " + Animation("Bone", position) + "}\n" + bone), "not read before"},
        {"a second target",
         Model(bone + Frame("Other", 1.0) + "AnimationSet { Animation { { Bone } { Other } " +
               position + "} }\n"),
         "second frame"},
        {"a nameless reference",
         Model(guidFrame +
               "AnimationSet { Animation { { <11111111-2222-3333-4444-555555555555> } " + position +
               "} }\n"),
         "has no name"},
        {"a duplicate key type",
         Model(bone + "AnimationSet { " + Animation("Bone", position + position) + "}\n"),
         "second key list of type 2"},
        {"key type 3",
         Model(bone + "AnimationSet { " + Animation("Bone", Keys(3, "0;3;1.0,0.0,0.0;;", 1)) +
               "}\n"),
         "key type 3"},
        {"a position key of four values",
         Model(bone + "AnimationSet { " + Animation("Bone", Keys(2, "0;4;1.0,0.0,0.0,0.0;;", 1)) +
               "}\n"),
         "has 4 values"},
    };
    for (const auto& c : cases) {
        SkinnedMesh mesh;
        const size_t traced = g_traceLog.Length();
        EXPECT_EQ(Load(&mesh, c.text), E_INVALIDARG) << c.what;
        EXPECT_EQ(mesh.Elements(), nullptr) << c.what;
        EXPECT_EQ(mesh.Selected(), nullptr) << c.what;
        EXPECT_NE(mesh.LastError().find(c.message), std::string::npos)
            << c.what << ": " << mesh.LastError();
        EXPECT_NE(mesh.LastError().find("TEST.X: "), std::string::npos) << mesh.LastError();
        EXPECT_NE(mesh.LastError().find("(line "), std::string::npos) << mesh.LastError();
        EXPECT_STREQ(g_traceLog.Text() + traced,
                     "\t\tCreateEnumObject...\n"
                     "SkinnedMesh Loading Failed...-2147024809\n")
            << c.what;
    }
}

TEST(SkinnedMeshLoad, BadSkinDataAndUnknownBonesAreRefusedWithTheirLine) {
    // A bone naming no frame fails the load rather than leave a palette entry without a matrix.
    std::string text = skintest::TubeModel(3, false);
    const size_t at = text.find("\"Bone2\"");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 7, "\"Ghost\"");
    SkinnedMesh mesh;
    EXPECT_EQ(Load(&mesh, text), E_INVALIDARG);
    EXPECT_EQ(mesh.Elements(), nullptr);
    EXPECT_NE(mesh.LastError().find("bone 'Ghost' of mesh 'TubeSkin' names no frame"),
              std::string::npos)
        << mesh.LastError();

    // More keys promised than written: the reader stops at the line.
    SkinnedMesh keys;
    EXPECT_TRUE(
        FAILED(Load(&keys, Model(Frame("Bone", 0.0) + "AnimationSet { " +
                                 Animation("Bone", Keys(2, "0;3;1.0,0.0,0.0;;", 2)) + "}\n"))));
    EXPECT_EQ(keys.Elements(), nullptr);
    EXPECT_NE(keys.LastError().find("TEST.X:"), std::string::npos) << keys.LastError();

    // A vertex index past the mesh.
    std::string past = skintest::TubeModel(2, false);
    const size_t weights = past.find("\"Bone1\";\n   ");
    ASSERT_NE(weights, std::string::npos);
    const size_t list = past.find(";\n   ", weights + 10) + 5;
    past.replace(list, past.find(',', list) - list, "999");
    SkinnedMesh skin;
    EXPECT_EQ(Load(&skin, past), D3DXERR_INVALIDDATA);
    EXPECT_NE(skin.LastError().find("names vertex 999 of a mesh of 18"), std::string::npos)
        << skin.LastError();
}

TEST(SkinnedMeshLoad, MeshesGetTheirBlendedFormPaletteAndPlainMeshesTheirMaterials) {
    SkinnedMesh mesh;
    ASSERT_EQ(Load(&mesh, skintest::TubeModel(3)), S_OK) << mesh.LastError();
    const MeshContainer* skinned = Root(mesh)->m_pFirstChild->m_pMeshContainers;
    ASSERT_NE(skinned, nullptr);
    EXPECT_EQ(skinned->BoneCount(), 3u);
    EXPECT_EQ(skinned->m_dwPaletteSize, 3u);
    EXPECT_EQ(skinned->m_dwInfluences, 2u);
    EXPECT_EQ(skinned->m_pMesh->GetFVF(), 0x1258u);
    EXPECT_EQ(skinned->m_dwMethodUsed, kSkinningMethodIndexedShader);
    EXPECT_EQ(skinned->m_bSoftware, 1u);  // the default caps report no vertex shader 1.1
    EXPECT_EQ(skinned->m_pMaterials[0].Ambient.r, skinned->m_pMaterials[0].Diffuse.r);
    for (DWORD b = 0; b < 3; ++b)
        EXPECT_EQ(
            skinned->m_ppBoneMatrices[b],
            &FindFrameFromRoot(Root(mesh), ("Bone" + std::to_string(b)).c_str())->m_matCombined);
    EXPECT_EQ(mesh.m_fAnimLength, 4800.0f);

    SkinnedMesh plain;
    ASSERT_EQ(Load(&plain, Model("Mesh Plain {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 3;0,2,1;;\n"
                                 " MeshMaterialList { 2; 1; 1;; Material { 1;0;0;1;; 0; 0;0;0;; "
                                 "0;0;0;; } Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } }\n}\n"
                                 "Mesh Empty {\n 0;;\n 0;;\n}\n")),
              S_OK)
        << plain.LastError();
    const MeshContainer* c = Root(plain)->m_pMeshContainers;
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->m_pNext, nullptr);  // the empty mesh is skipped
    EXPECT_EQ(c->m_pSkinMesh, nullptr);
    EXPECT_EQ(c->m_dwGroupCount, 2u);
    EXPECT_EQ(c->m_dwMaterialCount, 2u);
    EXPECT_EQ(c->m_pMaterials[1].Ambient.g, 1.0f);
}

TEST(SkinnedMeshLoad, ASecondModelReplacesTheFirstOnlyOnceItHasLoaded) {
    SkinnedMesh mesh;
    ASSERT_EQ(Load(&mesh, Model(Frame("A", 1.0)), "A.X"), S_OK);
    DrawElement* first = mesh.Selected();
    EXPECT_EQ(Load(&mesh, "xof 0302txt 0064\nFrame {", "BROKEN.X") < 0, true);
    EXPECT_EQ(mesh.Selected(), first);
    EXPECT_STREQ(mesh.Elements()->m_szName, "A.X");
    ASSERT_EQ(Load(&mesh, Model(Frame("B", 2.0)), "B.X"), S_OK);
    EXPECT_STREQ(mesh.Selected()->m_szName, "B.X");
    EXPECT_EQ(mesh.Elements(), mesh.Selected());
    EXPECT_EQ(mesh.Elements()->m_pNext, nullptr);
    EXPECT_STREQ(Root(mesh)->m_pFirstChild->m_szName, "B");
    mesh.DestroyObjects();
    EXPECT_EQ(mesh.Elements(), nullptr);
    mesh.DestroyObjects();  // twice is harmless
    mesh.ReleaseDeviceObjects();
}

// ---- Playback ---------------------------------------------------------------------------------

struct Played {
    SkinnedMesh mesh;
    FrameNode* bone = nullptr;
    explicit Played(const std::string& keys, const std::string& extraFrames = "") {
        EXPECT_EQ(Load(&mesh, Model(Frame("Bone", 7.0) + extraFrames + "AnimationSet { " +
                                    Animation("Bone", keys) + "}\n")),
                  S_OK)
            << mesh.LastError();
        bone = FindFrameFromRoot(mesh.Selected()->m_pRoot, "Bone");
    }
    float X() const { return bone->m_matLocal._41; }
};

TEST(SkinnedAnimation, EachKeyListWrapsOnItsOwnLastTimeAndLandsOnKeysExactly) {
    // Scale keys end at 1000, position keys at 3000.
    Played p(Keys(1, "0;3;1.0,1.0,1.0;;, 1000;3;3.0,3.0,3.0;;", 2) +
             Keys(2, "0;3;0.0,0.0,0.0;;, 1000;3;10.0,0.0,0.0;;, 3000;3;30.0,0.0,0.0;;", 3));
    EXPECT_EQ(p.mesh.m_fAnimLength, 3000.0f);
    p.mesh.PoseAt(1500.0f);
    EXPECT_FLOAT_EQ(p.bone->m_matLocal._11, 2.0f);  // scale at fmod(1500, 1000) = 500
    EXPECT_FLOAT_EQ(p.X(), 15.0f);                  // position halfway from 1000 to 3000
    p.mesh.PoseAt(1000.0f);                         // exactly on a key: that key, f = 0
    EXPECT_FLOAT_EQ(p.X(), 10.0f);
    EXPECT_FLOAT_EQ(p.bone->m_matLocal._11, 1.0f);  // the scale list wrapped to its start
    p.mesh.PoseAt(3000.0f);
    EXPECT_FLOAT_EQ(p.X(), 0.0f);

    // A single key at time 0 always wins; without position keys the rest translation stays.
    Played single(Keys(1, "0;3;2.0,2.0,2.0;;", 1));
    for (float t : {0.0f, 1.0f, 4800.0f, 98400.0f}) {
        single.mesh.PoseAt(t);
        EXPECT_FLOAT_EQ(single.bone->m_matLocal._22, 2.0f) << t;
        EXPECT_FLOAT_EQ(single.X(), 7.0f) << t;
    }
}

TEST(SkinnedAnimation, MatrixKeysArePickedNotBlendedAndRotationKeysTurnLikeThem) {
    D3DXMATRIX a, b;
    D3DXMatrixTranslation(&a, 1.0f, 0.0f, 0.0f);
    D3DXMatrixTranslation(&b, 2.0f, 0.0f, 0.0f);
    auto text = [](const D3DXMATRIX& m) {
        std::string s;
        for (int k = 0; k < 16; ++k)
            s += (k ? "," : "") + skintest::Number(m.m[k / 4][k % 4]);
        return s;
    };
    Played matrices(Keys(4, "0;16;" + text(a) + ";;, 100;16;" + text(b) + ";;", 2) +
                    Keys(2, "0;3;50.0,0.0,0.0;;", 1));
    matrices.mesh.PoseAt(50.0f);  // f = 0.5 takes the earlier key
    EXPECT_FLOAT_EQ(matrices.X(), 1.0f);
    matrices.mesh.PoseAt(51.0f);
    EXPECT_FLOAT_EQ(matrices.X(), 2.0f);

    // A quarter turn about y as a rotation key (w, x, y, z in the file) poses the frame as the
    // matrix key of the rotation it stands for: the player negates w, so the key's rotation is
    // the inverse of D3DX's reading of the same quaternion.
    const double s = std::sqrt(0.5);
    Played rotation(
        Keys(0, "0;4;" + skintest::Number(s) + ",0.0," + skintest::Number(s) + ",0.0;;", 1));
    rotation.mesh.PoseAt(0.0f);
    D3DXMATRIX turn;
    D3DXMatrixRotationY(&turn, -1.5707964f);
    turn._41 = 7.0f;  // the rest translation
    EXPECT_TRUE(Near(rotation.bone->m_matLocal, turn));
    Played matrix(Keys(4, "0;16;" + text(turn) + ";;", 1));
    matrix.mesh.PoseAt(0.0f);
    EXPECT_TRUE(Near(matrix.bone->m_matLocal, rotation.bone->m_matLocal));
    D3DXVECTOR3 tip(1.0f, 0.0f, 0.0f), turned;
    D3DXVec3TransformNormal(&turned, &tip, &rotation.bone->m_matLocal);
    EXPECT_NEAR(turned.z, 1.0f, 1e-6f);  // +x turns to +z
}

TEST(SkinnedAnimation, AdvanceDropsTheOvershootAndHonoursItsSegment) {
    Played p(Keys(2, "0;3;0.0,0.0,0.0;;, 4800;3;4800.0,0.0,0.0;;", 2));
    // Segment 0 or a count of 0 changes nothing while the segment is still to be computed.
    EXPECT_EQ(p.mesh.AdvanceBy(0.5f, 0, 1), S_OK);
    EXPECT_EQ(p.mesh.AdvanceBy(0.5f, 1, 0), S_OK);
    EXPECT_EQ(p.mesh.Selected()->m_fTime, 0.0f);
    EXPECT_FLOAT_EQ(p.X(), 7.0f);  // not yet posed
    p.mesh.AdvanceBy(0.9f, 1, 1);
    EXPECT_FLOAT_EQ(p.mesh.Selected()->m_fTime, 4320.0f);
    EXPECT_NEAR(p.X(), 4320.0f, 0.01f);
    p.mesh.AdvanceBy(0.2f, 1, 1);  // 5280 is past 4800: back to 0, not to 480
    EXPECT_EQ(p.mesh.Selected()->m_fTime, 0.0f);
    p.mesh.AdvanceBy(0.1f, 1, 1);
    EXPECT_FLOAT_EQ(p.mesh.Selected()->m_fTime, 480.0f);
    // The second half of two segments, computed at the wrap.
    p.mesh.AdvanceBy(1.0f, 1, 1);  // 5280: wraps, flag set
    p.mesh.AdvanceBy(0.0f, 2, 2);
    EXPECT_FLOAT_EQ(p.mesh.Selected()->m_fTime, 2400.0f);  // clamped up to the segment start

    // Without keys the segment is empty and every call starts over.
    SkinnedMesh still;
    ASSERT_EQ(Load(&still, Model(Frame("Bone", 0.0))), S_OK);
    EXPECT_EQ(still.m_fAnimLength, 0.0f);
    still.AdvanceBy(0.01f, 1, 1);
    EXPECT_EQ(still.Selected()->m_fTime, 0.0f);
}

TEST(SkinnedAnimation, TheLoopLengthIsNeverReset) {
    SkinnedMesh mesh;
    ASSERT_EQ(
        Load(&mesh, Model(Frame("Bone", 0.0) + "AnimationSet { " +
                          Animation("Bone", Keys(2, "0;3;0.0,0.0,0.0;;, 9000;3;1.0,0.0,0.0;;", 2)) +
                          "}\n")),
        S_OK);
    ASSERT_EQ(
        Load(&mesh, Model(Frame("Bone", 0.0) + "AnimationSet { " +
                          Animation("Bone", Keys(2, "0;3;0.0,0.0,0.0;;, 100;3;1.0,0.0,0.0;;", 2)) +
                          "}\n")),
        S_OK);
    EXPECT_EQ(mesh.m_fAnimLength, 9000.0f);
}

TEST(SkinnedAnimation, UpdateFramesCarriesTheWorldOnTheRootAndChainsTheBones) {
    SkinnedMesh mesh;
    ASSERT_EQ(Load(&mesh, skintest::TubeModel(3, false)), S_OK) << mesh.LastError();
    D3DXMATRIX world, scale, move;
    D3DXMatrixScaling(&scale, 3.0f, 3.0f, 3.0f);
    D3DXMatrixTranslation(&move, 10.0f, 20.0f, 30.0f);
    world = scale * move;
    mesh.UpdateFrames(world);
    EXPECT_TRUE(Near(Root(mesh)->m_matCombined, world));
    const FrameNode* bone2 = FindFrameFromRoot(Root(mesh), "Bone2");
    D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f), at;
    D3DXVec3TransformCoord(&at, &origin, &bone2->m_matCombined);
    EXPECT_NEAR(at.x, 10.0f, 1e-5f);
    EXPECT_NEAR(at.z, 30.0f + 3.0f * 2.0f, 1e-4f);  // two segments out, scaled by 3
}

}  // namespace

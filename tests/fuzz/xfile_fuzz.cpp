// libFuzzer target of the .X text reader: any bytes must parse or fail with a located error,
// never crash, hang or read out of bounds; every view of a parsed document must be safe to read,
// rightly or wrongly typed; and the skinned loader must load the bytes or refuse them with a
// message, posing what it loaded at any time. A broken invariant traps, so the fuzzer reports it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/trace_log.h"
#include "platform/xfile/xfile_dump.h"
#include "platform/xfile/xfile_parser.h"
#include "render/skinned_mesh.h"

TraceLog g_traceLog(".");  // the skinned loader traces; the scene's globals are not linked

namespace {
void Require(bool condition) {
    if (!condition) __builtin_trap();
}

// Reads a value every way there is, the wrong ways included, and recurses into its elements.
void ReadEveryWay(const XValue& value, uint32_t depth) {
    Require(depth <= 2 * kMaxXValueDepth);  // the parser bounds nesting; runaway depth is a fault
    value.AsDword();
    value.AsFloat();
    value.AsDouble();
    value.AsString();
    value.Member("x");
    value.Array("vertices");
    value.Struct("frameMatrix");
    value.At(value.Size());
    value.MemberName(value.Size());
    for (uint32_t i = 0; i < value.Size(); ++i) {
        const XValue element = value.At(i);
        Require(element.IsValid());
        if (value.Kind() == XValueKind::Struct) Require(value.Has(value.MemberName(i)) ||
                                                        value.MemberName(i)[0] == '\0');
        ReadEveryWay(element, depth + 1);
    }
}

void CheckObject(const XDocument& document, const XData& object) {
    Require(object.IsValid() && object.Kind() == XValueKind::Struct);
    Require(object.Template() != nullptr);
    ReadEveryWay(object, 0);
    for (const XChild& child : object.Children()) {
        if (child.kind == XChildKind::Object) {
            Require(child.object && !child.target && child.object->Parent() == &object);
            CheckObject(document, *child.object);
        } else {
            Require(child.target && !child.object);
            if (!child.referenceName.empty()) Require(document.Find(child.referenceName));
        }
    }
}
// Every container's bone combinations cover its faces once, in order, inside the mesh.
void CheckContainers(const FrameNode* node) {
    for (; node; node = node->m_pSibling) {
        for (const MeshContainer* c = node->m_pMeshContainers; c; c = c->m_pNext) {
            Require(c->m_pMesh != nullptr);
            if (!c->m_pSkinMesh)
                continue;
            const D3DXBONECOMBINATION* table = c->BoneCombinations();
            DWORD faces = 0;
            for (DWORD i = 0; i < c->m_dwGroupCount; ++i) {
                Require(table[i].FaceStart == faces);
                faces += table[i].FaceCount;
                Require(table[i].VertexStart + table[i].VertexCount <=
                        c->m_pMesh->GetNumVertices());
                for (DWORD j = 0; j < c->m_dwPaletteSize; ++j)
                    Require(table[i].BoneId[j] == kNoBone || table[i].BoneId[j] < c->BoneCount());
            }
            Require(faces == c->m_pMesh->GetNumFaces());
            for (DWORD b = 0; b < c->BoneCount(); ++b)
                Require(c->m_ppBoneMatrices[b] != nullptr);
        }
        CheckContainers(node->m_pFirstChild);
    }
}

void LoadSkinned(const uint8_t* data, size_t size) {
    SkinnedMesh mesh;
    const HRESULT hr = mesh.LoadModelFromText(data, size, "fuzz.x");
    Require(SUCCEEDED(hr) == (mesh.Selected() != nullptr));
    if (FAILED(hr)) {
        Require(!mesh.LastError().empty());
        return;
    }
    CheckContainers(mesh.Selected()->m_pRoot);
    for (float t : {0.0f, 1.0f, 0.5f * mesh.m_fAnimLength, mesh.m_fAnimLength, 1e9f}) {
        mesh.PoseAt(t);
        mesh.UpdateFrames(D3DXMATRIX());
    }
    mesh.AdvanceBy(0.03f, 1, 1);
    mesh.AdvanceBy(1e6f, 1, 1);
    mesh.ReleaseDeviceObjects();
    mesh.DestroyObjects();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const XTemplateSet kTemplates = [] {
        XTemplateSet set;
        Require(SUCCEEDED(RegisterStandardXTemplates(&set)));
        return set;
    }();

    XDocument document;
    const HRESULT hr = ParseXText(data, size, "fuzz.x", kTemplates, &document);
    if (FAILED(hr)) {
        Require(document.Status() == hr && document.Objects().empty());
        Require(!document.Error().message.empty());
        uint32_t lines = 1;
        for (size_t i = 0; i < size; ++i) lines += data[i] == '\n';
        Require(document.Error().line <= lines);
    } else {
        for (const XData* object : document.Objects()) {
            Require(object->Parent() == nullptr);
            CheckObject(document, *object);
        }
        Require(!DumpXDocument(document).empty());
    }

    if (SUCCEEDED(hr))
        LoadSkinned(data, size);

    XTemplateSet extended = kTemplates;
    XError error;
    if (FAILED(RegisterXTemplates(data, size, "fuzz.x", &extended, &error)))
        Require(extended.Size() == kTemplates.Size() && error.Failed());
    return 0;
}

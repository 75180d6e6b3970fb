#include "render/skinned_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/trace_log.h"
#include "platform/d3dx/d3dx_shader.h"
#include "platform/d3dx/d3dx_texture.h"
#include "platform/xfile/xfile_parser.h"
#include "render/skinned_animation.h"
#include "render/vertex_declarations.h"

namespace {
constexpr DWORD kVertexShader11 = 0xFFFE0101u;  // D3DVS_VERSION(1, 1)
const char* const kSkinningShaders[kSkinningShaderCount] = {"skinmesh1.vsh", "skinmesh2.vsh",
                                                            "skinmesh3.vsh", "skinmesh4.vsh"};

std::string Where(const XData& object, uint32_t line) {
    const std::string what = object.Name().empty()
                                 ? "a " + object.TemplateName()
                                 : object.TemplateName() + " '" + object.Name() + "'";
    return what + " (line " + std::to_string(line) + ")";
}

// Calls visit(container) for every container of the tree under node (node, its first child's
// subtree, then its siblings').
template <typename Visit>
void ForEachContainer(FrameNode* node, Visit visit) {
    for (; node; node = node->m_pSibling) {
        for (MeshContainer* c = node->m_pMeshContainers; c; c = c->m_pNext)
            visit(c);
        ForEachContainer(node->m_pFirstChild, visit);
    }
}

// The values an AnimationKey of each type carries per key.
DWORD ValuesPerKey(DWORD keyType) {
    switch (keyType) {
        case 0:
            return 4;  // rotation w, x, y, z
        case 1:
        case 2:
            return 3;  // scale, position
        case 4:
            return 16;  // matrix
        default:
            return 0;
    }
}
}  // namespace

HRESULT SkinnedMesh::InitDeviceObjects(IDirect3DDevice8* device, const D3DCAPS8& caps,
                                       const char* name) {
    return Init(device, caps, name, nullptr, 0);
}

HRESULT SkinnedMesh::InitDeviceObjectsFromText(IDirect3DDevice8* device, const D3DCAPS8& caps,
                                               const void* text, size_t size, const char* name) {
    return Init(device, caps, name, text ? text : "", text ? size : 0);
}

HRESULT SkinnedMesh::Init(IDirect3DDevice8* device, const D3DCAPS8& caps, const char* name,
                          const void* text, size_t size) {
    m_pDevice = device;
    m_caps = caps;
    std::snprintf(m_szResourceName, sizeof m_szResourceName, "%s", name ? name : "");
    Load(text, size);  // a model that fails to load leaves nothing to draw
    g_traceLog.Append("\t\tD3DXCreateTextureFromResource...\n");
    if (m_pToonRamp) {
        m_pToonRamp->Release();
        m_pToonRamp = nullptr;
    }
    if (FAILED(D3DXCreateTextureFromResourceA(device, "Toon.bmp", &m_pToonRamp))) {
        m_pToonRamp = nullptr;
        g_traceLog.Append("\t\tFailed\n");
        return E_FAIL;
    }
    return S_OK;
}

HRESULT SkinnedMesh::Fail(HRESULT status, const std::string& message) {
    if (m_strLastError.empty())
        m_strLastError = std::string(m_szResourceName) + ": " + message;
    return status;
}

HRESULT SkinnedMesh::LoadModel() {
    return Load(nullptr, 0);
}

HRESULT SkinnedMesh::LoadModelFromText(const void* text, size_t size, const char* name) {
    std::snprintf(m_szResourceName, sizeof m_szResourceName, "%s", name ? name : "");
    return Load(text ? text : "", text ? size : 0);
}

HRESULT SkinnedMesh::Load(const void* text, size_t size) {
    m_strLastError.clear();
    DrawElement* element = new (std::nothrow) DrawElement();
    if (element)
        element->m_pRoot = new (std::nothrow) FrameNode();
    HRESULT hr = S_OK;
    if (!element || !element->m_pRoot) {
        hr = Fail(E_OUTOFMEMORY, "out of memory for the model");
    } else if (std::strlen(m_szResourceName) < 2) {
        hr = Fail(E_FAIL, "the resource name is shorter than 2 characters");
    } else {
        XTemplateSet templates;
        hr = RegisterStandardXTemplates(&templates);
        if (FAILED(hr)) {
            Fail(hr, "the standard templates do not register");
        } else {
            g_traceLog.Append("\t\tCreateEnumObject...\n");
            XDocument document;
            hr = text ? ParseXText(text, size, m_szResourceName, templates, &document)
                      : ParseXResource(m_szResourceName, templates, &document);
            if (FAILED(hr)) {
                g_traceLog.Append("\t\tFailed\n");
                m_strLastError = document.Error().Text();
            } else {
                for (const XData* object : document.Objects()) {
                    hr = ReadObject(object, element, element->m_pRoot);
                    if (FAILED(hr))
                        break;
                }
                if (SUCCEEDED(hr))
                    hr = LinkBones(element->m_pRoot, element);
            }
        }
    }
    if (SUCCEEDED(hr)) {
        bool failed = false;
        element->m_szName = CopyName(m_szResourceName, &failed);
        if (failed)
            hr = Fail(E_OUTOFMEMORY, "out of memory for the model's name");
    }
    m_hrLastLoad = hr;
    if (FAILED(hr)) {
        delete element;
        g_traceLog.AppendFormat("SkinnedMesh Loading Failed...%d\n", static_cast<int>(hr));
        return hr;
    }
    if (m_pSelected) {
        DrawElement** link = &m_pElements;
        while (*link && *link != m_pSelected)
            link = &(*link)->m_pNext;
        if (*link)
            *link = m_pSelected->m_pNext;
        delete m_pSelected;
    }
    element->m_pNext = m_pElements;
    m_pElements = element;
    m_pSelected = element;
    element->m_fTime = 0.0f;
    return S_OK;
}

HRESULT SkinnedMesh::ReadObject(const XData* object, DrawElement* element, FrameNode* parent) {
    const std::string& type = object->TemplateName();
    if (type == "Mesh")
        return ReadMesh(object, parent);
    if (type == "FrameTransformMatrix") {
        const XValue matrix = object->Has("frameMatrix") ? object->Member("frameMatrix") : XValue();
        const XValue values = matrix.Kind() == XValueKind::Struct && matrix.Has("matrix")
                                  ? matrix.Member("matrix")
                                  : XValue();
        if (values.Kind() != XValueKind::Array || values.Size() != 16)
            return Fail(E_INVALIDARG, Where(*object, object->Line()) + " holds no 4x4 matrix");
        D3DXMATRIX m;
        for (uint32_t k = 0; k < 16; ++k) {
            const XValue v = values.At(k);
            const float f = v.Kind() == XValueKind::Number ? v.AsFloat() : NAN;
            if (!std::isfinite(f))
                return Fail(E_INVALIDARG, Where(*object, v.Line() ? v.Line() : object->Line()) +
                                              ": element " + std::to_string(k) +
                                              " is not a finite number");
            m.m[k / 4][k % 4] = f;
        }
        parent->m_matLocal = m;
        parent->m_matRest = m;
        return S_OK;
    }
    if (type == "AnimationSet")
        return ReadAnimationSet(object, element, parent);
    if (type == "Animation")
        return ReadAnimation(object, element, parent);
    if (type == "Frame") {
        FrameNode* frame = new (std::nothrow) FrameNode();
        if (!frame)
            return Fail(E_OUTOFMEMORY, "out of memory for a frame");
        bool failed = false;
        frame->m_szName = CopyName(object->Name().c_str(), &failed);
        parent->AddChild(frame);
        if (failed)
            return Fail(E_OUTOFMEMORY, "out of memory for a frame name");
        for (const XChild& child : object->Children()) {
            if (!child.object)
                continue;
            const HRESULT hr = ReadObject(child.object, element, frame);
            if (FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}

HRESULT SkinnedMesh::ReadMesh(const XData* object, FrameNode* parent) {
    MeshContainer* container = new (std::nothrow) MeshContainer();
    if (!container)
        return Fail(E_OUTOFMEMORY, "out of memory for a mesh");
    bool failed = false;
    container->m_szName = CopyName(object->Name().c_str(), &failed);
    if (failed) {
        delete container;
        return Fail(E_OUTOFMEMORY, "out of memory for a mesh name");
    }
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;
    std::string error;
    HRESULT hr = D3DXLoadSkinMeshFromXof(
        object, 0, m_pDevice, &adjacency, &materials, &materialCount, &container->m_pBoneNames,
        &container->m_pBoneOffsets, &container->m_pSkinMesh, &error);
    if (hr == D3DXERR_LOADEDMESHHASNODATA) {
        delete container;
        return S_OK;
    }
    auto finish = [&](HRESULT status) {
        if (adjacency)
            adjacency->Release();
        if (materials)
            materials->Release();
        if (FAILED(status))
            delete container;
        else {
            container->m_pNext = parent->m_pMeshContainers;
            parent->m_pMeshContainers = container;
        }
        return status;
    };
    if (FAILED(hr))
        return finish(Fail(hr, error));

    const DWORD faces = container->m_pSkinMesh->GetNumFaces();
    container->m_pAdjacency = new (std::nothrow) DWORD[static_cast<size_t>(faces) * 3];
    if (!container->m_pAdjacency)
        return finish(Fail(E_OUTOFMEMORY, "out of memory for the adjacency"));
    std::memcpy(container->m_pAdjacency, adjacency->GetBufferPointer(),
                static_cast<size_t>(faces) * 3 * sizeof(DWORD));

    const DWORD bones = container->m_pSkinMesh->GetNumBones();
    if (bones > 0) {
        container->m_ppBoneMatrices = new (std::nothrow) D3DXMATRIX*[bones]();
        if (!container->m_ppBoneMatrices)
            return finish(Fail(E_OUTOFMEMORY, "out of memory for the bone table"));
        container->m_pBoneOffsetMatrices =
            static_cast<D3DXMATRIX*>(container->m_pBoneOffsets->GetBufferPointer());
        hr = BuildBlendedMesh(container);
        if (FAILED(hr))
            return finish(Fail(
                hr, Where(*object, object->Line()) + ": the indexed blended mesh cannot be built"));
    } else {
        container->m_pSkinMesh->GetOriginalMesh(&container->m_pMesh);
        container->m_pSkinMesh->Release();
        container->m_pSkinMesh = nullptr;
        container->m_dwGroupCount = materialCount;
    }

    if (!materials || materialCount == 0) {
        container->m_pMaterials = new (std::nothrow) D3DMATERIAL8[1]();
        container->m_ppTextures = new (std::nothrow) IDirect3DTexture8*[1]();
        if (!container->m_pMaterials || !container->m_ppTextures)
            return finish(Fail(E_OUTOFMEMORY, "out of memory for the materials"));
        container->m_dwMaterialCount = 1;
        container->m_pMaterials[0].Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
        container->m_pMaterials[0].Specular = container->m_pMaterials[0].Diffuse;
        if (!container->m_pSkinMesh)
            container->m_dwGroupCount = 1;
        return finish(S_OK);
    }
    container->m_pMaterials = new (std::nothrow) D3DMATERIAL8[materialCount]();
    container->m_ppTextures = new (std::nothrow) IDirect3DTexture8*[materialCount]();
    if (!container->m_pMaterials || !container->m_ppTextures)
        return finish(Fail(E_OUTOFMEMORY, "out of memory for the materials"));
    container->m_dwMaterialCount = materialCount;
    const D3DXMATERIAL* records = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    for (DWORD i = 0; i < materialCount; ++i) {
        container->m_pMaterials[i] = records[i].MatD3D;
        container->m_pMaterials[i].Ambient = container->m_pMaterials[i].Diffuse;
        if (!records[i].pTextureFilename)
            continue;
        char textureName[260];
        std::snprintf(textureName, sizeof textureName, "%s", records[i].pTextureFilename);
        g_traceLog.Append("\t\tD3DXCreateTextureFromResource...\n");
        if (FAILED(D3DXCreateTextureFromResourceA(m_pDevice, textureName,
                                                  &container->m_ppTextures[i]))) {
            container->m_ppTextures[i] = nullptr;
            g_traceLog.Append("\t\tFailed\n");
        }
    }
    return finish(S_OK);
}

HRESULT SkinnedMesh::BuildBlendedMesh(MeshContainer* container) {
    if (container->m_pMesh) {
        container->m_pMesh->Release();
        container->m_pMesh = nullptr;
    }
    if (m_dwSkinningMethod != kSkinningMethodIndexedShader) {
        container->m_dwMethodUsed = m_dwSkinningMethod;
        return S_OK;
    }
    container->m_dwPaletteSize = std::min(container->m_pSkinMesh->GetNumBones(), kMaxPaletteSize);
    DWORD options = D3DXMESHOPT_VERTEXCACHE;
    if (m_caps.VertexShaderVersion < kVertexShader11) {
        options |= D3DXMESH_SYSTEMMEM;
        container->m_bSoftware = 1;
    } else {
        options |= D3DXMESH_MANAGED;
        container->m_bSoftware = 0;
    }
    DWORD combinations = 0;
    ID3DXBuffer* table = nullptr;
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = container->m_pSkinMesh->ConvertToIndexedBlendedMesh(
        options, container->m_pAdjacency, container->m_dwPaletteSize, nullptr, &combinations,
        &table, &mesh);
    if (FAILED(hr))
        return hr;
    if (container->m_pBoneCombinations)
        container->m_pBoneCombinations->Release();
    container->m_pBoneCombinations = table;
    container->m_dwGroupCount = combinations;
    container->m_pMesh = mesh;

    const DWORD position = mesh->GetFVF() & D3DFVF_POSITION_MASK;
    container->m_dwInfluences = position == D3DFVF_XYZ ? 1 : (position - 4) / 2;
    const DWORD wanted =
        position | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX2 | D3DFVF_LASTBETA_UBYTE4;
    if (mesh->GetFVF() != wanted) {
        IDirect3DDevice8* device = nullptr;
        mesh->GetDevice(&device);
        ID3DXMesh* clone = nullptr;
        hr = mesh->CloneMeshFVF(mesh->GetOptions(), wanted, device, &clone);
        if (device)
            device->Release();
        if (FAILED(hr))
            return hr;
        mesh->Release();
        container->m_pMesh = clone;
    }
    container->m_dwMethodUsed = m_dwSkinningMethod;
    return S_OK;
}

HRESULT SkinnedMesh::ReadAnimationSet(const XData* object, DrawElement* element,
                                      FrameNode* parent) {
    FrameNode* set = new (std::nothrow) FrameNode();
    if (!set)
        return Fail(E_OUTOFMEMORY, "out of memory for an animation set");
    parent->AddChild(set);
    bool failed = false;
    set->m_szName = CopyName(object->Name().c_str(), &failed);
    if (failed)
        return Fail(E_OUTOFMEMORY, "out of memory for an animation set name");
    for (const XChild& child : object->Children()) {
        if (!child.object || child.object->TemplateName() != "Animation")
            continue;
        const HRESULT hr = ReadAnimation(child.object, element, set);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT SkinnedMesh::ReadAnimation(const XData* object, DrawElement* element, FrameNode* parent) {
    FrameNode* node = new (std::nothrow) FrameNode();
    if (!node)
        return Fail(E_OUTOFMEMORY, "out of memory for an animation");
    parent->AddChild(node);
    node->m_pNextAnimation = element->m_pAnimationHead;
    element->m_pAnimationHead = node;
    for (const XChild& child : object->Children()) {
        if (!child.object) {
            if (!child.target || child.target->TemplateName() != "Frame")
                continue;
            if (node->m_pTarget)
                return Fail(E_INVALIDARG,
                            Where(*object, child.line) + " names a second frame to animate");
            const std::string& name = child.target->Name();
            if (name.empty())
                return Fail(E_INVALIDARG,
                            Where(*object, child.line) + " names a frame that has no name");
            node->m_pTarget = FindFrameFromRoot(element->m_pRoot, name.c_str());
            if (!node->m_pTarget)
                return Fail(E_INVALIDARG, Where(*object, child.line) + " names frame '" + name +
                                              "', which is not read before it");
            continue;
        }
        const std::string& type = child.object->TemplateName();
        HRESULT hr = S_OK;
        if (type == "Frame")
            hr = ReadObject(child.object, element, node);
        else if (type == "AnimationKey")
            hr = ReadAnimationKey(child.object, node);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT SkinnedMesh::ReadAnimationKey(const XData* object, FrameNode* node) {
    const uint32_t line = object->Line();
    const XValue typeValue = object->Has("keyType") ? object->Member("keyType") : XValue();
    const XValue countValue = object->Has("nKeys") ? object->Member("nKeys") : XValue();
    const XValue keys = object->Has("keys") ? object->Member("keys") : XValue();
    if (typeValue.Kind() != XValueKind::Number || countValue.Kind() != XValueKind::Number ||
        keys.Kind() != XValueKind::Array)
        return Fail(E_INVALIDARG, Where(*object, line) + " lacks keyType, nKeys or keys");
    const DWORD keyType = typeValue.AsDword();
    const DWORD perKey = ValuesPerKey(keyType);
    if (perKey == 0 || typeValue.AsDouble() != static_cast<double>(keyType))
        return Fail(E_INVALIDARG, Where(*object, line) + ": key type " +
                                      std::to_string(typeValue.AsDouble()) +
                                      " is none of 0 (rotation), 1 (scale), 2 (position), "
                                      "4 (matrix)");
    const bool present[5] = {node->m_pRotationKeys != nullptr, node->m_pScaleKeys != nullptr,
                             node->m_pPositionKeys != nullptr, false,
                             node->m_pMatrixKeys != nullptr};
    if (present[keyType])
        return Fail(E_INVALIDARG, Where(*object, line) + ": a second key list of type " +
                                      std::to_string(keyType));
    const DWORD count = keys.Size();
    if (countValue.AsDouble() != static_cast<double>(count))
        return Fail(E_INVALIDARG, Where(*object, line) + ": nKeys " +
                                      std::to_string(countValue.AsDouble()) + " but " +
                                      std::to_string(count) + " keys");
    if (count == 0)
        return S_OK;  // an empty list animates nothing and is not kept

    // Times and values first, checked; then the typed array.
    std::vector<DWORD> times(count);
    std::vector<float> values(static_cast<size_t>(count) * perKey);
    for (DWORD k = 0; k < count; ++k) {
        const XValue key = keys.At(k);
        const uint32_t keyLine = key.Line() ? key.Line() : line;
        const XValue time =
            key.Kind() == XValueKind::Struct && key.Has("time") ? key.Member("time") : XValue();
        const XValue floats =
            key.Kind() == XValueKind::Struct && key.Has("tfkeys") ? key.Member("tfkeys") : XValue();
        const XValue list = floats.Kind() == XValueKind::Struct && floats.Has("values")
                                ? floats.Member("values")
                                : XValue();
        if (time.Kind() != XValueKind::Number || list.Kind() != XValueKind::Array)
            return Fail(E_INVALIDARG, Where(*object, keyLine) + ": key " + std::to_string(k) +
                                          " is not a timed float list");
        if (list.Size() != perKey)
            return Fail(E_INVALIDARG, Where(*object, keyLine) + ": key " + std::to_string(k) +
                                          " has " + std::to_string(list.Size()) + " values; type " +
                                          std::to_string(keyType) + " takes " +
                                          std::to_string(perKey));
        times[k] = time.AsDword();
        for (DWORD i = 0; i < perKey; ++i) {
            const XValue v = list.At(i);
            const float f = v.Kind() == XValueKind::Number ? v.AsFloat() : NAN;
            if (!std::isfinite(f))
                return Fail(E_INVALIDARG, Where(*object, v.Line() ? v.Line() : keyLine) + ": key " +
                                              std::to_string(k) + " value " + std::to_string(i) +
                                              " is not a finite number");
            values[static_cast<size_t>(k) * perKey + i] = f;
        }
    }
    const float* v = values.data();
    switch (keyType) {
        case 0:
            node->m_pRotationKeys = new (std::nothrow) RotationKey[count];
            if (!node->m_pRotationKeys)
                return Fail(E_OUTOFMEMORY, "out of memory for rotation keys");
            node->m_dwRotationKeys = count;
            for (DWORD k = 0; k < count; ++k, v += 4) {
                node->m_pRotationKeys[k].dwTime = times[k];
                node->m_pRotationKeys[k].quatRotate = D3DXQUATERNION(v[1], v[2], v[3], v[0]);
            }
            break;
        case 1:
            node->m_pScaleKeys = new (std::nothrow) ScaleKey[count];
            if (!node->m_pScaleKeys)
                return Fail(E_OUTOFMEMORY, "out of memory for scale keys");
            node->m_dwScaleKeys = count;
            for (DWORD k = 0; k < count; ++k, v += 3) {
                node->m_pScaleKeys[k].dwTime = times[k];
                node->m_pScaleKeys[k].vScale = D3DXVECTOR3(v[0], v[1], v[2]);
            }
            break;
        case 2:
            node->m_pPositionKeys = new (std::nothrow) PositionKey[count];
            if (!node->m_pPositionKeys)
                return Fail(E_OUTOFMEMORY, "out of memory for position keys");
            node->m_dwPositionKeys = count;
            for (DWORD k = 0; k < count; ++k, v += 3) {
                node->m_pPositionKeys[k].dwTime = times[k];
                node->m_pPositionKeys[k].vPos = D3DXVECTOR3(v[0], v[1], v[2]);
            }
            break;
        default:
            node->m_pMatrixKeys = new (std::nothrow) MatrixKey[count];
            if (!node->m_pMatrixKeys)
                return Fail(E_OUTOFMEMORY, "out of memory for matrix keys");
            node->m_dwMatrixKeys = count;
            for (DWORD k = 0; k < count; ++k, v += 16) {
                node->m_pMatrixKeys[k].dwTime = times[k];
                std::memcpy(&node->m_pMatrixKeys[k].mat.m[0][0], v, 16 * sizeof(float));
            }
            break;
    }
    m_fAnimLength = std::max(m_fAnimLength, static_cast<float>(times[count - 1]));
    return S_OK;
}

HRESULT SkinnedMesh::LinkBones(FrameNode* node, DrawElement* element) {
    for (; node; node = node->m_pSibling) {
        for (MeshContainer* c = node->m_pMeshContainers; c; c = c->m_pNext) {
            if (!c->m_pSkinMesh)
                continue;
            const char* const* names =
                static_cast<const char* const*>(c->m_pBoneNames->GetBufferPointer());
            for (DWORD i = 0; i < c->m_pSkinMesh->GetNumBones(); ++i) {
                FrameNode* frame = FindFrameFromRoot(element->m_pRoot, names[i]);
                if (!frame)
                    return Fail(E_INVALIDARG, std::string("bone '") + names[i] + "' of mesh '" +
                                                  (c->m_szName ? c->m_szName : "") +
                                                  "' names no frame");
                c->m_ppBoneMatrices[i] = &frame->m_matCombined;
            }
        }
        const HRESULT hr = LinkBones(node->m_pFirstChild, element);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT SkinnedMesh::RestoreDeviceObjects() {
    for (DWORD i = 0; i < kSkinningShaderCount; ++i) {
        g_traceLog.Append("\t\tD3DXAssembleShaderFromResource...\n");
        ID3DXBuffer* code = nullptr;
        HRESULT hr =
            D3DXAssembleShaderFromResource(kSkinningShaders[i], 0, nullptr, &code, nullptr);
        if (FAILED(hr)) {
            g_traceLog.Append("\t\tFailed\n");
            return hr;
        }
        g_traceLog.Append("\t\tCreateVertexShader...\n");
        if (m_dwShaders[i] != kNoShader && m_pDevice)
            m_pDevice->DeleteVertexShader(m_dwShaders[i]);
        m_dwShaders[i] = kNoShader;
        DWORD handle = kNoShader;
        hr = m_pDevice ? m_pDevice->CreateVertexShader(
                             SkinningDeclaration(i + 1),
                             static_cast<const DWORD*>(code->GetBufferPointer()), &handle, 0)
                       : D3DERR_INVALIDCALL;
        code->Release();
        if (FAILED(hr)) {
            g_traceLog.Append("\t\tFailed\n");
            return hr;
        }
        m_dwShaders[i] = handle;
    }
    return S_OK;
}

DWORD SkinnedMesh::ShaderHandle(DWORD influences) const {
    return influences >= 1 && influences <= kSkinningShaderCount ? m_dwShaders[influences - 1]
                                                                 : kNoShader;
}

HRESULT SkinnedMesh::AdvanceBy(float seconds, DWORD segment, DWORD segmentCount) {
    for (DrawElement* e = m_pElements; e; e = e->m_pNext) {
        if (m_bSegmentDirty) {
            if (segment == 0 || segmentCount == 0)
                return S_OK;
            m_fSegmentLength = m_fAnimLength / static_cast<float>(segmentCount);
            m_fSegmentStart = static_cast<float>(segment - 1) * m_fSegmentLength;
            m_fSegmentEnd = static_cast<float>(segment) * m_fSegmentLength;
            m_bSegmentDirty = 0;
        }
        e->m_fTime += seconds * kTicksPerSecond;
        if (e->m_fTime > m_fSegmentEnd) {
            e->m_fTime = m_fSegmentStart;
            m_bSegmentDirty = 1;
        }
        if (e->m_fTime < m_fSegmentStart)
            e->m_fTime = m_fSegmentStart;
        for (FrameNode* node = e->m_pAnimationHead; node; node = node->m_pNextAnimation)
            SampleAnimation(node, e->m_fTime);
    }
    return S_OK;
}

void SkinnedMesh::PoseAt(float ticks) {
    for (DrawElement* e = m_pElements; e; e = e->m_pNext) {
        e->m_fTime = ticks;
        for (FrameNode* node = e->m_pAnimationHead; node; node = node->m_pNextAnimation)
            SampleAnimation(node, ticks);
    }
}

void SkinnedMesh::UpdateFrames(const D3DXMATRIX& world) {
    // The root carries the world matrix split in two: its rotation and scale as the local
    // matrix, its translation as the extra matrix applied after it.
    D3DXMATRIX rotation = world;
    rotation._41 = rotation._42 = rotation._43 = 0.0f;
    D3DXMATRIX translation;
    translation._41 = world._41;
    translation._42 = world._42;
    translation._43 = world._43;
    const D3DXMATRIX identity;
    for (DrawElement* e = m_pElements; e; e = e->m_pNext) {
        e->m_pRoot->m_matLocal = rotation;
        e->m_pRoot->m_matExtra = translation;
        UpdateMatrices(e->m_pRoot, identity);
    }
}

HRESULT SkinnedMesh::ReleaseDeviceObjects() {
    for (DrawElement* e = m_pElements; e; e = e->m_pNext)
        ForEachContainer(e->m_pRoot, [](MeshContainer* c) {
            if (!c->m_pSkinMesh)
                return;
            if (c->m_pMesh) {
                c->m_pMesh->Release();
                c->m_pMesh = nullptr;
            }
            c->m_dwMethodUsed = kMethodNotBuilt;
        });
    for (DWORD& handle : m_dwShaders) {
        if (handle != kNoShader && m_pDevice)
            m_pDevice->DeleteVertexShader(handle);
        handle = kNoShader;
    }
    return S_OK;
}

HRESULT SkinnedMesh::DestroyObjects() {
    if (m_pSelected == m_pElements)
        m_pSelected = nullptr;
    while (m_pElements) {
        DrawElement* next = m_pElements->m_pNext;
        delete m_pElements;
        m_pElements = next;
    }
    m_pSelected = nullptr;
    if (m_pToonRamp) {
        m_pToonRamp->Release();
        m_pToonRamp = nullptr;
    }
    return S_OK;
}

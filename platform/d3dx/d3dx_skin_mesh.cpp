#include "platform/d3dx/d3dx_skin_mesh.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/d3d8/vertex_format.h"
#include "platform/d3dx/xfile_mesh.h"

namespace {
// Strongest first; equal weights by bone index, so the order never depends on the file order.
void SortInfluences(std::vector<SkinInfluence>* list) {
    std::sort(list->begin(), list->end(), [](const SkinInfluence& a, const SkinInfluence& b) {
        return a.weight != b.weight ? a.weight > b.weight : a.bone < b.bone;
    });
}

// Merges repeated bones, drops zero weights, scales the weights to sum to 1 (the blended vertex
// keeps n - 1 of them and implies the last) and sorts. A vertex left without influence follows
// bone 0 fully.
void NormaliseInfluences(std::vector<SkinInfluence>* list) {
    std::vector<SkinInfluence> merged;
    for (const SkinInfluence& in : *list) {
        if (!(in.weight > 0.0f))
            continue;
        auto same = std::find_if(merged.begin(), merged.end(),
                                 [&](const SkinInfluence& m) { return m.bone == in.bone; });
        if (same != merged.end())
            same->weight += in.weight;
        else
            merged.push_back(in);
    }
    float total = 0.0f;
    for (const SkinInfluence& m : merged)
        total += m.weight;
    if (merged.empty() || !(total > 0.0f) || !std::isfinite(total)) {
        *list = {SkinInfluence{0, 1.0f}};
        return;
    }
    for (SkinInfluence& m : merged)
        m.weight /= total;
    SortInfluences(&merged);
    *list = std::move(merged);
}

std::string MeshWhere(const XData& mesh, uint32_t line) {
    return (mesh.Name().empty() ? std::string("Mesh") : mesh.Name()) + " (line " +
           std::to_string(line) + "): ";
}

bool IsFinite(float f) {
    return std::isfinite(f);
}

// One SkinWeights object read and checked.
struct BoneWeights {
    std::string name;
    std::vector<DWORD> vertices;
    std::vector<float> weights;
    D3DXMATRIX offset;
};

HRESULT ReadSkinWeights(const XData& mesh, const XData& object, DWORD fileVertices,
                        BoneWeights* out, std::string* error) {
    auto fail = [&](uint32_t line, const std::string& what) {
        if (error)
            *error = MeshWhere(mesh, line) + what;
        return D3DXERR_INVALIDDATA;
    };
    const uint32_t line = object.Line();
    if (!object.Has("transformNodeName") || !object.Has("nWeights") ||
        !object.Has("vertexIndices") || !object.Has("weights") || !object.Has("matrixOffset"))
        return fail(line,
                    "SkinWeights lacks transformNodeName, nWeights, vertexIndices, weights "
                    "or matrixOffset");
    const XValue nameValue = object.Member("transformNodeName");
    if (nameValue.Kind() != XValueKind::String || nameValue.AsString().empty())
        return fail(line, "SkinWeights names no frame");
    out->name = nameValue.AsString();
    const XValue count = object.Member("nWeights");
    const XValue indices = object.Member("vertexIndices");
    const XValue weights = object.Member("weights");
    if (count.Kind() != XValueKind::Number || indices.Kind() != XValueKind::Array ||
        weights.Kind() != XValueKind::Array)
        return fail(line, "SkinWeights '" + out->name + "' has malformed weight lists");
    const double declared = count.AsDouble();
    if (declared != static_cast<double>(indices.Size()) || indices.Size() != weights.Size())
        return fail(line, "SkinWeights '" + out->name + "': " + std::to_string(indices.Size()) +
                              " vertex indices and " + std::to_string(weights.Size()) +
                              " weights for nWeights " + std::to_string(count.AsDword()));
    out->vertices.resize(indices.Size());
    out->weights.resize(weights.Size());
    for (uint32_t i = 0; i < indices.Size(); ++i) {
        const XValue index = indices.At(i);
        const XValue weight = weights.At(i);
        if (index.Kind() != XValueKind::Number || weight.Kind() != XValueKind::Number)
            return fail(
                index.Line() ? index.Line() : line,
                "SkinWeights '" + out->name + "' entry " + std::to_string(i) + " is not a number");
        const double v = index.AsDouble();
        if (!(v >= 0.0 && v < static_cast<double>(fileVertices)) || v != std::floor(v))
            return fail(index.Line(), "SkinWeights '" + out->name + "' names vertex " +
                                          std::to_string(static_cast<long long>(v)) +
                                          " of a mesh of " + std::to_string(fileVertices));
        const float w = weight.AsFloat();
        if (!IsFinite(w) || w < 0.0f)
            return fail(weight.Line(), "SkinWeights '" + out->name + "' weight " +
                                           std::to_string(i) + " is negative or not finite");
        out->vertices[i] = static_cast<DWORD>(v);
        out->weights[i] = w;
    }
    const XValue matrix = object.Member("matrixOffset");
    const XValue elements = matrix.Kind() == XValueKind::Struct && matrix.Has("matrix")
                                ? matrix.Member("matrix")
                                : XValue();
    if (elements.Kind() != XValueKind::Array || elements.Size() != 16)
        return fail(line, "SkinWeights '" + out->name + "' has no 4x4 offset matrix");
    for (uint32_t k = 0; k < 16; ++k) {
        const XValue e = elements.At(k);
        const float f = e.Kind() == XValueKind::Number ? e.AsFloat() : NAN;
        if (!IsFinite(f))
            return fail(e.Line() ? e.Line() : line,
                        "SkinWeights '" + out->name + "' offset matrix element " +
                            std::to_string(k) + " is not a finite number");
        out->offset.m[k / 4][k % 4] = f;
    }
    return D3D_OK;
}

// A face's bones in order of first use by its corners.
void FaceBones(const std::vector<std::vector<SkinInfluence>>& influences, const WORD* corners,
               std::vector<DWORD>* bones) {
    bones->clear();
    for (int c = 0; c < 3; ++c)
        for (const SkinInfluence& in : influences[corners[c]])
            if (std::find(bones->begin(), bones->end(), in.bone) == bones->end())
                bones->push_back(in.bone);
}
}  // namespace

ULONG ID3DXSkinMesh::Release() {
    const ULONG refs = --m_nRefs;
    if (refs == 0)
        delete this;
    return refs;
}

ID3DXSkinMesh::~ID3DXSkinMesh() {
    if (m_pMesh)
        m_pMesh->Release();
}

HRESULT ID3DXSkinMesh::GetOriginalMesh(ID3DXMesh** mesh) {
    if (!mesh)
        return D3DERR_INVALIDCALL;
    m_pMesh->AddRef();
    *mesh = m_pMesh;
    return D3D_OK;
}

DWORD ID3DXSkinMesh::GetMaxVertexInfluences() const {
    size_t most = 0;
    for (const std::vector<SkinInfluence>& list : m_influences)
        most = std::max(most, list.size());
    return static_cast<DWORD>(most);
}

DWORD ID3DXSkinMesh::GetMaxFaceInfluences() const {
    BYTE* bytes = nullptr;
    m_pMesh->LockIndexBuffer(D3DLOCK_READONLY, &bytes);
    const WORD* indices = reinterpret_cast<const WORD*>(bytes);
    std::vector<DWORD> bones;
    size_t most = 0;
    for (DWORD f = 0; f < m_pMesh->GetNumFaces(); ++f) {
        FaceBones(m_influences, indices + 3 * f, &bones);
        most = std::max(most, bones.size());
    }
    m_pMesh->UnlockIndexBuffer();
    return static_cast<DWORD>(most);
}

const char* ID3DXSkinMesh::GetBoneName(DWORD bone) const {
    return bone < m_boneNames.size() ? m_boneNames[bone].c_str() : nullptr;
}

const std::vector<SkinInfluence>& ID3DXSkinMesh::GetVertexInfluences(DWORD vertex) const {
    static const std::vector<SkinInfluence> kNone;
    return vertex < m_influences.size() ? m_influences[vertex] : kNone;
}

HRESULT ID3DXSkinMesh::ConvertToIndexedBlendedMesh(DWORD options, const DWORD* /*adjacencyIn*/,
                                                   DWORD paletteSize, DWORD* adjacencyOut,
                                                   DWORD* numBoneCombinations,
                                                   ID3DXBuffer** boneCombinationTable,
                                                   ID3DXMesh** mesh) const {
    if (!numBoneCombinations || !boneCombinationTable || !mesh || paletteSize == 0)
        return D3DERR_INVALIDCALL;
    const DWORD influences = std::max<DWORD>(1, GetMaxVertexInfluences());
    if (influences > kMaxVertexInfluences)
        return D3DXERR_TOOMANYINFLUENCES;
    if (GetMaxFaceInfluences() > paletteSize)
        return D3DERR_INVALIDCALL;
    const DWORD sourceFvf = m_pMesh->GetFVF();
    if ((sourceFvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZ || (sourceFvf & D3DFVF_LASTBETA_UBYTE4))
        return D3DERR_INVALIDCALL;

    const DWORD faceCount = m_pMesh->GetNumFaces();
    BYTE* indexBytes = nullptr;
    DWORD* attributes = nullptr;
    BYTE* sourceVertices = nullptr;
    m_pMesh->LockIndexBuffer(D3DLOCK_READONLY, &indexBytes);
    m_pMesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes);
    m_pMesh->LockVertexBuffer(D3DLOCK_READONLY, &sourceVertices);
    const WORD* indices = reinterpret_cast<const WORD*>(indexBytes);
    std::vector<DWORD> attributeOf(attributes, attributes + faceCount);
    m_pMesh->UnlockAttributeBuffer();

    // Faces in attribute order (stable), then split greedily: a combination takes every
    // remaining face of its attribute, in order, whose bones still fit in the palette.
    std::vector<DWORD> order(faceCount);
    for (DWORD f = 0; f < faceCount; ++f)
        order[f] = f;
    std::stable_sort(order.begin(), order.end(),
                     [&](DWORD a, DWORD b) { return attributeOf[a] < attributeOf[b]; });
    struct Combination {
        DWORD attribute = 0;
        std::vector<DWORD> bones;  // by palette slot
        std::vector<DWORD> faces;  // original face numbers
    };
    std::vector<Combination> combinations;
    std::vector<DWORD> faceBones, added;
    for (size_t begin = 0; begin < order.size();) {
        size_t end = begin;
        while (end < order.size() && attributeOf[order[end]] == attributeOf[order[begin]])
            ++end;
        std::vector<DWORD> remaining(order.begin() + begin, order.begin() + end);
        while (!remaining.empty()) {
            Combination c;
            c.attribute = attributeOf[remaining.front()];
            std::vector<DWORD> left;
            for (DWORD f : remaining) {
                FaceBones(m_influences, indices + 3 * f, &faceBones);
                added.clear();
                for (DWORD b : faceBones)
                    if (std::find(c.bones.begin(), c.bones.end(), b) == c.bones.end())
                        added.push_back(b);
                if (c.bones.size() + added.size() > paletteSize) {
                    left.push_back(f);
                    continue;
                }
                c.bones.insert(c.bones.end(), added.begin(), added.end());
                c.faces.push_back(f);
            }
            if (c.faces.empty())
                break;  // unreachable: every face fits an empty palette (checked above)
            combinations.push_back(std::move(c));
            remaining.swap(left);
        }
        begin = end;
    }

    // Vertices per combination in order of first use (after the cache order, when asked).
    std::vector<WORD> newIndices;
    newIndices.reserve(static_cast<size_t>(faceCount) * 3);
    std::vector<DWORD> vertexSource;  // new vertex -> original vertex
    std::vector<DWORD> vertexCombination;
    std::vector<DWORD> faceStart(combinations.size()), vertexStart(combinations.size());
    std::vector<DWORD> localOf(m_pMesh->GetNumVertices());
    for (size_t ci = 0; ci < combinations.size(); ++ci) {
        Combination& c = combinations[ci];
        faceStart[ci] = static_cast<DWORD>(newIndices.size() / 3);
        vertexStart[ci] = static_cast<DWORD>(vertexSource.size());
        std::vector<unsigned int> corners;
        corners.reserve(c.faces.size() * 3);
        for (DWORD f : c.faces)
            for (int k = 0; k < 3; ++k)
                corners.push_back(indices[3 * f + k]);
        if (options & D3DXMESHOPT_VERTEXCACHE)
            meshopt_optimizeVertexCache(corners.data(), corners.data(), corners.size(),
                                        m_pMesh->GetNumVertices());
        std::fill(localOf.begin(), localOf.end(), kNoBone);
        for (unsigned int v : corners) {
            if (localOf[v] == kNoBone) {
                localOf[v] = static_cast<DWORD>(vertexSource.size());
                vertexSource.push_back(v);
                vertexCombination.push_back(static_cast<DWORD>(ci));
            }
            if (localOf[v] >= kMaxMesh16Vertices) {
                m_pMesh->UnlockIndexBuffer();
                m_pMesh->UnlockVertexBuffer();
                return D3DXERR_INVALIDMESH;  // duplication ran past 16-bit indices
            }
            newIndices.push_back(static_cast<WORD>(localOf[v]));
        }
    }
    m_pMesh->UnlockIndexBuffer();

    const DWORD fvf =
        (sourceFvf & ~D3DFVF_POSITION_MASK) | (0x4 + 2 * influences) | D3DFVF_LASTBETA_UBYTE4;
    IDirect3DDevice8* device = nullptr;
    m_pMesh->GetDevice(&device);
    ID3DXMesh* blended = nullptr;
    HRESULT hr =
        D3DXCreateMeshFVF(faceCount, static_cast<DWORD>(vertexSource.size()),
                          options & (D3DXMESH_SYSTEMMEM | D3DXMESH_MANAGED), fvf, device, &blended);
    if (device)
        device->Release();
    if (FAILED(hr)) {
        m_pMesh->UnlockVertexBuffer();
        return hr;
    }
    const DWORD sourceStride = m_pMesh->GetNumBytesPerVertex();
    const DWORD stride = blended->GetNumBytesPerVertex();
    const DWORD blendBytes = 4 * influences;  // n - 1 weights and the index bytes
    BYTE* out = nullptr;
    blended->LockVertexBuffer(0, &out);
    for (size_t v = 0; v < vertexSource.size(); ++v) {
        const BYTE* src = sourceVertices + static_cast<size_t>(vertexSource[v]) * sourceStride;
        BYTE* dst = out + v * stride;
        std::memcpy(dst, src, 12);
        std::memcpy(dst + 12 + blendBytes, src + 12, sourceStride - 12);
        const std::vector<SkinInfluence>& list = m_influences[vertexSource[v]];
        const std::vector<DWORD>& bones = combinations[vertexCombination[v]].bones;
        float weights[kMaxVertexInfluences] = {};
        BYTE slots[4] = {};
        for (size_t k = 0; k < list.size(); ++k) {
            weights[k] = list[k].weight;
            slots[k] = static_cast<BYTE>(std::find(bones.begin(), bones.end(), list[k].bone) -
                                         bones.begin());
        }
        // Unused influences repeat the first slot with weight 0.
        for (size_t k = list.size(); k < influences; ++k)
            slots[k] = slots[0];
        std::memcpy(dst + 12, weights, 4 * (influences - 1));
        std::memcpy(dst + 12 + 4 * (influences - 1), slots, 4);
    }
    blended->UnlockVertexBuffer();
    m_pMesh->UnlockVertexBuffer();

    BYTE* outIndices = nullptr;
    blended->LockIndexBuffer(0, &outIndices);
    std::memcpy(outIndices, newIndices.data(), newIndices.size() * sizeof(WORD));
    blended->UnlockIndexBuffer();
    DWORD* outAttributes = nullptr;
    blended->LockAttributeBuffer(0, &outAttributes);
    for (size_t ci = 0; ci < combinations.size(); ++ci)
        std::fill_n(outAttributes + faceStart[ci], combinations[ci].faces.size(),
                    combinations[ci].attribute);
    blended->UnlockAttributeBuffer();

    const size_t recordBytes = combinations.size() * sizeof(D3DXBONECOMBINATION);
    ID3DXBuffer* table =
        ID3DXBuffer::Create(recordBytes + combinations.size() * paletteSize * sizeof(DWORD));
    BYTE* base = static_cast<BYTE*>(table->GetBufferPointer());
    DWORD* ids = reinterpret_cast<DWORD*>(base + recordBytes);
    for (size_t ci = 0; ci < combinations.size(); ++ci) {
        D3DXBONECOMBINATION* record =
            new (base + ci * sizeof(D3DXBONECOMBINATION)) D3DXBONECOMBINATION();
        record->AttribId = combinations[ci].attribute;
        record->FaceStart = faceStart[ci];
        record->FaceCount = static_cast<DWORD>(combinations[ci].faces.size());
        record->VertexStart = vertexStart[ci];
        record->VertexCount =
            (ci + 1 < combinations.size() ? vertexStart[ci + 1]
                                          : static_cast<DWORD>(vertexSource.size())) -
            vertexStart[ci];
        record->BoneId = ids + ci * paletteSize;
        for (DWORD j = 0; j < paletteSize; ++j)
            record->BoneId[j] =
                j < combinations[ci].bones.size() ? combinations[ci].bones[j] : kNoBone;
    }
    if (adjacencyOut)
        blended->GenerateAdjacency(0.0f, adjacencyOut);
    *numBoneCombinations = static_cast<DWORD>(combinations.size());
    *boneCombinationTable = table;
    *mesh = blended;
    return D3D_OK;
}

HRESULT D3DXCreateSkinMesh(ID3DXMesh* mesh, std::vector<std::string> boneNames,
                           std::vector<std::vector<SkinInfluence>> influences,
                           ID3DXSkinMesh** skinMesh) {
    if (!mesh || !skinMesh || influences.size() != mesh->GetNumVertices())
        return D3DERR_INVALIDCALL;
    for (std::vector<SkinInfluence>& list : influences) {
        for (const SkinInfluence& in : list)
            if (in.bone >= boneNames.size() || !std::isfinite(in.weight))
                return D3DERR_INVALIDCALL;
        if (!boneNames.empty())
            NormaliseInfluences(&list);
    }
    ID3DXSkinMesh* created = new (std::nothrow) ID3DXSkinMesh();
    if (!created)
        return E_OUTOFMEMORY;
    mesh->AddRef();
    created->m_pMesh = mesh;
    created->m_boneNames = std::move(boneNames);
    created->m_influences = std::move(influences);
    *skinMesh = created;
    return D3D_OK;
}

HRESULT D3DXLoadSkinMeshFromXof(const XData* meshObject, DWORD options, IDirect3DDevice8* device,
                                ID3DXBuffer** adjacency, ID3DXBuffer** materials,
                                DWORD* numMaterials, ID3DXBuffer** boneNames,
                                ID3DXBuffer** boneTransforms, ID3DXSkinMesh** skinMesh,
                                std::string* error) {
    if (!meshObject || !skinMesh)
        return D3DERR_INVALIDCALL;
    if (boneNames)
        *boneNames = nullptr;
    if (boneTransforms)
        *boneTransforms = nullptr;
    XMeshGeometry g;
    HRESULT hr = ReadXMeshGeometry(meshObject, &g, error);
    if (FAILED(hr))
        return hr;
    const DWORD fileVertices = meshObject->Array("vertices").Size();

    std::vector<BoneWeights> bones;
    for (const XChild& child : meshObject->Children()) {
        if (!child.object || child.object->TemplateName() != "SkinWeights")
            continue;
        bones.emplace_back();
        hr = ReadSkinWeights(*meshObject, *child.object, fileVertices, &bones.back(), error);
        if (FAILED(hr))
            return hr;
    }
    // Influences per file vertex, then carried to the vertices split from it.
    std::vector<std::vector<SkinInfluence>> fileInfluences(fileVertices);
    for (size_t b = 0; b < bones.size(); ++b)
        for (size_t i = 0; i < bones[b].vertices.size(); ++i)
            fileInfluences[bones[b].vertices[i]].push_back(
                SkinInfluence{static_cast<DWORD>(b), bones[b].weights[i]});
    for (DWORD v = 0; v < fileVertices; ++v) {
        std::vector<SkinInfluence>& list = fileInfluences[v];
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [](const SkinInfluence& in) { return in.weight == 0.0f; }),
                   list.end());
        std::vector<DWORD> distinct;
        for (const SkinInfluence& in : list)
            if (std::find(distinct.begin(), distinct.end(), in.bone) == distinct.end())
                distinct.push_back(in.bone);
        if (distinct.size() > kMaxVertexInfluences) {
            if (error)
                *error = MeshWhere(*meshObject, meshObject->Line()) + "vertex " +
                         std::to_string(v) + " is weighted by " + std::to_string(distinct.size()) +
                         " bones; a blended vertex holds at most " +
                         std::to_string(kMaxVertexInfluences);
            return D3DXERR_TOOMANYINFLUENCES;
        }
    }

    ID3DXMesh* mesh = nullptr;
    hr = CreateMeshFromXGeometry(g, *meshObject, options, device, adjacency, materials,
                                 numMaterials, &mesh, error);
    if (FAILED(hr))
        return hr;
    std::vector<std::vector<SkinInfluence>> influences(bones.empty() ? 0 : g.positions.size());
    for (size_t v = 0; v < influences.size(); ++v)
        influences[v] = fileInfluences[g.sourceVertex[v]];
    std::vector<std::string> names;
    for (const BoneWeights& b : bones)
        names.push_back(b.name);
    if (bones.empty())
        influences.assign(g.positions.size(), {});
    ID3DXSkinMesh* created = nullptr;
    hr = D3DXCreateSkinMesh(mesh, names, std::move(influences), &created);
    mesh->Release();
    if (FAILED(hr)) {
        if (adjacency && *adjacency)
            (*adjacency)->Release(), *adjacency = nullptr;
        if (materials && *materials)
            (*materials)->Release(), *materials = nullptr;
        return hr;
    }
    if (!bones.empty() && boneNames) {
        size_t bytes = bones.size() * sizeof(char*);
        for (const BoneWeights& b : bones)
            bytes += b.name.size() + 1;
        *boneNames = ID3DXBuffer::Create(bytes);
        char** pointers = static_cast<char**>((*boneNames)->GetBufferPointer());
        char* text = reinterpret_cast<char*>(pointers + bones.size());
        for (size_t b = 0; b < bones.size(); ++b) {
            std::memcpy(text, bones[b].name.c_str(), bones[b].name.size() + 1);
            pointers[b] = text;
            text += bones[b].name.size() + 1;
        }
    }
    if (!bones.empty() && boneTransforms) {
        *boneTransforms = ID3DXBuffer::Create(bones.size() * sizeof(D3DXMATRIX));
        D3DXMATRIX* matrices = static_cast<D3DXMATRIX*>((*boneTransforms)->GetBufferPointer());
        for (size_t b = 0; b < bones.size(); ++b)
            matrices[b] = bones[b].offset;
    }
    *skinMesh = created;
    return D3D_OK;
}

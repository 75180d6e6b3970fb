// ID3DXSkinMesh, the D3DX-style skin mesh: a mesh as the static loader reads it plus its bones
// (names, offset matrices, per-vertex influences) from XSkinMeshHeader and SkinWeights, and
// its conversion to an indexed blended mesh split into bone combinations of at most a palette
// of bones each; and D3DXLoadSkinMeshFromXof, which reads one from a Mesh data object.
// Owns: the original mesh, the influence lists, the conversion and its vertex-cache ordering.
// Does not: find frames for bones, animate, or draw (the scene's SkinnedMesh does).
// Needs: platform/d3dx/xfile_mesh.h, platform/d3dx/d3dx_mesh.h, meshoptimizer for the cache order.
#pragma once

#include <string>
#include <vector>

#include "platform/d3dx/d3dx_buffer.h"
#include "platform/d3dx/d3dx_mesh.h"
#include "platform/xfile/xfile_document.h"

// Blend-index bytes per vertex: a blended vertex names at most four bones.
constexpr DWORD kMaxVertexInfluences = 4;
constexpr DWORD kNoBone = 0xFFFFFFFFu;  // an empty palette slot

// One bone combination: a contiguous range of faces and of the vertices they use, and the bone
// in each palette slot (BoneId has the palette size's entries, kNoBone for an empty slot).
struct D3DXBONECOMBINATION {
    DWORD AttribId = 0;
    DWORD FaceStart = 0;
    DWORD FaceCount = 0;
    DWORD VertexStart = 0;
    DWORD VertexCount = 0;
    DWORD* BoneId = nullptr;  // points into the same buffer
};

// One bone's share of a vertex of the original mesh.
struct SkinInfluence {
    DWORD bone = 0;
    float weight = 0.0f;
};

class ID3DXSkinMesh {
  public:
    ULONG AddRef() { return ++m_nRefs; }
    ULONG Release();

    DWORD GetNumBones() const { return static_cast<DWORD>(m_boneNames.size()); }
    DWORD GetNumFaces() const { return m_pMesh->GetNumFaces(); }
    DWORD GetNumVertices() const { return m_pMesh->GetNumVertices(); }
    DWORD GetFVF() const { return m_pMesh->GetFVF(); }
    HRESULT GetDevice(IDirect3DDevice8** device) const { return m_pMesh->GetDevice(device); }
    // The mesh without its bones (AddRef'd).
    HRESULT GetOriginalMesh(ID3DXMesh** mesh);
    // The most bones any one vertex, or any one face (its three vertices together), uses.
    DWORD GetMaxVertexInfluences() const;
    DWORD GetMaxFaceInfluences() const;
    const char* GetBoneName(DWORD bone) const;
    // The influences on vertex `vertex` of the original mesh, strongest first; weights sum to 1.
    const std::vector<SkinInfluence>& GetVertexInfluences(DWORD vertex) const;

    // The indexed blended mesh. Faces keep their attribute order; each combination takes the
    // following faces of one attribute while their bones fit in paletteSize slots. Vertex
    // format: the original's with position bits XYZB(n) (n = GetMaxVertexInfluences, n - 1
    // weights stored, the last implied) and D3DFVF_LASTBETA_UBYTE4: the last blend value holds
    // the palette slots, in order of the weights. A vertex used by two combinations is
    // duplicated. D3DXMESHOPT_VERTEXCACHE in options reorders each combination's faces for the
    // vertex cache. Outputs: adjacencyOut (3 per face, may be null), the combination count and
    // table, the mesh. D3DERR_INVALIDCALL: a null output or a palette of fewer slots than one
    // face needs; D3DXERR_TOOMANYINFLUENCES: a vertex of more than kMaxVertexInfluences bones.
    HRESULT ConvertToIndexedBlendedMesh(DWORD options, const DWORD* adjacencyIn, DWORD paletteSize,
                                        DWORD* adjacencyOut, DWORD* numBoneCombinations,
                                        ID3DXBuffer** boneCombinationTable, ID3DXMesh** mesh) const;

  private:
    friend HRESULT D3DXLoadSkinMeshFromXof(const XData*, DWORD, IDirect3DDevice8*, ID3DXBuffer**,
                                           ID3DXBuffer**, DWORD*, ID3DXBuffer**, ID3DXBuffer**,
                                           ID3DXSkinMesh**, std::string*);
    friend HRESULT D3DXCreateSkinMesh(ID3DXMesh*, std::vector<std::string>,
                                      std::vector<std::vector<SkinInfluence>>, ID3DXSkinMesh**);
    ID3DXSkinMesh() = default;
    ~ID3DXSkinMesh();

    ULONG m_nRefs = 1;
    ID3DXMesh* m_pMesh = nullptr;  // owned reference
    std::vector<std::string> m_boneNames;
    std::vector<std::vector<SkinInfluence>> m_influences;  // one list per vertex
};

typedef ID3DXSkinMesh* LPD3DXSKINMESH;

// A skin mesh over `mesh` (AddRef'd) with these bones and per-vertex influences (one list per
// vertex of the mesh, bone indices below the bone count; a vertex with no influence follows
// bone 0 fully). D3DERR_INVALIDCALL when the sizes disagree or a bone index is out of range.
HRESULT D3DXCreateSkinMesh(ID3DXMesh* mesh, std::vector<std::string> boneNames,
                           std::vector<std::vector<SkinInfluence>> influences,
                           ID3DXSkinMesh** skinMesh);

// Reads a Mesh data object and its XSkinMeshHeader and SkinWeights children: the mesh, its
// adjacency and materials as D3DXLoadMeshFromXof gives them, the bone names (one const char*
// per bone, file order, texts inside the same buffer), one offset matrix per bone, and the skin
// mesh. A mesh without SkinWeights has no bones; *boneNames and *boneTransforms are then null.
// Refused with D3DXERR_INVALIDDATA and "<mesh> (line N): ..." in *error: a vertex index past the
// file's vertices, unequal index and weight counts, a missing or non-finite offset matrix,
// a non-finite or negative weight, an empty bone name; D3DXERR_TOOMANYINFLUENCES: a vertex of
// more than kMaxVertexInfluences bones. The bones are the SkinWeights objects; the header's
// counts are not trusted. D3DXERR_LOADEDMESHHASNODATA: a mesh without vertices or faces.
HRESULT D3DXLoadSkinMeshFromXof(const XData* meshObject, DWORD options, IDirect3DDevice8* device,
                                ID3DXBuffer** adjacency, ID3DXBuffer** materials,
                                DWORD* numMaterials, ID3DXBuffer** boneNames,
                                ID3DXBuffer** boneTransforms, ID3DXSkinMesh** skinMesh,
                                std::string* error = nullptr);

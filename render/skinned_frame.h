// The in-memory model of a skinned .X file: key records, FrameNode (file frames, animation sets
// and animations alike), MeshContainer (one mesh hung on a frame) and DrawElement (one loaded
// model), with the tree linking, name search and destruction they share.
// Owns: each node owns its containers, keys, name and first child (with its siblings); each
// container owns its mesh, materials, textures, bone tables and D3DX buffers.
// Does not: read files (render/skinned_mesh.h), sample keys (render/skinned_animation.h) or draw.
// Needs: platform/d3dx/d3dx_skin_mesh.h for the skin mesh and bone combinations.
#pragma once

#include "platform/d3d8/d3d8.h"
#include "platform/d3dx/d3dx_mesh.h"
#include "platform/d3dx/d3dx_skin_mesh.h"
#include "platform/system/d3dx_math.h"

// Key records; times in ticks (4800 per second).
struct PositionKey {
    DWORD dwTime = 0;
    D3DXVECTOR3 vPos;
};
struct ScaleKey {
    DWORD dwTime = 0;
    D3DXVECTOR3 vScale;
};
// The file stores w, x, y, z; the loader reorders into (x, y, z, w).
struct RotationKey {
    DWORD dwTime = 0;
    D3DXQUATERNION quatRotate;
};
struct MatrixKey {
    DWORD dwTime = 0;
    D3DXMATRIX mat;  // row by row
};

constexpr DWORD kSkinningMethodIndexedShader = 0;  // the only method that builds and draws
constexpr DWORD kMethodNotBuilt = 1;               // a container's method before its first build
constexpr DWORD kMaxPaletteSize = 28;              // bone matrices per combination (c9 to c92)

struct MeshContainer {
    MeshContainer() = default;
    MeshContainer(const MeshContainer&) = delete;
    MeshContainer& operator=(const MeshContainer&) = delete;
    // Releases the meshes, textures and buffers and frees the tables.
    ~MeshContainer();

    ID3DXMesh* m_pMesh = nullptr;  // the blended mesh, or the mesh as read when it has no bones
    D3DMATERIAL8* m_pMaterials = nullptr;        // m_dwMaterialCount records
    IDirect3DTexture8** m_ppTextures = nullptr;  // one per material, each possibly null
    DWORD m_dwGroupCount = 0;  // bone combinations (skinned) or materials (not skinned)
    DWORD m_dwMaterialCount = 0;
    MeshContainer* m_pNext = nullptr;
    char* m_szName = nullptr;                     // null when nameless
    ID3DXSkinMesh* m_pSkinMesh = nullptr;         // null for a mesh without bones
    D3DXMATRIX** m_ppBoneMatrices = nullptr;      // per bone: its frame's combined matrix
    ID3DXBuffer* m_pBoneNames = nullptr;          // one const char* per bone
    ID3DXBuffer* m_pBoneOffsets = nullptr;        // one D3DXMATRIX per bone
    D3DXMATRIX* m_pBoneOffsetMatrices = nullptr;  // the first matrix of m_pBoneOffsets
    DWORD* m_pAdjacency = nullptr;                // three per face of the skin mesh
    DWORD m_dwInfluences = 0;                     // 1 to 4: selects the skinning shader
    ID3DXBuffer* m_pBoneCombinations = nullptr;   // m_dwGroupCount D3DXBONECOMBINATION records
    DWORD m_dwMethodUsed = kMethodNotBuilt;
    DWORD m_dwPaletteSize = 0;  // min(bones, kMaxPaletteSize)
    DWORD m_bSoftware = 0;      // 1: the blended mesh lives in system memory

    DWORD BoneCount() const { return m_pSkinMesh ? m_pSkinMesh->GetNumBones() : 0; }
    const D3DXBONECOMBINATION* BoneCombinations() const;
};

struct FrameNode {
    FrameNode() = default;
    FrameNode(const FrameNode&) = delete;
    FrameNode& operator=(const FrameNode&) = delete;
    // Frees the containers, keys, name, and the first child with all its siblings (iteratively
    // along sibling lists, so long lists do not deepen the stack).
    ~FrameNode();

    MeshContainer* m_pMeshContainers = nullptr;
    D3DXMATRIX m_matLocal;     // FrameTransformMatrix, then the animated pose
    D3DXMATRIX m_matExtra;     // applied after the parent's matrix; the root's world translation
    D3DXMATRIX m_matRest;      // the FrameTransformMatrix as read
    D3DXMATRIX m_matCombined;  // local x parent's combined x extra; bones point here
    PositionKey* m_pPositionKeys = nullptr;
    DWORD m_dwPositionKeys = 0;
    RotationKey* m_pRotationKeys = nullptr;
    DWORD m_dwRotationKeys = 0;
    ScaleKey* m_pScaleKeys = nullptr;
    DWORD m_dwScaleKeys = 0;
    MatrixKey* m_pMatrixKeys = nullptr;
    DWORD m_dwMatrixKeys = 0;
    FrameNode* m_pNextAnimation = nullptr;  // the owning DrawElement's animation list
    FrameNode* m_pTarget = nullptr;         // the frame this animation drives (not owned)
    FrameNode* m_pSibling = nullptr;
    FrameNode* m_pFirstChild = nullptr;
    char* m_szName = nullptr;  // null when nameless

    // Links child under this node: the first child stays first, every later one goes directly
    // behind it, so children read first, second, third end up first, third, second.
    void AddChild(FrameNode* child);
};

struct DrawElement {
    DrawElement() = default;
    DrawElement(const DrawElement&) = delete;
    DrawElement& operator=(const DrawElement&) = delete;
    ~DrawElement();

    FrameNode* m_pRoot = nullptr;           // nameless node above the file's top-level objects
    FrameNode* m_pAnimationHead = nullptr;  // nodes of the tree, linked by m_pNextAnimation
    char* m_szName = nullptr;               // the resource name
    DrawElement* m_pNext = nullptr;
    float m_fTime = 0.0f;  // play position, ticks
};

// node itself when its name equals `name` byte for byte, else the search of its first child's
// subtree, else of its next siblings; null when none matches. Iterative along siblings.
FrameNode* FindFrame(FrameNode* node, const char* name);
// The frame a reference or a bone name resolves to: the root when its name matches, else the
// root's first-child subtree, else the root's following siblings.
FrameNode* FindFrameFromRoot(FrameNode* root, const char* name);
// A heap copy of text (new[]), or null for null or empty text; *failed set when out of memory.
char* CopyName(const char* text, bool* failed);

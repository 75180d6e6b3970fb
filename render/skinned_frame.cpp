#include "render/skinned_frame.h"

#include <cstring>
#include <new>

MeshContainer::~MeshContainer() {
    if (m_pMesh)
        m_pMesh->Release();
    if (m_ppTextures)
        for (DWORD i = 0; i < m_dwMaterialCount; ++i)
            if (m_ppTextures[i])
                m_ppTextures[i]->Release();
    delete[] m_ppTextures;
    delete[] m_pMaterials;
    delete[] m_szName;
    if (m_pSkinMesh)
        m_pSkinMesh->Release();
    delete[] m_ppBoneMatrices;
    if (m_pBoneNames)
        m_pBoneNames->Release();
    if (m_pBoneOffsets)
        m_pBoneOffsets->Release();
    delete[] m_pAdjacency;
    if (m_pBoneCombinations)
        m_pBoneCombinations->Release();
}

const D3DXBONECOMBINATION* MeshContainer::BoneCombinations() const {
    return m_pBoneCombinations
               ? static_cast<const D3DXBONECOMBINATION*>(m_pBoneCombinations->GetBufferPointer())
               : nullptr;
}

FrameNode::~FrameNode() {
    while (m_pMeshContainers) {
        MeshContainer* next = m_pMeshContainers->m_pNext;
        delete m_pMeshContainers;
        m_pMeshContainers = next;
    }
    delete[] m_pPositionKeys;
    delete[] m_pRotationKeys;
    delete[] m_pScaleKeys;
    delete[] m_pMatrixKeys;
    delete[] m_szName;
    // Children: each deletes its own subtree; siblings are unhooked first so that deleting one
    // never recurses along the sibling list.
    FrameNode* child = m_pFirstChild;
    while (child) {
        FrameNode* next = child->m_pSibling;
        child->m_pSibling = nullptr;
        delete child;
        child = next;
    }
}

void FrameNode::AddChild(FrameNode* child) {
    if (!m_pFirstChild) {
        m_pFirstChild = child;
        return;
    }
    child->m_pSibling = m_pFirstChild->m_pSibling;
    m_pFirstChild->m_pSibling = child;
}

DrawElement::~DrawElement() {
    delete m_pRoot;
    delete[] m_szName;
}

FrameNode* FindFrame(FrameNode* node, const char* name) {
    for (; node; node = node->m_pSibling) {
        if (node->m_szName && std::strcmp(node->m_szName, name) == 0)
            return node;
        if (FrameNode* found = FindFrame(node->m_pFirstChild, name))
            return found;
    }
    return nullptr;
}

FrameNode* FindFrameFromRoot(FrameNode* root, const char* name) {
    if (!root || !name)
        return nullptr;
    if (root->m_szName && std::strcmp(root->m_szName, name) == 0)
        return root;
    if (FrameNode* found = FindFrame(root->m_pFirstChild, name))
        return found;
    return FindFrame(root->m_pSibling, name);
}

char* CopyName(const char* text, bool* failed) {
    if (!text || !*text)
        return nullptr;
    const size_t length = std::strlen(text);
    char* copy = new (std::nothrow) char[length + 1];
    if (!copy) {
        *failed = true;
        return nullptr;
    }
    std::memcpy(copy, text, length + 1);
    return copy;
}

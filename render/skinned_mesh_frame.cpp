// SkinnedMesh per frame: Advance on the frame clock, and drawing: the per-instance pose, the
// bone palette and the skinning shader draws.
#include <cmath>

#include "app/globals.h"
#include "render/skinned_animation.h"
#include "render/skinned_mesh.h"

namespace {
const float kSkinConstants[4] = {1.0f, 0.5f, 0.0f, 765.01f};  // c0
}  // namespace

HRESULT SkinnedMesh::Advance(DWORD segment, DWORD segmentCount, DWORD /*unused*/) {
    return AdvanceBy(g_fTimeStep, segment, segmentCount);
}

HRESULT SkinnedMesh::Render(RenderParams params) {
    if (!m_pDevice)
        return S_OK;
    m_matView = params.matView;
    D3DXMATRIX projection;
    D3DXMatrixTranspose(&projection, &params.matProjection);
    m_pDevice->SetVertexShaderConstant(2, &projection, 4);
    // The light enters the shader in model space; the palette takes normals to view space.
    D3DXMATRIX inverseWorld;
    D3DXMatrixInverse(&inverseWorld, nullptr, &params.matWorld);
    D3DXVECTOR4 light;
    D3DXVec4Transform(&light, &params.vLight, &inverseWorld);
    D3DXVec4Normalize(&light, &light);
    m_pDevice->SetVertexShaderConstant(1, &light, 1);
    m_fFogEnd = params.fFogEnd;
    if (!m_pElements)
        return S_OK;
    UpdateFrames(params.matWorld);
    for (DrawElement* e = m_pElements; e; e = e->m_pNext) {
        const HRESULT hr = DrawNode(e->m_pRoot);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT SkinnedMesh::DrawNode(FrameNode* node) {
    if (node->m_pMeshContainers) {
        const HRESULT hr = m_pDevice->SetTransform(D3DTS_WORLD, &node->m_matCombined);
        if (FAILED(hr))
            return hr;
    }
    for (MeshContainer* c = node->m_pMeshContainers; c; c = c->m_pNext) {
        const HRESULT hr = DrawContainer(c);
        if (FAILED(hr))
            return hr;
    }
    for (FrameNode* child = node->m_pFirstChild; child; child = child->m_pSibling) {
        const HRESULT hr = DrawNode(child);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT SkinnedMesh::DrawContainer(MeshContainer* container) {
    if (!container->m_pSkinMesh) {
        for (DWORD i = 0; i < container->m_dwGroupCount; ++i) {
            if (i < container->m_dwMaterialCount) {
                m_pDevice->SetMaterial(&container->m_pMaterials[i]);
                m_pDevice->SetTexture(0, container->m_ppTextures[i]);
            }
            const HRESULT hr = container->m_pMesh->DrawSubset(i);
            if (FAILED(hr))
                return hr;
        }
        return S_OK;
    }
    if (container->m_dwMethodUsed != m_dwSkinningMethod)
        BuildBlendedMesh(container);  // a failure is retried at the next draw
    if (m_dwSkinningMethod != kSkinningMethodIndexedShader || !container->m_pMesh)
        return S_OK;
    m_pDevice->SetVertexShaderConstant(0, kSkinConstants, 1);
    if (container->m_bSoftware)
        m_pDevice->SetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, 1);
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    HRESULT hr = container->m_pMesh->GetVertexBuffer(&vertices);
    if (SUCCEEDED(hr))
        hr = m_pDevice->SetStreamSource(0, vertices, container->m_pMesh->GetNumBytesPerVertex());
    if (vertices)
        vertices->Release();
    if (SUCCEEDED(hr))
        hr = container->m_pMesh->GetIndexBuffer(&indices);
    if (SUCCEEDED(hr))
        hr = m_pDevice->SetIndices(indices, 0);
    if (indices)
        indices->Release();
    if (SUCCEEDED(hr))
        hr = m_pDevice->SetVertexShader(ShaderHandle(container->m_dwInfluences));
    const float fog[4] = {-1.0f / m_fFogEnd, m_fFogEnd / m_fFogEnd, 0.0f, 0.0f};
    const D3DXBONECOMBINATION* combinations = container->BoneCombinations();
    const DWORD bones = container->BoneCount();
    for (DWORD i = 0; SUCCEEDED(hr) && i < container->m_dwGroupCount; ++i) {
        const D3DXBONECOMBINATION& c = combinations[i];
        for (DWORD j = 0; j < container->m_dwPaletteSize; ++j) {
            const DWORD b = c.BoneId[j];
            if (b == kNoBone || b >= bones)
                continue;
            D3DXMATRIX m;
            D3DXMatrixMultiply(&m, &container->m_pBoneOffsetMatrices[b],
                               container->m_ppBoneMatrices[b]);
            D3DXMatrixMultiplyTranspose(&m, &m, &m_matView);
            m_pDevice->SetVertexShaderConstant(9 + 3 * j, &m, 3);
        }
        m_pDevice->SetVertexShaderConstant(7, fog, 1);
        m_pDevice->SetTexture(0, m_pToonRamp);
        m_pDevice->SetTexture(1, c.AttribId < container->m_dwMaterialCount
                                     ? container->m_ppTextures[c.AttribId]
                                     : nullptr);
        hr = m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, c.VertexStart, c.VertexCount,
                                             c.FaceStart * 3, c.FaceCount);
        m_pDevice->SetTexture(0, nullptr);
        m_pDevice->SetTexture(1, nullptr);
    }
    if (container->m_bSoftware)
        m_pDevice->SetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, 0);
    return hr;
}

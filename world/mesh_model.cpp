#include "world/mesh_model.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "app/trace_log.h"
#include "platform/xfile/xfile_parser.h"
#include "world/model_instance.h"

namespace {
// Where an object is, for messages: "'name' (line N)" or "a Mesh (line N)".
std::string Where(const XData& object) {
    const std::string what =
        object.Name().empty() ? "a " + object.TemplateName() : "'" + object.Name() + "'";
    return what + " (line " + std::to_string(object.Line()) + ")";
}
}  // namespace

HRESULT MeshModel::LoadXFile(IDirect3DDevice8* device, const char* name) {
    Release();
    m_strLastError.clear();
    if (!name || std::strlen(name) >= sizeof m_szName) {
        m_strLastError = "model name missing or longer than 511 characters";
        return E_FAIL;
    }
    std::snprintf(m_szName, sizeof m_szName, "%s", name);

    XTemplateSet templates;
    if (FAILED(RegisterStandardXTemplates(&templates))) {
        m_strLastError = "the standard templates do not register";
        return E_FAIL;
    }
    g_traceLog.Append("\t\t\tpDXFile->CreateEnumObject1...\n");
    XDocument document;
    const HRESULT parsed = ParseXResource(name, templates, &document);
    if (FAILED(parsed)) {
        g_traceLog.Append("\t\t\tFailed\n");
        m_strLastError = document.Error().Text();
        return parsed;
    }

    m_dwMeshDisplayNum = 0;
    m_dwMeshDammyNum = 0;
    for (const XData* object : document.Objects())
        if (FAILED(Walk(device, *object, false)))
            return E_FAIL;
    if (m_dwMeshDisplayNum != m_dwMeshDammyNum) {
        g_traceLog.Append("\t\t\tm_dwMeshDisplayNum != m_dwMeshDammyNum\n");
        m_strLastError = std::string(name) + ": " + std::to_string(m_dwMeshDisplayNum) +
                         " display meshes and " + std::to_string(m_dwMeshDammyNum) +
                         " dammy meshes";
        return E_FAIL;
    }
    m_pMeshDisplay = new (std::nothrow) DisplayMesh[m_dwMeshDisplayNum];
    m_pMeshDammy = new (std::nothrow) DammyMesh[m_dwMeshDammyNum];
    if (!m_pMeshDisplay || !m_pMeshDammy) {
        g_traceLog.Append("\t\t\tm_pMeshDisplay == NULL\n");
        m_strLastError = "out of memory for the mesh arrays";
        return E_FAIL;
    }

    // The document of the counting pass serves the loading pass as well.
    g_traceLog.Append("\t\t\tpDXFile->CreateEnumObject2...\n");
    m_dwDisplayCursor = 0;
    m_dwDammyCursor = 0;
    for (const XData* object : document.Objects())
        if (FAILED(Walk(device, *object, true)))
            return E_FAIL;
    return S_OK;
}

HRESULT MeshModel::Walk(IDirect3DDevice8* device, const XData& object, bool loading) {
    const std::string& type = object.TemplateName();
    if (type == "Mesh") {
        const std::string& meshName = object.Name();
        const bool display = meshName.find("display") != std::string::npos;
        const bool dammy = !display && meshName.find("dammy") != std::string::npos;
        if (!display && !dammy) {
            g_traceLog.Append("\t\t\tInvalidate Name\n");
            m_strLastError = std::string(m_szName) + ": mesh " + Where(object) +
                             " is named neither \"display\" nor \"dammy\"";
            return E_FAIL;
        }
        if (!loading) {
            ++(display ? m_dwMeshDisplayNum : m_dwMeshDammyNum);
            return S_OK;
        }
        std::string error;
        HRESULT hr = E_FAIL;
        if (display && m_dwDisplayCursor < m_dwMeshDisplayNum)
            hr = m_pMeshDisplay[m_dwDisplayCursor].Load(device, object, &error);
        else if (dammy && m_dwDammyCursor < m_dwMeshDammyNum)
            hr = m_pMeshDammy[m_dwDammyCursor].Load(device, object, &error);
        ++(display ? m_dwDisplayCursor : m_dwDammyCursor);
        if (FAILED(hr))
            m_strLastError = std::string(m_szName) + ": " + error;
        return hr;
    }
    if (type == "Frame") {
        for (const XChild& child : object.Children()) {
            if (!child.object) {
                m_strLastError = std::string(m_szName) + ": frame " + Where(object) +
                                 " holds a data reference (line " + std::to_string(child.line) +
                                 "); only data objects may";
                return E_FAIL;
            }
            const HRESULT hr = Walk(device, *child.object, loading);
            if (FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}

HRESULT MeshModel::Release() {
    delete[] m_pMeshDisplay;  // each mesh releases its buffers and textures
    delete[] m_pMeshDammy;
    m_pMeshDisplay = nullptr;
    m_pMeshDammy = nullptr;
    m_dwMeshDisplayNum = 0;
    m_dwMeshDammyNum = 0;
    m_dwDisplayCursor = 0;
    m_dwDammyCursor = 0;
    return S_OK;
}

HRESULT MeshModel::UpdateWorldBounds(const D3DXMATRIX& world) {
    for (DWORD i = 0; i < m_dwMeshDisplayNum; ++i)
        m_pMeshDisplay[i].UpdateWorldBounds(world);
    return S_OK;
}

int MeshModel::IsVisible(const ViewFrustum& frustum) const {
    for (DWORD i = 0; i < m_dwMeshDisplayNum; ++i)
        if (m_pMeshDisplay[i].IsVisible(frustum))
            return 1;
    return 0;
}

int MeshModel::HitSegment(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, D3DXVECTOR3* normal,
                          const ModelInstance& instance) const {
    for (DWORD i = 0; i < m_dwMeshDammyNum; ++i)
        if (m_pMeshDammy[i].HitSegment(p0, p1, normal, instance.m_matWorld))
            return 1;
    return 0;
}

HRESULT MeshModel::Render(IDirect3DDevice8* /*device*/, const ModelInstance& instance,
                          const D3DXMATRIX& cameraWorld, const ViewFrustum& frustum,
                          int32_t /*ignored*/, ZSortRender* renderer) const {
    for (DWORD i = 0; i < m_dwMeshDisplayNum; ++i) {
        const HRESULT hr =
            m_pMeshDisplay[i].Render(instance.m_matWorld, cameraWorld, frustum, renderer);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

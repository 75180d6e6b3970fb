// velmora-tool model NAME [--png FILE]: loads a static model of the MODEL resources as the saver
// does (on a headless device) and prints its meshes, the trace of the load and its status; with
// --png, draws it through ZSortRender and "Toon.vsh" from four sides (front, right, back, left,
// seen from a little above) onto one 2 x 2 contact sheet.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/saver_settings.h"
#include "app/trace_log.h"
#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/headless_device.h"
#include "platform/d3dx/xfile_mesh.h"
#include "platform/image/png_writer.h"
#include "platform/xfile/xfile_parser.h"
#include "render/z_sort_render.h"
#include "tools/velmora_tool/commands.h"
#include "tools/velmora_tool/tool_output.h"
#include "tools/velmora_tool/toon_device.h"
#include "world/mesh_model.h"
#include "world/model_instance.h"
#include "world/view_frustum.h"

namespace {
constexpr UINT kViewSide = 512;             // pixels of one view; the sheet is 2 x 2 views
constexpr float kFieldOfView = 0.7853982f;  // radians (pi / 4)
constexpr float kElevation = 0.4f;          // radians above the horizon
constexpr D3DCOLOR kBackground = 0xFF404850u;
const D3DXVECTOR4 kLight(0.5f, 0.9f, 0.5f, 0.0f);  // the scene's base light

int Usage() {
    PrintModelUsage(stderr);
    return 2;
}

std::string Bracketed(const D3DXVECTOR3& v) {
    return "(" + FormatVector(v) + ")";
}

void PrintModel(const MeshModel& model) {
    std::printf("model %s\n", model.m_szName);
    std::printf("meshes display %u dammy %u\n", model.m_dwMeshDisplayNum, model.m_dwMeshDammyNum);
    DWORD displayFaces = 0, dammyFaces = 0;
    for (DWORD i = 0; i < model.m_dwMeshDisplayNum; ++i) {
        const DisplayMesh& m = model.m_pMeshDisplay[i];
        DWORD faces = 0;
        for (const D3DXATTRIBUTERANGE& r : m.m_attributeTable)
            faces += r.FaceCount;
        displayFaces += faces;
        std::printf("display %u %s vertices %u faces %u ranges %u materials %zu\n", i, m.m_szName,
                    m.m_dwVertexCount, faces, m.m_dwRangeCount, m.m_textures.size());
        for (const D3DXATTRIBUTERANGE& r : m.m_attributeTable)
            std::printf("  range attribute %u faces %u+%u vertices %u+%u\n", r.AttribId,
                        r.FaceStart, r.FaceCount, r.VertexStart, r.VertexCount);
        std::printf("  box %s %s sphere %s %s\n", Bracketed(m.m_vLocalCorners[0]).c_str(),
                    Bracketed(m.m_vLocalCorners[7]).c_str(), Bracketed(m.m_vLocalCentre).c_str(),
                    FormatFloat(m.m_fLocalRadius).c_str());
    }
    for (DWORD i = 0; i < model.m_dwMeshDammyNum; ++i) {
        const DammyMesh& m = model.m_pMeshDammy[i];
        if (!m.m_pMesh)
            continue;
        dammyFaces += m.m_pMesh->GetNumFaces();
        BYTE* vertices = nullptr;
        D3DXVECTOR3 low, high;
        m.m_pMesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices);
        D3DXComputeBoundingBox(vertices, m.m_pMesh->GetNumVertices(), m.m_pMesh->GetFVF(), &low,
                               &high);
        m.m_pMesh->UnlockVertexBuffer();
        std::printf("dammy %u %s vertices %u faces %u\n", i, m.m_szName,
                    m.m_pMesh->GetNumVertices(), m.m_pMesh->GetNumFaces());
        std::printf("  box %s %s\n", Bracketed(low).c_str(), Bracketed(high).c_str());
    }
    std::printf("triangles display %u dammy %u total %u\n", displayFaces, dammyFaces,
                displayFaces + dammyFaces);
}

// Counts of the file's own vertices per Mesh object: as stored, used by some face, and distinct
// (position, normal, coordinates, colour and material all equal count once), the number a
// vertex-welding reader such as "assimp info -jiv" arrives at.
void WalkFileMeshes(const XData& object, DWORD* stored, DWORD* used, DWORD* distinct) {
    if (object.TemplateName() == "Frame") {
        for (const XChild& child : object.Children())
            if (child.object)
                WalkFileMeshes(*child.object, stored, used, distinct);
        return;
    }
    if (object.TemplateName() != "Mesh")
        return;
    XMeshGeometry g;
    if (FAILED(ReadXMeshGeometry(&object, &g, nullptr)))
        return;
    std::set<DWORD> referenced;
    std::set<std::vector<uint8_t>> keys;
    for (size_t i = 0; i < g.indices.size(); ++i) {
        const DWORD v = g.indices[i];
        referenced.insert(g.sourceVertex[v]);
        std::vector<uint8_t> key(sizeof(DWORD) + 40, 0);
        const DWORD material = g.faceMaterials[i / 3];
        std::memcpy(key.data(), &material, 4);
        std::memcpy(key.data() + 4, &g.positions[v], 12);
        if (!g.normals.empty())
            std::memcpy(key.data() + 16, &g.normals[v], 12);
        if (!g.texCoords.empty())
            std::memcpy(key.data() + 28, &g.texCoords[v], 8);
        if (!g.colours.empty())
            std::memcpy(key.data() + 36, &g.colours[v], 4);
        keys.insert(std::move(key));
    }
    const DWORD fileVertices = object.Dword("nVertices");
    std::printf("file %s vertices %u used %zu distinct %zu\n", object.Name().c_str(), fileVertices,
                referenced.size(), keys.size());
    *stored += fileVertices;
    *used += static_cast<DWORD>(referenced.size());
    *distinct += static_cast<DWORD>(keys.size());
}

void PrintFileVertices(const char* name) {
    XTemplateSet templates;
    XDocument document;
    if (FAILED(RegisterStandardXTemplates(&templates)) ||
        FAILED(ParseXResource(name, templates, &document)))
        return;
    DWORD stored = 0, used = 0, distinct = 0;
    for (const XData* object : document.Objects())
        WalkFileMeshes(*object, &stored, &used, &distinct);
    std::printf("file vertices %u used %u distinct %u\n", stored, used, distinct);
}

// The box around every display mesh of the model as placed at the identity.
bool DisplayBounds(const MeshModel& model, D3DXVECTOR3* low, D3DXVECTOR3* high) {
    bool any = false;
    for (DWORD i = 0; i < model.m_dwMeshDisplayNum; ++i) {
        const DisplayMesh& m = model.m_pMeshDisplay[i];
        if (!m.m_pVertexBuffer)
            continue;
        const D3DXVECTOR3& a = m.m_vLocalCorners[0];
        const D3DXVECTOR3& b = m.m_vLocalCorners[7];
        if (!any) {
            *low = a;
            *high = b;
            any = true;
            continue;
        }
        *low = D3DXVECTOR3(std::fmin(low->x, a.x), std::fmin(low->y, a.y), std::fmin(low->z, a.z));
        *high =
            D3DXVECTOR3(std::fmax(high->x, b.x), std::fmax(high->y, b.y), std::fmax(high->z, b.z));
    }
    return any;
}

// The eye distance from `centre` along -direction at which every corner of the box fits the
// field of view, with a small margin.
float FramingDistance(const D3DXVECTOR3& low, const D3DXVECTOR3& high, const D3DXVECTOR3& centre,
                      const D3DXVECTOR3& direction, const D3DXVECTOR3& up) {
    D3DXVECTOR3 right, trueUp;
    D3DXVec3Cross(&right, &up, &direction);
    D3DXVec3Normalize(&right, &right);
    D3DXVec3Cross(&trueUp, &direction, &right);
    const float tanHalf = std::tan(kFieldOfView * 0.5f);
    float distance = 1e-3f;
    for (int k = 0; k < 8; ++k) {
        const D3DXVECTOR3 corner((k & 1) ? high.x : low.x, (k & 2) ? high.y : low.y,
                                 (k & 4) ? high.z : low.z);
        const D3DXVECTOR3 offset = corner - centre;
        const float across = std::fmax(std::fabs(D3DXVec3Dot(&offset, &right)),
                                       std::fabs(D3DXVec3Dot(&offset, &trueUp)));
        distance = std::fmax(distance, across / tanHalf - D3DXVec3Dot(&offset, &direction));
    }
    return distance * 1.08f;
}

int RenderSheet(IDirect3DDevice8* device, MeshModel* model, const std::string& path) {
    D3DXVECTOR3 low, high;
    if (!DisplayBounds(*model, &low, &high)) {
        std::fprintf(stderr, "velmora-tool: the model has no display mesh to draw\n");
        return 1;
    }
    static ZSortRender renderer;  // 1000 queue entries: too large for the stack
    SaverSettings settings;
    settings.night = 0;
    if (FAILED(renderer.InitDeviceObjects(device, settings)) ||
        FAILED(renderer.RestoreDeviceObjects(device))) {
        std::fprintf(stderr, "velmora-tool: the toon renderer does not start:\n");
        PrintTrace();
        return 1;
    }
    ModelInstance instance;
    instance.SetModel(model);

    const D3DXVECTOR3 centre = (low + high) * 0.5f;
    const D3DXVECTOR3 half = (high - low) * 0.5f;
    const float radius = std::fmax(D3DXVec3Length(&half), 1e-3f);
    const UINT sheetSide = 2 * kViewSide;
    std::vector<uint8_t> sheet(static_cast<size_t>(sheetSide) * sheetSide * 4, 0);
    const float headings[4] = {0.0f, 1.5707964f, 3.1415927f, 4.712389f};  // front, right, ...
    for (int view = 0; view < 4; ++view) {
        // Heading 0 looks along +z from the -z side; each next view turns a quarter to the left.
        const D3DXVECTOR3 direction(-std::sin(headings[view]) * std::cos(kElevation),
                                    -std::sin(kElevation),
                                    std::cos(headings[view]) * std::cos(kElevation));
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        const float distance = FramingDistance(low, high, centre, direction, up);
        const D3DXVECTOR3 eye = centre - direction * distance;
        D3DXMATRIX viewMatrix, projection, cameraWorld;
        D3DXMatrixLookAtLH(&viewMatrix, &eye, &centre, &up);
        const float nearPlane = std::fmax(distance - 2.0f * radius, distance * 0.01f);
        const float farPlane = distance + 2.0f * radius;
        D3DXMatrixPerspectiveFovLH(&projection, kFieldOfView, 1.0f, nearPlane, farPlane);
        D3DXMatrixInverse(&cameraWorld, nullptr, &viewMatrix);
        ViewFrustum frustum;
        BuildViewFrustum(viewMatrix, projection, &frustum);

        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
        device->BeginScene();
        instance.Render(device, cameraWorld, frustum, 0, &renderer);
        const D3DXVECTOR3 sortDirection = ViewSortDirection(viewMatrix);
        renderer.Sort(sortDirection.x, sortDirection.y, sortDirection.z);
        renderer.Render(device, viewMatrix, projection, kLight, farPlane);
        renderer.Clear();
        device->EndScene();

        std::vector<uint8_t> rgba;
        UINT width = 0, height = 0;
        if (FAILED(device->ReadBackBuffer(&rgba, &width, &height)) || width != kViewSide ||
            height != kViewSide) {
            std::fprintf(stderr, "velmora-tool: cannot read the back buffer\n");
            return 1;
        }
        const UINT x0 = (view % 2) * kViewSide, y0 = (view / 2) * kViewSide;
        for (UINT y = 0; y < kViewSide; ++y)
            std::memcpy(&sheet[((static_cast<size_t>(y0) + y) * sheetSide + x0) * 4],
                        &rgba[static_cast<size_t>(y) * kViewSide * 4], kViewSide * 4);
    }
    renderer.ReleaseDeviceObjects(device);
    renderer.DestroyObjects();
    std::string error;
    if (!WritePng(path, sheet.data(), static_cast<int>(sheetSide), static_cast<int>(sheetSide),
                  &error)) {
        std::fprintf(stderr, "velmora-tool: %s\n", error.c_str());
        return 1;
    }
    std::printf("sheet %s %ux%u (front, right; back, left)\n", path.c_str(), sheetSide, sheetSide);
    return 0;
}
}  // namespace

void PrintModelUsage(std::FILE* out) {
    std::fprintf(out, "usage: velmora-tool model NAME [--png FILE]\n");
}

int RunModelCommand(int argc, char** argv) {
    const char* name = nullptr;
    std::string pngPath;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc)
            pngPath = argv[++i];
        else if (argv[i][0] != '-' && !name)
            name = argv[i];
        else
            return Usage();
    }
    if (!name)
        return Usage();

    ToonDevice headless;
    if (!headless.Create(kViewSide))
        return 1;
    MeshModel model;
    const HRESULT hr = model.LoadXFile(headless.device, name);
    if (SUCCEEDED(hr)) {
        PrintModel(model);
        PrintFileVertices(name);
    }
    std::printf("trace:\n%s", g_traceLog.Text());
    std::printf("status 0x%08X\n", static_cast<unsigned>(hr));
    if (FAILED(hr)) {
        std::fprintf(stderr, "velmora-tool: %s does not load: %s\n", name,
                     model.LastError().c_str());
        return 1;
    }
    const int result = pngPath.empty() ? 0 : RenderSheet(headless.device, &model, pngPath);
    model.Release();
    return result;
}

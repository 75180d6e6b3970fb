// velmora-tool skin NAME|FILE [--time TICKS] [--matrices] [--png FILE [--poses N] [--night]]:
// loads a skinned model as the saver does (an embedded MODEL resource, or a .X text file from
// disk when the argument names one) on a headless device and prints its frame tree in the
// loader's order, each mesh container with its bone combinations, each animation node with its
// key lists, the animation length, the trace and the status. --time poses the model; --matrices
// prints every frame's combined matrix at that time; --png draws N poses spread over the loop
// from the side and from above through the skinning shaders and the toon ramp.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/trace_log.h"
#include "platform/image/png_writer.h"
#include "render/skinned_mesh.h"
#include "tools/velmora_tool/commands.h"
#include "tools/velmora_tool/tool_output.h"
#include "tools/velmora_tool/toon_device.h"

namespace {
constexpr UINT kCellSide = 256;                   // pixels of one view
constexpr float kFieldOfView = 0.5235988f;        // radians (pi / 6)
constexpr D3DCOLOR kDayBackground = 0xFFFFFFFFu;  // the saver's clear colours
constexpr D3DCOLOR kNightBackground = 0xFF000000u;
const D3DXVECTOR4 kLight(0.5f, 0.9f, 0.5f, 0.0f);  // the scene's base light

int Usage() {
    PrintSkinUsage(stderr);
    return 2;
}

const char* NameOf(const FrameNode* node) {
    return node->m_szName ? node->m_szName : "(unnamed)";
}

bool IsAnimation(const SkinnedMesh& mesh, const FrameNode* node) {
    for (DrawElement* e = mesh.Elements(); e; e = e->m_pNext)
        for (FrameNode* a = e->m_pAnimationHead; a; a = a->m_pNextAnimation)
            if (a == node)
                return true;
    return false;
}

// An animation set's node: its children are animations (a set without any reads as a frame).
bool IsAnimationSet(const SkinnedMesh& mesh, const FrameNode* node) {
    return node->m_pFirstChild && IsAnimation(mesh, node->m_pFirstChild) &&
           !IsAnimation(mesh, node);
}

template <typename Key>
void PrintKeys(const char* kind, const Key* keys, DWORD count, const std::string& indent) {
    if (!keys || count == 0)
        return;
    std::printf("%s  %s keys %u time %u..%u\n", indent.c_str(), kind, count, keys[0].dwTime,
                keys[count - 1].dwTime);
}

void PrintContainer(const MeshContainer& c, const std::string& indent) {
    const DWORD vertices = c.m_pMesh ? c.m_pMesh->GetNumVertices() : 0;
    const DWORD faces = c.m_pMesh ? c.m_pMesh->GetNumFaces() : 0;
    std::printf(
        "%smesh %s vertices %u faces %u bones %u palette %u influences %u "
        "fvf 0x%X groups %u materials %u\n",
        indent.c_str(), c.m_szName ? c.m_szName : "(unnamed)", vertices, faces, c.BoneCount(),
        c.m_dwPaletteSize, c.m_dwInfluences, c.m_pMesh ? c.m_pMesh->GetFVF() : 0u, c.m_dwGroupCount,
        c.m_dwMaterialCount);
    const D3DXBONECOMBINATION* table = c.BoneCombinations();
    if (!c.m_pSkinMesh || !table)
        return;
    const char* const* names = static_cast<const char* const*>(c.m_pBoneNames->GetBufferPointer());
    for (DWORD b = 0; b < c.BoneCount(); ++b)
        std::printf("%s  bone %u %s\n", indent.c_str(), b, names[b]);
    for (DWORD i = 0; i < c.m_dwGroupCount; ++i) {
        const D3DXBONECOMBINATION& bc = table[i];
        std::printf("%s  combination %u attribute %u faces %u+%u vertices %u+%u bones",
                    indent.c_str(), i, bc.AttribId, bc.FaceStart, bc.FaceCount, bc.VertexStart,
                    bc.VertexCount);
        for (DWORD j = 0; j < c.m_dwPaletteSize; ++j)
            if (bc.BoneId[j] != kNoBone)
                std::printf(" %u", bc.BoneId[j]);
        std::printf("\n");
    }
}

void PrintTree(const SkinnedMesh& mesh, const FrameNode* node, int depth) {
    const std::string indent(static_cast<size_t>(depth) * 2, ' ');
    if (depth == 0)
        std::printf("root\n");
    else if (IsAnimation(mesh, node)) {
        std::printf("%sanimation %s target %s\n", indent.c_str(), NameOf(node),
                    node->m_pTarget ? NameOf(node->m_pTarget) : "(none)");
        PrintKeys("rotation", node->m_pRotationKeys, node->m_dwRotationKeys, indent);
        PrintKeys("scale", node->m_pScaleKeys, node->m_dwScaleKeys, indent);
        PrintKeys("position", node->m_pPositionKeys, node->m_dwPositionKeys, indent);
        PrintKeys("matrix", node->m_pMatrixKeys, node->m_dwMatrixKeys, indent);
    } else if (IsAnimationSet(mesh, node))
        std::printf("%sanimationset %s\n", indent.c_str(), NameOf(node));
    else
        std::printf("%sframe %s\n", indent.c_str(), NameOf(node));
    for (const MeshContainer* c = node->m_pMeshContainers; c; c = c->m_pNext)
        PrintContainer(*c, indent + "  ");
    for (const FrameNode* child = node->m_pFirstChild; child; child = child->m_pSibling)
        PrintTree(mesh, child, depth + 1);
}

void PrintMatrices(const SkinnedMesh& mesh, const FrameNode* node) {
    if (!IsAnimation(mesh, node) && !IsAnimationSet(mesh, node)) {
        std::printf("%s", NameOf(node));
        for (int k = 0; k < 16; ++k)
            std::printf(" %.9g", static_cast<double>(node->m_matCombined.m[k / 4][k % 4]));
        std::printf("\n");
    }
    for (const FrameNode* child = node->m_pFirstChild; child; child = child->m_pSibling)
        PrintMatrices(mesh, child);
}

// Grows the box by every vertex of the tree's skinned meshes as the bones place them now.
template <typename Visit>
void ForEachContainer(const FrameNode* node, Visit visit) {
    for (const MeshContainer* c = node->m_pMeshContainers; c; c = c->m_pNext)
        visit(*c, *node);
    for (const FrameNode* child = node->m_pFirstChild; child; child = child->m_pSibling)
        ForEachContainer(child, visit);
}

void GrowBox(const SkinnedMesh& mesh, D3DXVECTOR3* low, D3DXVECTOR3* high, bool* any) {
    auto add = [&](const D3DXVECTOR3& p) {
        if (!*any) {
            *low = *high = p;
            *any = true;
        }
        *low = D3DXVECTOR3(std::fmin(low->x, p.x), std::fmin(low->y, p.y), std::fmin(low->z, p.z));
        *high =
            D3DXVECTOR3(std::fmax(high->x, p.x), std::fmax(high->y, p.y), std::fmax(high->z, p.z));
    };
    for (DrawElement* e = mesh.Elements(); e; e = e->m_pNext)
        ForEachContainer(e->m_pRoot, [&](const MeshContainer& c, const FrameNode& frame) {
            ID3DXMesh* original = nullptr;
            if (c.m_pSkinMesh)
                c.m_pSkinMesh->GetOriginalMesh(&original);
            else if (c.m_pMesh) {
                original = c.m_pMesh;
                original->AddRef();
            }
            if (!original)
                return;
            BYTE* data = nullptr;
            original->LockVertexBuffer(D3DLOCK_READONLY, &data);
            for (DWORD v = 0; v < original->GetNumVertices(); ++v) {
                const D3DXVECTOR3& p = *reinterpret_cast<const D3DXVECTOR3*>(
                    data + v * original->GetNumBytesPerVertex());
                D3DXVECTOR3 sum(0.0f, 0.0f, 0.0f), q;
                if (!c.m_pSkinMesh) {
                    D3DXVec3TransformCoord(&sum, &p, &frame.m_matCombined);
                } else {
                    for (const SkinInfluence& in : c.m_pSkinMesh->GetVertexInfluences(v)) {
                        D3DXMATRIX m;
                        D3DXMatrixMultiply(&m, &c.m_pBoneOffsetMatrices[in.bone],
                                           c.m_ppBoneMatrices[in.bone]);
                        D3DXVec3TransformCoord(&q, &p, &m);
                        sum = sum + q * in.weight;
                    }
                }
                add(sum);
            }
            original->UnlockVertexBuffer();
            original->Release();
        });
}

int RenderSheet(IDirect3DDevice8* device, SkinnedMesh* mesh, const std::string& path, int poses,
                bool night) {
    const D3DXMATRIX identity;
    std::vector<float> times(static_cast<size_t>(poses));
    D3DXVECTOR3 low, high;
    bool any = false;
    for (int k = 0; k < poses; ++k) {
        times[k] = mesh->m_fAnimLength * static_cast<float>(k) / static_cast<float>(poses);
        mesh->PoseAt(times[k]);
        mesh->UpdateFrames(identity);
        GrowBox(*mesh, &low, &high, &any);
    }
    if (!any) {
        std::fprintf(stderr, "velmora-tool: the model has no mesh to draw\n");
        return 1;
    }
    if (night) {  // the frame passes the vertex colour alone while the flock is drawn
        for (DWORD stage = 0; stage < 2; ++stage) {
            device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
            device->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
            device->SetTextureStageState(stage, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        }
    }
    const D3DXVECTOR3 centre = (low + high) * 0.5f;
    const D3DXVECTOR3 half = (high - low) * 0.5f;
    const UINT width = kCellSide * static_cast<UINT>(poses), height = 2 * kCellSide;
    std::vector<uint8_t> sheet(static_cast<size_t>(width) * height * 4, 0);
    const float tanHalf = std::tan(kFieldOfView * 0.5f);
    for (int row = 0; row < 2; ++row) {
        // Row 0 from the model's right (+x), row 1 from above with +z up the picture; each
        // framed by the box's extent across its own view, the same for every pose.
        const float across = row == 0 ? std::fmax(half.y, half.z) : std::fmax(half.x, half.z);
        const float depth = std::fmax(row == 0 ? half.x : half.y, 1e-3f);
        const float distance = std::fmax(across, 1e-3f) / tanHalf * 1.1f + depth;
        const D3DXVECTOR3 eye = row == 0 ? centre + D3DXVECTOR3(distance, 0.0f, 0.0f)
                                         : centre + D3DXVECTOR3(0.0f, distance, 0.0f);
        const D3DXVECTOR3 up =
            row == 0 ? D3DXVECTOR3(0.0f, 1.0f, 0.0f) : D3DXVECTOR3(0.0f, 0.0f, 1.0f);
        D3DXMATRIX view, projection;
        D3DXMatrixLookAtLH(&view, &eye, &centre, &up);
        const float radius = std::fmax(D3DXVec3Length(&half), 1e-3f);
        D3DXMatrixPerspectiveFovLH(&projection, kFieldOfView, 1.0f,
                                   std::fmax(distance - radius * 1.1f, distance * 0.01f),
                                   distance + radius * 1.1f);
        for (int k = 0; k < poses; ++k) {
            mesh->PoseAt(times[k]);
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                          night ? kNightBackground : kDayBackground, 1.0f, 0);
            device->BeginScene();
            RenderParams params;
            params.matView = view;
            params.matProjection = projection;
            params.vLight = kLight;
            params.fFogEnd = 20000.0f;
            mesh->Render(params);
            device->EndScene();
            std::vector<uint8_t> rgba;
            UINT w = 0, h = 0;
            if (FAILED(device->ReadBackBuffer(&rgba, &w, &h)) || w != kCellSide || h != kCellSide) {
                std::fprintf(stderr, "velmora-tool: cannot read the back buffer\n");
                return 1;
            }
            const size_t x0 = static_cast<size_t>(k) * kCellSide, y0 = row * kCellSide;
            for (UINT y = 0; y < kCellSide; ++y)
                std::memcpy(&sheet[((y0 + y) * width + x0) * 4],
                            &rgba[static_cast<size_t>(y) * kCellSide * 4], kCellSide * 4);
        }
    }
    std::string error;
    if (!WritePng(path, sheet.data(), static_cast<int>(width), static_cast<int>(height), &error)) {
        std::fprintf(stderr, "velmora-tool: %s\n", error.c_str());
        return 1;
    }
    std::printf("sheet %s %ux%u poses %d (side from +x; top from +y)", path.c_str(), width, height,
                poses);
    for (float t : times)
        std::printf(" %s", FormatFloat(t).c_str());
    std::printf("\n");
    return 0;
}
}  // namespace

int RunSkinCommand(int argc, char** argv) {
    const char* name = nullptr;
    std::string pngPath;
    float ticks = 0.0f;
    bool posed = false, matrices = false, night = false;
    int poses = 6;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc)
            pngPath = argv[++i];
        else if (std::strcmp(argv[i], "--time") == 0 && i + 1 < argc) {
            if (!ParseFloatArgument(argv[++i], &ticks) || !(ticks >= 0.0f))
                return Usage();
            posed = true;
        } else if (std::strcmp(argv[i], "--poses") == 0 && i + 1 < argc) {
            float n = 0.0f;
            if (!ParseFloatArgument(argv[++i], &n) || n < 1.0f || n > 16.0f || n != std::floor(n))
                return Usage();
            poses = static_cast<int>(n);
        } else if (std::strcmp(argv[i], "--matrices") == 0)
            matrices = true;
        else if (std::strcmp(argv[i], "--night") == 0)
            night = true;
        else if (argv[i][0] != '-' && !name)
            name = argv[i];
        else
            return Usage();
    }
    if (!name)
        return Usage();

    // A readable file on disk wins over a resource of the same name.
    std::string text;
    std::ifstream file(name, std::ios::binary);
    const bool fromFile = file.good();
    if (fromFile)
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());

    ToonDevice headless;
    if (!headless.Create(kCellSide))
        return 1;
    D3DCAPS8 caps;
    headless.device->GetDeviceCaps(&caps);
    SkinnedMesh mesh;
    HRESULT hr = fromFile ? mesh.InitDeviceObjectsFromText(headless.device, caps, text.data(),
                                                           text.size(), name)
                          : mesh.InitDeviceObjects(headless.device, caps, name);
    if (SUCCEEDED(hr))
        hr = mesh.RestoreDeviceObjects();
    if (SUCCEEDED(hr))
        hr = mesh.LastLoadStatus();
    if (mesh.Selected()) {
        std::printf("model %s\n", name);
        mesh.PoseAt(ticks);
        mesh.UpdateFrames(D3DXMATRIX());
        PrintTree(mesh, mesh.Selected()->m_pRoot, 0);
        std::printf("animation length %s ticks\n", FormatFloat(mesh.m_fAnimLength).c_str());
        if (posed || matrices)
            std::printf("time %s ticks\n", FormatFloat(ticks).c_str());
        if (matrices)
            PrintMatrices(mesh, mesh.Selected()->m_pRoot);
    }
    std::printf("trace:\n%s", g_traceLog.Text());
    std::printf("status 0x%08X\n", static_cast<unsigned>(hr));
    if (FAILED(hr) || !mesh.Selected()) {
        std::fprintf(stderr, "velmora-tool: %s does not load: %s\n", name,
                     mesh.LastError().empty() ? "see the trace" : mesh.LastError().c_str());
        return 1;
    }
    const int result =
        pngPath.empty() ? 0 : RenderSheet(headless.device, &mesh, pngPath, poses, night);
    mesh.ReleaseDeviceObjects();
    mesh.DestroyObjects();
    return result;
}

void PrintSkinUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: velmora-tool skin NAME|FILE [--time TICKS] [--matrices] "
                 "[--png FILE [--poses N] [--night]]\n");
}

// SkinnedMesh: one animated, bone-skinned model read from a .X resource of type MODEL: its frame
// tree, the meshes on the frames with their bones and indexed blended meshes, the animation
// keys, the four skinning shaders and the toon ramp; it plays the animation (Advance) and draws
// the posed model at any world placement (Render) through the bone palette.
// Owns: the DrawElement list (render/skinned_frame.h), the shader handles and the ramp texture.
// Does not: own the device, decide where it is drawn, or read the frame clock itself beyond
// g_fTimeStep (app/globals.h) in Advance.
// Needs: platform/d3d8, platform/d3dx (skin mesh, shaders, textures), app/trace_log.h.
#pragma once

#include <cstddef>
#include <string>

#include "platform/d3d8/d3d8.h"
#include "platform/system/d3dx_math.h"
#include "render/skinned_frame.h"

constexpr DWORD kSkinningShaderCount = 4;  // one per number of bone influences, 1 to 4
constexpr float kTicksPerSecond = 4800.0f;

// What one Render call draws with, passed by value.
struct RenderParams {
    D3DXMATRIX matWorld;
    D3DXMATRIX matView;
    D3DXMATRIX matProjection;
    D3DXVECTOR4 vLight;    // the application's light vector
    float fFogEnd = 0.0f;  // world units
};

class SkinnedMesh {
  public:
    SkinnedMesh() = default;
    SkinnedMesh(const SkinnedMesh&) = delete;
    SkinnedMesh& operator=(const SkinnedMesh&) = delete;
    ~SkinnedMesh() { DestroyObjects(); }

    // Keeps the device and a copy of caps, copies at most 259 characters of name, runs
    // LoadModel (whose status is not returned: a model that fails to load leaves nothing to
    // draw), then creates the ramp "Toon.bmp". E_FAIL when the ramp cannot be created.
    HRESULT InitDeviceObjects(IDirect3DDevice8* device, const D3DCAPS8& caps, const char* name);
    // The same over .X text held in memory (a file a tool read); name stands for the resource.
    HRESULT InitDeviceObjectsFromText(IDirect3DDevice8* device, const D3DCAPS8& caps,
                                      const void* text, size_t size, const char* name);
    // Reads the resource named by the stored name into a new DrawElement; on success it
    // replaces the selected one. On failure nothing of it is kept, the trace gets
    // "SkinnedMesh Loading Failed...%d\n" and LastError() says what and where.
    HRESULT LoadModel();
    // LoadModel over .X text held in memory (a file read by a tool, a test's text); name
    // becomes the resource name that messages and the DrawElement carry.
    HRESULT LoadModelFromText(const void* text, size_t size, const char* name);
    // Assembles "skinmesh1.vsh" to "skinmesh4.vsh" and creates the four skinning shaders.
    HRESULT RestoreDeviceObjects();
    // Advances every model's play time by g_fTimeStep seconds within segment `segment` of
    // `segmentCount` and poses its frames. The third argument is ignored. Always 0.
    HRESULT Advance(DWORD segment, DWORD segmentCount, DWORD unused);
    // The same with an explicit step in seconds (what Advance does with g_fTimeStep).
    HRESULT AdvanceBy(float seconds, DWORD segment, DWORD segmentCount);
    // Draws every loaded model at params.matWorld in the pose of the last Advance.
    HRESULT Render(RenderParams params);
    // Releases every blended mesh (rebuilt at the next draw) and deletes the shaders. Always 0.
    HRESULT ReleaseDeviceObjects();
    // Destroys every loaded model and releases the ramp. Always 0.
    HRESULT DestroyObjects();

    // Sets every model's play time to `ticks` and poses its frames there (what Advance does
    // after moving the time), for tools and tests that look at one moment.
    void PoseAt(float ticks);
    // The combined matrix of every frame for a world matrix, without drawing (Render's first half).
    void UpdateFrames(const D3DXMATRIX& world);

    float m_fAnimLength = 0.0f;  // ticks: the latest last key time read, never reset

    DrawElement* Selected() const { return m_pSelected; }
    DrawElement* Elements() const { return m_pElements; }
    DWORD ShaderHandle(DWORD influences) const;  // 1 to 4; kNoShader when none
    IDirect3DTexture8* ToonRamp() const { return m_pToonRamp; }
    const char* ResourceName() const { return m_szResourceName; }
    // The status of the last load, and its reason when it failed ("" after a success).
    HRESULT LastLoadStatus() const { return m_hrLastLoad; }
    const std::string& LastError() const { return m_strLastError; }
    static constexpr DWORD kNoShader = 0xFFFFFFFFu;

  private:
    HRESULT Init(IDirect3DDevice8* device, const D3DCAPS8& caps, const char* name, const void* text,
                 size_t size);
    HRESULT Load(const void* text, size_t size);  // text null: the MODEL resource
    HRESULT ReadObject(const class XData* object, DrawElement* element, FrameNode* parent);
    HRESULT ReadMesh(const class XData* object, FrameNode* parent);
    HRESULT BuildBlendedMesh(MeshContainer* container);
    HRESULT ReadAnimationSet(const class XData* object, DrawElement* element, FrameNode* parent);
    HRESULT ReadAnimation(const class XData* object, DrawElement* element, FrameNode* parent);
    HRESULT ReadAnimationKey(const class XData* object, FrameNode* node);
    HRESULT LinkBones(FrameNode* node, DrawElement* element);
    HRESULT DrawNode(FrameNode* node);
    HRESULT DrawContainer(MeshContainer* container);
    HRESULT Fail(HRESULT status, const std::string& message);

    IDirect3DDevice8* m_pDevice = nullptr;  // not owned
    D3DCAPS8 m_caps;
    char m_szResourceName[260] = {};
    DrawElement* m_pSelected = nullptr;
    DrawElement* m_pElements = nullptr;
    DWORD m_dwSkinningMethod = kSkinningMethodIndexedShader;
    // m_fAnimLength is public above, in its place for callers that read the loop length.
    DWORD m_bSegmentDirty = 1;
    float m_fSegmentLength = 0.0f;  // ticks
    float m_fSegmentStart = 0.0f;
    float m_fSegmentEnd = 0.0f;
    DWORD m_dwShaders[kSkinningShaderCount] = {kNoShader, kNoShader, kNoShader, kNoShader};
    IDirect3DTexture8* m_pToonRamp = nullptr;
    D3DXMATRIX m_matView;
    float m_fFogEnd = 0.0f;
    HRESULT m_hrLastLoad = S_OK;
    std::string m_strLastError;
};

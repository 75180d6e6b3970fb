// ZSortRender: the one queue through which every static display mesh is drawn each frame:
// pieces are queued with their world matrix and a sort position, sorted along the view
// direction and drawn in one pass with "Toon.vsh" and the toon ramp.
// Owns: the fixed queue of kZSortCapacity entries, the ramp texture and the shader handle.
// Does not: own anything a queue entry points at (the display meshes keep that alive for the
// frame), allocate while queuing, or set blending (the frame does).
// Needs: platform/d3d8/d3d8.h, platform/d3dx/d3dx_mesh.h for D3DXATTRIBUTERANGE, app/saver_settings.h.
#pragma once

#include "app/saver_settings.h"
#include "platform/d3d8/d3d8.h"
#include "platform/d3dx/d3dx_mesh.h"

constexpr DWORD kZSortCapacity = 1000;
constexpr DWORD kNoVertexShader = 0xFFFFFFFFu;

// The direction the queue is sorted along: the camera's forward in world space, which in the
// row-vector convention is the view matrix's third column (_13, _23, _33). Keys then grow with
// depth, and ascending order draws near pieces first.
inline D3DXVECTOR3 ViewSortDirection(const D3DXMATRIX& view) {
    return D3DXVECTOR3(view._13, view._23, view._33);
}

// One queued piece; nothing in it is owned.
struct QueueEntry {
    IDirect3DVertexBuffer8* m_pVertexBuffer = nullptr;  // 44-byte "Toon.vsh" vertices
    IDirect3DIndexBuffer8* m_pIndexBuffer = nullptr;    // 16-bit triangle list
    const D3DXATTRIBUTERANGE* m_pRanges = nullptr;
    const D3DMATERIAL8* m_pMaterials = nullptr;        // indexed by attribute id; may be null
    IDirect3DTexture8* const* m_ppTextures = nullptr;  // indexed by attribute id; may be null
    DWORD m_dwRangeCount = 0;
    D3DXMATRIX m_matWorld;
    D3DXVECTOR3 m_vSortPosition;  // world units
};

class ZSortRender {
  public:
    ZSortRender() = default;
    ZSortRender(const ZSortRender&) = delete;
    ZSortRender& operator=(const ZSortRender&) = delete;

    // Loads the ramp: "ToonToon.bmp" when settings.night is non-zero, else "Toon.bmp".
    HRESULT InitDeviceObjects(IDirect3DDevice8* device, const SaverSettings& settings);
    // Assembles "Toon.vsh" and creates its shader with the toon declaration.
    HRESULT RestoreDeviceObjects(IDirect3DDevice8* device);
    // Copies the piece into the next entry; a full queue drops it. Always 0.
    HRESULT Enqueue(IDirect3DVertexBuffer8* vertexBuffer, IDirect3DIndexBuffer8* indexBuffer,
                    const D3DXATTRIBUTERANGE* ranges, D3DXMATRIX world, D3DXVECTOR3 sortPosition,
                    const D3DMATERIAL8* materials, IDirect3DTexture8* const* textures,
                    DWORD rangeCount);
    // Orders the entries by ascending dot(direction, sort position); equal keys in any order.
    HRESULT Sort(float x, float y, float z);
    // Draws every entry in queue order: constants c0-c7 and c12-c14, then each range with the
    // ramp in stage 0 and the range's texture in stage 1. light: four floats; fogEnd: units.
    HRESULT Render(IDirect3DDevice8* device, const D3DXMATRIX& view, const D3DXMATRIX& projection,
                   const D3DXVECTOR4& light, float fogEnd);
    // Empties the queue and resets all kZSortCapacity entries.
    HRESULT Clear();
    // Deletes the shader (once; the handle then reads kNoVertexShader).
    HRESULT ReleaseDeviceObjects(IDirect3DDevice8* device);
    // Empties the queue and releases the ramp.
    HRESULT DestroyObjects();

    DWORD Count() const { return m_dwCount; }
    const QueueEntry& Entry(DWORD index) const { return m_entries[index]; }
    IDirect3DTexture8* ToonRamp() const { return m_pToonRamp; }
    DWORD ShaderHandle() const { return m_dwShader; }

  private:
    DWORD m_dwCount = 0;
    QueueEntry m_entries[kZSortCapacity];
    IDirect3DTexture8* m_pToonRamp = nullptr;
    DWORD m_dwShader = kNoVertexShader;
};

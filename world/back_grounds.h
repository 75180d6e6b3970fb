// BackGrounds: the three pillar sets, each loaded, drawn and freed only when the settings
// enable it (flag k governs set k in every operation).
// Owns: the enabled pillar sets. Does not: hold the obstacle sets (they are globals of their
// own) or read the settings after ApplySettings.
// Needs: world/background_object.h, app/saver_settings.h.
#pragma once

#include <cstdint>

#include "app/saver_settings.h"
#include "world/background_object.h"

class BackGrounds {
  public:
    BackGrounds() = default;
    ~BackGrounds() { DeleteDeviceObjects(); }
    BackGrounds(const BackGrounds&) = delete;
    BackGrounds& operator=(const BackGrounds&) = delete;

    // Copies the three pillar flags.
    void ApplySettings(const SaverSettings& settings);
    // Loads the enabled sets in the order 1, 2, 3; a failure leaves the earlier ones loaded.
    HRESULT InitDeviceObjects(IDirect3DDevice8* device);
    // Queues the enabled sets in the order 1, 2, 3. Always 0.
    HRESULT Render(IDirect3DDevice8* device, const D3DXMATRIX& cameraWorld,
                   const ViewFrustum& frustum, int32_t ignored, ZSortRender* renderer);
    // Frees and deletes the enabled sets. Always 0.
    HRESULT DeleteDeviceObjects();

    BackGroundObject* m_pPillar01BGO = nullptr;
    BackGroundObject* m_pPillar02BGO = nullptr;
    BackGroundObject* m_pPillar03BGO = nullptr;
    int32_t m_bPillar01 = 0;  // non-zero: set 1 enabled
    int32_t m_bPillar02 = 0;
    int32_t m_bPillar03 = 0;
};

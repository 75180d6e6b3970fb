// TextureCache: the process-wide list of textures named by static materials, each shared by
// reference count under its resource name (compared exactly, case included).
// Owns: one reference to every texture it lists, and the list entries.
// Does not: release what is left at exit (the device is gone by then); callers Unacquire.
// Needs: platform/d3dx/d3dx_texture.h to create textures, app/trace_log.h for the trace.
#pragma once

#include <string>

#include "platform/d3d8/d3d8.h"

class TextureCache {
  public:
    constexpr TextureCache() = default;
    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;

    // The listed texture of that name with one more reference, or a new one from the RCDATA
    // resource of that name (traced), listed with one reference; null when it cannot be made.
    IDirect3DTexture8* Acquire(IDirect3DDevice8* device, const char* name);
    // Drops one reference of the first entry holding `texture`; the last releases the texture
    // and the entry. A texture no entry holds, null included, is ignored.
    void Unacquire(IDirect3DTexture8* texture);

    // For tests and tools: listed entries, and the count of the entry holding `texture` (0
    // when none).
    unsigned EntryCount() const;
    unsigned ReferenceCount(const IDirect3DTexture8* texture) const;

  private:
    struct Entry {
        IDirect3DTexture8* texture = nullptr;
        std::string name;
        unsigned count = 0;
        Entry* next = nullptr;
    };
    Entry* m_pHead = nullptr;
};

extern TextureCache g_textureCache;

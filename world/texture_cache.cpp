#include "world/texture_cache.h"

#include <new>

#include "app/trace_log.h"
#include "platform/d3dx/d3dx_texture.h"

TextureCache g_textureCache;

IDirect3DTexture8* TextureCache::Acquire(IDirect3DDevice8* device, const char* name) {
    if (!name)
        return nullptr;
    for (Entry* e = m_pHead; e; e = e->next)
        if (e->name == name) {
            ++e->count;
            return e->texture;
        }
    g_traceLog.AppendFormat("\t\t\tD3DXCreateTextureFromResource...%s\n", name);
    IDirect3DTexture8* texture = nullptr;
    if (!device || FAILED(D3DXCreateTextureFromResourceA(device, name, &texture))) {
        g_traceLog.Append("\t\t\tFailed\n");
        return nullptr;
    }
    Entry* entry = new (std::nothrow) Entry();
    if (!entry) {
        texture->Release();
        return nullptr;
    }
    entry->texture = texture;
    entry->name = name;
    entry->count = 1;
    // New entries go right after the head, the head itself only when the list is empty.
    if (!m_pHead) {
        m_pHead = entry;
    } else {
        entry->next = m_pHead->next;
        m_pHead->next = entry;
    }
    return texture;
}

void TextureCache::Unacquire(IDirect3DTexture8* texture) {
    if (!texture)
        return;
    for (Entry** link = &m_pHead; *link; link = &(*link)->next) {
        Entry* e = *link;
        if (e->texture != texture)
            continue;
        if (--e->count == 0) {
            e->texture->Release();
            *link = e->next;
            delete e;
        }
        return;
    }
}

unsigned TextureCache::EntryCount() const {
    unsigned n = 0;
    for (const Entry* e = m_pHead; e; e = e->next)
        ++n;
    return n;
}

unsigned TextureCache::ReferenceCount(const IDirect3DTexture8* texture) const {
    for (const Entry* e = m_pHead; e; e = e->next)
        if (e->texture == texture)
            return e->count;
    return 0;
}

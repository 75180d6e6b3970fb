#include "platform/system/resource_table.h"

#include <strings.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

HRSRC FindResourceA(const char* name, const char* type) {
    if (!name || !type) return nullptr;
    for (unsigned i = 0; i < kEmbeddedResourceCount; ++i) {
        const EmbeddedResource& r = kEmbeddedResources[i];
        if (r.name && strcasecmp(r.name, name) == 0 && strcasecmp(r.type, type) == 0) return &r;
    }
    return nullptr;
}

HRSRC LoadResource(HRSRC resource) { return resource; }

const void* LockResource(HRSRC resource) { return resource ? resource->begin : nullptr; }

size_t SizeofResource(HRSRC resource) {
    return resource ? static_cast<size_t>(resource->end - resource->begin) : 0;
}

unsigned EmbeddedResourceCount() {
    return kEmbeddedResources[0].name ? kEmbeddedResourceCount : 0;
}

const EmbeddedResource& EmbeddedResourceAt(unsigned index) { return kEmbeddedResources[index]; }

void ReleaseResourcePages() {
    const long page = sysconf(_SC_PAGESIZE);
    if (page <= 0)
        return;
    const uintptr_t mask = static_cast<uintptr_t>(page) - 1;
    for (unsigned i = 0; i < EmbeddedResourceCount(); ++i) {
        // Only whole pages inside one resource: the program's other data shares the pages at
        // either end, and read-only file pages are the only kind that come back unchanged.
        const EmbeddedResource& r = kEmbeddedResources[i];
        const uintptr_t first = (reinterpret_cast<uintptr_t>(r.begin) + mask) & ~mask;
        const uintptr_t last = reinterpret_cast<uintptr_t>(r.end) & ~mask;
        if (last > first)
            madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
    }
}

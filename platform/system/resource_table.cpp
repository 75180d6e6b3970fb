#include "platform/system/resource_table.h"

#include <strings.h>

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

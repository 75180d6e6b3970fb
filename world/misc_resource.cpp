#include "world/misc_resource.h"

#include <cstring>

#include "app/trace_log.h"
#include "platform/system/resource_table.h"

HRESULT ReadMiscResource(const char* name, const char* findTrace, ResourceBytes* out) {
    g_traceLog.Append(findTrace);
    HRSRC found = FindResourceA(name, "MISC");
    if (!found) {
        g_traceLog.Append("\t\tFailed\n");
        return E_FAIL;
    }
    g_traceLog.Append("\t\tLoadResource...\n");
    HRSRC loaded = LoadResource(found);
    if (!loaded) {
        g_traceLog.Append("\t\tFailed\n");
        return E_FAIL;
    }
    out->data = static_cast<const unsigned char*>(LockResource(loaded));
    out->size = SizeofResource(loaded);
    return S_OK;
}

HRESULT CheckCountedRecords(const ResourceBytes& bytes, const char* name, size_t recordSize,
                            int32_t* count) {
    if (bytes.size < sizeof(int32_t)) {
        g_traceLog.AppendFormat("\t\tFailed %s: %zu bytes hold no count\n", name, bytes.size);
        return E_FAIL;
    }
    int32_t n = 0;
    std::memcpy(&n, bytes.data, sizeof n);
    if (n < 0) {
        g_traceLog.AppendFormat("\t\tFailed %s: negative count %d\n", name, n);
        return E_FAIL;
    }
    const unsigned long long needed = sizeof(int32_t) + static_cast<unsigned long long>(n) * recordSize;
    if (bytes.size < needed) {
        g_traceLog.AppendFormat("\t\tFailed %s: %zu bytes, count %d needs %llu\n", name, bytes.size,
                                n, needed);
        return E_FAIL;
    }
    *count = n;
    return S_OK;
}

#include "world/fpp_format.h"

#include <cstring>

HRESULT ReadFpp(const ResourceBytes& bytes, const char* name, std::vector<D3DXVECTOR3>* points) {
    int32_t count = 0;
    const HRESULT hr = CheckCountedRecords(bytes, name, kFppBytesPerPoint, &count);
    if (FAILED(hr)) return hr;
    points->assign(static_cast<size_t>(count), D3DXVECTOR3());
    for (int32_t i = 0; i < count; ++i)
        std::memcpy(&(*points)[i], bytes.data + 4 + 12 * static_cast<size_t>(i), 12);
    return S_OK;
}

#include "world/bps_format.h"

#include <cstring>

HRESULT ReadMatrixList(const ResourceBytes& bytes, const char* name,
                       std::vector<D3DXMATRIX>* matrices) {
    int32_t count = 0;
    const HRESULT hr = CheckCountedRecords(bytes, name, kBpsBytesPerMatrix, &count);
    if (FAILED(hr)) return hr;
    matrices->assign(static_cast<size_t>(count), D3DXMATRIX());
    for (int32_t i = 0; i < count; ++i)
        std::memcpy((*matrices)[i].m, bytes.data + 4 + kBpsBytesPerMatrix * i, kBpsBytesPerMatrix);
    return S_OK;
}

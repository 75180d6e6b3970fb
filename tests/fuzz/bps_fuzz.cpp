// libFuzzer target of the BPS matrix-list reader (TPS lists share it): any bytes must give
// exactly the matrices its count announces, copied verbatim, or E_FAIL with one trace line naming
// the resource; never a read beyond the data. A broken invariant traps.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/trace_log.h"
#include "world/bps_format.h"

TraceLog g_traceLog(".");

namespace {
void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_traceLog = TraceLog(".");
    // A copy of exactly `size` bytes, so that AddressSanitizer sees any read past the end.
    const std::vector<unsigned char> copy(data, data + size);
    const ResourceBytes bytes{copy.data(), copy.size()};
    std::vector<D3DXMATRIX> matrices(1);
    const HRESULT hr = ReadMatrixList(bytes, "FUZZ.BPS", &matrices);
    if (FAILED(hr)) {
        Require(hr == E_FAIL);
        Require(std::strstr(g_traceLog.Text(), "\t\tFailed FUZZ.BPS: ") == g_traceLog.Text());
        return 0;
    }
    Require(hr == S_OK && g_traceLog.Length() == 0);
    int32_t count = 0;
    std::memcpy(&count, data, 4);
    Require(count >= 0 && matrices.size() == static_cast<size_t>(count));
    Require(size >= 4 + kBpsBytesPerMatrix * matrices.size());
    for (size_t i = 0; i < matrices.size(); ++i)
        Require(std::memcmp(matrices[i].m, data + 4 + kBpsBytesPerMatrix * i, 64) == 0);
    return 0;
}

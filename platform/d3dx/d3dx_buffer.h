// ID3DXBuffer: a reference-counted block of bytes that D3DX-style calls hand back (assembled
// shader tokens, adjacency, materials, bone names and offsets).
// Owns: its bytes. Does not: interpret them.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/system/d3d8_types.h"

class ID3DXBuffer {
public:
    // A buffer of `size` zeroed bytes, with one reference.
    static ID3DXBuffer* Create(size_t size);
    ULONG AddRef() { return ++m_nRefs; }
    ULONG Release();
    void* GetBufferPointer() { return m_bytes.data(); }
    const void* GetBufferPointer() const { return m_bytes.data(); }
    DWORD GetBufferSize() const { return static_cast<DWORD>(m_bytes.size()); }

private:
    explicit ID3DXBuffer(size_t size) : m_bytes(size) {}
    ~ID3DXBuffer() = default;
    std::vector<unsigned char> m_bytes;
    ULONG m_nRefs = 1;
};

typedef ID3DXBuffer* LPD3DXBUFFER;

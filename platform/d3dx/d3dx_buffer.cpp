#include "platform/d3dx/d3dx_buffer.h"

#include <new>

ID3DXBuffer* ID3DXBuffer::Create(size_t size) { return new (std::nothrow) ID3DXBuffer(size); }

ULONG ID3DXBuffer::Release() {
    const ULONG refs = --m_nRefs;
    if (refs == 0) delete this;
    return refs;
}

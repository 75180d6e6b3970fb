#include "platform/d3d8/vertex_format.h"

UINT D3DXGetFVFVertexSize(DWORD fvf) {
    UINT size = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
        case D3DFVF_XYZ: size = 12; break;
        case D3DFVF_XYZRHW: size = 16; break;
        case D3DFVF_XYZB1: size = 16; break;
        case D3DFVF_XYZB2: size = 20; break;
        case D3DFVF_XYZB3: size = 24; break;
        case D3DFVF_XYZB4: size = 28; break;
        case D3DFVF_XYZB5: size = 32; break;
        default: break;
    }
    if (fvf & D3DFVF_NORMAL) size += 12;
    if (fvf & D3DFVF_PSIZE) size += 4;
    if (fvf & D3DFVF_DIFFUSE) size += 4;
    if (fvf & D3DFVF_SPECULAR) size += 4;
    size += ((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) * 8;
    return size;
}

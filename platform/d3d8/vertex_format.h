// Flexible vertex format codes (D3DFVF_*) and the size of a vertex of a given format.
// Owns: the format bits and D3DXGetFVFVertexSize.
// Does not: know vertex declarations for shaders (platform/vshader/vs_declaration.h does).
#pragma once

#include "platform/system/d3d8_types.h"

constexpr DWORD D3DFVF_POSITION_MASK = 0x00E;
constexpr DWORD D3DFVF_XYZ = 0x002;
constexpr DWORD D3DFVF_XYZRHW = 0x004;
constexpr DWORD D3DFVF_XYZB1 = 0x006;
constexpr DWORD D3DFVF_XYZB2 = 0x008;
constexpr DWORD D3DFVF_XYZB3 = 0x00A;
constexpr DWORD D3DFVF_XYZB4 = 0x00C;
constexpr DWORD D3DFVF_XYZB5 = 0x00E;
constexpr DWORD D3DFVF_NORMAL = 0x010;
constexpr DWORD D3DFVF_PSIZE = 0x020;
constexpr DWORD D3DFVF_DIFFUSE = 0x040;
constexpr DWORD D3DFVF_SPECULAR = 0x080;
constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0xF00;
constexpr DWORD D3DFVF_TEXCOUNT_SHIFT = 8;
constexpr DWORD D3DFVF_TEX0 = 0x000;
constexpr DWORD D3DFVF_TEX1 = 0x100;
constexpr DWORD D3DFVF_TEX2 = 0x200;
constexpr DWORD D3DFVF_LASTBETA_UBYTE4 = 0x1000;

// The 44-byte vertex of static display meshes: position, normal, colour, two coordinate pairs.
constexpr DWORD kStaticVertexFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX2;
// The 52-byte vertex of two-influence blended meshes (0x1258).
constexpr DWORD kSkinnedVertexFvf = D3DFVF_XYZB2 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL |
                                    D3DFVF_DIFFUSE | D3DFVF_TEX2;

// Bytes per vertex of an FVF code (2D texture coordinates assumed, as every format here uses).
UINT D3DXGetFVFVertexSize(DWORD fvf);

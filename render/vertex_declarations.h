// The vertex declarations of the toon shaders, as Direct3D 8 D3DVSD tokens (stream 0), and the
// vertex layouts they read.
// Owns: kSkinningDeclaration (all four skinning shaders, the 52-byte blended vertex),
// kToonDeclaration ("Toon.vsh", the 44-byte static display vertex), SkinnedVertex, StaticVertex.
// Does not: create shaders (SkinnedMesh and ZSortRender do, through the device).
// Needs: platform/system/d3dx_math.h for the vector types.
#pragma once

#include "platform/system/d3d8_types.h"
#include "platform/system/d3dx_math.h"

// The 52-byte two-influence vertex; blend-index bytes in memory order (the shader reads them
// back in that order from the D3DCOLOR the declaration makes of them).
struct SkinnedVertex {
    D3DXVECTOR3 position;
    float weight = 1.0f;  // of the first influence; the second takes 1 - weight
    BYTE indices[4] = {};
    D3DXVECTOR3 normal;
    D3DCOLOR colour = 0xFFFFFFFF;
    D3DXVECTOR2 tex0;
    D3DXVECTOR2 tex1;
};
static_assert(sizeof(SkinnedVertex) == 52, "the blended vertex of the skinning shaders");

// The 44-byte static display vertex.
struct StaticVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DCOLOR colour = 0xFFFFFFFF;
    D3DXVECTOR2 tex0;
    D3DXVECTOR2 tex1;
};
static_assert(sizeof(StaticVertex) == 44, "the static display vertex");

// v0 position, v1 blend weight, v2 blend indices, v3 normal, v5 colour, v7 and v8 texture
// coordinates: 12 + 4 + 4 + 12 + 4 + 8 + 8 = 52 bytes.
const DWORD kSkinningDeclaration[] = {
    0x20000000u,  // stream 0
    0x40020000u,  // v0 FLOAT3
    0x40000001u,  // v1 FLOAT1
    0x40040002u,  // v2 D3DCOLOR
    0x40020003u,  // v3 FLOAT3
    0x40040005u,  // v5 D3DCOLOR
    0x40010007u,  // v7 FLOAT2
    0x40010008u,  // v8 FLOAT2
    0xFFFFFFFFu,  // end
};

// The blended vertices of one, three and four influences keep n - 1 weights in v1 (none, FLOAT2,
// FLOAT3) before the index bytes; the two-influence layout is kSkinningDeclaration.
const DWORD kSkinningDeclaration1[] = {
    0x20000000u, 0x40020000u, 0x40040002u, 0x40020003u,
    0x40040005u, 0x40010007u, 0x40010008u, 0xFFFFFFFFu,
};
const DWORD kSkinningDeclaration3[] = {
    0x20000000u, 0x40020000u, 0x40010001u, 0x40040002u, 0x40020003u,
    0x40040005u, 0x40010007u, 0x40010008u, 0xFFFFFFFFu,
};
const DWORD kSkinningDeclaration4[] = {
    0x20000000u, 0x40020000u, 0x40020001u, 0x40040002u, 0x40020003u,
    0x40040005u, 0x40010007u, 0x40010008u, 0xFFFFFFFFu,
};
// The declaration of the skinning shader for `influences` bones per vertex (1 to 4).
inline const DWORD* SkinningDeclaration(DWORD influences) {
    switch (influences) {
        case 1:
            return kSkinningDeclaration1;
        case 3:
            return kSkinningDeclaration3;
        case 4:
            return kSkinningDeclaration4;
        default:
            return kSkinningDeclaration;
    }
}

// v0 position, v3 normal, v5 colour, v7 and v8 texture coordinates: 12 + 12 + 4 + 8 + 8 = 44.
const DWORD kToonDeclaration[] = {
    0x20000000u,  // stream 0
    0x40020000u,  // v0 FLOAT3
    0x40020003u,  // v3 FLOAT3
    0x40040005u,  // v5 D3DCOLOR
    0x40010007u,  // v7 FLOAT2
    0x40010008u,  // v8 FLOAT2
    0xFFFFFFFFu,  // end
};

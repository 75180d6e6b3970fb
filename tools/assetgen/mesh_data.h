// Plain CPU mesh data as the asset generator builds it and the .X writer writes it.
// Owns: the MeshData and MeshMaterial records; nothing else.
// Does not: build shapes (mesh_builder.h) or format text (x_writer.h).
// Winding: Direct3D's, faces clockwise seen from outside, so cross(Q - P, R - P) of a face
// (P, Q, R) points outward in the left-handed, y-up world.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system/d3dx_math.h"

// One .X Material: face colour (RGBA), specular power, specular and emissive (RGB).
struct MeshMaterial {
    D3DCOLORVALUE diffuse{1.0f, 1.0f, 1.0f, 1.0f};
    float power = 0.0f;
    D3DCOLORVALUE specular{0.0f, 0.0f, 0.0f, 1.0f};  // alpha not written
    D3DCOLORVALUE emissive{0.0f, 0.0f, 0.0f, 1.0f};  // alpha not written
    std::string textureFile;                         // empty: no TextureFilename
};

// An indexed triangle mesh. Normals, texture coordinates and colours are per vertex; the
// optional arrays are either empty or exactly as long as positions.
struct MeshData {
    std::vector<D3DXVECTOR3> positions;
    std::vector<D3DXVECTOR3> normals;            // unit length, one per position
    std::vector<D3DXVECTOR2> texCoords;          // empty, or one per position
    std::vector<D3DCOLOR> colours;               // empty, or one per position, 0xAARRGGBB
    std::vector<std::array<uint32_t, 3>> faces;  // vertex indices, Direct3D winding
    std::vector<uint32_t> faceMaterials;         // empty, or a material index per face
    std::vector<MeshMaterial> materials;         // empty: no MeshMaterialList
};

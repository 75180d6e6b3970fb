// D3DXLoadMeshFromXof: a Mesh data object of a parsed .X document becomes an ID3DXMesh with
// its materials, polygons split into triangle fans, normals, texture coordinates and vertex
// colours carried to the vertices.
// Owns: the checks on Mesh data (counts, indices, corner counts) and the vertex splitting.
// Does not: parse text (platform/xfile/xfile_parser.h), walk frames, load textures, or apply any
// FrameTransformMatrix: positions are used as stored.
// Needs: platform/xfile/xfile_document.h, platform/d3dx/d3dx_mesh.h.
#pragma once

#include <string>
#include <vector>

#include "platform/d3dx/d3dx_mesh.h"
#include "platform/xfile/xfile_document.h"

// The geometry of one Mesh object as plain CPU data, before it becomes an ID3DXMesh. Vertex i
// below the file's vertex count is file vertex i; vertices after them are copies of file
// vertices used with another normal (sourceVertex names the file vertex of every vertex).
struct XMeshGeometry {
    std::vector<D3DXVECTOR3> positions;
    std::vector<D3DXVECTOR3> normals;       // empty when the mesh has no MeshNormals
    std::vector<D3DXVECTOR2> texCoords;     // empty when it has no MeshTextureCoords
    std::vector<D3DCOLOR> colours;          // empty when it has no MeshVertexColors
    std::vector<DWORD> sourceVertex;        // one per vertex
    std::vector<DWORD> indices;             // 3 per triangle
    std::vector<DWORD> faceMaterials;       // 1 per triangle (0 without a MeshMaterialList)
    std::vector<DWORD> triangleSource;      // 1 per triangle: the polygon of the file it came from
    std::vector<D3DMATERIAL8> materials;    // in MeshMaterialList order
    std::vector<std::string> textureFiles;  // one per material, "" when it names none
};

// Reads and checks a Mesh object. Bad data gives D3DXERR_INVALIDDATA and, in *error (when not
// null), "<mesh name> (line N): what is wrong"; an object that holds no vertex or no face gives
// D3DXERR_LOADEDMESHHASNODATA.
//
// Materials: diffuse = faceColor, specular and emissive from the file with alpha 1, ambient
// zero (callers pick their own ambient). A MeshMaterialList with fewer face indices than faces
// gives the remaining faces its last index. Vertices without a MeshVertexColors entry are
// opaque white.
HRESULT ReadXMeshGeometry(const XData* meshObject, XMeshGeometry* out, std::string* error);

// The ID3DXMesh of a Mesh object: FVF position, plus normal, diffuse colour and one texture pair
// where the data has them; 16-bit indices, one attribute per face (its material index), no
// attribute table yet. Optional outputs: adjacency (3 DWORDs per face), materials (numMaterials
// D3DXMATERIAL records, texture names inside the same buffer; null when there are none).
// Besides the failures of ReadXMeshGeometry: more than kMaxMesh16Vertices vertices after
// splitting is D3DXERR_INVALIDDATA with its message.
HRESULT D3DXLoadMeshFromXof(const XData* meshObject, DWORD options, IDirect3DDevice8* device,
                            ID3DXBuffer** adjacency, ID3DXBuffer** materials, DWORD* numMaterials,
                            ID3DXMesh** mesh, std::string* error = nullptr);

// The second half of D3DXLoadMeshFromXof: the mesh of geometry already read from meshObject
// (which names it in errors).
HRESULT CreateMeshFromXGeometry(const XMeshGeometry& geometry, const XData& meshObject,
                                DWORD options, IDirect3DDevice8* device, ID3DXBuffer** adjacency,
                                ID3DXBuffer** materials, DWORD* numMaterials, ID3DXMesh** mesh,
                                std::string* error = nullptr);

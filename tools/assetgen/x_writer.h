// Writes DirectX .X documents in text form ("xof 0302txt 0064") with deterministic formatting.
// Owns: the text being built, its indentation, and the number format (fixed six decimals,
// trailing zeros trimmed, negative zero written as zero).
// Does not: write template declarations (readers register the standard templates), check
// that meshes are sensible (mesh_builder.h), or touch the disk (asset_output.h).
// Needs: mesh_data.h for the meshes, platform/system/d3dx_math.h for matrices.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system/d3dx_math.h"
#include "tools/assetgen/mesh_data.h"

// A float as the writer prints it: "%.6f" with trailing zeros trimmed ("1.0", "-0.25").
std::string FormatXFloat(float value);
// A 0xAARRGGBB colour as the four ColorRGBA fields "r;g;b;a;" (each byte over 255).
std::string FormatXColour(D3DCOLOR colour);

class XWriter {
  public:
    // Starts the document with the "xof 0302txt 0064" header line.
    XWriter();

    // Opens a data object: "<templateName> <name> {" (name may be empty); nests.
    void BeginObject(const std::string& templateName, const std::string& name = "");
    // Closes the innermost open object.
    void EndObject();
    // Writes one raw line at the current indentation.
    void Line(const std::string& text);

    // FrameTransformMatrix { 16 floats row by row }.
    void FrameTransformMatrix(const D3DXMATRIX& matrix);
    // Opens "Mesh <name> {" and writes its vertices, faces, MeshNormals, MeshTextureCoords,
    // MeshVertexColors and MeshMaterialList (the optional ones when present). The object
    // stays open so that callers can add further children (XSkinMeshHeader, SkinWeights);
    // close it with EndObject.
    void BeginMesh(const std::string& name, const MeshData& mesh);
    // BeginMesh followed by EndObject.
    void Mesh(const std::string& name, const MeshData& mesh);

    // Writes "v0,v1,...;" style lists: values joined by ",", ";" after the last, perLine a line.
    void DwordList(const std::vector<uint32_t>& values, size_t perLine);
    void FloatList(const std::vector<float>& values, size_t perLine);

    // Depth of open objects; 0 when the document is complete.
    int OpenObjects() const { return m_nDepth; }
    // The document so far.
    const std::string& Text() const { return m_sText; }

  private:
    void Material(const MeshMaterial& material);

    std::string m_sText;
    int m_nDepth = 0;
};

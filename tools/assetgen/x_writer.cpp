#include "tools/assetgen/x_writer.h"

#include <cmath>
#include <cstdio>

std::string FormatXFloat(float value) {
    char text[64] = {};
    std::snprintf(text, sizeof(text), "%.6f", static_cast<double>(value));
    std::string s(text);
    while (s.size() > 2 && s.back() == '0' && s[s.size() - 2] != '.')
        s.pop_back();
    if (s == "-0.0")
        s = "0.0";
    return s;
}

std::string FormatXColour(D3DCOLOR colour) {
    // Each byte b becomes b / 255 rounded up in the sixth decimal, so that a reader
    // recovers b whether it rounds or truncates the product with 255.
    auto component = [](uint32_t byte) {
        return FormatXFloat(static_cast<float>(std::ceil(byte * 1e6 / 255.0) / 1e6));
    };
    return component((colour >> 16) & 0xFF) + ";" + component((colour >> 8) & 0xFF) + ";" +
           component(colour & 0xFF) + ";" + component(colour >> 24) + ";";
}

namespace {
std::string Vector3Text(const D3DXVECTOR3& v) {
    return FormatXFloat(v.x) + ";" + FormatXFloat(v.y) + ";" + FormatXFloat(v.z) + ";";
}

std::string FaceText(const std::array<uint32_t, 3>& f) {
    return "3;" + std::to_string(f[0]) + "," + std::to_string(f[1]) + "," + std::to_string(f[2]) +
           ";";
}

// Separator after element i of n in an array of structures: "," between, ";" after the last.
const char* ArraySeparator(size_t i, size_t n) {
    return i + 1 < n ? "," : ";";
}
}  // namespace

XWriter::XWriter() {
    m_sText = "xof 0302txt 0064\n";
}

void XWriter::BeginObject(const std::string& templateName, const std::string& name) {
    Line(name.empty() ? templateName + " {" : templateName + " " + name + " {");
    ++m_nDepth;
}

void XWriter::EndObject() {
    if (m_nDepth > 0)
        --m_nDepth;
    Line("}");
}

void XWriter::Line(const std::string& text) {
    m_sText.append(static_cast<size_t>(m_nDepth) * 2, ' ');
    m_sText += text;
    m_sText += '\n';
}

void XWriter::FrameTransformMatrix(const D3DXMATRIX& matrix) {
    BeginObject("FrameTransformMatrix");
    for (int row = 0; row < 4; ++row) {
        std::string line;
        for (int col = 0; col < 4; ++col) {
            line += FormatXFloat(matrix(row, col));
            line += (row == 3 && col == 3) ? ";;" : ",";
        }
        Line(line);
    }
    EndObject();
}

void XWriter::DwordList(const std::vector<uint32_t>& values, size_t perLine) {
    if (perLine == 0)
        perLine = 1;
    std::string line;
    for (size_t i = 0; i < values.size(); ++i) {
        line += std::to_string(values[i]);
        line += i + 1 < values.size() ? "," : ";";
        if ((i + 1) % perLine == 0 || i + 1 == values.size()) {
            Line(line);
            line.clear();
        }
    }
    if (values.empty())
        Line(";");
}

void XWriter::FloatList(const std::vector<float>& values, size_t perLine) {
    if (perLine == 0)
        perLine = 1;
    std::string line;
    for (size_t i = 0; i < values.size(); ++i) {
        line += FormatXFloat(values[i]);
        line += i + 1 < values.size() ? "," : ";";
        if ((i + 1) % perLine == 0 || i + 1 == values.size()) {
            Line(line);
            line.clear();
        }
    }
    if (values.empty())
        Line(";");
}

void XWriter::Material(const MeshMaterial& material) {
    BeginObject("Material");
    const D3DCOLORVALUE& d = material.diffuse;
    Line(FormatXFloat(d.r) + ";" + FormatXFloat(d.g) + ";" + FormatXFloat(d.b) + ";" +
         FormatXFloat(d.a) + ";;");
    Line(FormatXFloat(material.power) + ";");
    const D3DCOLORVALUE& s = material.specular;
    Line(FormatXFloat(s.r) + ";" + FormatXFloat(s.g) + ";" + FormatXFloat(s.b) + ";;");
    const D3DCOLORVALUE& e = material.emissive;
    Line(FormatXFloat(e.r) + ";" + FormatXFloat(e.g) + ";" + FormatXFloat(e.b) + ";;");
    if (!material.textureFile.empty()) {
        BeginObject("TextureFilename");
        Line("\"" + material.textureFile + "\";");
        EndObject();
    }
    EndObject();
}

void XWriter::BeginMesh(const std::string& name, const MeshData& mesh) {
    BeginObject("Mesh", name);
    const size_t nv = mesh.positions.size();
    const size_t nf = mesh.faces.size();
    Line(std::to_string(nv) + ";");
    for (size_t i = 0; i < nv; ++i)
        Line(Vector3Text(mesh.positions[i]) + ArraySeparator(i, nv));
    Line(std::to_string(nf) + ";");
    for (size_t i = 0; i < nf; ++i)
        Line(FaceText(mesh.faces[i]) + ArraySeparator(i, nf));

    if (mesh.normals.size() == nv && nv > 0) {
        BeginObject("MeshNormals");
        Line(std::to_string(nv) + ";");
        for (size_t i = 0; i < nv; ++i)
            Line(Vector3Text(mesh.normals[i]) + ArraySeparator(i, nv));
        Line(std::to_string(nf) + ";");
        for (size_t i = 0; i < nf; ++i)
            Line(FaceText(mesh.faces[i]) + ArraySeparator(i, nf));
        EndObject();
    }
    if (mesh.texCoords.size() == nv && nv > 0) {
        BeginObject("MeshTextureCoords");
        Line(std::to_string(nv) + ";");
        for (size_t i = 0; i < nv; ++i) {
            const D3DXVECTOR2& t = mesh.texCoords[i];
            Line(FormatXFloat(t.x) + ";" + FormatXFloat(t.y) + ";" + ArraySeparator(i, nv));
        }
        EndObject();
    }
    if (mesh.colours.size() == nv && nv > 0) {
        BeginObject("MeshVertexColors");
        Line(std::to_string(nv) + ";");
        for (size_t i = 0; i < nv; ++i)
            Line(std::to_string(i) + ";" + FormatXColour(mesh.colours[i]) + ";" +
                 ArraySeparator(i, nv));
        EndObject();
    }
    if (!mesh.materials.empty()) {
        BeginObject("MeshMaterialList");
        Line(std::to_string(mesh.materials.size()) + ";");
        Line(std::to_string(nf) + ";");
        std::vector<uint32_t> ids = mesh.faceMaterials;
        ids.resize(nf, 0);
        DwordList(ids, 16);
        for (const MeshMaterial& m : mesh.materials)
            Material(m);
        EndObject();
    }
}

void XWriter::Mesh(const std::string& name, const MeshData& mesh) {
    BeginMesh(name, mesh);
    EndObject();
}

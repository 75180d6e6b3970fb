#include "platform/d3dx/xfile_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {
constexpr DWORD kUnassigned = 0xFFFFFFFFu;

// One polygon list (Mesh faces or MeshNormals faceNormals): corners of every polygon in a row.
struct PolygonList {
    std::vector<DWORD> corners;
    std::vector<DWORD> first;  // polygon p: corners[first[p]] .. corners[first[p + 1] - 1]
    std::vector<uint32_t> lines;
    DWORD Count() const { return static_cast<DWORD>(lines.size()); }
    DWORD Size(DWORD p) const { return first[p + 1] - first[p]; }
};

D3DCOLOR ColourFromFloats(float r, float g, float b, float a) {
    auto byte = [](float c) {
        const float clamped = std::min(1.0f, std::max(0.0f, c));
        return static_cast<DWORD>(std::lround(clamped * 255.0f));
    };
    return (byte(a) << 24) | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

// Reads one Mesh object's members and children, keeping the first fault with its line.
class MeshReader {
  public:
    explicit MeshReader(const XData* mesh) : m_pMesh(mesh) {}

    HRESULT Read(XMeshGeometry* out, std::string* error);

  private:
    bool Fail(uint32_t line, const std::string& what) {
        if (m_message.empty()) {
            const std::string name = m_pMesh->Name().empty() ? "Mesh" : m_pMesh->Name();
            m_message = name + " (line " + std::to_string(line) + "): " + what;
        }
        return false;
    }
    bool Number(const XValue& v, const char* what, double* out) {
        if (v.Kind() != XValueKind::Number)
            return Fail(v.Line() ? v.Line() : m_pMesh->Line(),
                        std::string(what) + " is not a number");
        *out = v.AsDouble();
        return true;
    }
    bool Float(const XValue& v, const char* what, float* out) {
        double d = 0.0;
        if (!Number(v, what, &d))
            return false;
        *out = static_cast<float>(d);
        return true;
    }
    bool Dword(const XValue& v, const char* what, DWORD* out) {
        double d = 0.0;
        if (!Number(v, what, &d))
            return false;
        if (!(d >= 0.0 && d <= 4294967295.0) || d != std::floor(d))
            return Fail(v.Line(), std::string(what) + " is not a count or index");
        *out = static_cast<DWORD>(d);
        return true;
    }
    // Member `name` of a struct value, reported when missing.
    bool Member(const XValue& s, const char* name, XValue* out) {
        if (!s.Has(name))
            return Fail(s.Line(), std::string("no member '") + name + "'");
        *out = s.Member(name);
        return true;
    }
    bool Array(const XValue& s, const char* name, XValue* out) {
        if (!Member(s, name, out))
            return false;
        if (out->Kind() != XValueKind::Array)
            return Fail(out->Line(), std::string("'") + name + "' is not an array");
        return true;
    }
    // Every element of `array` as a struct of float members `names` (up to four).
    bool Floats(const XValue& array, const char* const* names, int count, const char* what,
                std::vector<float>* out);
    bool Vectors(const XValue& array, const char* what, std::vector<D3DXVECTOR3>* out);
    bool Polygons(const XValue& array, const char* what, DWORD indexLimit, PolygonList* out);
    bool Normals(const XData& object, const PolygonList& faces, std::vector<D3DXVECTOR3>* normals,
                 PolygonList* faceNormals);
    bool TextureCoords(const XData& object, DWORD vertexCount, std::vector<D3DXVECTOR2>* out);
    bool VertexColours(const XData& object, DWORD vertexCount, std::vector<D3DCOLOR>* out);
    bool MaterialList(const XData& object, DWORD polygonCount, XMeshGeometry* out,
                      std::vector<DWORD>* polygonMaterials);
    bool Material(const XData& object, D3DMATERIAL8* material, std::string* textureFile);
    bool Colour(const XValue& colour, int channels, const char* what, float rgba[4]);

    const XData* m_pMesh;
    std::string m_message;
};

bool MeshReader::Floats(const XValue& array, const char* const* names, int count, const char* what,
                        std::vector<float>* out) {
    const uint32_t n = array.Size();
    out->assign(static_cast<size_t>(n) * count, 0.0f);
    if (n == 0)
        return true;
    const XTemplate* layout = array.At(0).Template();
    int32_t index[4] = {-1, -1, -1, -1};
    for (int k = 0; k < count && layout; ++k)
        index[k] = layout->MemberIndex(names[k]);
    for (uint32_t i = 0; i < n; ++i) {
        const XValue e = array.At(i);
        if (e.Template() != layout || !layout)
            return Fail(e.Line(), std::string(what) + " " + std::to_string(i) + " is not a struct");
        for (int k = 0; k < count; ++k) {
            if (index[k] < 0)
                return Fail(e.Line(), std::string(what) + " has no member '" + names[k] + "'");
            if (!Float(e.At(static_cast<uint32_t>(index[k])), what, &(*out)[i * count + k]))
                return false;
        }
    }
    return true;
}

bool MeshReader::Vectors(const XValue& array, const char* what, std::vector<D3DXVECTOR3>* out) {
    static const char* const kNames[] = {"x", "y", "z"};
    std::vector<float> f;
    if (!Floats(array, kNames, 3, what, &f))
        return false;
    out->resize(array.Size());
    for (size_t i = 0; i < out->size(); ++i)
        (*out)[i] = D3DXVECTOR3(f[3 * i], f[3 * i + 1], f[3 * i + 2]);
    return true;
}

bool MeshReader::Polygons(const XValue& array, const char* what, DWORD indexLimit,
                          PolygonList* out) {
    const uint32_t n = array.Size();
    out->first.assign(1, 0);
    out->lines.clear();
    if (n == 0)
        return true;
    const XTemplate* layout = array.At(0).Template();
    const int32_t cornersIndex = layout ? layout->MemberIndex("faceVertexIndices") : -1;
    if (cornersIndex < 0)
        return Fail(array.Line(), std::string(what) + " are not MeshFaces");
    for (uint32_t p = 0; p < n; ++p) {
        const XValue face = array.At(p);
        const XValue corners = face.At(static_cast<uint32_t>(cornersIndex));
        if (face.Template() != layout || corners.Kind() != XValueKind::Array)
            return Fail(face.Line(),
                        std::string(what) + " " + std::to_string(p) + " is not a MeshFace");
        const uint32_t size = corners.Size();
        if (size < 3)
            return Fail(face.Line(), std::string(what) + " " + std::to_string(p) + " has " +
                                         std::to_string(size) + " corners; 3 or more needed");
        for (uint32_t c = 0; c < size; ++c) {
            DWORD index = 0;
            if (!Dword(corners.At(c), what, &index))
                return false;
            if (index >= indexLimit)
                return Fail(face.Line(), std::string(what) + " " + std::to_string(p) +
                                             " names index " + std::to_string(index) + " of " +
                                             std::to_string(indexLimit));
            out->corners.push_back(index);
        }
        out->first.push_back(static_cast<DWORD>(out->corners.size()));
        out->lines.push_back(face.Line());
    }
    return true;
}

bool MeshReader::Normals(const XData& object, const PolygonList& faces,
                         std::vector<D3DXVECTOR3>* normals, PolygonList* faceNormals) {
    XValue list, polygons;
    if (!Array(object, "normals", &list) || !Array(object, "faceNormals", &polygons))
        return false;
    if (!Vectors(list, "normal", normals))
        return false;
    if (!Polygons(polygons, "face normal", static_cast<DWORD>(normals->size()), faceNormals))
        return false;
    if (faceNormals->Count() != faces.Count())
        return Fail(object.Line(), "MeshNormals has " + std::to_string(faceNormals->Count()) +
                                       " faces for the mesh's " + std::to_string(faces.Count()));
    for (DWORD p = 0; p < faces.Count(); ++p)
        if (faceNormals->Size(p) != faces.Size(p))
            return Fail(faceNormals->lines[p], "face normal " + std::to_string(p) + " has " +
                                                   std::to_string(faceNormals->Size(p)) +
                                                   " corners, its face " +
                                                   std::to_string(faces.Size(p)));
    return true;
}

bool MeshReader::TextureCoords(const XData& object, DWORD vertexCount,
                               std::vector<D3DXVECTOR2>* out) {
    static const char* const kNames[] = {"u", "v"};
    XValue list;
    if (!Array(object, "textureCoords", &list))
        return false;
    if (list.Size() != vertexCount)
        return Fail(object.Line(), "MeshTextureCoords has " + std::to_string(list.Size()) +
                                       " pairs for " + std::to_string(vertexCount) + " vertices");
    std::vector<float> f;
    if (!Floats(list, kNames, 2, "texture coordinate", &f))
        return false;
    out->resize(vertexCount);
    for (DWORD i = 0; i < vertexCount; ++i)
        (*out)[i] = D3DXVECTOR2(f[2 * i], f[2 * i + 1]);
    return true;
}

bool MeshReader::Colour(const XValue& colour, int channels, const char* what, float rgba[4]) {
    static const char* const kNames[] = {"red", "green", "blue", "alpha"};
    rgba[3] = 1.0f;
    for (int k = 0; k < channels; ++k) {
        XValue v;
        if (!Member(colour, kNames[k], &v) || !Float(v, what, &rgba[k]))
            return false;
    }
    return true;
}

bool MeshReader::VertexColours(const XData& object, DWORD vertexCount, std::vector<D3DCOLOR>* out) {
    XValue list;
    if (!Array(object, "vertexColors", &list))
        return false;
    out->assign(vertexCount, 0xFFFFFFFFu);
    for (uint32_t i = 0; i < list.Size(); ++i) {
        const XValue entry = list.At(i);
        XValue indexValue, colour;
        DWORD index = 0;
        float rgba[4] = {};
        if (!Member(entry, "index", &indexValue) || !Dword(indexValue, "colour index", &index) ||
            !Member(entry, "indexColor", &colour) || !Colour(colour, 4, "vertex colour", rgba))
            return false;
        if (index >= vertexCount)
            return Fail(entry.Line(), "vertex colour " + std::to_string(i) + " names vertex " +
                                          std::to_string(index) + " of " +
                                          std::to_string(vertexCount));
        (*out)[index] = ColourFromFloats(rgba[0], rgba[1], rgba[2], rgba[3]);
    }
    return true;
}

bool MeshReader::Material(const XData& object, D3DMATERIAL8* material, std::string* textureFile) {
    XValue face, power, specular, emissive;
    float diffuse[4] = {}, spec[4] = {}, emis[4] = {};
    float shine = 0.0f;
    if (!Member(object, "faceColor", &face) || !Colour(face, 4, "faceColor", diffuse) ||
        !Member(object, "power", &power) || !Float(power, "power", &shine) ||
        !Member(object, "specularColor", &specular) ||
        !Colour(specular, 3, "specularColor", spec) ||
        !Member(object, "emissiveColor", &emissive) || !Colour(emissive, 3, "emissiveColor", emis))
        return false;
    *material = D3DMATERIAL8();
    material->Diffuse = {diffuse[0], diffuse[1], diffuse[2], diffuse[3]};
    material->Specular = {spec[0], spec[1], spec[2], 1.0f};
    material->Emissive = {emis[0], emis[1], emis[2], 1.0f};
    material->Power = shine;
    textureFile->clear();
    for (const XChild& child : object.Children()) {
        const XData* data = child.Data();
        if (!data || data->TemplateName() != "TextureFilename")
            continue;
        XValue name;
        if (!Member(*data, "filename", &name))
            return false;
        if (name.Kind() != XValueKind::String)
            return Fail(name.Line(), "TextureFilename is not a string");
        *textureFile = name.AsString();
        break;
    }
    return true;
}

bool MeshReader::MaterialList(const XData& object, DWORD polygonCount, XMeshGeometry* out,
                              std::vector<DWORD>* polygonMaterials) {
    XValue countValue, indices;
    DWORD declared = 0;
    if (!Member(object, "nMaterials", &countValue) || !Dword(countValue, "nMaterials", &declared) ||
        !Array(object, "faceIndexes", &indices))
        return false;
    for (const XChild& child : object.Children()) {
        const XData* data = child.Data();
        if (!data || data->TemplateName() != "Material")
            continue;
        if (out->materials.size() == declared)
            break;
        D3DMATERIAL8 material;
        std::string texture;
        if (!Material(*data, &material, &texture))
            return false;
        out->materials.push_back(material);
        out->textureFiles.push_back(texture);
    }
    if (out->materials.size() != declared)
        return Fail(object.Line(), "MeshMaterialList declares " + std::to_string(declared) +
                                       " materials and holds " +
                                       std::to_string(out->materials.size()));
    const uint32_t n = indices.Size();
    DWORD last = 0;
    for (DWORD p = 0; p < polygonCount; ++p) {
        if (p < n) {
            if (!Dword(indices.At(p), "material index", &last))
                return false;
            if (last >= declared)
                return Fail(indices.At(p).Line(), "face " + std::to_string(p) + " names material " +
                                                      std::to_string(last) + " of " +
                                                      std::to_string(declared));
        }
        (*polygonMaterials)[p] = last;
    }
    return true;
}

HRESULT MeshReader::Read(XMeshGeometry* out, std::string* error) {
    auto finish = [&](HRESULT hr) {
        if (FAILED(hr) && error)
            *error = m_message;
        return hr;
    };
    *out = XMeshGeometry();
    if (m_pMesh->TemplateName() != "Mesh") {
        Fail(m_pMesh->Line(), "a " + m_pMesh->TemplateName() + " is not a Mesh");
        return finish(D3DXERR_INVALIDDATA);
    }
    XValue vertexList, faceList;
    std::vector<D3DXVECTOR3> positions;
    PolygonList faces;
    if (!Array(*m_pMesh, "vertices", &vertexList) || !Array(*m_pMesh, "faces", &faceList) ||
        !Vectors(vertexList, "vertex", &positions))
        return finish(D3DXERR_INVALIDDATA);
    const DWORD vertexCount = static_cast<DWORD>(positions.size());
    if (vertexCount == 0 || faceList.Size() == 0) {
        Fail(m_pMesh->Line(), "the mesh holds no vertex or no face");
        return finish(D3DXERR_LOADEDMESHHASNODATA);
    }
    if (!Polygons(faceList, "face", vertexCount, &faces))
        return finish(D3DXERR_INVALIDDATA);

    std::vector<D3DXVECTOR3> normals;
    PolygonList faceNormals;
    std::vector<DWORD> polygonMaterials(faces.Count(), 0);
    bool haveNormals = false, haveCoords = false, haveColours = false, haveMaterials = false;
    for (const XChild& child : m_pMesh->Children()) {
        const XData* data = child.Data();
        if (!data)
            continue;
        const std::string& type = data->TemplateName();
        bool ok = true;
        if (type == "MeshNormals" && !haveNormals) {
            ok = Normals(*data, faces, &normals, &faceNormals);
            haveNormals = true;
        } else if (type == "MeshTextureCoords" && !haveCoords) {
            ok = TextureCoords(*data, vertexCount, &out->texCoords);
            haveCoords = true;
        } else if (type == "MeshVertexColors" && !haveColours) {
            ok = VertexColours(*data, vertexCount, &out->colours);
            haveColours = true;
        } else if (type == "MeshMaterialList" && !haveMaterials) {
            ok = MaterialList(*data, faces.Count(), out, &polygonMaterials);
            haveMaterials = true;
        }
        if (!ok)
            return finish(D3DXERR_INVALIDDATA);
    }

    // File vertices first; a vertex met again with a different normal is copied to the end.
    out->positions = positions;
    out->sourceVertex.resize(vertexCount);
    for (DWORD v = 0; v < vertexCount; ++v)
        out->sourceVertex[v] = v;
    std::vector<DWORD> nextCopy(vertexCount, kUnassigned);  // chain of copies of a vertex
    std::vector<bool> assigned(vertexCount, false);
    if (haveNormals)
        out->normals.assign(vertexCount, D3DXVECTOR3());
    auto vertexFor = [&](DWORD v, DWORD normalIndex) -> DWORD {
        if (!haveNormals)
            return v;
        const D3DXVECTOR3& n = normals[normalIndex];
        if (!assigned[v]) {
            assigned[v] = true;
            out->normals[v] = n;
            return v;
        }
        DWORD at = v;
        for (;;) {
            if (out->normals[at] == n)
                return at;
            if (nextCopy[at] == kUnassigned)
                break;
            at = nextCopy[at];
        }
        const DWORD copy = static_cast<DWORD>(out->positions.size());
        nextCopy[at] = copy;
        nextCopy.push_back(kUnassigned);
        out->positions.push_back(positions[v]);
        out->normals.push_back(n);
        out->sourceVertex.push_back(v);
        if (haveCoords) {
            const D3DXVECTOR2 t = out->texCoords[v];
            out->texCoords.push_back(t);
        }
        if (haveColours) {
            const D3DCOLOR c = out->colours[v];
            out->colours.push_back(c);
        }
        return copy;
    };

    for (DWORD p = 0; p < faces.Count(); ++p) {
        const DWORD base = faces.first[p];
        const DWORD size = faces.Size(p);
        auto corner = [&](DWORD c) {
            const DWORD n = haveNormals ? faceNormals.corners[faceNormals.first[p] + c] : 0;
            return vertexFor(faces.corners[base + c], n);
        };
        const DWORD first = corner(0);
        DWORD previous = corner(1);
        for (DWORD c = 2; c < size; ++c) {
            const DWORD current = corner(c);
            out->indices.insert(out->indices.end(), {first, previous, current});
            out->faceMaterials.push_back(polygonMaterials[p]);
            out->triangleSource.push_back(p);
            previous = current;
        }
    }
    return finish(D3D_OK);
}
}  // namespace

HRESULT ReadXMeshGeometry(const XData* meshObject, XMeshGeometry* out, std::string* error) {
    if (!meshObject || !out)
        return D3DERR_INVALIDCALL;
    try {
        MeshReader reader(meshObject);
        return reader.Read(out, error);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXLoadMeshFromXof(const XData* meshObject, DWORD options, IDirect3DDevice8* device,
                            ID3DXBuffer** adjacency, ID3DXBuffer** materials, DWORD* numMaterials,
                            ID3DXMesh** mesh, std::string* error) {
    if (!meshObject || !mesh)
        return D3DERR_INVALIDCALL;
    XMeshGeometry g;
    const HRESULT hr = ReadXMeshGeometry(meshObject, &g, error);
    if (FAILED(hr))
        return hr;
    return CreateMeshFromXGeometry(g, *meshObject, options, device, adjacency, materials,
                                   numMaterials, mesh, error);
}

HRESULT CreateMeshFromXGeometry(const XMeshGeometry& g, const XData& meshObject, DWORD options,
                                IDirect3DDevice8* device, ID3DXBuffer** adjacency,
                                ID3DXBuffer** materials, DWORD* numMaterials, ID3DXMesh** mesh,
                                std::string* error) {
    if (!mesh)
        return D3DERR_INVALIDCALL;
    const size_t vertexCount = g.positions.size();
    if (vertexCount > kMaxMesh16Vertices) {
        if (error)
            *error = (meshObject.Name().empty() ? "Mesh" : meshObject.Name()) + " (line " +
                     std::to_string(meshObject.Line()) + "): " + std::to_string(vertexCount) +
                     " vertices after splitting by normal; 16-bit indices address " +
                     std::to_string(kMaxMesh16Vertices);
        return D3DXERR_INVALIDDATA;
    }
    DWORD fvf = D3DFVF_XYZ;
    if (!g.normals.empty())
        fvf |= D3DFVF_NORMAL;
    if (!g.colours.empty())
        fvf |= D3DFVF_DIFFUSE;
    if (!g.texCoords.empty())
        fvf |= D3DFVF_TEX1;
    const DWORD faceCount = static_cast<DWORD>(g.faceMaterials.size());
    ID3DXMesh* created = nullptr;
    const HRESULT hr = D3DXCreateMeshFVF(faceCount, static_cast<DWORD>(vertexCount), options, fvf,
                                         device, &created);
    if (FAILED(hr))
        return hr;

    BYTE* vertices = nullptr;
    created->LockVertexBuffer(0, &vertices);
    const DWORD stride = created->GetNumBytesPerVertex();
    for (size_t v = 0; v < vertexCount; ++v) {
        BYTE* at = vertices + v * stride;
        std::memcpy(at, &g.positions[v], 12);
        at += 12;
        if (!g.normals.empty()) {
            std::memcpy(at, &g.normals[v], 12);
            at += 12;
        }
        if (!g.colours.empty()) {
            std::memcpy(at, &g.colours[v], 4);
            at += 4;
        }
        if (!g.texCoords.empty())
            std::memcpy(at, &g.texCoords[v], 8);
    }
    created->UnlockVertexBuffer();
    BYTE* indexBytes = nullptr;
    created->LockIndexBuffer(0, &indexBytes);
    WORD* indices = reinterpret_cast<WORD*>(indexBytes);
    for (size_t i = 0; i < g.indices.size(); ++i)
        indices[i] = static_cast<WORD>(g.indices[i]);
    created->UnlockIndexBuffer();
    DWORD* attributes = nullptr;
    created->LockAttributeBuffer(0, &attributes);
    std::copy(g.faceMaterials.begin(), g.faceMaterials.end(), attributes);
    created->UnlockAttributeBuffer();

    if (adjacency) {
        *adjacency = ID3DXBuffer::Create(static_cast<size_t>(faceCount) * 3 * sizeof(DWORD));
        created->GenerateAdjacency(0.0f, static_cast<DWORD*>((*adjacency)->GetBufferPointer()));
    }
    if (materials) {
        *materials = nullptr;
        if (!g.materials.empty()) {
            size_t bytes = g.materials.size() * sizeof(D3DXMATERIAL);
            for (const std::string& t : g.textureFiles)
                if (!t.empty())
                    bytes += t.size() + 1;
            *materials = ID3DXBuffer::Create(bytes);
            BYTE* base = static_cast<BYTE*>((*materials)->GetBufferPointer());
            char* text = reinterpret_cast<char*>(base + g.materials.size() * sizeof(D3DXMATERIAL));
            for (size_t m = 0; m < g.materials.size(); ++m) {
                D3DXMATERIAL* record = new (base + m * sizeof(D3DXMATERIAL)) D3DXMATERIAL();
                record->MatD3D = g.materials[m];
                const std::string& t = g.textureFiles[m];
                if (t.empty())
                    continue;
                std::memcpy(text, t.c_str(), t.size() + 1);
                record->pTextureFilename = text;
                text += t.size() + 1;
            }
        }
    }
    if (numMaterials)
        *numMaterials = static_cast<DWORD>(g.materials.size());
    *mesh = created;
    return D3D_OK;
}

#include "platform/xfile/xfile_templates.h"

#include <cstdio>
#include <cstring>

bool XGuid::operator==(const XGuid& other) const {
    return data1 == other.data1 && data2 == other.data2 && data3 == other.data3 &&
           std::memcmp(data4, other.data4, sizeof(data4)) == 0;
}

std::string XGuid::Text() const {
    char text[40] = {};
    std::snprintf(text, sizeof(text), "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned>(data1), static_cast<unsigned>(data2),
                  static_cast<unsigned>(data3), data4[0], data4[1], data4[2], data4[3], data4[4],
                  data4[5], data4[6], data4[7]);
    return text;
}

namespace {
int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
}  // namespace

bool ParseXGuid(const char* text, size_t length, XGuid* out) {
    // 8-4-4-4-12 hexadecimal digits: 36 characters, dashes at 8, 13, 18 and 23.
    if (!text || length != 36)
        return false;
    uint8_t bytes[16] = {};
    size_t byte = 0;
    for (size_t i = 0; i < 36;) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                return false;
            ++i;
            continue;
        }
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[byte++] = static_cast<uint8_t>(high * 16 + low);
        i += 2;
    }
    XGuid guid;
    guid.data1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) |
                 (uint32_t{bytes[2]} << 8) | bytes[3];
    guid.data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    guid.data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    std::memcpy(guid.data4, bytes + 8, 8);
    if (out)
        *out = guid;
    return true;
}

const char* XPrimitiveName(XPrimitive primitive) {
    switch (primitive) {
        case XPrimitive::None:
            return "";
        case XPrimitive::Word:
            return "WORD";
        case XPrimitive::Dword:
            return "DWORD";
        case XPrimitive::Float:
            return "FLOAT";
        case XPrimitive::Double:
            return "DOUBLE";
        case XPrimitive::Char:
            return "CHAR";
        case XPrimitive::Uchar:
            return "UCHAR";
        case XPrimitive::Byte:
            return "BYTE";
        case XPrimitive::String:
            return "STRING";
    }
    return "";
}

int32_t XTemplate::MemberIndex(const char* memberName) const {
    if (!memberName || !*memberName)
        return -1;
    for (size_t i = 0; i < members.size(); ++i)
        if (members[i].name == memberName)
            return static_cast<int32_t>(i);
    return -1;
}

bool XTemplate::Allows(const XTemplate& child) const {
    if (restriction == XRestriction::Open)
        return true;
    if (restriction == XRestriction::Closed)
        return false;
    for (const XAllowedChild& entry : allowed)
        if (entry.name == child.name || (entry.hasGuid && entry.guid == child.guid))
            return true;
    return false;
}

int32_t XTemplateSet::Find(const std::string& name) const {
    const auto found = m_byName.find(name);
    return found == m_byName.end() ? -1 : static_cast<int32_t>(found->second);
}

uint32_t XTemplateSet::Add(XTemplate declaration) {
    const uint32_t index = Size();
    m_byName[declaration.name] = index;
    m_templates.push_back(std::move(declaration));
    return index;
}

// The standard retained-mode templates with their published members and GUIDs.
const char kStandardXTemplates[] = R"(xof 0302txt 0064
template Header {
    <3D82AB43-62DA-11CF-AB39-0020AF71E433>
    WORD major;
    WORD minor;
    DWORD flags;
}
template Vector {
    <3D82AB5E-62DA-11CF-AB39-0020AF71E433>
    FLOAT x;
    FLOAT y;
    FLOAT z;
}
template Coords2d {
    <F6F23F44-7686-11CF-8F52-0040333594A3>
    FLOAT u;
    FLOAT v;
}
template Matrix4x4 {
    <F6F23F45-7686-11CF-8F52-0040333594A3>
    array FLOAT matrix[16];
}
template ColorRGBA {
    <35FF44E0-6C7C-11CF-8F52-0040333594A3>
    FLOAT red;
    FLOAT green;
    FLOAT blue;
    FLOAT alpha;
}
template ColorRGB {
    <D3E16E81-7835-11CF-8F52-0040333594A3>
    FLOAT red;
    FLOAT green;
    FLOAT blue;
}
template IndexedColor {
    <1630B820-7842-11CF-8F52-0040333594A3>
    DWORD index;
    ColorRGBA indexColor;
}
template Boolean {
    <537DA6A0-CA37-11D0-941C-0080C80CFA7B>
    DWORD truefalse;
}
template Boolean2d {
    <4885AE63-78E8-11CF-8F52-0040333594A3>
    Boolean u;
    Boolean v;
}
template MaterialWrap {
    <4885AE60-78E8-11CF-8F52-0040333594A3>
    Boolean u;
    Boolean v;
}
template TextureFilename {
    <A42790E1-7810-11CF-8F52-0040333594A3>
    STRING filename;
}
template Material {
    <3D82AB4D-62DA-11CF-AB39-0020AF71E433>
    ColorRGBA faceColor;
    FLOAT power;
    ColorRGB specularColor;
    ColorRGB emissiveColor;
    [...]
}
template MeshFace {
    <3D82AB5F-62DA-11CF-AB39-0020AF71E433>
    DWORD nFaceVertexIndices;
    array DWORD faceVertexIndices[nFaceVertexIndices];
}
template MeshFaceWraps {
    <ED1EC5C0-C0A8-11D0-941C-0080C80CFA7B>
    DWORD nFaceWrapValues;
    array Boolean2d faceWrapValues[nFaceWrapValues];
}
template MeshTextureCoords {
    <F6F23F40-7686-11CF-8F52-0040333594A3>
    DWORD nTextureCoords;
    array Coords2d textureCoords[nTextureCoords];
}
template MeshMaterialList {
    <F6F23F42-7686-11CF-8F52-0040333594A3>
    DWORD nMaterials;
    DWORD nFaceIndexes;
    array DWORD faceIndexes[nFaceIndexes];
    [Material <3D82AB4D-62DA-11CF-AB39-0020AF71E433>]
}
template MeshNormals {
    <F6F23F43-7686-11CF-8F52-0040333594A3>
    DWORD nNormals;
    array Vector normals[nNormals];
    DWORD nFaceNormals;
    array MeshFace faceNormals[nFaceNormals];
}
template MeshVertexColors {
    <1630B821-7842-11CF-8F52-0040333594A3>
    DWORD nVertexColors;
    array IndexedColor vertexColors[nVertexColors];
}
template Mesh {
    <3D82AB44-62DA-11CF-AB39-0020AF71E433>
    DWORD nVertices;
    array Vector vertices[nVertices];
    DWORD nFaces;
    array MeshFace faces[nFaces];
    [...]
}
template FrameTransformMatrix {
    <F6F23F41-7686-11CF-8F52-0040333594A3>
    Matrix4x4 frameMatrix;
}
template Frame {
    <3D82AB46-62DA-11CF-AB39-0020AF71E433>
    [...]
}
template FloatKeys {
    <10DD46A9-775B-11CF-8F52-0040333594A3>
    DWORD nValues;
    array FLOAT values[nValues];
}
template TimedFloatKeys {
    <F406B180-7B3B-11CF-8F52-0040333594A3>
    DWORD time;
    FloatKeys tfkeys;
}
template AnimationKey {
    <10DD46A8-775B-11CF-8F52-0040333594A3>
    DWORD keyType;
    DWORD nKeys;
    array TimedFloatKeys keys[nKeys];
}
template AnimationOptions {
    <E2BF56C0-840F-11CF-8F52-0040333594A3>
    DWORD openclosed;
    DWORD positionquality;
}
template Animation {
    <3D82AB4F-62DA-11CF-AB39-0020AF71E433>
    [...]
}
template AnimationSet {
    <3D82AB50-62DA-11CF-AB39-0020AF71E433>
    [Animation <3D82AB4F-62DA-11CF-AB39-0020AF71E433>]
}
template InlineData {
    <3A23EEA0-94B1-11D0-AB39-0020AF71E433>
    [BINARY]
}
template Url {
    <3A23EEA1-94B1-11D0-AB39-0020AF71E433>
    DWORD nUrls;
    array STRING urls[nUrls];
}
template ProgressiveMesh {
    <8A63C360-997D-11D0-941C-0080C80CFA7B>
    [Url <3A23EEA1-94B1-11D0-AB39-0020AF71E433>, InlineData <3A23EEA0-94B1-11D0-AB39-0020AF71E433>]
}
template Guid {
    <A42790E0-7810-11CF-8F52-0040333594A3>
    DWORD data1;
    WORD data2;
    WORD data3;
    array UCHAR data4[8];
}
template StringProperty {
    <7F0F21E0-BFE1-11D1-82C0-00A0C9697271>
    STRING key;
    STRING value;
}
template PropertyBag {
    <7F0F21E1-BFE1-11D1-82C0-00A0C9697271>
    [StringProperty <7F0F21E0-BFE1-11D1-82C0-00A0C9697271>]
}
template ExternalVisual {
    <98116AA0-BDBA-11D1-82C0-00A0C9697271>
    Guid guidExternalVisual;
    [...]
}
template RightHanded {
    <7F5D5EA0-D53A-11D1-82C0-00A0C9697271>
    DWORD bRightHanded;
}
)";

// Templates of the .X text format: GUIDs, member layouts, child restrictions, and the set a
// parse starts from.
// Owns: XGuid, XTemplate, XTemplateSet and the text of the standard retained-mode set.
// Does not: read template text (platform/xfile/xfile_parser.h declares RegisterXTemplates).
// Needs: nothing beyond the standard library.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct XGuid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};

    bool operator==(const XGuid& other) const;
    bool operator!=(const XGuid& other) const { return !(*this == other); }
    // "3D82AB44-62DA-11CF-AB39-0020AF71E433"
    std::string Text() const;
};

// Reads "8-4-4-4-12" hexadecimal digits (no brackets); false when the text is not a GUID.
bool ParseXGuid(const char* text, size_t length, XGuid* out);

// The primitive member types of the text format; None marks a member whose type is a template.
enum class XPrimitive : uint8_t { None, Word, Dword, Float, Double, Char, Uchar, Byte, String };

// The keyword of a primitive ("DWORD"), or "" for None.
const char* XPrimitiveName(XPrimitive primitive);

// One [..] of an array member: a fixed size, or the index of an earlier integer member of the
// same template whose value is the size.
struct XDimension {
    uint32_t size = 0;
    int32_t member = -1;  // -1: fixed size
};

struct XTemplateMember {
    std::string typeName;                     // "DWORD", "Vector", ...
    XPrimitive primitive = XPrimitive::None;  // None: typeName is the template typeIndex
    uint32_t typeIndex = 0;                   // index in the owning XTemplateSet
    std::string name;                         // may be empty
    std::vector<XDimension> dimensions;       // empty for a single value; one per [..]
};

enum class XRestriction : uint8_t {
    Closed,      // no child objects
    Open,        // [ ... ]: any child
    Restricted,  // [ A, B <guid> ]: only the listed templates
};

struct XAllowedChild {
    std::string name;
    bool hasGuid = false;
    XGuid guid;
};

struct XTemplate {
    std::string name;
    XGuid guid;
    std::vector<XTemplateMember> members;
    XRestriction restriction = XRestriction::Closed;
    std::vector<XAllowedChild> allowed;  // Restricted only

    // Index of the member of that name, or -1.
    int32_t MemberIndex(const char* memberName) const;
    // Whether an object of template `child` may appear directly inside an object of this one.
    bool Allows(const XTemplate& child) const;
};

// Templates in declaration order. A later template of a name shadows an earlier one for every
// look-up after it; the earlier one stays in place for the data already laid out by it.
class XTemplateSet {
  public:
    uint32_t Size() const { return static_cast<uint32_t>(m_templates.size()); }
    const XTemplate& At(uint32_t index) const { return m_templates[index]; }
    // Index of the latest template of that name, or -1.
    int32_t Find(const std::string& name) const;
    // Adds a template and returns its index.
    uint32_t Add(XTemplate declaration);

  private:
    std::vector<XTemplate> m_templates;
    std::unordered_map<std::string, uint32_t> m_byName;
};

// The standard retained-mode template set as .X text ("xof 0302txt 0064" and 35 templates),
// for RegisterXTemplates.
extern const char kStandardXTemplates[];

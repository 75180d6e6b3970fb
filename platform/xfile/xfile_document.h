// One parsed .X text file: its data objects, their children, and their member data laid out by
// their templates, with bounds-checked views to read it by member name.
// Owns: the plain CPU data that platform/xfile/xfile_parser.h produces.
// Does not: parse, build meshes or frames (the D3DX layer reads from here), touch the device.
// Needs: platform/xfile/xfile_templates.h for layouts, platform/xfile/xfile_errors.h for statuses.
//
// Reading never crashes: a missing member, a value of another kind or an index outside an array
// gives 0, "" or an invalid view, and the first such fault is kept as the document's Error()
// (with the line of the value read), so a loader reads everything, then checks Status() once:
//
//     XTemplateSet templates;
//     RegisterStandardXTemplates(&templates);
//     XDocument doc;
//     if (FAILED(ParseXResource("PILLAR01.X", templates, &doc))) return doc.Status();
//     for (const XData* object : doc.Objects()) {
//         if (object->TemplateName() != "Frame") continue;
//         for (const XChild& child : object->Children()) {
//             const XData* mesh = child.object;  // nullptr for a reference
//             if (!mesh || mesh->TemplateName() != "Mesh") continue;
//             uint32_t n = mesh->Dword("nVertices");
//             XValue vertices = mesh->Array("vertices");  // vertices.Size() == n
//             float x0 = vertices.At(0).Float("x");
//             XValue corners = mesh->Array("faces").At(0).Array("faceVertexIndices");
//             uint32_t first = corners.DwordAt(0);
//         }
//     }
//     if (FAILED(doc.Status())) log doc.Error().Text();
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/xfile/xfile_errors.h"
#include "platform/xfile/xfile_templates.h"

class XDocument;
class XParser;

enum class XValueKind : uint8_t { None, Number, String, Struct, Array };

// Storage of one value; read it through XValue.
struct XValueNode {
    XValueKind kind = XValueKind::None;
    XPrimitive primitive = XPrimitive::None;  // Number: its member type
    uint32_t line = 0;                        // line where the value starts
    uint32_t type = 0;                        // Struct: template index in the document's set
    uint32_t first = 0;   // Struct, Array: first element node; String: index of the text
    uint32_t count = 0;   // Struct: members; Array: elements
    double number = 0.0;  // Number: every WORD, DWORD, CHAR, FLOAT and DOUBLE fits exactly
};

// A read-only view of one value of a document: a number, a string, a struct laid out by a
// template (members in declaration order) or an array. Cheap to copy; valid while its document
// lives.
class XValue {
  public:
    XValue() = default;

    bool IsValid() const;
    XValueKind Kind() const;
    XPrimitive Primitive() const;
    uint32_t Line() const;
    // Struct: the template that lays it out; nullptr otherwise.
    const XTemplate* Template() const;

    // Struct: number of members; Array: number of elements; otherwise 0.
    uint32_t Size() const;
    // Struct member or array element `index`.
    XValue At(uint32_t index) const;
    // Struct: the name of member `index` ("" when it has none or there is no such member).
    const char* MemberName(uint32_t index) const;

    // Struct: whether the template has a member of that name (never a fault).
    bool Has(const char* member) const;
    XValue Member(const char* member) const;
    uint32_t Dword(const char* member) const { return Member(member).AsDword(); }
    float Float(const char* member) const { return Member(member).AsFloat(); }
    const std::string& String(const char* member) const { return Member(member).AsString(); }
    // The member, which must be an array (or a struct): a fault otherwise.
    XValue Array(const char* member) const;
    XValue Struct(const char* member) const;

    // Array elements read as one scalar each.
    uint32_t DwordAt(uint32_t index) const { return At(index).AsDword(); }
    float FloatAt(uint32_t index) const { return At(index).AsFloat(); }
    const std::string& StringAt(uint32_t index) const { return At(index).AsString(); }

    // An integer member (WORD, DWORD, CHAR, UCHAR, BYTE) from 0 to 4294967295.
    uint32_t AsDword() const;
    // A FLOAT or DOUBLE member, as a float.
    float AsFloat() const;
    // Any number, as a double (exact for every stored value).
    double AsDouble() const;
    const std::string& AsString() const;

  protected:
    friend class XDocument;
    friend class XParser;
    static constexpr uint32_t kNoNode = 0xFFFFFFFFu;

    XValue(const XDocument* document, uint32_t node) : m_pDocument(document), m_dwNode(node) {}
    const XValueNode* Node() const;
    // Records a read fault on the document (the first one is kept) and returns an invalid view.
    XValue Fault(HRESULT status, const std::string& message) const;

    const XDocument* m_pDocument = nullptr;
    uint32_t m_dwNode = kNoNode;
};

class XData;

enum class XChildKind : uint8_t { Object, Reference };

// One child of a data object, in file order: a nested data object or a data reference.
struct XChild {
    XChildKind kind = XChildKind::Object;
    const XData* object = nullptr;  // Object: the nested data object; nullptr for a reference
    const XData* target = nullptr;  // Reference: the object it names; nullptr for an object
    std::string referenceName;      // Reference: the name written ("" for a GUID-only one)
    bool hasReferenceGuid = false;
    XGuid referenceGuid;
    uint32_t line = 0;

    // The data either way: the nested object or the reference's target. Walkers that recurse
    // must follow `object` only: a reference may name one of its own ancestors.
    const XData* Data() const { return object ? object : target; }
};

// A data object: its template, optional name and GUID, children, and (as an XValue struct) its
// members. Line() is the line of its template name.
class XData : public XValue {
  public:
    const std::string& TemplateName() const;
    const XGuid& TemplateGuid() const;
    const std::string& Name() const { return m_name; }  // "" when nameless
    bool HasGuid() const { return m_bHasGuid; }
    const XGuid& Guid() const { return m_guid; }
    const XData* Parent() const { return m_pParent; }  // nullptr at top level
    const std::vector<XChild>& Children() const { return m_children; }

  private:
    friend class XParser;
    std::string m_name;
    bool m_bHasGuid = false;
    XGuid m_guid;
    const XData* m_pParent = nullptr;
    std::vector<XChild> m_children;
};

class XDocument {
  public:
    XDocument() = default;
    XDocument(const XDocument&) = delete;
    XDocument& operator=(const XDocument&) = delete;

    const std::string& Source() const { return m_source; }
    uint32_t Version() const { return m_dwVersion; }      // 302 or 303
    uint32_t FloatBits() const { return m_dwFloatBits; }  // 32 or 64
    // The top-level data objects in file order.
    const std::vector<const XData*>& Objects() const { return m_topLevel; }
    // The first data object of that name at any depth, in file order; nullptr when none.
    const XData* Find(const std::string& name) const;
    // The registered templates followed by those the file declares.
    const XTemplateSet& Templates() const { return m_templates; }

    // The parse error, or else the first read fault; S_OK when there is none.
    HRESULT Status() const { return m_error.status; }
    const XError& Error() const { return m_error; }

    // Back to an empty document without error.
    void Clear();

  private:
    friend class XValue;
    friend class XData;
    friend class XParser;

    std::string m_source;
    uint32_t m_dwVersion = 0;
    uint32_t m_dwFloatBits = 0;
    XTemplateSet m_templates;
    std::vector<XValueNode> m_values;
    std::vector<std::string> m_strings;
    std::deque<XData> m_objects;  // every data object, in file order; addresses stay put
    std::vector<const XData*> m_topLevel;
    mutable XError m_error;
    std::string m_empty;  // what a faulty string read returns
};

#include "platform/xfile/xfile_document.h"

#include <cmath>

namespace {
bool IsInteger(XPrimitive primitive) {
    switch (primitive) {
        case XPrimitive::Word:
        case XPrimitive::Dword:
        case XPrimitive::Char:
        case XPrimitive::Uchar:
        case XPrimitive::Byte:
            return true;
        default:
            return false;
    }
}

// "a FLOAT", "a Vector", "an array": what a value is, for messages.
std::string KindText(const XValueNode& node, const XTemplateSet& templates) {
    switch (node.kind) {
        case XValueKind::Number:
            return std::string("a ") + XPrimitiveName(node.primitive);
        case XValueKind::String:
            return "a STRING";
        case XValueKind::Struct:
            return "a " + templates.At(node.type).name;
        case XValueKind::Array:
            return "an array";
        case XValueKind::None:
            break;
    }
    return "nothing";
}

std::string NumberText(double value) {
    char text[32] = {};
    std::snprintf(text, sizeof(text), "%.9g", value);
    return text;
}
}  // namespace

const XValueNode* XValue::Node() const {
    if (!m_pDocument || m_dwNode >= m_pDocument->m_values.size())
        return nullptr;
    return &m_pDocument->m_values[m_dwNode];
}

XValue XValue::Fault(HRESULT status, const std::string& message) const {
    if (m_pDocument && !m_pDocument->m_error.Failed()) {
        const XValueNode* node = Node();
        XError& error = m_pDocument->m_error;
        error.status = status;
        error.source = m_pDocument->m_source;
        error.line = node ? node->line : 0;
        error.message = message;
    }
    return XValue(m_pDocument, kNoNode);
}

bool XValue::IsValid() const {
    return Node() != nullptr;
}

XValueKind XValue::Kind() const {
    const XValueNode* node = Node();
    return node ? node->kind : XValueKind::None;
}

XPrimitive XValue::Primitive() const {
    const XValueNode* node = Node();
    return node ? node->primitive : XPrimitive::None;
}

uint32_t XValue::Line() const {
    const XValueNode* node = Node();
    return node ? node->line : 0;
}

const XTemplate* XValue::Template() const {
    const XValueNode* node = Node();
    if (!node || node->kind != XValueKind::Struct)
        return nullptr;
    return &m_pDocument->m_templates.At(node->type);
}

uint32_t XValue::Size() const {
    const XValueNode* node = Node();
    if (!node || (node->kind != XValueKind::Struct && node->kind != XValueKind::Array))
        return 0;
    return node->count;
}

XValue XValue::At(uint32_t index) const {
    const XValueNode* node = Node();
    if (!node)
        return Fault(DXFILEERR_NOTFOUND, "read of a value that is not there");
    if (node->kind != XValueKind::Struct && node->kind != XValueKind::Array)
        return Fault(DXFILEERR_BADTYPE, "element " + std::to_string(index) + " of " +
                                            KindText(*node, m_pDocument->m_templates));
    if (index >= node->count) {
        const std::string what = node->kind == XValueKind::Array ? "the array" : Template()->name;
        return Fault(DXFILEERR_BADARRAYSIZE, "index " + std::to_string(index) + " outside " + what +
                                                 " of " + std::to_string(node->count));
    }
    return XValue(m_pDocument, node->first + index);
}

const char* XValue::MemberName(uint32_t index) const {
    const XTemplate* type = Template();
    if (!type || index >= type->members.size())
        return "";
    return type->members[index].name.c_str();
}

bool XValue::Has(const char* member) const {
    const XTemplate* type = Template();
    return type && type->MemberIndex(member) >= 0;
}

XValue XValue::Member(const char* member) const {
    const XValueNode* node = Node();
    const std::string name = member ? member : "";
    if (!node)
        return Fault(DXFILEERR_NOTFOUND, "read of member '" + name + "' of nothing");
    const XTemplate* type = Template();
    if (!type)
        return Fault(DXFILEERR_BADTYPE,
                     "member '" + name + "' of " + KindText(*node, m_pDocument->m_templates));
    const int32_t index = type->MemberIndex(member);
    if (index < 0 || static_cast<uint32_t>(index) >= node->count)
        return Fault(DXFILEERR_NOTFOUND, type->name + " has no member '" + name + "'");
    return XValue(m_pDocument, node->first + static_cast<uint32_t>(index));
}

XValue XValue::Array(const char* member) const {
    const XValue value = Member(member);
    if (value.IsValid() && value.Kind() != XValueKind::Array)
        return value.Fault(DXFILEERR_BADTYPE, "member '" + std::string(member) + "' is no array");
    return value;
}

XValue XValue::Struct(const char* member) const {
    const XValue value = Member(member);
    if (value.IsValid() && value.Kind() != XValueKind::Struct)
        return value.Fault(DXFILEERR_BADTYPE, "member '" + std::string(member) + "' is no struct");
    return value;
}

uint32_t XValue::AsDword() const {
    const XValueNode* node = Node();
    if (!node) {
        Fault(DXFILEERR_NOTFOUND, "read of an integer that is not there");
        return 0;
    }
    if (node->kind != XValueKind::Number || !IsInteger(node->primitive)) {
        Fault(DXFILEERR_BADTYPE,
              "expected an integer, found " + KindText(*node, m_pDocument->m_templates));
        return 0;
    }
    if (node->number < 0.0 || node->number > 4294967295.0) {
        Fault(DXFILEERR_BADVALUE, NumberText(node->number) + " is outside a DWORD");
        return 0;
    }
    return static_cast<uint32_t>(node->number);
}

float XValue::AsFloat() const {
    const XValueNode* node = Node();
    if (!node) {
        Fault(DXFILEERR_NOTFOUND, "read of a number that is not there");
        return 0.0f;
    }
    if (node->kind != XValueKind::Number ||
        (node->primitive != XPrimitive::Float && node->primitive != XPrimitive::Double)) {
        Fault(DXFILEERR_BADTYPE,
              "expected a FLOAT, found " + KindText(*node, m_pDocument->m_templates));
        return 0.0f;
    }
    return static_cast<float>(node->number);
}

double XValue::AsDouble() const {
    const XValueNode* node = Node();
    if (!node) {
        Fault(DXFILEERR_NOTFOUND, "read of a number that is not there");
        return 0.0;
    }
    if (node->kind != XValueKind::Number) {
        Fault(DXFILEERR_BADTYPE,
              "expected a number, found " + KindText(*node, m_pDocument->m_templates));
        return 0.0;
    }
    return node->number;
}

const std::string& XValue::AsString() const {
    const XValueNode* node = Node();
    if (!node) {
        Fault(DXFILEERR_NOTFOUND, "read of a string that is not there");
    } else if (node->kind != XValueKind::String) {
        Fault(DXFILEERR_BADTYPE,
              "expected a STRING, found " + KindText(*node, m_pDocument->m_templates));
    } else if (node->first < m_pDocument->m_strings.size()) {
        return m_pDocument->m_strings[node->first];
    }
    if (m_pDocument)
        return m_pDocument->m_empty;
    static const std::string kNoText;
    return kNoText;
}

const std::string& XData::TemplateName() const {
    const XTemplate* type = Template();
    return type ? type->name : m_pDocument->m_empty;
}

const XGuid& XData::TemplateGuid() const {
    static const XGuid kNoGuid;
    const XTemplate* type = Template();
    return type ? type->guid : kNoGuid;
}

const XData* XDocument::Find(const std::string& name) const {
    if (name.empty())
        return nullptr;
    for (const XData& object : m_objects)
        if (object.Name() == name)
            return &object;
    return nullptr;
}

void XDocument::Clear() {
    m_source.clear();
    m_dwVersion = 0;
    m_dwFloatBits = 0;
    m_templates = XTemplateSet();
    m_values.clear();
    m_strings.clear();
    m_objects.clear();
    m_topLevel.clear();
    m_error = XError();
}

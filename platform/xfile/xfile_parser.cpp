#include "platform/xfile/xfile_parser.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "platform/system/resource_table.h"
#include "platform/xfile/xfile_tokenizer.h"

namespace {
constexpr size_t kHeaderBytes = 16;  // "xof 0302txt 0064"

struct XHeader {
    uint32_t version = 0;
    uint32_t floatBits = 0;
};

std::string Quoted(const char* text, size_t length) {
    std::string out = "\"";
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return out + "\"";
}

// Checks the 16-byte header: magic, version, format and float size.
HRESULT ReadHeader(const char* bytes, size_t size, XHeader* header, std::string* message) {
    if (size < kHeaderBytes || std::memcmp(bytes, "xof ", 4) != 0) {
        *message = "not a .X file: it does not begin with the header \"xof 0302txt 0064\"";
        return DXFILEERR_BADFILETYPE;
    }
    const char* version = bytes + 4;
    const char* format = bytes + 8;
    const char* floatSize = bytes + 12;
    if (std::memcmp(version, "0302", 4) == 0) {
        header->version = 302;
    } else if (std::memcmp(version, "0303", 4) == 0) {
        header->version = 303;
    } else {
        *message = "unsupported .X version " + Quoted(version, 4) + " (0302 and 0303 are read)";
        return DXFILEERR_BADFILEVERSION;
    }
    if (std::memcmp(format, "bin ", 4) == 0) {
        *message = "binary .X files are not supported; save the model as text (\"txt \")";
        return DXFILEERR_BADFILETYPE;
    }
    if (std::memcmp(format, "tzip", 4) == 0 || std::memcmp(format, "bzip", 4) == 0) {
        *message = "compressed .X files (" + Quoted(format, 4) +
                   ") are not supported; save the model as uncompressed text";
        return DXFILEERR_BADFILECOMPRESSIONTYPE;
    }
    if (std::memcmp(format, "txt ", 4) != 0) {
        *message = "unknown .X format " + Quoted(format, 4) + " (\"txt \" is read)";
        return DXFILEERR_BADFILETYPE;
    }
    if (std::memcmp(floatSize, "0032", 4) == 0) {
        header->floatBits = 32;
    } else if (std::memcmp(floatSize, "0064", 4) == 0) {
        header->floatBits = 64;
    } else {
        *message = "bad float size " + Quoted(floatSize, 4) + " (0032 or 0064)";
        return DXFILEERR_BADFILEFLOATSIZE;
    }
    return S_OK;
}

XPrimitive PrimitiveFromName(std::string_view name) {
    static const struct {
        const char* name;
        XPrimitive primitive;
    } kPrimitives[] = {
        {"WORD", XPrimitive::Word},   {"DWORD", XPrimitive::Dword},
        {"FLOAT", XPrimitive::Float}, {"DOUBLE", XPrimitive::Double},
        {"CHAR", XPrimitive::Char},   {"UCHAR", XPrimitive::Uchar},
        {"BYTE", XPrimitive::Byte},   {"STRING", XPrimitive::String},
    };
    for (const auto& entry : kPrimitives)
        if (name == entry.name)
            return entry.primitive;
    return XPrimitive::None;
}

bool IsIntegerPrimitive(XPrimitive primitive) {
    return primitive == XPrimitive::Word || primitive == XPrimitive::Dword ||
           primitive == XPrimitive::Char || primitive == XPrimitive::Uchar ||
           primitive == XPrimitive::Byte;
}

bool IsReservedWord(std::string_view name) {
    return name == "template" || name == "array" || name == "CSTRING" || name == "UNICODE" ||
           PrimitiveFromName(name) != XPrimitive::None;
}

// "+5" is a number in .X text; std::from_chars does not take the plus sign.
std::string_view WithoutPlus(std::string_view text) {
    return !text.empty() && text[0] == '+' ? text.substr(1) : text;
}

bool ParseInteger(std::string_view text, int64_t* value) {
    text = WithoutPlus(text);
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, *value);
    return result.ec == std::errc() && result.ptr == end;
}

bool ParseReal(std::string_view text, XPrimitive primitive, double* value) {
    text = WithoutPlus(text);
    const char* end = text.data() + text.size();
    if (primitive == XPrimitive::Float) {
        float f = 0.0f;
        const auto result = std::from_chars(text.data(), end, f, std::chars_format::general);
        if (result.ec == std::errc() && result.ptr == end) {
            *value = f;
            return true;
        }
        if (result.ec != std::errc::result_out_of_range)
            return false;
    }
    double d = 0.0;
    const auto result = std::from_chars(text.data(), end, d, std::chars_format::general);
    if (result.ptr != end || result.ec != std::errc())
        return false;
    if (primitive == XPrimitive::Float) {
        // Only an underflow lands here (from_chars<float> refused it): keep the tiny value.
        if (!(std::fabs(d) <= FLT_MAX))
            return false;
        *value = static_cast<float>(d);
        return true;
    }
    *value = d;
    return true;
}

bool FitsPrimitive(int64_t value, XPrimitive primitive) {
    switch (primitive) {
        case XPrimitive::Word:
            return value >= 0 && value <= 0xFFFF;
        case XPrimitive::Dword:
            return value >= 0 && value <= 0xFFFFFFFFll;
        case XPrimitive::Char:
            return value >= -128 && value <= 127;
        case XPrimitive::Uchar:
        case XPrimitive::Byte:
            return value >= 0 && value <= 0xFF;
        default:
            return false;
    }
}

const char* ExpectedText(XPrimitive primitive) {
    switch (primitive) {
        case XPrimitive::String:
            return "a STRING";
        case XPrimitive::Float:
            return "a FLOAT";
        case XPrimitive::Double:
            return "a DOUBLE";
        default:
            return "an integer";
    }
}
}  // namespace

// One parse: the header, then template declarations and data objects at top level.
class XParser {
  public:
    XParser(const char* begin, const char* end, XDocument* document)
        : m_tokens(begin, end, 1), m_pDocument(document) {}

    HRESULT ParseAll(bool templatesOnly);
    HRESULT Fail(HRESULT status, uint32_t line, const std::string& message);

    static HRESULT Run(const void* bytes, size_t size, const char* source,
                       const XTemplateSet& templates, bool templatesOnly, XDocument* out);
    static XTemplateSet& TemplatesOf(XDocument* document) { return document->m_templates; }
    // Leaves *document empty but for `error`.
    static void SetError(XDocument* document, const XError& error);

  private:
    // A place inside the object being read, for messages: a member, or an array element.
    struct PathStep {
        const std::string* member = nullptr;  // nullptr: an element
        uint32_t index = 0;
        uint32_t count = 0;
    };

    HRESULT TokenError();
    HRESULT ParseTemplate();
    HRESULT ParseMember(XTemplate* declaration, const XToken& first);
    HRESULT ParseRestriction(XTemplate* declaration);
    HRESULT ParseObject(XData* parent, uint32_t depth);
    HRESULT ParseChildren(XData* object, uint32_t depth);
    HRESULT ParseReference(XData* owner);
    HRESULT ParseStruct(uint32_t templateIndex, uint32_t node, uint32_t valueDepth);
    HRESULT ParseArray(const XTemplateMember& member, size_t dimension, uint32_t node,
                       uint32_t structFirst, uint32_t valueDepth);
    HRESULT ParseSingle(const XTemplateMember& member, uint32_t node, uint32_t valueDepth);
    HRESULT ParseScalar(XPrimitive primitive, uint32_t node);
    HRESULT MissingValue(const char* expected);
    HRESULT Allocate(uint64_t count, uint32_t* first);
    HRESULT CountEntry(uint32_t line);
    HRESULT ResolveReferences();
    void SkipSeparators();
    std::string ObjectText(const XData& object) const;
    std::string Where() const;
    bool InArray() const;

    XTokenizer m_tokens;
    XDocument* m_pDocument = nullptr;
    std::vector<const XData*> m_openObjects;  // innermost last
    std::vector<PathStep> m_path;
    uint32_t m_dwEntries = 0;  // data objects and references read so far
};

HRESULT XParser::Fail(HRESULT status, uint32_t line, const std::string& message) {
    XError& error = m_pDocument->m_error;
    if (!error.Failed()) {
        error.status = status;
        error.line = line;
        error.message = message;
    }
    return status;
}

HRESULT XParser::TokenError() {
    const uint32_t line = m_tokens.MessageLine() ? m_tokens.MessageLine() : m_tokens.Line();
    return Fail(DXFILEERR_PARSEERROR, line, m_tokens.Message());
}

std::string XParser::ObjectText(const XData& object) const {
    std::string text = object.TemplateName();
    if (!object.Name().empty())
        text += " '" + object.Name() + "'";
    return text + " (line " + std::to_string(object.Line()) + ")";
}

// "Mesh 'box' (line 3): faces[2 of 6].nFaceVertexIndices"
std::string XParser::Where() const {
    std::string text = m_openObjects.empty() ? std::string() : ObjectText(*m_openObjects.back());
    std::string path;
    for (const PathStep& step : m_path) {
        if (step.member) {
            if (!path.empty())
                path += '.';
            path += step.member->empty() ? std::string("(unnamed)") : *step.member;
        } else {
            path += "[" + std::to_string(step.index) + " of " + std::to_string(step.count) + "]";
        }
    }
    if (!path.empty())
        text += (text.empty() ? "" : ": ") + path;
    return text;
}

bool XParser::InArray() const {
    for (const PathStep& step : m_path)
        if (!step.member)
            return true;
    return false;
}

void XParser::SkipSeparators() {
    while (m_tokens.Check(XTokenKind::Comma) || m_tokens.Check(XTokenKind::Semicolon)) {
    }
}

HRESULT XParser::Allocate(uint64_t count, uint32_t* first) {
    std::vector<XValueNode>& values = m_pDocument->m_values;
    if (count > kMaxXValues - values.size())
        return Fail(
            DXFILEERR_BADFILE, m_tokens.Peek().line,
            Where() + ": more than " + std::to_string(kMaxXValues) + " values in one document");
    *first = static_cast<uint32_t>(values.size());
    values.resize(values.size() + static_cast<size_t>(count));
    return S_OK;
}

// Counts one data object or reference against kMaxXEntries.
HRESULT XParser::CountEntry(uint32_t line) {
    if (++m_dwEntries <= kMaxXEntries)
        return S_OK;
    return Fail(DXFILEERR_BADFILE, line,
                "more than " + std::to_string(kMaxXEntries) +
                    " data objects and references in one document");
}

HRESULT XParser::ParseAll(bool templatesOnly) {
    for (;;) {
        const XToken& token = m_tokens.Peek();
        switch (token.kind) {
            case XTokenKind::End:
                return templatesOnly ? S_OK : ResolveReferences();
            case XTokenKind::Error:
                return TokenError();
            case XTokenKind::Comma:
            case XTokenKind::Semicolon:
                m_tokens.Take();
                break;
            case XTokenKind::Name: {
                if (token.text == "template") {
                    const HRESULT hr = ParseTemplate();
                    if (FAILED(hr))
                        return hr;
                } else if (templatesOnly) {
                    return Fail(DXFILEERR_BADOBJECT, token.line,
                                "only template declarations are expected here, found " +
                                    DescribeXToken(token));
                } else {
                    const HRESULT hr = ParseObject(nullptr, 1);
                    if (FAILED(hr))
                        return hr;
                }
                break;
            }
            case XTokenKind::OpenBrace:
                return Fail(DXFILEERR_PARSEERROR, token.line,
                            "a data reference outside any data object");
            default:
                return Fail(DXFILEERR_PARSEERROR, token.line,
                            "expected a template or a data object, found " + DescribeXToken(token));
        }
    }
}

HRESULT XParser::ParseTemplate() {
    const XToken keyword = m_tokens.Take();
    XToken name;
    if (!m_tokens.Expect(XTokenKind::Name, &name))
        return TokenError();
    if (IsReservedWord(name.text))
        return Fail(DXFILEERR_PARSEERROR, name.line,
                    "'" + std::string(name.text) + "' cannot name a template");
    XTemplateSet& templates = m_pDocument->m_templates;
    if (templates.Size() >= kMaxXTemplates)
        return Fail(DXFILEERR_BADFILE, name.line,
                    "more than " + std::to_string(kMaxXTemplates) + " templates");
    if (!m_tokens.Expect(XTokenKind::OpenBrace))
        return TokenError();
    XTemplate declaration;
    declaration.name = std::string(name.text);
    XToken guid;
    if (m_tokens.Peek().kind == XTokenKind::Guid) {
        guid = m_tokens.Take();
        ParseXGuid(guid.text.data(), guid.text.size(), &declaration.guid);
    }
    for (;;) {
        const XToken token = m_tokens.Peek();
        if (token.kind == XTokenKind::CloseBrace) {
            m_tokens.Take();
            break;
        }
        if (token.kind == XTokenKind::OpenBracket) {
            const HRESULT hr = ParseRestriction(&declaration);
            if (FAILED(hr))
                return hr;
            if (!m_tokens.Expect(XTokenKind::CloseBrace))
                return TokenError();
            break;
        }
        if (token.kind == XTokenKind::End)
            return Fail(DXFILEERR_PARSEERROR, keyword.line,
                        "template '" + declaration.name + "' opened at line " +
                            std::to_string(keyword.line) + " is not closed");
        if (token.kind == XTokenKind::Error)
            return TokenError();
        if (token.kind != XTokenKind::Name)
            return Fail(DXFILEERR_PARSEERROR, token.line,
                        "expected a member of template '" + declaration.name + "', found " +
                            DescribeXToken(token));
        const HRESULT hr = ParseMember(&declaration, m_tokens.Take());
        if (FAILED(hr))
            return hr;
    }
    templates.Add(std::move(declaration));
    return S_OK;
}

HRESULT XParser::ParseMember(XTemplate* declaration, const XToken& first) {
    const bool isArray = first.text == "array";
    XToken type = first;
    if (isArray && !m_tokens.Expect(XTokenKind::Name, &type))
        return TokenError();
    const std::string where = "template '" + declaration->name + "'";
    XTemplateMember member;
    member.typeName = std::string(type.text);
    member.primitive = PrimitiveFromName(type.text);
    if (member.primitive == XPrimitive::None) {
        if (type.text == "CSTRING" || type.text == "UNICODE")
            return Fail(DXFILEERR_BADTYPE, type.line,
                        where + ": member type " + member.typeName + " is not supported");
        const int32_t index = m_pDocument->m_templates.Find(member.typeName);
        if (index < 0)
            return Fail(DXFILEERR_NOTEMPLATE, type.line,
                        where + ": unknown member type '" + member.typeName + "'");
        member.typeIndex = static_cast<uint32_t>(index);
    }
    XToken name;
    if (m_tokens.Peek().kind == XTokenKind::Name) {
        name = m_tokens.Take();
        member.name = std::string(name.text);
    } else if (isArray) {
        return Fail(
            DXFILEERR_PARSEERROR, m_tokens.Peek().line,
            where + ": an array member needs a name, found " + DescribeXToken(m_tokens.Peek()));
    }
    while (isArray && m_tokens.Check(XTokenKind::OpenBracket)) {
        const XToken size = m_tokens.Take();
        XDimension dimension;
        if (size.kind == XTokenKind::Integer) {
            int64_t value = 0;
            if (!ParseInteger(size.text, &value) || !FitsPrimitive(value, XPrimitive::Dword))
                return Fail(DXFILEERR_BADARRAYSIZE, size.line,
                            where + ": bad array size " + DescribeXToken(size));
            dimension.size = static_cast<uint32_t>(value);
        } else if (size.kind == XTokenKind::Name) {
            dimension.member = declaration->MemberIndex(std::string(size.text).c_str());
            const bool usable =
                dimension.member >= 0 &&
                declaration->members[dimension.member].dimensions.empty() &&
                IsIntegerPrimitive(declaration->members[dimension.member].primitive);
            if (!usable)
                return Fail(DXFILEERR_BADARRAYSIZE, size.line,
                            where + ": array size '" + std::string(size.text) +
                                "' is not an earlier integer member");
        } else {
            return Fail(DXFILEERR_PARSEERROR, size.line,
                        where + ": expected an array size, found " + DescribeXToken(size));
        }
        member.dimensions.push_back(dimension);
        if (!m_tokens.Expect(XTokenKind::CloseBracket))
            return TokenError();
    }
    if (isArray && member.dimensions.empty())
        return Fail(DXFILEERR_PARSEERROR, m_tokens.Peek().line,
                    where + ": array member '" + member.name + "' has no size");
    if (!m_tokens.Expect(XTokenKind::Semicolon))
        return TokenError();
    declaration->members.push_back(std::move(member));
    return S_OK;
}

HRESULT XParser::ParseRestriction(XTemplate* declaration) {
    m_tokens.Take();
    if (m_tokens.Check(XTokenKind::Ellipsis)) {
        declaration->restriction = XRestriction::Open;
        return m_tokens.Expect(XTokenKind::CloseBracket) ? S_OK : TokenError();
    }
    declaration->restriction = XRestriction::Restricted;
    for (;;) {
        XToken name;
        if (!m_tokens.Expect(XTokenKind::Name, &name))
            return TokenError();
        XAllowedChild allowed;
        allowed.name = std::string(name.text);
        if (m_tokens.Peek().kind == XTokenKind::Guid) {
            const XToken guid = m_tokens.Take();
            allowed.hasGuid = ParseXGuid(guid.text.data(), guid.text.size(), &allowed.guid);
        }
        declaration->allowed.push_back(std::move(allowed));
        if (m_tokens.Check(XTokenKind::CloseBracket))
            return S_OK;
        if (!m_tokens.Expect(XTokenKind::Comma))
            return TokenError();
    }
}

HRESULT XParser::ParseObject(XData* parent, uint32_t depth) {
    const XToken type = m_tokens.Take();
    if (depth > kMaxXDepth)
        return Fail(DXFILEERR_PARSEERROR, type.line,
                    "data objects nest deeper than " + std::to_string(kMaxXDepth) + " levels");
    if (type.text == "template")
        return Fail(DXFILEERR_PARSEERROR, type.line,
                    "a template declaration inside a data object; templates belong at top level");
    const XTemplateSet& templates = m_pDocument->m_templates;
    const int32_t typeIndex = templates.Find(std::string(type.text));
    if (typeIndex < 0)
        return Fail(DXFILEERR_NOTEMPLATE, type.line,
                    "unknown template '" + std::string(type.text) + "'");
    if (parent && !parent->Template()->Allows(templates.At(typeIndex)))
        return Fail(
            DXFILEERR_BADOBJECT, type.line,
            ObjectText(*parent) + " does not allow a " + std::string(type.text) + " inside it");

    HRESULT hr = CountEntry(type.line);
    if (FAILED(hr))
        return hr;
    XData& object = m_pDocument->m_objects.emplace_back();
    object.m_pDocument = m_pDocument;
    object.m_pParent = parent;
    if (m_tokens.Peek().kind == XTokenKind::Name)
        object.m_name = std::string(m_tokens.Take().text);
    const auto readGuid = [&] {
        if (m_tokens.Peek().kind != XTokenKind::Guid)
            return;
        const XToken guid = m_tokens.Take();
        object.m_bHasGuid = ParseXGuid(guid.text.data(), guid.text.size(), &object.m_guid);
    };
    readGuid();
    if (!m_tokens.Expect(XTokenKind::OpenBrace))
        return TokenError();
    if (!object.m_bHasGuid)
        readGuid();  // the GUID may also open the body

    uint32_t body = 0;
    hr = Allocate(1, &body);
    if (FAILED(hr))
        return hr;
    XValueNode& node = m_pDocument->m_values[body];
    node.kind = XValueKind::Struct;
    node.type = static_cast<uint32_t>(typeIndex);
    node.line = type.line;
    object.m_dwNode = body;
    if (parent) {
        XChild child;
        child.kind = XChildKind::Object;
        child.object = &object;
        child.line = type.line;
        parent->m_children.push_back(std::move(child));
    } else {
        m_pDocument->m_topLevel.push_back(&object);
    }

    m_openObjects.push_back(&object);
    m_path.clear();
    hr = ParseStruct(static_cast<uint32_t>(typeIndex), body, 0);
    if (SUCCEEDED(hr))
        hr = ParseChildren(&object, depth);
    m_openObjects.pop_back();
    return hr;
}

HRESULT XParser::ParseChildren(XData* object, uint32_t depth) {
    for (;;) {
        SkipSeparators();
        const XToken& token = m_tokens.Peek();
        switch (token.kind) {
            case XTokenKind::CloseBrace:
                m_tokens.Take();
                return S_OK;
            case XTokenKind::Name: {
                const HRESULT hr = ParseObject(object, depth + 1);
                if (FAILED(hr))
                    return hr;
                break;
            }
            case XTokenKind::OpenBrace: {
                const HRESULT hr = ParseReference(object);
                if (FAILED(hr))
                    return hr;
                break;
            }
            case XTokenKind::End:
                return Fail(DXFILEERR_PARSEERROR, object->Line(),
                            ObjectText(*object) + " is not closed: end of file inside it");
            case XTokenKind::Error:
                return TokenError();
            case XTokenKind::Integer:
            case XTokenKind::Float:
            case XTokenKind::String:
                return Fail(DXFILEERR_BADARRAYSIZE, token.line,
                            "unexpected " + DescribeXToken(token) + " after the last member of " +
                                ObjectText(*object) +
                                ": the object holds more values than its counts say");
            default:
                return Fail(
                    DXFILEERR_PARSEERROR, token.line,
                    "unexpected " + DescribeXToken(token) + " inside " + ObjectText(*object));
        }
    }
}

HRESULT XParser::ParseReference(XData* owner) {
    const XToken open = m_tokens.Take();
    const HRESULT hr = CountEntry(open.line);
    if (FAILED(hr))
        return hr;
    XChild child;
    child.kind = XChildKind::Reference;
    child.line = open.line;
    if (m_tokens.Peek().kind == XTokenKind::Name)
        child.referenceName = std::string(m_tokens.Take().text);
    if (m_tokens.Peek().kind == XTokenKind::Guid) {
        const XToken guid = m_tokens.Take();
        child.hasReferenceGuid =
            ParseXGuid(guid.text.data(), guid.text.size(), &child.referenceGuid);
    }
    if (child.referenceName.empty() && !child.hasReferenceGuid)
        return Fail(DXFILEERR_BADDATAREFERENCE, open.line,
                    "a data reference in " + ObjectText(*owner) +
                        " needs a name or a GUID, found " + DescribeXToken(m_tokens.Peek()));
    if (!m_tokens.Expect(XTokenKind::CloseBrace))
        return TokenError();
    owner->m_children.push_back(std::move(child));
    return S_OK;
}

HRESULT XParser::ParseStruct(uint32_t templateIndex, uint32_t node, uint32_t valueDepth) {
    // No template is declared while an object is read, so this reference stays valid.
    const XTemplate& type = m_pDocument->m_templates.At(templateIndex);
    uint32_t first = 0;
    HRESULT hr = Allocate(type.members.size(), &first);
    if (FAILED(hr))
        return hr;
    m_pDocument->m_values[node].first = first;
    m_pDocument->m_values[node].count = static_cast<uint32_t>(type.members.size());
    for (uint32_t i = 0; i < type.members.size(); ++i) {
        const XTemplateMember& member = type.members[i];
        PathStep step;
        step.member = &member.name;
        m_path.push_back(step);
        hr = member.dimensions.empty() ? ParseSingle(member, first + i, valueDepth)
                                       : ParseArray(member, 0, first + i, first, valueDepth);
        if (FAILED(hr))
            return hr;
        m_path.pop_back();
    }
    return S_OK;
}

HRESULT XParser::ParseArray(const XTemplateMember& member, size_t dimension, uint32_t node,
                            uint32_t structFirst, uint32_t valueDepth) {
    if (valueDepth >= kMaxXValueDepth)
        return Fail(
            DXFILEERR_PARSEERROR, m_tokens.Peek().line,
            Where() + ": values nest deeper than " + std::to_string(kMaxXValueDepth) + " levels");
    const XDimension& size = member.dimensions[dimension];
    // The declaration checked that a size member is an earlier integer member; a CHAR may
    // still hold a negative size.
    const double sized = size.member < 0 ? static_cast<double>(size.size)
                                         : m_pDocument->m_values[structFirst + size.member].number;
    SkipSeparators();
    if (sized < 0.0)
        return Fail(DXFILEERR_BADARRAYSIZE, m_tokens.Peek().line,
                    Where() + ": negative array size " + std::to_string(static_cast<int>(sized)));
    const uint64_t count = static_cast<uint64_t>(sized);
    // Every element takes at least one byte of text: a larger count cannot be honoured.
    if (count > m_tokens.RemainingBytes())
        return Fail(DXFILEERR_BADARRAYSIZE, m_tokens.Peek().line,
                    Where() + ": the array size " + std::to_string(count) +
                        " is larger than the rest of the text");
    uint32_t first = 0;
    HRESULT hr = Allocate(count, &first);
    if (FAILED(hr))
        return hr;
    XValueNode& array = m_pDocument->m_values[node];
    array.kind = XValueKind::Array;
    array.primitive =
        dimension + 1 == member.dimensions.size() ? member.primitive : XPrimitive::None;
    array.line = m_tokens.Peek().line;
    array.first = first;
    array.count = static_cast<uint32_t>(count);
    PathStep step;
    step.count = static_cast<uint32_t>(count);
    m_path.push_back(step);
    for (uint32_t i = 0; i < count; ++i) {
        m_path.back().index = i;
        hr = dimension + 1 < member.dimensions.size()
                 ? ParseArray(member, dimension + 1, first + i, structFirst, valueDepth + 1)
                 : ParseSingle(member, first + i, valueDepth + 1);
        if (FAILED(hr))
            return hr;
    }
    m_path.pop_back();
    return S_OK;
}

HRESULT XParser::ParseSingle(const XTemplateMember& member, uint32_t node, uint32_t valueDepth) {
    if (member.primitive != XPrimitive::None)
        return ParseScalar(member.primitive, node);
    if (valueDepth >= kMaxXValueDepth)
        return Fail(
            DXFILEERR_PARSEERROR, m_tokens.Peek().line,
            Where() + ": values nest deeper than " + std::to_string(kMaxXValueDepth) + " levels");
    SkipSeparators();  // the struct starts where its first member does
    XValueNode& value = m_pDocument->m_values[node];
    value.kind = XValueKind::Struct;
    value.type = member.typeIndex;
    value.line = m_tokens.Peek().line;
    return ParseStruct(member.typeIndex, node, valueDepth + 1);
}

HRESULT XParser::MissingValue(const char* expected) {
    const XToken& token = m_tokens.Peek();
    if (token.kind == XTokenKind::Error)
        return TokenError();
    if (token.kind == XTokenKind::End) {
        const XData* object = m_openObjects.empty() ? nullptr : m_openObjects.back();
        return Fail(DXFILEERR_PARSEERROR, object ? object->Line() : token.line,
                    Where() + ": end of file where " + expected +
                        " was expected; the object is not closed");
    }
    const bool endsEarly = token.kind == XTokenKind::CloseBrace || token.kind == XTokenKind::Name ||
                           token.kind == XTokenKind::OpenBrace;
    if (endsEarly && InArray())
        return Fail(DXFILEERR_BADARRAYSIZE, token.line,
                    Where() + ": expected " + expected + ", found " + DescribeXToken(token) +
                        ": the data ends before the array sizes say it does");
    return Fail(DXFILEERR_PARSEERROR, token.line,
                Where() + ": expected " + expected + ", found " + DescribeXToken(token));
}

HRESULT XParser::ParseScalar(XPrimitive primitive, uint32_t node) {
    SkipSeparators();
    const XToken& token = m_tokens.Peek();
    const char* expected = ExpectedText(primitive);
    XValueNode& value = m_pDocument->m_values[node];
    value.line = token.line;
    value.primitive = primitive;
    if (primitive == XPrimitive::String) {
        if (token.kind != XTokenKind::String)
            return MissingValue(expected);
        value.kind = XValueKind::String;
        value.first = static_cast<uint32_t>(m_pDocument->m_strings.size());
        m_pDocument->m_strings.emplace_back(token.text);
        m_tokens.Take();
        return S_OK;
    }
    if (token.kind != XTokenKind::Integer && token.kind != XTokenKind::Float)
        return MissingValue(expected);
    value.kind = XValueKind::Number;
    if (IsIntegerPrimitive(primitive)) {
        int64_t integer = 0;
        if (token.kind != XTokenKind::Integer || !ParseInteger(token.text, &integer) ||
            !FitsPrimitive(integer, primitive))
            return Fail(
                DXFILEERR_BADVALUE, token.line,
                Where() + ": " + DescribeXToken(token) + " is not a " + XPrimitiveName(primitive));
        value.number = static_cast<double>(integer);
    } else if (!ParseReal(token.text, primitive, &value.number)) {
        return Fail(
            DXFILEERR_BADVALUE, token.line,
            Where() + ": " + DescribeXToken(token) + " is not a " + XPrimitiveName(primitive));
    }
    m_tokens.Take();
    return S_OK;
}

HRESULT XParser::ResolveReferences() {
    std::unordered_map<std::string, const XData*> byName;
    std::unordered_map<std::string, const XData*> byGuid;      // "GUID"
    std::unordered_map<std::string, const XData*> byNameGuid;  // "name<GUID>"
    for (const XData& object : m_pDocument->m_objects) {
        if (!object.Name().empty())
            byName.emplace(object.Name(), &object);
        if (object.HasGuid()) {
            byGuid.emplace(object.Guid().Text(), &object);
            if (!object.Name().empty())
                byNameGuid.emplace(object.Name() + "<" + object.Guid().Text() + ">", &object);
        }
    }
    const auto lookUp = [](const std::unordered_map<std::string, const XData*>& map,
                           const std::string& key) -> const XData* {
        const auto found = map.find(key);
        return found == map.end() ? nullptr : found->second;
    };
    for (XData& object : m_pDocument->m_objects) {
        for (XChild& child : object.m_children) {
            if (child.kind != XChildKind::Reference)
                continue;
            const std::string guid = child.hasReferenceGuid ? child.referenceGuid.Text() : "";
            if (child.referenceName.empty()) {
                child.target = lookUp(byGuid, guid);
            } else {
                if (child.hasReferenceGuid)
                    child.target = lookUp(byNameGuid, child.referenceName + "<" + guid + ">");
                if (!child.target)
                    child.target = lookUp(byName, child.referenceName);
            }
            if (!child.target) {
                const std::string named = child.referenceName.empty()
                                              ? "<" + guid + ">"
                                              : "'" + child.referenceName + "'";
                return Fail(DXFILEERR_BADDATAREFERENCE, child.line,
                            "the reference to " + named + " in " + ObjectText(object) +
                                " names no data object");
            }
            if (!object.Template()->Allows(*child.target->Template()))
                return Fail(DXFILEERR_BADOBJECT, child.line,
                            ObjectText(object) + " does not allow a reference to a " +
                                child.target->TemplateName());
        }
    }
    return S_OK;
}

void XParser::SetError(XDocument* document, const XError& error) {
    document->Clear();
    document->m_source = error.source;
    document->m_error = error;
}

HRESULT XParser::Run(const void* bytes, size_t size, const char* source,
                     const XTemplateSet& templates, bool templatesOnly, XDocument* out) {
    out->Clear();
    out->m_source = source ? source : "";
    out->m_error.source = out->m_source;
    const char* text = static_cast<const char*>(bytes);
    if (!text)
        size = 0;
    if (size > kMaxXTextBytes) {
        out->m_error.status = DXFILEERR_BADFILE;
        out->m_error.message = "larger than " + std::to_string(kMaxXTextBytes) + " bytes";
        return out->m_error.status;
    }
    if (size >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) {  // a UTF-8 byte order mark
        text += 3;
        size -= 3;
    }
    XHeader header;
    std::string message;
    HRESULT hr = ReadHeader(text, size, &header, &message);
    if (FAILED(hr)) {
        out->m_error.status = hr;
        out->m_error.line = 1;
        out->m_error.message = message;
        return hr;
    }
    out->m_dwVersion = header.version;
    out->m_dwFloatBits = header.floatBits;
    out->m_templates = templates;
    XParser parser(text + kHeaderBytes, text + size, out);
    hr = parser.ParseAll(templatesOnly);
    if (FAILED(hr))
        SetError(out, XError(out->m_error));
    return hr;
}

HRESULT RegisterXTemplates(const void* text, size_t size, const char* source, XTemplateSet* set,
                           XError* error) {
    XDocument declarations;
    const HRESULT hr = XParser::Run(text, size, source, *set, true, &declarations);
    if (error)
        *error = declarations.Error();
    if (SUCCEEDED(hr))
        *set = XParser::TemplatesOf(&declarations);
    return hr;
}

HRESULT RegisterStandardXTemplates(XTemplateSet* set) {
    return RegisterXTemplates(kStandardXTemplates, std::strlen(kStandardXTemplates),
                              "standard templates", set, nullptr);
}

HRESULT ParseXText(const void* bytes, size_t size, const char* source,
                   const XTemplateSet& templates, XDocument* out) {
    return XParser::Run(bytes, size, source, templates, false, out);
}

HRESULT ParseXResource(const char* name, const XTemplateSet& templates, XDocument* out) {
    HRSRC resource = LoadResource(FindResourceA(name, "MODEL"));
    if (!resource) {
        XError error;
        error.status = DXFILEERR_RESOURCENOTFOUND;
        error.source = name ? name : "";
        error.message = "no MODEL resource of that name";
        XParser::SetError(out, error);
        return error.status;
    }
    return ParseXText(LockResource(resource), SizeofResource(resource), name, templates, out);
}

#include "platform/xfile/xfile_dump.h"

#include <charconv>

namespace {
// The shortest text that reads back as the stored number (a FLOAT as a float).
std::string NumberText(const XValue& value) {
    char text[40] = {};
    const auto result = value.Primitive() == XPrimitive::Float
                            ? std::to_chars(text, text + sizeof(text), value.AsFloat())
                            : std::to_chars(text, text + sizeof(text), value.AsDouble());
    return std::string(text, result.ptr);
}

void AppendValue(const XValue& value, std::string* out) {
    switch (value.Kind()) {
        case XValueKind::Number:
            *out += NumberText(value);
            break;
        case XValueKind::String:
            *out += "\"" + value.AsString() + "\"";
            break;
        case XValueKind::Array:
            *out += "[" + std::to_string(value.Size()) + "]";
            break;
        case XValueKind::Struct: {
            *out += "{";
            for (uint32_t i = 0; i < value.Size(); ++i) {
                const XValue member = value.At(i);
                const std::string name = value.MemberName(i);
                *out += i == 0 ? " " : "; ";
                *out += name;
                if (member.Kind() != XValueKind::Array && !name.empty())
                    *out += ' ';
                AppendValue(member, out);
            }
            *out += value.Size() == 0 ? "}" : " }";
            break;
        }
        case XValueKind::None:
            *out += "?";
            break;
    }
}

void AppendObject(const XData& object, int depth, std::string* out) {
    out->append(static_cast<size_t>(depth) * 2, ' ');
    *out += object.TemplateName();
    if (!object.Name().empty())
        *out += " " + object.Name();
    if (object.HasGuid())
        *out += " <" + object.Guid().Text() + ">";
    *out += " (line " + std::to_string(object.Line()) + ")";
    if (object.Size() > 0) {
        *out += ' ';
        AppendValue(object, out);
    }
    *out += '\n';
    for (const XChild& child : object.Children()) {
        if (child.kind == XChildKind::Object) {
            AppendObject(*child.object, depth + 1, out);
            continue;
        }
        out->append(static_cast<size_t>(depth + 1) * 2, ' ');
        *out += "-> {";
        if (!child.referenceName.empty())
            *out += " " + child.referenceName;
        if (child.hasReferenceGuid)
            *out += " <" + child.referenceGuid.Text() + ">";
        *out += " } " + (child.target ? child.target->TemplateName() : std::string("?"));
        *out += " (line " + std::to_string(child.line) + ")\n";
    }
}
}  // namespace

std::string DumpXDocument(const XDocument& document) {
    std::string out = document.Source() + ": xof " + std::to_string(document.Version() / 100) +
                      "." + std::to_string(document.Version() % 100) + " text, " +
                      std::to_string(document.FloatBits()) + "-bit floats, " +
                      std::to_string(document.Objects().size()) + " top-level objects\n";
    for (const XData* object : document.Objects())
        AppendObject(*object, 0, &out);
    return out;
}

// libFuzzer target of the .X text reader: any bytes must parse or fail with a located error,
// never crash, hang or read out of bounds; every view of a parsed document must be safe to read,
// rightly or wrongly typed. A broken invariant traps, so the fuzzer reports it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/xfile/xfile_dump.h"
#include "platform/xfile/xfile_parser.h"

namespace {
void Require(bool condition) {
    if (!condition) __builtin_trap();
}

// Reads a value every way there is, the wrong ways included, and recurses into its elements.
void ReadEveryWay(const XValue& value, uint32_t depth) {
    Require(depth <= 2 * kMaxXValueDepth);  // the parser bounds nesting; runaway depth is a fault
    value.AsDword();
    value.AsFloat();
    value.AsDouble();
    value.AsString();
    value.Member("x");
    value.Array("vertices");
    value.Struct("frameMatrix");
    value.At(value.Size());
    value.MemberName(value.Size());
    for (uint32_t i = 0; i < value.Size(); ++i) {
        const XValue element = value.At(i);
        Require(element.IsValid());
        if (value.Kind() == XValueKind::Struct) Require(value.Has(value.MemberName(i)) ||
                                                        value.MemberName(i)[0] == '\0');
        ReadEveryWay(element, depth + 1);
    }
}

void CheckObject(const XDocument& document, const XData& object) {
    Require(object.IsValid() && object.Kind() == XValueKind::Struct);
    Require(object.Template() != nullptr);
    ReadEveryWay(object, 0);
    for (const XChild& child : object.Children()) {
        if (child.kind == XChildKind::Object) {
            Require(child.object && !child.target && child.object->Parent() == &object);
            CheckObject(document, *child.object);
        } else {
            Require(child.target && !child.object);
            if (!child.referenceName.empty()) Require(document.Find(child.referenceName));
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const XTemplateSet kTemplates = [] {
        XTemplateSet set;
        Require(SUCCEEDED(RegisterStandardXTemplates(&set)));
        return set;
    }();

    XDocument document;
    const HRESULT hr = ParseXText(data, size, "fuzz.x", kTemplates, &document);
    if (FAILED(hr)) {
        Require(document.Status() == hr && document.Objects().empty());
        Require(!document.Error().message.empty());
        uint32_t lines = 1;
        for (size_t i = 0; i < size; ++i) lines += data[i] == '\n';
        Require(document.Error().line <= lines);
    } else {
        for (const XData* object : document.Objects()) {
            Require(object->Parent() == nullptr);
            CheckObject(document, *object);
        }
        Require(!DumpXDocument(document).empty());
    }

    XTemplateSet extended = kTemplates;
    XError error;
    if (FAILED(RegisterXTemplates(data, size, "fuzz.x", &extended, &error)))
        Require(extended.Size() == kTemplates.Size() && error.Failed());
    return 0;
}

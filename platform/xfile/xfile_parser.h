// The .X text reader (the DirectX File role): registers templates, then parses "xof 0302txt" and
// "xof 0303txt" text from memory or from an embedded MODEL resource into an XDocument.
// Owns: the grammar (template declarations, data objects, references) and its limits.
// Does not: read binary or compressed .X files (refused with a clear error), read from disk
// (callers pass the bytes), trace, or build meshes.
// Needs: platform/xfile/xfile_tokenizer.h, platform/xfile/xfile_document.h, platform/system/resource_table.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/xfile/xfile_document.h"

// Inputs beyond these are refused with an error, never recursed into or allocated for.
constexpr size_t kMaxXTextBytes = 32u << 20;  // bytes of one text
constexpr uint32_t kMaxXDepth = 128;          // data objects nested in one another
constexpr uint32_t kMaxXValueDepth = 32;      // structs and arrays nested within one object
constexpr uint32_t kMaxXValues = 4u << 20;    // values of one document (numbers, strings, ...)
constexpr uint32_t kMaxXEntries = 1u << 18;   // data objects and references of one document
constexpr uint32_t kMaxXTemplates = 4096;     // templates of one set, registered and declared

// Adds the templates declared in `text` (a .X text file that holds only templates) to *set.
// On failure *set is unchanged and *error says where.
HRESULT RegisterXTemplates(const void* text, size_t size, const char* source, XTemplateSet* set,
                           XError* error);
// Adds the standard retained-mode set (Header, Vector, ..., Mesh, Frame, AnimationSet, ...).
HRESULT RegisterStandardXTemplates(XTemplateSet* set);

// Parses a whole .X text into *out, starting from the templates of `templates`; `source` names
// the text in errors. On failure *out holds nothing but its Error() and the status is returned.
HRESULT ParseXText(const void* bytes, size_t size, const char* source,
                   const XTemplateSet& templates, XDocument* out);
// ParseXText over the embedded resource of type MODEL and that name (both compare without
// regard to case); DXFILEERR_RESOURCENOTFOUND when there is none.
HRESULT ParseXResource(const char* name, const XTemplateSet& templates, XDocument* out);

// A readable listing of a parsed .X document, for velmora-tool and for looking at models.
// Owns: nothing; prints the object tree with templates, names, scalar members, array sizes and
// references. Does not: print array contents or write .X text back.
// Needs: platform/xfile/xfile_document.h.
#pragma once

#include <string>

#include "platform/xfile/xfile_document.h"

// One line for the file, then one line per data object and reference, indented two spaces per
// level: `Mesh box (line 16) { nVertices 8; vertices[8]; nFaces 6; faces[6] }`,
// `-> { Mat0 } Material (line 50)`.
std::string DumpXDocument(const XDocument& document);

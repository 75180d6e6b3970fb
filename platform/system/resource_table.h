// The resources compiled into the executable, found by (name, type) as Win32 resources are.
// Owns: the look-up over the table that cmake/EmbedResources.cmake generates.
// Does not: trace (callers trace their own find and load steps), copy or free bytes: the bytes
// are part of the program image and stay valid for the life of the process.
// Needs: a program that links one resource library (velmora_resources or a test set).
#pragma once

#include <cstddef>

struct EmbeddedResource {
    const char* type;  // "MISC", "MODEL", "MIDI", "RCDATA"
    const char* name;  // file name as stored, e.g. "DAMMY.X"
    const unsigned char* begin;
    const unsigned char* end;  // one past the last byte; a NUL follows, not counted
};

// Generated table (one per resource library).
extern const EmbeddedResource kEmbeddedResources[];
extern const unsigned kEmbeddedResourceCount;

typedef const EmbeddedResource* HRSRC;

// Resource type of shader texts and bitmaps (RT_RCDATA).
constexpr const char* kRtRcdata = "RCDATA";

// Finds a resource; name and type compare without regard to case. nullptr when absent.
HRSRC FindResourceA(const char* name, const char* type);
// Loads a found resource: the same handle, or nullptr for nullptr.
HRSRC LoadResource(HRSRC resource);
// The first byte of a loaded resource (nullptr for nullptr).
const void* LockResource(HRSRC resource);
// Size in bytes (0 for nullptr).
size_t SizeofResource(HRSRC resource);

// Every embedded resource in table order, for listings.
unsigned EmbeddedResourceCount();
const EmbeddedResource& EmbeddedResourceAt(unsigned index);

// Lets the kernel take the pages that hold only resource bytes out of this process's memory.
// The bytes stay valid: they are read back from the program file when next touched. For after
// start-up, which reads each model and bitmap once.
void ReleaseResourcePages();

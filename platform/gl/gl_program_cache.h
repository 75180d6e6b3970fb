// The device's linked programs kept on disk between runs, and the vertex sources the driver has
// compiled before. A start whose programs are all kept compiles no GLSL at all: compiling
// anything makes Mesa build its GLSL built-in function library, about 6 MB held for the life of
// the process, which the driver's own shader cache does not spare.
// Owns: the cache folder's entries (one file each, written whole or not at all). Does not:
// decide what to link (platform/gl/gl_device.cpp) or generate sources (platform/gl/gl_program.h).
// Needs: a current GL 4.5 context for opening, loading and storing.
#pragma once

#include <epoxy/gl.h>

#include <string>
#include <vector>

struct GlProgramCache {
    std::string folder;  // empty: the cache is off, every lookup misses and nothing is kept
    std::string driver;  // vendor, renderer and version: entries of another driver never match
    std::vector<GLint> formats;  // the driver's program binary formats
};

// $XDG_CACHE_HOME/velmora/programs, else $HOME/.cache/velmora/programs; empty when neither is
// an absolute path.
std::string GlProgramCacheFolder(const char* xdgCacheHome, const char* home);
// The cache in folder (made if missing) for the current context's driver; off when the folder is
// empty or cannot be made, or the driver offers no program binary format.
GlProgramCache GlOpenProgramCache(const std::string& folder);

// What a linked program is kept under: both stages' sources and whether it captures outputs.
std::string GlProgramCacheKey(const std::string& vertexSource, const std::string& fragmentSource,
                              bool capture);
// A new program object loaded from the entry of key, or 0 when there is none or the driver
// refuses it (a damaged or stale entry is removed).
GLuint GlCachedProgram(const GlProgramCache& cache, const std::string& key);
// Keeps a linked program under key; a failure only loses the entry.
void GlCacheProgram(const GlProgramCache& cache, const std::string& key, GLuint program);

// true when this driver compiled exactly this vertex source before.
bool GlCachedVertexSource(const GlProgramCache& cache, const std::string& source);
void GlCacheVertexSource(const GlProgramCache& cache, const std::string& source);

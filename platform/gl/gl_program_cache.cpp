#include "platform/gl/gl_program_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// An entry: magic, binary format, identity bytes, binary bytes (host order), the identity, the
// binary. The identity (kind, driver, key) is stored whole, so a name shared by two identities
// never loads the wrong program.
constexpr char kMagic[8] = {'V', 'L', 'M', 'P', 'R', 'G', '0', '1'};
constexpr size_t kHeaderBytes = sizeof kMagic + 3 * sizeof(uint32_t);
constexpr size_t kLargestEntry = size_t{64} << 20;

struct Entry {
    uint32_t format = 0;
    std::vector<char> binary;
};

uint64_t Fnv1a(const std::string& text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::string Identity(const GlProgramCache& cache, const char* kind, const std::string& key) {
    return std::string(kind) + '\n' + cache.driver + '\n' + key;
}

std::string EntryPath(const GlProgramCache& cache, const std::string& identity) {
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(Fnv1a(identity)));
    return cache.folder + '/' + name;
}

bool ReadFile(const std::string& path, std::vector<char>* bytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status;
    bool complete = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                    static_cast<uint64_t>(status.st_size) <= kLargestEntry;
    if (complete) {
        bytes->resize(static_cast<size_t>(status.st_size));
        size_t done = 0;
        while (done < bytes->size()) {
            const ssize_t got = read(fd, bytes->data() + done, bytes->size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
        }
        complete = done == bytes->size();
    }
    close(fd);
    return complete;
}

// The entry at path if it was written for identity. A damaged entry is removed so that the next
// store writes it afresh; one of another identity is left to its owner.
bool ReadEntry(const std::string& path, const std::string& identity, Entry* entry) {
    std::vector<char> bytes;
    if (!ReadFile(path, &bytes))
        return false;
    uint32_t counts[3] = {};
    bool whole =
        bytes.size() >= kHeaderBytes && std::memcmp(bytes.data(), kMagic, sizeof kMagic) == 0;
    if (whole) {
        std::memcpy(counts, bytes.data() + sizeof kMagic, sizeof counts);
        whole = uint64_t{kHeaderBytes} + counts[1] + counts[2] == bytes.size();
    }
    if (!whole) {
        std::remove(path.c_str());
        return false;
    }
    const char* stored = bytes.data() + kHeaderBytes;
    if (counts[1] != identity.size() || std::memcmp(stored, identity.data(), counts[1]) != 0)
        return false;
    entry->format = counts[0];
    entry->binary.assign(stored + counts[1], stored + counts[1] + counts[2]);
    return true;
}

// Writes the entry beside its place and renames it there, so that a reader (another instance
// included) sees the whole entry or none.
void WriteEntry(const std::string& path, const std::string& identity, uint32_t format,
                const std::vector<char>& binary) {
    if (kHeaderBytes + identity.size() + binary.size() > kLargestEntry)
        return;
    const std::string temporary = path + '.' + std::to_string(getpid()) + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr)
        return;
    const uint32_t counts[3] = {format, static_cast<uint32_t>(identity.size()),
                                static_cast<uint32_t>(binary.size())};
    bool written = std::fwrite(kMagic, sizeof kMagic, 1, file) == 1 &&
                   std::fwrite(counts, sizeof counts, 1, file) == 1 &&
                   std::fwrite(identity.data(), 1, identity.size(), file) == identity.size() &&
                   (binary.empty() ||  // a vertex mark: no bytes, and data() may be null
                    std::fwrite(binary.data(), 1, binary.size(), file) == binary.size());
    written = std::fclose(file) == 0 && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0)
        std::remove(temporary.c_str());
}

bool MakeFolder(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat status;
    return stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string GlText(GLenum name) {
    const GLubyte* text = glGetString(name);
    return text != nullptr ? reinterpret_cast<const char*>(text) : "";
}

}  // namespace

std::string GlProgramCacheFolder(const char* xdgCacheHome, const char* home) {
    if (xdgCacheHome != nullptr && xdgCacheHome[0] == '/')
        return std::string(xdgCacheHome) + "/velmora/programs";
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.cache/velmora/programs";
    return std::string();
}

GlProgramCache GlOpenProgramCache(const std::string& folder) {
    GlProgramCache cache;
    GLint count = 0;
    glGetIntegerv(GL_NUM_PROGRAM_BINARY_FORMATS, &count);
    if (folder.empty() || count <= 0 || !MakeFolder(folder))
        return cache;
    cache.folder = folder;
    cache.driver = GlText(GL_VENDOR) + '\n' + GlText(GL_RENDERER) + '\n' + GlText(GL_VERSION);
    cache.formats.resize(static_cast<size_t>(count));
    glGetIntegerv(GL_PROGRAM_BINARY_FORMATS, cache.formats.data());
    return cache;
}

std::string GlProgramCacheKey(const std::string& vertexSource, const std::string& fragmentSource,
                              bool capture) {
    return std::string(capture ? "capture\n" : "draw\n") + vertexSource + '\0' + fragmentSource;
}

GLuint GlCachedProgram(const GlProgramCache& cache, const std::string& key) {
    if (cache.folder.empty())
        return 0;
    const std::string identity = Identity(cache, "program", key);
    const std::string path = EntryPath(cache, identity);
    Entry entry;
    if (!ReadEntry(path, identity, &entry))
        return 0;
    // Only a format the driver lists reaches it: another would be a GL error, not a miss.
    const std::vector<GLint>& formats = cache.formats;
    GLuint program = 0;
    if (!entry.binary.empty() && std::find(formats.begin(), formats.end(),
                                           static_cast<GLint>(entry.format)) != formats.end()) {
        program = glCreateProgram();
        glProgramBinary(program, entry.format, entry.binary.data(),
                        static_cast<GLsizei>(entry.binary.size()));
        GLint linked = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        if (linked == GL_TRUE)
            return program;
        glDeleteProgram(program);
    }
    // Refused (a driver built differently): the program is linked afresh and kept again.
    std::remove(path.c_str());
    return 0;
}

void GlCacheProgram(const GlProgramCache& cache, const std::string& key, GLuint program) {
    if (cache.folder.empty())
        return;
    GLint length = 0;
    glGetProgramiv(program, GL_PROGRAM_BINARY_LENGTH, &length);
    if (length <= 0 || static_cast<size_t>(length) > kLargestEntry)
        return;
    std::vector<char> binary(static_cast<size_t>(length));
    GLsizei written = 0;
    GLenum format = 0;
    glGetProgramBinary(program, length, &written, &format, binary.data());
    if (written <= 0)
        return;
    binary.resize(static_cast<size_t>(written));
    const std::string identity = Identity(cache, "program", key);
    WriteEntry(EntryPath(cache, identity), identity, format, binary);
}

bool GlCachedVertexSource(const GlProgramCache& cache, const std::string& source) {
    if (cache.folder.empty())
        return false;
    const std::string identity = Identity(cache, "vertex", source);
    Entry entry;
    return ReadEntry(EntryPath(cache, identity), identity, &entry);
}

void GlCacheVertexSource(const GlProgramCache& cache, const std::string& source) {
    if (cache.folder.empty())
        return;
    const std::string identity = Identity(cache, "vertex", source);
    WriteEntry(EntryPath(cache, identity), identity, 0, std::vector<char>());
}

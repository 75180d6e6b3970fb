// The program cache on a headless context: where it lives, what comes back, and what a damaged,
// foreign or stale entry does.
#include "platform/gl/gl_program_cache.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/gl/gl_program.h"
#include "platform/gl/gl_window.h"

namespace {

namespace fs = std::filesystem;

const char kVertex[] =
    "#version 450 core\n"
    "layout(location = 0) in vec4 vPosition;\n"
    "uniform vec4 uOffset;\n"
    "void main() { gl_Position = vPosition + uOffset; }\n";
const char kFragment[] =
    "#version 450 core\n"
    "uniform vec4 uColour;\n"
    "layout(location = 0) out vec4 fragColor;\n"
    "void main() { fragColor = uColour * 1.; }\n";
// The same length as kFragment: its key differs from kFragment's in content only.
const char kHalfFragment[] =
    "#version 450 core\n"
    "uniform vec4 uColour;\n"
    "layout(location = 0) out vec4 fragColor;\n"
    "void main() { fragColor = uColour * .5; }\n";

TEST(GlProgramCacheFolder, FollowsTheXdgCacheHomeThenTheHomeFolder) {
    EXPECT_EQ(GlProgramCacheFolder("/x/cache", "/home/u"), "/x/cache/velmora/programs");
    EXPECT_EQ(GlProgramCacheFolder("relative", "/home/u"), "/home/u/.cache/velmora/programs")
        << "a relative XDG_CACHE_HOME is ignored";
    EXPECT_EQ(GlProgramCacheFolder("", "/home/u"), "/home/u/.cache/velmora/programs");
    EXPECT_EQ(GlProgramCacheFolder(nullptr, nullptr), "");
    EXPECT_EQ(GlProgramCacheFolder(nullptr, "home"), "");
}

class GlProgramCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        m_pWindow = GlWindow::CreateHeadless(8, 8, &error);
        ASSERT_NE(m_pWindow, nullptr) << "no headless OpenGL 4.5 context: " << error;
        m_folder = fs::path(::testing::TempDir()) /
                   ("velmora-program-cache-" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        m_cache = GlOpenProgramCache((m_folder / "programs").string());
        ASSERT_FALSE(m_cache.folder.empty()) << "the driver keeps no program binaries";
    }
    void TearDown() override {
        for (const GLuint program : m_programs)
            glDeleteProgram(program);
        GlWindow::Destroy(m_pWindow);
        fs::remove_all(m_folder);
    }

    GLuint Link(const char* fragment = kFragment) {
        std::string error;
        const GLuint vs = GlCompileShader(GL_VERTEX_SHADER, kVertex, &error);
        const GLuint fs = GlCompileShader(GL_FRAGMENT_SHADER, fragment, &error);
        const GLuint program = vs != 0 && fs != 0 ? GlLinkProgram(vs, fs, false, &error) : 0;
        glDeleteShader(vs);
        glDeleteShader(fs);
        EXPECT_NE(program, 0u) << error;
        m_programs.push_back(program);
        return program;
    }
    GLuint Load(const std::string& key) {
        const GLuint program = GlCachedProgram(m_cache, key);
        if (program != 0)
            m_programs.push_back(program);
        return program;
    }
    std::vector<fs::path> Entries() const {
        std::vector<fs::path> entries;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_cache.folder))
            entries.push_back(entry.path());
        return entries;
    }

    GlWindow* m_pWindow = nullptr;
    fs::path m_folder;
    GlProgramCache m_cache;
    std::vector<GLuint> m_programs;
};

TEST_F(GlProgramCacheTest, AKeptProgramComesBackLinkedUnderItsKeyAndDriverOnly) {
    const std::string key = GlProgramCacheKey(kVertex, kFragment, false);
    EXPECT_EQ(Load(key), 0u) << "an empty cache";
    const GLuint linked = Link();
    GlCacheProgram(m_cache, key, linked);
    ASSERT_EQ(Entries().size(), 1u);

    const GLuint loaded = Load(key);
    ASSERT_NE(loaded, 0u);
    GLint status = GL_FALSE;
    glGetProgramiv(loaded, GL_LINK_STATUS, &status);
    EXPECT_EQ(status, GL_TRUE);
    EXPECT_GE(glGetUniformLocation(loaded, "uColour"), 0);
    EXPECT_GE(glGetUniformLocation(loaded, "uOffset"), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    EXPECT_EQ(Load(GlProgramCacheKey(kVertex, kFragment, true)), 0u) << "the capture variant";
    EXPECT_EQ(Load(GlProgramCacheKey(kVertex, std::string(kFragment) + "\n", false)), 0u);
    GlProgramCache other = m_cache;
    other.driver.back() ^= 1;
    EXPECT_EQ(GlCachedProgram(other, key), 0u) << "another driver's entry";
    EXPECT_EQ(Entries().size(), 1u) << "a miss removes nothing that is sound";
}

TEST_F(GlProgramCacheTest, DamagedEntriesMissWithoutAnErrorAndAreRemoved) {
    const std::string key = GlProgramCacheKey(kVertex, kFragment, false);
    const GLuint linked = Link();
    GlCacheProgram(m_cache, key, linked);
    ASSERT_EQ(Entries().size(), 1u);
    const fs::path entry = Entries()[0];
    std::vector<char> sound;
    {
        std::ifstream in(entry, std::ios::binary);
        sound.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ASSERT_GT(sound.size(), 64u);

    auto damaged = [&](std::vector<char> bytes, const char* what) {
        std::ofstream(entry, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
        EXPECT_EQ(Load(key), 0u) << what;
        EXPECT_FALSE(fs::exists(entry)) << what;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << what;
    };
    damaged(std::vector<char>(sound.begin(), sound.end() - 1), "cut short");
    damaged(std::vector<char>(sound.begin(), sound.begin() + 10), "cut inside the header");
    damaged({}, "empty");
    std::vector<char> bytes = sound;
    bytes[0] ^= 1;
    damaged(bytes, "another magic");
    bytes = sound;
    bytes[16] = '\xff';  // binary bytes far past the end
    bytes[17] = '\xff';
    bytes[18] = '\xff';
    damaged(bytes, "a count past the end");
    bytes = sound;
    bytes[8] ^= 0x55;  // a binary format the driver does not list
    damaged(bytes, "an unknown format");
    bytes = sound;
    bytes.back() ^= 0x55;
    bytes[bytes.size() - 40] ^= 0x55;
    damaged(bytes, "a binary the driver refuses");

    // Damage is forgotten: the next store writes the entry afresh.
    GlCacheProgram(m_cache, key, linked);
    EXPECT_NE(Load(key), 0u);
}

TEST_F(GlProgramCacheTest, AnEntryOfAnotherKeyUnderTheSameNameIsLeftAlone) {
    const std::string key = GlProgramCacheKey(kVertex, kFragment, false);
    const std::string otherKey = GlProgramCacheKey(kVertex, kHalfFragment, false);
    ASSERT_EQ(otherKey.size(), key.size());
    GlCacheProgram(m_cache, otherKey, Link(kHalfFragment));
    ASSERT_EQ(Entries().size(), 1u);
    const fs::path otherEntry = Entries()[0];
    // Where key's entry would go, once key is stored and removed again.
    GlCacheProgram(m_cache, key, Link());
    fs::path entry;
    for (const fs::path& path : Entries())
        if (path != otherEntry)
            entry = path;
    ASSERT_FALSE(entry.empty());
    fs::copy_file(otherEntry, entry, fs::copy_options::overwrite_existing);

    EXPECT_EQ(Load(key), 0u);
    EXPECT_TRUE(fs::exists(entry)) << "another key's sound entry is not removed";
    EXPECT_NE(Load(otherKey), 0u);
}

TEST_F(GlProgramCacheTest, VertexSourcesAreKnownOnceMarkedAndAnOffCacheKeepsNothing) {
    EXPECT_FALSE(GlCachedVertexSource(m_cache, kVertex));
    GlCacheVertexSource(m_cache, kVertex);
    EXPECT_TRUE(GlCachedVertexSource(m_cache, kVertex));
    EXPECT_FALSE(GlCachedVertexSource(m_cache, std::string(kVertex) + " "));
    EXPECT_EQ(Load(GlProgramCacheKey(kVertex, "", false)), 0u) << "a mark is not a program";

    const GlProgramCache off = GlOpenProgramCache("");
    EXPECT_TRUE(off.folder.empty());
    GlCacheVertexSource(off, kVertex);
    GlCacheProgram(off, "key", Link());
    EXPECT_FALSE(GlCachedVertexSource(off, kVertex));
    EXPECT_EQ(GlCachedProgram(off, "key"), 0u);
    EXPECT_TRUE(GlOpenProgramCache("/proc/velmora/programs").folder.empty())
        << "a folder that cannot be made";
    EXPECT_EQ(Entries().size(), 1u) << "only the mark";
}

}  // namespace

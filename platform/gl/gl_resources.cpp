// GL side of managed buffers and textures: creating GL objects from the system copies, uploads.
#include <algorithm>

#include "platform/gl/gl_device.h"

namespace {

struct GlTextureFormat {
    D3DFORMAT format;
    UINT bytesPerPixel;
    GLenum internalFormat;
    GLenum pixelFormat;
    GLenum pixelType;
    GLint swizzle[4];
};

// Direct3D's formats name bits from the most significant down and are stored little-endian,
// so A8R8G8B8 is the bytes B, G, R, A and the 16-bit formats are GL's reversed packings.
const GlTextureFormat kTextureFormats[] = {
    {D3DFMT_A8R8G8B8,
     4,
     GL_RGBA8,
     GL_BGRA,
     GL_UNSIGNED_BYTE,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_X8R8G8B8, 4, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_R5G6B5,
     2,
     GL_RGB565,
     GL_RGB,
     GL_UNSIGNED_SHORT_5_6_5,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_X1R5G5B5,
     2,
     GL_RGB5_A1,
     GL_BGRA,
     GL_UNSIGNED_SHORT_1_5_5_5_REV,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_A1R5G5B5,
     2,
     GL_RGB5_A1,
     GL_BGRA,
     GL_UNSIGNED_SHORT_1_5_5_5_REV,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_A4R4G4B4,
     2,
     GL_RGBA4,
     GL_BGRA,
     GL_UNSIGNED_SHORT_4_4_4_4_REV,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    // A8 samples as (0, 0, 0, a), as on Direct3D.
    {D3DFMT_A8, 1, GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}},
};

const GlTextureFormat* FindTextureFormat(D3DFORMAT format) {
    for (const GlTextureFormat& entry : kTextureFormats) {
        if (entry.format == format)
            return &entry;
    }
    return nullptr;
}

UINT LevelSize(UINT size, UINT level) {
    return std::max(1u, size >> level);
}

// true when every texel of every level has the largest alpha of its format (or no alpha).
bool TextureIsOpaque(const GlTextureState& texture) {
    for (const std::vector<BYTE>& level : texture.levels) {
        const size_t size = level.size();
        switch (texture.format) {
            case D3DFMT_A8R8G8B8:
                for (size_t i = 3; i < size; i += 4)
                    if (level[i] != 0xFF)
                        return false;
                break;
            case D3DFMT_A1R5G5B5:
                for (size_t i = 1; i < size; i += 2)
                    if ((level[i] & 0x80) == 0)
                        return false;
                break;
            case D3DFMT_A4R4G4B4:
                for (size_t i = 1; i < size; i += 2)
                    if ((level[i] & 0xF0) != 0xF0)
                        return false;
                break;
            case D3DFMT_A8:
                for (BYTE alpha : level)
                    if (alpha != 0xFF)
                        return false;
                break;
            default:  // X8R8G8B8, R5G6B5, X1R5G5B5 sample alpha as 1
                break;
        }
    }
    return true;
}

void UploadLevel(const GlTextureState& texture, const GlTextureFormat& format, UINT level) {
    glTextureSubImage2D(texture.name, static_cast<GLint>(level), 0, 0,
                        static_cast<GLsizei>(LevelSize(texture.width, level)),
                        static_cast<GLsizei>(LevelSize(texture.height, level)),
                        format.pixelFormat, format.pixelType, texture.levels[level].data());
}

}  // namespace

UINT GlTextureBytesPerPixel(D3DFORMAT format) {
    const GlTextureFormat* entry = FindTextureFormat(format);
    return entry != nullptr ? entry->bytesPerPixel : 0;
}

void GlUploadBuffer(GlBufferState* buffer) {
    if (buffer->device == nullptr)
        return;
    GlDeleteBuffer(buffer);
    glCreateBuffers(1, &buffer->name);
    glNamedBufferStorage(buffer->name, buffer->length, buffer->data.data(), GL_DYNAMIC_STORAGE_BIT);
    buffer->dirtyBegin = buffer->dirtyEnd = 0;
}

void GlUploadBufferRange(GlBufferState* buffer, UINT begin, UINT end) {
    if (buffer->device == nullptr || buffer->name == 0 || end <= begin)
        return;
    glNamedBufferSubData(buffer->name, begin, end - begin, buffer->data.data() + begin);
}

void GlDeleteBuffer(GlBufferState* buffer) {
    if (buffer->name != 0 && buffer->device != nullptr)
        glDeleteBuffers(1, &buffer->name);
    buffer->name = 0;
}

void GlUploadTexture(GlTextureState* texture) {
    if (texture->device == nullptr)
        return;
    const GlTextureFormat* format = FindTextureFormat(texture->format);
    if (format == nullptr)
        return;
    GlDeleteTexture(texture);
    const GLsizei levels = static_cast<GLsizei>(texture->levels.size());
    glCreateTextures(GL_TEXTURE_2D, 1, &texture->name);
    glTextureStorage2D(texture->name, levels, format->internalFormat,
                       static_cast<GLsizei>(texture->width), static_cast<GLsizei>(texture->height));
    glTextureParameteri(texture->name, GL_TEXTURE_MAX_LEVEL, levels - 1);
    glTextureParameteriv(texture->name, GL_TEXTURE_SWIZZLE_RGBA, format->swizzle);
    for (UINT level = 0; level < texture->levels.size(); ++level)
        UploadLevel(*texture, *format, level);
    texture->opaque = TextureIsOpaque(*texture);
}

void GlUploadTextureLevel(GlTextureState* texture, UINT level) {
    const GlTextureFormat* format = FindTextureFormat(texture->format);
    if (texture->device == nullptr || texture->name == 0 || format == nullptr)
        return;
    UploadLevel(*texture, *format, level);
    texture->opaque = TextureIsOpaque(*texture);
}

void GlDeleteTexture(GlTextureState* texture) {
    if (texture->name != 0 && texture->device != nullptr)
        glDeleteTextures(1, &texture->name);
    texture->name = 0;
}

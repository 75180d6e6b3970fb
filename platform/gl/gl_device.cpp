// GL side of the device: its objects, the mapping of Direct3D state onto GL, clears, draws,
// presents, read-backs and transform-feedback capture.
#include "platform/gl/gl_device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/gl/gl_window.h"

namespace {

// Direct3D 8 values that platform/system/d3d8_types.h does not name.
constexpr DWORD kStageBorderColor = 15;  // D3DTSS_BORDERCOLOR
constexpr DWORD kAddressMirrorOnce = 5;  // D3DTADDRESS_MIRRORONCE
constexpr DWORD kBlendSourceAlphaSaturate = 11;
constexpr DWORD kBlendBothSourceAlpha = 12;
constexpr DWORD kBlendBothInverseSourceAlpha = 13;

uint32_t FloatBits(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void ColorToFloats(D3DCOLOR color, float out[4]) {
    out[0] = static_cast<float>((color >> 16) & 0xFFu) / 255.0f;
    out[1] = static_cast<float>((color >> 8) & 0xFFu) / 255.0f;
    out[2] = static_cast<float>(color & 0xFFu) / 255.0f;
    out[3] = static_cast<float>(color >> 24) / 255.0f;
}

GLenum CompareFunc(DWORD func) {
    switch (func) {
        case D3DCMP_NEVER:
            return GL_NEVER;
        case D3DCMP_LESS:
            return GL_LESS;
        case D3DCMP_EQUAL:
            return GL_EQUAL;
        case D3DCMP_LESSEQUAL:
            return GL_LEQUAL;
        case D3DCMP_GREATER:
            return GL_GREATER;
        case D3DCMP_NOTEQUAL:
            return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL:
            return GL_GEQUAL;
        default:
            return GL_ALWAYS;
    }
}

GLenum BlendFactor(DWORD blend) {
    switch (blend) {
        case D3DBLEND_ZERO:
            return GL_ZERO;
        case D3DBLEND_SRCCOLOR:
            return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR:
            return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA:
            return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA:
            return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA:
            return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA:
            return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR:
            return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR:
            return GL_ONE_MINUS_DST_COLOR;
        case kBlendSourceAlphaSaturate:
            return GL_SRC_ALPHA_SATURATE;
        default:
            return GL_ONE;
    }
}

GLenum BlendEquation(DWORD op) {
    switch (op) {
        case 2:
            return GL_FUNC_SUBTRACT;  // D3DBLENDOP_SUBTRACT
        case 3:
            return GL_FUNC_REVERSE_SUBTRACT;  // D3DBLENDOP_REVSUBTRACT
        case 4:
            return GL_MIN;  // D3DBLENDOP_MIN
        case 5:
            return GL_MAX;  // D3DBLENDOP_MAX
        default:
            return GL_FUNC_ADD;
    }
}

GLint AddressMode(DWORD address) {
    switch (address) {
        case D3DTADDRESS_MIRROR:
            return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP:
            return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER:
            return GL_CLAMP_TO_BORDER;
        case kAddressMirrorOnce:
            return GL_MIRROR_CLAMP_TO_EDGE;
        default:
            return GL_REPEAT;
    }
}

GLint MinFilter(DWORD min, DWORD mip) {
    const bool linear = min == D3DTEXF_LINEAR || min == D3DTEXF_ANISOTROPIC;
    if (mip == D3DTEXF_POINT)
        return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    if (mip == D3DTEXF_LINEAR || mip == D3DTEXF_ANISOTROPIC) {
        return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    }
    return linear ? GL_LINEAR : GL_NEAREST;
}

// Texture operations the fragment program knows; others draw as D3DTOP_SELECTARG1.
int32_t StageOp(DWORD op) {
    return op >= D3DTOP_DISABLE && op <= D3DTOP_ADD ? static_cast<int32_t>(op)
                                                    : static_cast<int32_t>(D3DTOP_SELECTARG1);
}

void DrainGlErrors(GlDeviceState* state) {
    while (glGetError() != GL_NO_ERROR)
        ++state->counters.glErrors;
}

bool CreateBackBuffer(GlDeviceState* state, std::string* error) {
    const D3DPRESENT_PARAMETERS& parameters = state->parameters;
    GLenum colorFormat = 0;
    if (!GlBackBufferFormat(parameters.BackBufferFormat, &colorFormat,
                            &state->backBufferHasAlpha)) {
        if (error)
            *error = "unsupported back-buffer format";
        return false;
    }
    const GLsizei width = static_cast<GLsizei>(parameters.BackBufferWidth);
    const GLsizei height = static_cast<GLsizei>(parameters.BackBufferHeight);
    glCreateRenderbuffers(1, &state->backBufferColor);
    glNamedRenderbufferStorage(state->backBufferColor, colorFormat, width, height);
    glCreateFramebuffers(1, &state->backBufferFramebuffer);
    glNamedFramebufferRenderbuffer(state->backBufferFramebuffer, GL_COLOR_ATTACHMENT0,
                                   GL_RENDERBUFFER, state->backBufferColor);
    if (parameters.EnableAutoDepthStencil) {
        const bool stencil = parameters.AutoDepthStencilFormat == D3DFMT_D24S8;
        glCreateRenderbuffers(1, &state->backBufferDepth);
        glNamedRenderbufferStorage(state->backBufferDepth,
                                   stencil ? GL_DEPTH24_STENCIL8 : GL_DEPTH_COMPONENT16, width,
                                   height);
        glNamedFramebufferRenderbuffer(state->backBufferFramebuffer,
                                       stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                       GL_RENDERBUFFER, state->backBufferDepth);
    }
    if (glCheckNamedFramebufferStatus(state->backBufferFramebuffer, GL_DRAW_FRAMEBUFFER) !=
        GL_FRAMEBUFFER_COMPLETE) {
        if (error)
            *error = "the back buffer's framebuffer is incomplete";
        return false;
    }
    // The alpha of X formats is written once as 1 here and masked off afterwards.
    state->cache.ColorMask(true);
    state->cache.Scissor(false);
    state->cache.DepthMask(true);
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat far = 1.0f;
    glClearNamedFramebufferfv(state->backBufferFramebuffer, GL_COLOR, 0, black);
    if (state->backBufferDepth != 0) {
        glClearNamedFramebufferfv(state->backBufferFramebuffer, GL_DEPTH, 0, &far);
    }
    return true;
}

void ApplyRaster(GlDeviceState* state) {
    const auto& rs = state->recorded.renderStates;
    GlStateCache& cache = state->cache;
    cache.DrawFramebuffer(state->backBufferFramebuffer);
    cache.Viewport(0, 0, static_cast<GLsizei>(state->parameters.BackBufferWidth),
                   static_cast<GLsizei>(state->parameters.BackBufferHeight));
    cache.Scissor(false);
    cache.ColorMask(state->backBufferHasAlpha);
    cache.DepthTest(rs[D3DRS_ZENABLE] != D3DZB_FALSE && state->backBufferDepth != 0);
    cache.DepthMask(rs[D3DRS_ZWRITEENABLE] != FALSE);
    cache.DepthFunc(CompareFunc(rs[D3DRS_ZFUNC]));
    // Front faces are clockwise (glFrontFace(GL_CW) at creation), so D3DCULL_CCW culls GL's
    // back faces and D3DCULL_CW its front faces.
    const DWORD cull = rs[D3DRS_CULLMODE];
    cache.Cull(cull == D3DCULL_CW || cull == D3DCULL_CCW);
    cache.CullFace(cull == D3DCULL_CW ? GL_FRONT : GL_BACK);
    DWORD source = rs[D3DRS_SRCBLEND];
    DWORD destination = rs[D3DRS_DESTBLEND];
    if (source == kBlendBothSourceAlpha) {
        source = D3DBLEND_SRCALPHA;
        destination = D3DBLEND_INVSRCALPHA;
    } else if (source == kBlendBothInverseSourceAlpha) {
        source = D3DBLEND_INVSRCALPHA;
        destination = D3DBLEND_SRCALPHA;
    }
    cache.BlendFunc(BlendFactor(source), BlendFactor(destination));
    cache.BlendEquation(BlendEquation(rs[D3DRS_BLENDOP]));
    const DWORD fill = rs[D3DRS_FILLMODE];
    cache.PolygonMode(fill == D3DFILL_POINT       ? GL_POINT
                      : fill == D3DFILL_WIREFRAME ? GL_LINE
                                                  : GL_FILL);
}

// The fragment program the recorded stage, fog and alpha-test states and bound textures need.
GlPixelKey PixelKey(const GlDeviceState* state) {
    const auto& rs = state->recorded.renderStates;
    GlPixelKey key;
    for (UINT k = 0; k < kDrawnStages; ++k) {
        const DWORD* stage = state->recorded.stageStates[k];
        key.colorStage[k][0] = StageOp(stage[D3DTSS_COLOROP]);
        key.colorStage[k][1] = static_cast<int32_t>(stage[D3DTSS_COLORARG1]);
        key.colorStage[k][2] = static_cast<int32_t>(stage[D3DTSS_COLORARG2]);
        key.colorStage[k][3] = (stage[D3DTSS_TEXCOORDINDEX] & 0xFFFFu) == 1 ? 1 : 0;
        key.alphaStage[k][0] = StageOp(stage[D3DTSS_ALPHAOP]);
        key.alphaStage[k][1] = static_cast<int32_t>(stage[D3DTSS_ALPHAARG1]);
        key.alphaStage[k][2] = static_cast<int32_t>(stage[D3DTSS_ALPHAARG2]);
        const GlTextureState* texture = state->recorded.textureStates[k];
        key.textured[k] = texture != nullptr && texture->name != 0 ? 1 : 0;
    }
    key.fog = rs[D3DRS_FOGENABLE] != FALSE ? 1 : 0;
    const DWORD alphaFunc = std::min<DWORD>(std::max<DWORD>(rs[D3DRS_ALPHAFUNC], 1), 8);
    key.alphaFunc = rs[D3DRS_ALPHATESTENABLE] != FALSE ? static_cast<int32_t>(alphaFunc) : 0;
    return GlNormalPixelKey(key);
}

void ApplyPixelBlock(GlDeviceState* state) {
    const auto& rs = state->recorded.renderStates;
    GlPixelBlock block;
    ColorToFloats(rs[D3DRS_TEXTUREFACTOR], block.textureFactor);
    ColorToFloats(rs[D3DRS_FOGCOLOR], block.fogColor);
    block.alphaReference[0] = static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFFu) / 255.0f;
    if (!state->cache.Bypass() && state->pixelBlockKnown &&
        std::memcmp(&block, &state->pixelBlock, sizeof block) == 0) {
        return;
    }
    state->pixelBlock = block;
    state->pixelBlockKnown = true;
    ++state->counters.stateChanges;
    glNamedBufferSubData(state->pixelBlockBuffer, 0, sizeof block, &block);
}

void ApplySamplers(GlDeviceState* state) {
    const bool bypass = state->cache.Bypass();
    for (UINT k = 0; k < kDrawnStages; ++k) {
        const DWORD* stage = state->recorded.stageStates[k];
        GlDeviceState::SamplerValues wanted;
        wanted.minFilter = MinFilter(stage[D3DTSS_MINFILTER], stage[D3DTSS_MIPFILTER]);
        wanted.magFilter = stage[D3DTSS_MAGFILTER] == D3DTEXF_LINEAR ||
                                   stage[D3DTSS_MAGFILTER] == D3DTEXF_ANISOTROPIC
                               ? GL_LINEAR
                               : GL_NEAREST;
        wanted.wrapS = AddressMode(stage[D3DTSS_ADDRESSU]);
        wanted.wrapT = AddressMode(stage[D3DTSS_ADDRESSV]);
        ColorToFloats(stage[kStageBorderColor], wanted.border);
        GlDeviceState::SamplerValues& have = state->samplerValues[k];
        const GLuint sampler = state->samplers[k];
        const bool fresh = bypass || !have.known;
        auto set = [&](GLenum name, GLint value, GLint* current) {
            if (!fresh && *current == value)
                return;
            *current = value;
            ++state->counters.stateChanges;
            glSamplerParameteri(sampler, name, value);
        };
        set(GL_TEXTURE_MIN_FILTER, wanted.minFilter, &have.minFilter);
        set(GL_TEXTURE_MAG_FILTER, wanted.magFilter, &have.magFilter);
        set(GL_TEXTURE_WRAP_S, wanted.wrapS, &have.wrapS);
        set(GL_TEXTURE_WRAP_T, wanted.wrapT, &have.wrapT);
        if (fresh || std::memcmp(have.border, wanted.border, sizeof wanted.border) != 0) {
            std::memcpy(have.border, wanted.border, sizeof wanted.border);
            ++state->counters.stateChanges;
            glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, wanted.border);
        }
        have.known = true;
        state->cache.Sampler(static_cast<int>(k), sampler);
    }
}

void ApplyTextures(GlDeviceState* state) {
    for (UINT k = 0; k < kDrawnStages; ++k) {
        const GlTextureState* texture = state->recorded.textureStates[k];
        GLuint name = state->whiteTexture;
        if (texture != nullptr && texture->name != 0)
            name = texture->name;
        state->cache.Texture(static_cast<int>(k), name);
    }
}

// Links the shader's vertex stage with the fragment program of a key, or loads that program from
// the cache, and finds its uniforms; false with *error when the driver refuses. The stages are
// compiled for the link and deleted after it: the driver keeps each shader object's
// intermediate code as long as it lives.
bool LinkProgram(GlDeviceState* state, GlShader* shader, const GlPixelKey& key, bool capture,
                 GlLinkedProgram* out, std::string* error) {
    const std::string fragmentSource = GlFragmentProgramSource(key);
    const std::string cacheKey = GlProgramCacheKey(shader->glsl, fragmentSource, capture);
    GlLinkedProgram linked;
    linked.key = key;
    linked.program = GlCachedProgram(state->programCache, cacheKey);
    if (linked.program != 0) {
        ++state->counters.programsLoaded;
    } else {
        const GLuint vertexShader = GlCompileShader(GL_VERTEX_SHADER, shader->glsl, error);
        ++state->counters.shadersCompiled;
        if (vertexShader == 0)
            return false;
        const GLuint fragmentShader = GlCompileShader(GL_FRAGMENT_SHADER, fragmentSource, error);
        ++state->counters.shadersCompiled;
        if (fragmentShader != 0)
            linked.program = GlLinkProgram(vertexShader, fragmentShader, capture, error);
        glDeleteShader(vertexShader);
        glDeleteShader(fragmentShader);
        if (linked.program == 0) {
            if (error)
                *error += "generated source:\n" + GlNumberedSource(shader->glsl);
            return false;
        }
        GlCacheProgram(state->programCache, cacheKey, linked.program);
    }
    for (UINT i = 0; i < kConstantCount; ++i) {
        const std::string name = "c[" + std::to_string(i) + "]";
        linked.constantLocations[i] = glGetUniformLocation(linked.program, name.c_str());
    }
    for (UINT i = 0; i < kConstantCount && linked.constantsLocation < 0; ++i)
        linked.constantsLocation = linked.constantLocations[i];
    linked.fixupLocation = glGetUniformLocation(
        linked.program, shader->pretransformed ? "uPixelToClip" : "uPositionFixup");
    *out = linked;
    return true;
}

// Links a draw program for the current pixel key and keeps it with the shader's others; null
// when it cannot.
GlLinkedProgram* AddProgram(GlDeviceState* state, GlShader* shader, std::string* error) {
    GlLinkedProgram linked;
    if (!LinkProgram(state, shader, state->pixelKey, false, &linked, error))
        return nullptr;
    ++state->counters.programsLinked;
    shader->programs.push_back(linked);
    shader->lastProgram = shader->programs.size() - 1;
    return &shader->programs.back();
}

// The shader's program for the current pixel key, linked on first use; null with *error when it
// cannot link.
GlLinkedProgram* ProgramForKey(GlDeviceState* state, GlShader* shader, std::string* error) {
    if (shader->lastProgram < shader->programs.size() &&
        shader->programs[shader->lastProgram].key == state->pixelKey) {
        return &shader->programs[shader->lastProgram];
    }
    for (size_t i = 0; i < shader->programs.size(); ++i) {
        if (shader->programs[i].key == state->pixelKey) {
            shader->lastProgram = i;
            return &shader->programs[i];
        }
    }
    return AddProgram(state, shader, error);
}

// Program, constants, position fix-up and vertex input of one shader.
void ApplyShader(GlDeviceState* state, GlShader* shader, GlLinkedProgram* linked,
                 GLuint vertexBuffer, UINT stride, GLuint indexBuffer) {
    GlStateCache& cache = state->cache;
    const bool bypass = cache.Bypass();
    cache.Program(linked->program);

    D3dRecordedState& recorded = state->recorded;
    if (linked->constantsLocation >= 0 &&
        (bypass || linked->constantsClock != recorded.constantsClock)) {
        UINT first = 0;
        UINT last = kConstantCount;
        if (!bypass) {
            while (first < kConstantCount &&
                   recorded.constantStamps[first] <= linked->constantsClock) {
                ++first;
            }
            while (last > first && recorded.constantStamps[last - 1] <= linked->constantsClock) {
                --last;
            }
        }
        // Array elements past the last one the program reads have no location: nothing to send.
        if (first < last && linked->constantLocations[first] >= 0) {
            glProgramUniform4fv(linked->program, linked->constantLocations[first],
                                static_cast<GLsizei>(last - first), &recorded.constants[first].x);
            state->counters.constantUploads += last - first;
        }
        linked->constantsClock = recorded.constantsClock;
    }

    const float width = static_cast<float>(state->parameters.BackBufferWidth);
    const float height = static_cast<float>(state->parameters.BackBufferHeight);
    // Translated shaders move clip xy right and down by kPixelCentreOffset pixels; the built-in
    // path converts pixels to clip space and applies the same offset itself.
    const float fixup[2] = {
        shader->pretransformed ? 2.0f / width : 2.0f * kPixelCentreOffset / width,
        shader->pretransformed ? 2.0f / height : -2.0f * kPixelCentreOffset / height};
    if (linked->fixupLocation >= 0 &&
        (bypass || !linked->fixupKnown || fixup[0] != linked->fixup[0] ||
         fixup[1] != linked->fixup[1])) {
        linked->fixup[0] = fixup[0];
        linked->fixup[1] = fixup[1];
        linked->fixupKnown = true;
        ++state->counters.stateChanges;
        glProgramUniform4f(linked->program, linked->fixupLocation, fixup[0], fixup[1], 0.0f, 0.0f);
    }

    cache.VertexArray(shader->vertexArray);
    const bool fresh = bypass || !shader->bindingsKnown;
    if (fresh || shader->boundBuffer != vertexBuffer || shader->boundStride != stride) {
        shader->boundBuffer = vertexBuffer;
        shader->boundStride = stride;
        ++state->counters.stateChanges;
        glVertexArrayVertexBuffer(shader->vertexArray, 0, vertexBuffer, 0,
                                  static_cast<GLsizei>(stride));
    }
    if (indexBuffer != 0 && (fresh || shader->boundIndices != indexBuffer)) {
        shader->boundIndices = indexBuffer;
        ++state->counters.stateChanges;
        glVertexArrayElementBuffer(shader->vertexArray, indexBuffer);
    }
    shader->bindingsKnown = true;
}

// true when every vertex's D3DCOLOR at that offset in the buffer has alpha 255.
bool ColoursOpaque(GlBufferState* buffer, UINT stride, UINT offset) {
    const uint64_t key = static_cast<uint64_t>(stride) << 32 | offset;
    const auto found = buffer->opaqueColours.find(key);
    if (found != buffer->opaqueColours.end())
        return found->second;
    bool opaque = true;
    const size_t step = stride != 0 ? stride : buffer->length;
    for (size_t at = static_cast<size_t>(offset) + 3; at < buffer->length && opaque; at += step)
        opaque = buffer->data[at] == 0xFF;
    buffer->opaqueColours.emplace(key, opaque);
    return opaque;
}

// true when the vertex shader's oD0 alpha is 1 for every vertex of the stream.
bool DiffuseAlphaIsOne(const GlShader& shader, const D3dRecordedState::Stream& stream) {
    if (shader.diffuseAlphaInput == kDiffuseAlphaOne)
        return true;
    for (const GlVertexLayout::Attribute& attribute : shader.layout.attributes) {
        if (static_cast<int>(attribute.reg) == shader.diffuseAlphaInput)
            return attribute.type == D3DVSDT_D3DCOLOR &&
                   ColoursOpaque(stream.state, stream.stride, attribute.offset);
    }
    return false;
}

// true when the fragment program's alpha is exactly 1 at every pixel: each stage's alpha is
// followed from the facts known to be 1 (the diffuse alpha, an opaque or missing texture, the
// texture factor). A complement, the specular colour or an unknown source proves nothing.
bool PixelAlphaIsOne(const GlDeviceState* state, bool diffuseOne) {
    const GlPixelKey& key = state->pixelKey;
    const bool factorOne = state->recorded.renderStates[D3DRS_TEXTUREFACTOR] >> 24 == 0xFF;
    bool current = diffuseOne;
    for (UINT k = 0; k < kDrawnStages && key.colorStage[k][0] != D3DTOP_DISABLE; ++k) {
        const int32_t* alpha = key.alphaStage[k];
        if (alpha[0] == D3DTOP_DISABLE)
            continue;
        const GlTextureState* texture = state->recorded.textureStates[k];
        const bool texelOne = key.textured[k] == 0 || texture->opaque;
        auto one = [&](int32_t argument) {
            if ((argument & 16) != 0)
                return false;
            switch (argument & 15) {
                case D3DTA_DIFFUSE:
                    return diffuseOne;
                case D3DTA_TEXTURE:
                    return texelOne;
                case D3DTA_TFACTOR:
                    return factorOne;
                case D3DTA_SPECULAR:
                    return false;
                default:
                    return current;
            }
        };
        switch (alpha[0]) {
            case D3DTOP_SELECTARG2:
                current = one(alpha[2]);
                break;
            case D3DTOP_MODULATE:
            case D3DTOP_MODULATE2X:
            case D3DTOP_MODULATE4X:
            case D3DTOP_ADD:  // 1 + 1, clamped
                current = one(alpha[1]) && one(alpha[2]);
                break;
            default:  // D3DTOP_SELECTARG1 and the operations drawn as it
                current = one(alpha[1]);
                break;
        }
    }
    return current;
}

// Blending as recorded, except that source-alpha blending of a draw whose alpha is provably 1
// everywhere is switched off: it would write the source unchanged, at a read of the
// destination per pixel.
bool BlendNeeded(const GlDeviceState* state, const GlShader& shader,
                 const D3dRecordedState::Stream& stream) {
    const auto& rs = state->recorded.renderStates;
    if (rs[D3DRS_ALPHABLENDENABLE] == FALSE)
        return false;
    const bool sourceOver =
        rs[D3DRS_SRCBLEND] == kBlendBothSourceAlpha ||
        (rs[D3DRS_SRCBLEND] == D3DBLEND_SRCALPHA && rs[D3DRS_DESTBLEND] == D3DBLEND_INVSRCALPHA);
    if (!sourceOver || BlendEquation(rs[D3DRS_BLENDOP]) != GL_FUNC_ADD)
        return true;
    return !PixelAlphaIsOne(state, DiffuseAlphaIsOne(shader, stream));
}

void ApplyDrawState(GlDeviceState* state) {
    const uint32_t dirty = state->cache.Bypass() ? kDirtyAll : state->dirty;
    if (dirty & kDirtyRaster)
        ApplyRaster(state);
    if (dirty & kDirtyPixel)
        ApplyPixelBlock(state);
    if (dirty & kDirtySamplers)
        ApplySamplers(state);
    if (dirty & kDirtyTextures)
        ApplyTextures(state);
    if (dirty & (kDirtyPixel | kDirtyTextures))
        state->pixelKey = PixelKey(state);
    state->dirty = 0;
}

}  // namespace

void GlSetDefaultStates(GlDeviceState* state) {
    auto& rs = state->recorded.renderStates;
    rs.fill(0);
    rs[D3DRS_ZENABLE] = state->parameters.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGTABLEMODE] = D3DFOG_NONE;
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[53] = rs[54] = rs[55] = 1;   // D3DRS_STENCILFAIL, ZFAIL, PASS: D3DSTENCILOP_KEEP
    rs[56] = D3DCMP_ALWAYS;         // D3DRS_STENCILFUNC
    rs[58] = rs[59] = 0xFFFFFFFFu;  // D3DRS_STENCILMASK, STENCILWRITEMASK
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[136] = TRUE;  // D3DRS_CLIPPING
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[142] = TRUE;  // D3DRS_LOCALVIEWER
    rs[145] = 1;     // D3DRS_DIFFUSEMATERIALSOURCE: D3DMCS_COLOR1
    rs[146] = 2;     // D3DRS_SPECULARMATERIALSOURCE: D3DMCS_COLOR2
    rs[D3DRS_SOFTWAREVERTEXPROCESSING] =
        (state->behaviour & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0 ? TRUE : FALSE;
    rs[154] = FloatBits(1.0f);  // D3DRS_POINTSIZE
    rs[158] = FloatBits(1.0f);  // D3DRS_POINTSCALE_A
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[162] = 0xFFFFFFFFu;       // D3DRS_MULTISAMPLEMASK
    rs[164] = FloatBits(1.0f);   // D3DRS_PATCHSEGMENTS
    rs[166] = FloatBits(64.0f);  // D3DRS_POINTSIZE_MAX
    rs[168] = 0xFu;              // D3DRS_COLORWRITEENABLE
    rs[D3DRS_BLENDOP] = 1;       // D3DBLENDOP_ADD

    for (UINT k = 0; k < kStageCount; ++k) {
        DWORD* stage = state->recorded.stageStates[k];
        std::fill(stage, stage + kStageStateCount, 0u);
        stage[D3DTSS_COLOROP] = k == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        stage[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        stage[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        stage[D3DTSS_ALPHAOP] = k == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        stage[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        stage[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        stage[D3DTSS_TEXCOORDINDEX] = k;
        stage[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        stage[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        stage[25] = D3DTADDRESS_WRAP;  // D3DTSS_ADDRESSW
        stage[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        stage[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        stage[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        stage[21] = 1;                                      // D3DTSS_MAXANISOTROPY
        stage[26] = stage[27] = stage[28] = D3DTA_CURRENT;  // COLORARG0, ALPHAARG0, RESULTARG
    }
    std::fill(state->recorded.transforms.begin(), state->recorded.transforms.end(), D3DMATRIX());
    state->recorded.material = D3DMATERIAL8();
    state->dirty = kDirtyAll;
}

HRESULT GlRefuse(GlDeviceState* state, GlRefusal reason, const std::string& message) {
    ++state->counters.refusedDraws;
    state->lastError = "draw refused: " + message;
    const uint32_t bit = 1u << static_cast<uint32_t>(reason);
    if ((state->reported & bit) == 0) {
        state->reported |= bit;
        std::fprintf(stderr, "velmora device: %s\n", state->lastError.c_str());
    }
    return D3DERR_INVALIDCALL;
}

bool GlBackBufferFormat(D3DFORMAT format, GLenum* internalFormat, bool* hasAlpha) {
    switch (format) {
        case D3DFMT_R5G6B5:
            *internalFormat = GL_RGB565;
            *hasAlpha = false;
            return true;
        case D3DFMT_X1R5G5B5:
            *internalFormat = GL_RGB5_A1;
            *hasAlpha = false;
            return true;
        case D3DFMT_A1R5G5B5:
            *internalFormat = GL_RGB5_A1;
            *hasAlpha = true;
            return true;
        case D3DFMT_X8R8G8B8:
            *internalFormat = GL_RGBA8;
            *hasAlpha = false;
            return true;
        case D3DFMT_A8R8G8B8:
            *internalFormat = GL_RGBA8;
            *hasAlpha = true;
            return true;
        case D3DFMT_R8G8B8:
            *internalFormat = GL_RGB8;
            *hasAlpha = false;
            return true;
        default:
            return false;
    }
}

bool GlBackBufferFormatRenderable(D3DFORMAT format) {
    GLenum internalFormat = 0;
    bool hasAlpha = false;
    if (!GlBackBufferFormat(format, &internalFormat, &hasAlpha))
        return false;
    GLuint buffers[2] = {};
    GLuint framebuffer = 0;
    glCreateRenderbuffers(2, buffers);
    glNamedRenderbufferStorage(buffers[0], internalFormat, 16, 16);
    glNamedRenderbufferStorage(buffers[1], GL_DEPTH_COMPONENT16, 16, 16);
    glCreateFramebuffers(1, &framebuffer);
    glNamedFramebufferRenderbuffer(framebuffer, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
    glNamedFramebufferRenderbuffer(framebuffer, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, buffers[1]);
    const bool complete =
        glCheckNamedFramebufferStatus(framebuffer, GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(2, buffers);
    return complete;
}

void GlFillCaps(D3DCAPS8* caps) {
    GLint maxTexture = 0, maxStride = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    glGetIntegerv(GL_MAX_VERTEX_ATTRIB_STRIDE, &maxStride);
    *caps = D3DCAPS8();
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->AdapterOrdinal = 0;
    caps->MaxTextureWidth = static_cast<DWORD>(maxTexture);
    caps->MaxTextureHeight = static_cast<DWORD>(maxTexture);
    caps->MaxSimultaneousTextures = kDrawnStages;
    caps->MaxStreams = kStreamCount;
    caps->MaxStreamStride = static_cast<DWORD>(maxStride);
    caps->VertexShaderVersion = D3DVS_VERSION(1, 1);
    caps->MaxVertexShaderConst = kConstantCount;
    caps->MaxPrimitiveCount = 0xFFFFFu;
    caps->MaxVertexIndex = 0xFFFFFFu;
    caps->MaxVertexBlendMatrixIndex = 0;  // no fixed-function vertex blending
}

bool GlCreateDeviceObjects(GlDeviceState* state, std::string* error) {
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &state->maxTextureSize);
    glGetIntegerv(GL_MAX_VERTEX_ATTRIB_STRIDE, &state->maxVertexAttribStride);
    // Direct3D's conventions: clip depth 0..1, clockwise front faces, no dithering.
    glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glFrontFace(GL_CW);
    glDisable(GL_DITHER);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    state->cache.Forget();
    state->dirty = kDirtyAll;
    state->pixelBlockKnown = false;
    for (GlDeviceState::SamplerValues& values : state->samplerValues)
        values.known = false;

    if (!CreateBackBuffer(state, error))
        return false;
    state->programCache = GlOpenProgramCache(
        GlProgramCacheFolder(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME")));

    glCreateBuffers(1, &state->pixelBlockBuffer);
    glNamedBufferStorage(state->pixelBlockBuffer, sizeof(GlPixelBlock), nullptr,
                         GL_DYNAMIC_STORAGE_BIT);
    glBindBufferBase(GL_UNIFORM_BUFFER, kPixelBlockBinding, state->pixelBlockBuffer);
    glCreateSamplers(kDrawnStages, state->samplers);
    const uint8_t white[4] = {255, 255, 255, 255};
    glCreateTextures(GL_TEXTURE_2D, 1, &state->whiteTexture);
    glTextureStorage2D(state->whiteTexture, 1, GL_RGBA8, 1, 1);
    glTextureSubImage2D(state->whiteTexture, 0, 0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, white);

    state->pixelKey = PixelKey(state);
    GlShader& pretransformed = state->pretransformed;
    pretransformed.pretransformed = true;
    pretransformed.diffuseAlphaInput = 1;  // vColor
    pretransformed.layout.stream = 0;
    pretransformed.layout.extent = 28;
    pretransformed.layout.attributes = {
        {0, D3DVSDT_FLOAT4, 0}, {1, D3DVSDT_D3DCOLOR, 16}, {2, D3DVSDT_FLOAT2, 20}};
    pretransformed.glsl = GlPretransformedVertexSource();
    if (!GlBuildShader(state, &pretransformed, error))
        return false;
    for (std::shared_ptr<GlShader>& shader : state->shaders) {
        std::string ignored;
        if (shader && shader->vertexArray == 0)  // shared ones are built once
            GlBuildShader(state, shader.get(), &ignored);
    }
    for (GlBufferState* buffer : state->buffers)
        GlUploadBuffer(buffer);
    for (GlTextureState* texture : state->textures)
        GlUploadTexture(texture);
    DrainGlErrors(state);
    return true;
}

void GlDestroyDeviceObjects(GlDeviceState* state, bool contextAlive) {
    if (contextAlive) {
        GlDeleteShader(&state->pretransformed);
        for (std::shared_ptr<GlShader>& shader : state->shaders) {
            if (shader)
                GlDeleteShader(shader.get());
        }
        for (GlBufferState* buffer : state->buffers)
            GlDeleteBuffer(buffer);
        for (GlTextureState* texture : state->textures)
            GlDeleteTexture(texture);
        glDeleteFramebuffers(1, &state->backBufferFramebuffer);
        glDeleteRenderbuffers(1, &state->backBufferColor);
        glDeleteRenderbuffers(1, &state->backBufferDepth);
        glDeleteBuffers(1, &state->pixelBlockBuffer);
        glDeleteSamplers(kDrawnStages, state->samplers);
        glDeleteTextures(1, &state->whiteTexture);
        glDeleteBuffers(1, &state->captureBuffer);
    }
    // Without a context the names are simply forgotten: they died with it.
    auto forget = [](GlShader* shader) {
        shader->programs.clear();
        shader->capture = GlLinkedProgram();
        shader->vertexArray = 0;
    };
    forget(&state->pretransformed);
    for (std::shared_ptr<GlShader>& shader : state->shaders) {
        if (shader)
            forget(shader.get());
    }
    for (GlBufferState* buffer : state->buffers)
        buffer->name = 0;
    for (GlTextureState* texture : state->textures)
        texture->name = 0;
    state->backBufferFramebuffer = state->backBufferColor = state->backBufferDepth = 0;
    state->pixelBlockBuffer = state->whiteTexture = 0;
    state->samplers[0] = state->samplers[1] = 0;
    state->captureBuffer = 0;
    state->captureCapacity = 0;
}

bool GlBuildShader(GlDeviceState* state, GlShader* shader, std::string* error) {
    GlDeleteShader(shader);
    // Compiled here so that a shader the driver refuses fails at creation, but linked only when
    // drawn: a program linked for the stage state of the moment may never be drawn with, and
    // the driver holds each program's intermediate and compiled code while it lives.
    if (!GlCachedVertexSource(state->programCache, shader->glsl)) {
        const GLuint vertexShader = GlCompileShader(GL_VERTEX_SHADER, shader->glsl, error);
        ++state->counters.shadersCompiled;
        if (vertexShader == 0)
            return false;
        glDeleteShader(vertexShader);
        GlCacheVertexSource(state->programCache, shader->glsl);
    }
    shader->bindingsKnown = false;

    glCreateVertexArrays(1, &shader->vertexArray);
    for (const GlVertexLayout::Attribute& element : shader->layout.attributes) {
        GLint size = 4;
        GLenum type = GL_FLOAT;
        GLboolean normalized = GL_FALSE;
        switch (element.type) {
            case D3DVSDT_FLOAT1:
                size = 1;
                break;
            case D3DVSDT_FLOAT2:
                size = 2;
                break;
            case D3DVSDT_FLOAT3:
                size = 3;
                break;
            // GL_BGRA size swaps bytes 0 and 2, so .x reads red from byte 2 as Direct3D does.
            case D3DVSDT_D3DCOLOR:
                size = GL_BGRA;
                type = GL_UNSIGNED_BYTE;
                normalized = GL_TRUE;
                break;
            case D3DVSDT_UBYTE4:
                type = GL_UNSIGNED_BYTE;
                break;
            case D3DVSDT_SHORT2:
                size = 2;
                type = GL_SHORT;
                break;
            case D3DVSDT_SHORT4:
                type = GL_SHORT;
                break;
            default:
                break;
        }
        glEnableVertexArrayAttrib(shader->vertexArray, element.reg);
        glVertexArrayAttribFormat(shader->vertexArray, element.reg, size, type, normalized,
                                  element.offset);
        glVertexArrayAttribBinding(shader->vertexArray, element.reg, 0);
    }
    return true;
}

void GlDeleteShader(GlShader* shader) {
    for (const GlLinkedProgram& linked : shader->programs)
        glDeleteProgram(linked.program);
    shader->programs.clear();
    if (shader->capture.program != 0)
        glDeleteProgram(shader->capture.program);
    shader->capture = GlLinkedProgram();
    if (shader->vertexArray != 0)
        glDeleteVertexArrays(1, &shader->vertexArray);
    shader->vertexArray = 0;
}

HRESULT GlClear(GlDeviceState* state, DWORD count, const D3DRECT* rects, DWORD flags,
                D3DCOLOR color, float z) {
    GlStateCache& cache = state->cache;
    const GLuint framebuffer = state->backBufferFramebuffer;
    cache.DrawFramebuffer(framebuffer);
    // Clears ignore the depth-write state, as Direct3D's do.
    cache.ColorMask(state->backBufferHasAlpha);
    cache.DepthMask(true);
    state->dirty |= kDirtyRaster;
    float rgba[4];
    ColorToFloats(color, rgba);
    auto clear = [&] {
        if (flags & D3DCLEAR_TARGET)
            glClearNamedFramebufferfv(framebuffer, GL_COLOR, 0, rgba);
        if (flags & D3DCLEAR_ZBUFFER)
            glClearNamedFramebufferfv(framebuffer, GL_DEPTH, 0, &z);
    };
    if (count == 0 || rects == nullptr) {
        cache.Scissor(false);
        clear();
        return D3D_OK;
    }
    const LONG width = static_cast<LONG>(state->parameters.BackBufferWidth);
    const LONG height = static_cast<LONG>(state->parameters.BackBufferHeight);
    for (DWORD i = 0; i < count; ++i) {
        const LONG x1 = std::max<LONG>(rects[i].x1, 0), y1 = std::max<LONG>(rects[i].y1, 0);
        const LONG x2 = std::min<LONG>(rects[i].x2, width);
        const LONG y2 = std::min<LONG>(rects[i].y2, height);
        if (x2 <= x1 || y2 <= y1)
            continue;
        cache.Scissor(true);
        // Rectangles count rows from the top, GL from the bottom.
        glScissor(x1, height - y2, x2 - x1, y2 - y1);
        clear();
    }
    return D3D_OK;
}

HRESULT GlDrawIndexed(GlDeviceState* state, GlShader* shader, GLenum mode, GLsizei indexCount,
                      UINT startIndex, UINT primitiveCount) {
    const D3dRecordedState& recorded = state->recorded;
    const D3dRecordedState::Stream& stream = recorded.streams[shader->layout.stream];
    const GlBufferState* indices = recorded.indexState;
    ApplyDrawState(state);
    std::string error;
    GlLinkedProgram* linked = ProgramForKey(state, shader, &error);
    if (linked == nullptr) {
        return GlRefuse(state, GlRefusal::FailedShader,
                        "the vertex shader did not link with the fragment program: " + error);
    }
    ApplyShader(state, shader, linked, stream.state->name, stream.stride, indices->name);
    state->cache.Blend(BlendNeeded(state, *shader, stream));
    const bool wide = indices->format == D3DFMT_INDEX32;
    const uintptr_t offset = static_cast<uintptr_t>(startIndex) * (wide ? 4u : 2u);
    glDrawElementsBaseVertex(mode, indexCount, wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(offset),
                             static_cast<GLint>(recorded.baseVertexIndex));
    ++state->counters.draws;
    if (mode == GL_TRIANGLES || mode == GL_TRIANGLE_STRIP || mode == GL_TRIANGLE_FAN) {
        state->counters.triangles += primitiveCount;
    }
    return D3D_OK;
}

void GlPresent(GlDeviceState* state) {
    GlWindow* window = state->window;
    int windowWidth = 0, windowHeight = 0;
    window->GetDrawableSize(&windowWidth, &windowHeight);
    const int width = static_cast<int>(state->parameters.BackBufferWidth);
    const int height = static_cast<int>(state->parameters.BackBufferHeight);
    // The largest rectangle of the back buffer's aspect that fits, centred; the rest is black.
    int destWidth = windowWidth;
    int destHeight = windowHeight;
    if (static_cast<int64_t>(windowWidth) * height <= static_cast<int64_t>(windowHeight) * width) {
        destHeight =
            static_cast<int>(std::lround(static_cast<double>(height) * windowWidth / width));
    } else {
        destWidth =
            static_cast<int>(std::lround(static_cast<double>(width) * windowHeight / height));
    }
    const int x = (windowWidth - destWidth) / 2;
    const int y = (windowHeight - destHeight) / 2;

    const GLuint target = window->FramebufferName();
    GlStateCache& cache = state->cache;
    cache.DrawFramebuffer(target);
    cache.Scissor(false);
    cache.ColorMask(true);
    state->dirty |= kDirtyRaster;
    // Bars only where the picture leaves some: a window it fills needs no clear.
    if (destWidth != windowWidth || destHeight != windowHeight) {
        const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        glClearNamedFramebufferfv(target, GL_COLOR, 0, black);
    }
    const bool sameSize = destWidth == width && destHeight == height;
    glBlitNamedFramebuffer(state->backBufferFramebuffer, target, 0, 0, width, height, x, y,
                           x + destWidth, y + destHeight, GL_COLOR_BUFFER_BIT,
                           sameSize ? GL_NEAREST : GL_LINEAR);
    int interval = 1;
    switch (state->parameters.FullScreen_PresentationInterval) {
        case D3DPRESENT_INTERVAL_IMMEDIATE:
            interval = 0;
            break;
        case 2:
            interval = 2;
            break;  // D3DPRESENT_INTERVAL_TWO
        case 4:
            interval = 3;
            break;  // D3DPRESENT_INTERVAL_THREE
        case 8:
            interval = 4;
            break;  // D3DPRESENT_INTERVAL_FOUR
        default:
            break;
    }
    window->Swap(interval);
    DrainGlErrors(state);
}

bool GlReadBackBuffer(GlDeviceState* state, std::vector<uint8_t>* rgba, UINT* width, UINT* height) {
    const UINT w = state->parameters.BackBufferWidth;
    const UINT h = state->parameters.BackBufferHeight;
    std::vector<uint8_t> bottomUp(static_cast<size_t>(w) * h * 4);
    // The frame must be whole: a threaded rasteriser can still be filling tiles (see
    // GlWindow::ReadPixels).
    glFinish();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, state->backBufferFramebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_RGBA, GL_UNSIGNED_BYTE,
                 bottomUp.data());
    DrainGlErrors(state);
    const size_t row = static_cast<size_t>(w) * 4;
    rgba->resize(bottomUp.size());
    for (UINT yy = 0; yy < h; ++yy) {
        std::memcpy(rgba->data() + row * yy, bottomUp.data() + row * (h - 1 - yy), row);
    }
    *width = w;
    *height = h;
    return true;
}

HRESULT GlCapture(GlDeviceState* state, GlShader* shader, UINT count, std::vector<float>* floats) {
    const D3dRecordedState::Stream& stream = state->recorded.streams[shader->layout.stream];
    const GLsizeiptr bytes =
        static_cast<GLsizeiptr>(count) * kCapturedFloatsPerVertex * sizeof(float);
    if (state->captureBuffer == 0 || state->captureCapacity < bytes) {
        if (state->captureBuffer != 0)
            glDeleteBuffers(1, &state->captureBuffer);
        glCreateBuffers(1, &state->captureBuffer);
        glNamedBufferData(state->captureBuffer, bytes, nullptr, GL_STREAM_READ);
        state->captureCapacity = bytes;
    }
    // Any fragment program will do: nothing is drawn.
    std::string error;
    if (shader->capture.program == 0 &&
        !LinkProgram(state, shader, state->pixelKey, true, &shader->capture, &error)) {
        return GlRefuse(state, GlRefusal::FailedShader, error);
    }
    ApplyShader(state, shader, &shader->capture, stream.state->name, stream.stride, 0);
    // Even with rasterisation off a draw needs a complete framebuffer, and a surfaceless
    // context's default one is not.
    state->cache.DrawFramebuffer(state->backBufferFramebuffer);
    glEnable(GL_RASTERIZER_DISCARD);
    glBindBufferRange(GL_TRANSFORM_FEEDBACK_BUFFER, 0, state->captureBuffer, 0, bytes);
    glBeginTransformFeedback(GL_POINTS);
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(count));
    glEndTransformFeedback();
    glDisable(GL_RASTERIZER_DISCARD);
    floats->assign(static_cast<size_t>(count) * kCapturedFloatsPerVertex, 0.0f);
    glGetNamedBufferSubData(state->captureBuffer, 0, bytes, floats->data());
    DrainGlErrors(state);
    return D3D_OK;
}

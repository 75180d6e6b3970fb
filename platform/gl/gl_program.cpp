#include "platform/gl/gl_program.h"

#include <cstdio>
#include <vector>

namespace {

// Stage numbers are D3DTOP_* and arguments D3DTA_* (selector in the low four bits, 0x10
// complement, 0x20 alpha replicate), so the block carries Direct3D's values unchanged.
const char kFragmentSource[] = R"(#version 450 core
in vec4 vsDiffuse;
in vec4 vsSpecular;
in float vsFog;
in vec4 vsTexCoord0;
in vec4 vsTexCoord1;

layout(std140, binding = 0) uniform PixelState {
    ivec4 uColorStage[2];
    ivec4 uAlphaStage[2];
    vec4 uTextureFactor;
    vec4 uFogColor;
    ivec4 uFlags;
    vec4 uAlphaReference;
};
layout(binding = 0) uniform sampler2D uTexture0;
layout(binding = 1) uniform sampler2D uTexture1;
layout(location = 0) out vec4 fragColor;

const int kDisable = 1;

vec4 Argument(int argument, vec4 current, vec4 texel) {
    int source = argument & 15;
    vec4 value = current;
    if (source == 0) value = vsDiffuse;
    else if (source == 2) value = texel;
    else if (source == 3) value = uTextureFactor;
    else if (source == 4) value = vsSpecular;
    if ((argument & 32) != 0) value = value.aaaa;
    if ((argument & 16) != 0) value = vec4(1.0) - value;
    return value;
}

vec4 Combine(int op, vec4 a, vec4 b) {
    if (op == 3) return b;
    if (op == 4) return a * b;
    if (op == 5) return 2.0 * a * b;
    if (op == 6) return 4.0 * a * b;
    if (op == 7) return a + b;
    return a;
}

vec4 Stage(ivec4 color, ivec4 alpha, vec4 texel, vec4 current) {
    vec3 rgb = Combine(color.x, Argument(color.y, current, texel),
                       Argument(color.z, current, texel)).rgb;
    float a = current.a;
    if (alpha.x != kDisable) {
        a = Combine(alpha.x, Argument(alpha.y, current, texel),
                    Argument(alpha.z, current, texel)).a;
    }
    return clamp(vec4(rgb, a), 0.0, 1.0);
}

vec2 Coordinates(int set) { return set == 0 ? vsTexCoord0.xy : vsTexCoord1.xy; }

bool AlphaPasses(int func, float alpha) {
    float a = floor(alpha * 255.0 + 0.5);
    float reference = floor(uAlphaReference.x * 255.0 + 0.5);
    if (func == 1) return false;
    if (func == 2) return a < reference;
    if (func == 3) return a == reference;
    if (func == 4) return a <= reference;
    if (func == 5) return a > reference;
    if (func == 6) return a != reference;
    if (func == 7) return a >= reference;
    return true;
}

void main() {
    vec4 current = vsDiffuse;
    if (uColorStage[0].x != kDisable) {
        vec4 texel = texture(uTexture0, Coordinates(uColorStage[0].w));
        current = Stage(uColorStage[0], uAlphaStage[0], texel, current);
        if (uColorStage[1].x != kDisable) {
            texel = texture(uTexture1, Coordinates(uColorStage[1].w));
            current = Stage(uColorStage[1], uAlphaStage[1], texel, current);
        }
    }
    if (uFlags.y != 0 && !AlphaPasses(uFlags.y, current.a)) discard;
    if (uFlags.x != 0) current.rgb = mix(uFogColor.rgb, current.rgb, clamp(vsFog, 0.0, 1.0));
    fragColor = current;
}
)";

const char kPretransformedSource[] = R"(#version 450 core
layout(location = 0) in vec4 vPosition;
layout(location = 1) in vec4 vColor;
layout(location = 2) in vec4 vTexCoord;
uniform vec4 uPixelToClip;

out vec4 vsPosition;
out vec4 vsDiffuse;
out vec4 vsSpecular;
out float vsFog;
out vec4 vsTexCoord0;
out vec4 vsTexCoord1;

// kPixelCentreOffset of platform/gl/gl_program.h.
const float kPixelCentreOffset = 63.0 / 128.0;

void main() {
    float w = vPosition.w != 0.0 ? 1.0 / vPosition.w : 1.0;
    vec2 clip = vec2((vPosition.x + kPixelCentreOffset) * uPixelToClip.x - 1.0,
                     1.0 - (vPosition.y + kPixelCentreOffset) * uPixelToClip.y);
    vsPosition = vec4(clip, vPosition.z, 1.0) * w;
    gl_Position = vsPosition;
    vsDiffuse = vColor;
    vsSpecular = vec4(0.0);
    vsFog = 1.0;
    vsTexCoord0 = vec4(vTexCoord.xy, 0.0, 1.0);
    vsTexCoord1 = vec4(0.0, 0.0, 0.0, 1.0);
}
)";

const char* const kCapturedNames[] = {"vsPosition", "vsDiffuse",   "vsSpecular",
                                      "vsFog",      "vsTexCoord0", "vsTexCoord1"};

std::string InfoLog(GLuint object, bool program) {
    GLint length = 0;
    if (program) {
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    } else {
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    }
    if (length <= 0)
        return std::string();
    std::vector<char> log(static_cast<size_t>(length) + 1, '\0');
    if (program) {
        glGetProgramInfoLog(object, length, nullptr, log.data());
    } else {
        glGetShaderInfoLog(object, length, nullptr, log.data());
    }
    return std::string(log.data());
}

}  // namespace

const char* GlFragmentProgramSource() {
    return kFragmentSource;
}

const char* GlPretransformedVertexSource() {
    return kPretransformedSource;
}

std::string GlNumberedSource(const std::string& source) {
    std::string out;
    int line = 1;
    size_t start = 0;
    while (start < source.size()) {
        size_t end = source.find('\n', start);
        if (end == std::string::npos)
            end = source.size();
        char number[16];
        std::snprintf(number, sizeof number, "%4d: ", line++);
        out += number;
        out.append(source, start, end - start);
        out += '\n';
        start = end + 1;
    }
    return out;
}

GLuint GlCompileShader(GLenum stage, const std::string& source, std::string* error) {
    GLuint shader = glCreateShader(stage);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == GL_TRUE)
        return shader;
    if (error) {
        *error = std::string(stage == GL_VERTEX_SHADER ? "vertex" : "fragment") +
                 " shader GLSL did not compile:\n" + InfoLog(shader, false) +
                 "generated source:\n" + GlNumberedSource(source);
    }
    glDeleteShader(shader);
    return 0;
}

GLuint GlLinkProgram(GLuint vertexShader, GLuint fragmentShader, std::string* error) {
    GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glTransformFeedbackVaryings(program, 6, kCapturedNames, GL_INTERLEAVED_ATTRIBS);
    glLinkProgram(program);
    glDetachShader(program, vertexShader);
    glDetachShader(program, fragmentShader);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == GL_TRUE)
        return program;
    if (error)
        *error = "GLSL program did not link:\n" + InfoLog(program, true);
    glDeleteProgram(program);
    return 0;
}

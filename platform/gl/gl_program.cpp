#include "platform/gl/gl_program.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char kFragmentHead[] = R"(#version 450 core
in vec4 vsDiffuse;
in vec4 vsSpecular;
in float vsFog;
in vec4 vsTexCoord0;
in vec4 vsTexCoord1;

layout(std140, binding = 0) uniform PixelState {
    vec4 uTextureFactor;
    vec4 uFogColor;
    vec4 uAlphaReference;
};
layout(binding = 0) uniform sampler2D uTexture0;
layout(binding = 1) uniform sampler2D uTexture1;
layout(location = 0) out vec4 fragColor;

void main() {
    vec4 current = vsDiffuse;
)";

constexpr int32_t kDisable = 1;     // D3DTOP_DISABLE
constexpr int32_t kSelectArg1 = 2;  // D3DTOP_SELECTARG1
constexpr int32_t kSelectArg2 = 3;  // D3DTOP_SELECTARG2
constexpr int32_t kTexture = 2;     // D3DTA_TEXTURE
constexpr int32_t kNever = 1;       // D3DCMP_NEVER
constexpr int32_t kAlways = 8;      // D3DCMP_ALWAYS

// One D3DTA_* argument as a GLSL vec4 expression; texel is the stage's sample.
std::string Argument(int32_t argument, const std::string& texel) {
    std::string value;
    switch (argument & 15) {
        case 0:
            value = "vsDiffuse";
            break;
        case kTexture:
            value = texel;
            break;
        case 3:
            value = "uTextureFactor";
            break;
        case 4:
            value = "vsSpecular";
            break;
        default:
            value = "current";
            break;
    }
    if ((argument & 32) != 0)
        value += ".aaaa";
    if ((argument & 16) != 0)
        value = "(vec4(1.0) - " + value + ")";
    return value;
}

// One D3DTOP_* operation of two vec4 expressions; operations the program does not know draw
// as D3DTOP_SELECTARG1.
std::string Combine(int32_t op, const std::string& a, const std::string& b) {
    switch (op) {
        case kSelectArg2:
            return b;
        case 4:
            return "(" + a + " * " + b + ")";
        case 5:
            return "(2.0 * " + a + " * " + b + ")";
        case 6:
            return "(4.0 * " + a + " * " + b + ")";
        case 7:
            return "(" + a + " + " + b + ")";
        default:
            return a;
    }
}

bool ReadsTexture(int32_t op, int32_t arg1, int32_t arg2) {
    return op != kDisable && ((arg1 & 15) == kTexture || (arg2 & 15) == kTexture);
}

// An argument as Argument reads it: its source, any other source as the current colour, and
// the complement and alpha-replicate flags.
int32_t NormalArgument(int32_t argument) {
    const int32_t source = argument & 15;
    const bool known = source == 0 || source == kTexture || source == 3 || source == 4;
    return (known ? source : 1) | (argument & 48);
}

// An operation's two arguments with the one it does not read cleared.
void NormalOperation(int32_t* op) {
    op[1] = op[0] == kDisable || op[0] == kSelectArg2 ? 0 : NormalArgument(op[1]);
    op[2] = op[0] == kDisable || op[0] == kSelectArg1 ? 0 : NormalArgument(op[2]);
}

// Stage k: its sample when it reads a bound texture, then the colour and alpha operations,
// clamped as a fixed-point pipeline would.
void AppendStage(const GlPixelKey& key, int k, std::string* out) {
    const int32_t* color = key.colorStage[k];
    const int32_t* alpha = key.alphaStage[k];
    std::string texel = "vec4(1.0)";
    if (key.textured[k] != 0 && (ReadsTexture(color[0], color[1], color[2]) ||
                                 ReadsTexture(alpha[0], alpha[1], alpha[2]))) {
        texel = "texel" + std::to_string(k);
        *out += "    vec4 " + texel + " = texture(uTexture" + std::to_string(k) +
                (color[3] == 1 ? ", vsTexCoord1.xy);\n" : ", vsTexCoord0.xy);\n");
    }
    const std::string rgb =
        Combine(color[0], Argument(color[1], texel), Argument(color[2], texel)) + ".rgb";
    const std::string a =
        alpha[0] == kDisable
            ? std::string("current.a")
            : Combine(alpha[0], Argument(alpha[1], texel), Argument(alpha[2], texel)) + ".a";
    *out += "    current = clamp(vec4(" + rgb + ", " + a + "), 0.0, 1.0);\n";
}

const char* const kAlphaCompare[] = {"", "", "<", "==", "<=", ">", "!=", ">="};

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

bool operator==(const GlPixelKey& a, const GlPixelKey& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

GlPixelKey GlNormalPixelKey(const GlPixelKey& drawn) {
    GlPixelKey key;
    key.fog = drawn.fog != 0 ? 1 : 0;
    key.alphaFunc = drawn.alphaFunc >= kNever && drawn.alphaFunc < kAlways ? drawn.alphaFunc : 0;
    for (int k = 0; k < 2; ++k) {
        // A stage after a disabled one is disabled too; its fields stay cleared.
        key.colorStage[k][0] = kDisable;
        if (drawn.colorStage[k][0] == kDisable || (k > 0 && key.colorStage[0][0] == kDisable))
            continue;
        std::memcpy(key.colorStage[k], drawn.colorStage[k], 3 * sizeof(int32_t));
        std::memcpy(key.alphaStage[k], drawn.alphaStage[k], sizeof key.alphaStage[k]);
        NormalOperation(key.colorStage[k]);
        NormalOperation(key.alphaStage[k]);
        const int32_t* color = key.colorStage[k];
        const int32_t* alpha = key.alphaStage[k];
        if (drawn.textured[k] != 0 && (ReadsTexture(color[0], color[1], color[2]) ||
                                       ReadsTexture(alpha[0], alpha[1], alpha[2]))) {
            key.textured[k] = 1;
            key.colorStage[k][3] = drawn.colorStage[k][3] == 1 ? 1 : 0;
        }
    }
    return key;
}

std::string GlFragmentProgramSource(const GlPixelKey& drawn) {
    const GlPixelKey key = GlNormalPixelKey(drawn);
    std::string out = kFragmentHead;
    if (key.colorStage[0][0] != kDisable) {
        AppendStage(key, 0, &out);
        if (key.colorStage[1][0] != kDisable)
            AppendStage(key, 1, &out);
    }
    const int32_t func = key.alphaFunc;
    if (func == kNever) {
        out += "    discard;\n";
    } else if (func > kNever && func < kAlways) {
        // Compared in 0..255 steps, as Direct3D compares its 8-bit reference.
        out += "    if (!(floor(current.a * 255.0 + 0.5) " + std::string(kAlphaCompare[func]) +
               " floor(uAlphaReference.x * 255.0 + 0.5))) discard;\n";
    }
    if (key.fog != 0)
        out += "    current.rgb = mix(uFogColor.rgb, current.rgb, clamp(vsFog, 0.0, 1.0));\n";
    out += "    fragColor = current;\n}\n";
    return out;
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

GLuint GlLinkProgram(GLuint vertexShader, GLuint fragmentShader, bool capture,
                     std::string* error) {
    GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    if (capture)
        glTransformFeedbackVaryings(program, 6, kCapturedNames, GL_INTERLEAVED_ATTRIBS);
    glProgramParameteri(program, GL_PROGRAM_BINARY_RETRIEVABLE_HINT, GL_TRUE);
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

#include "platform/vshader/vs_glsl.h"

#include <charconv>

namespace {

// Helpers that give the GLSL the vs 1.x semantics the CPU interpreter has.
const char kHelpers[] =
    "const float kFltMax = 3.40282347e+38;\n"
    "float vsRcp(float s) { return s == 0.0 ? kFltMax : (s == 1.0 ? 1.0 : 1.0 / s); }\n"
    "float vsRsq(float s) {\n"
    "    float a = abs(s);\n"
    "    return a == 0.0 ? kFltMax : (a == 1.0 ? 1.0 : inversesqrt(a));\n"
    "}\n"
    "float vsLog(float s) { float a = abs(s); return a == 0.0 ? -kFltMax : log2(a); }\n"
    "vec4 vsExpp(float s) {\n"
    "    float f = floor(s);\n"
    "    return vec4(exp2(f), s - f, uintBitsToFloat(floatBitsToUint(exp2(s)) & 0xFFFFFF00u), "
    "1.0);\n"
    "}\n"
    "vec4 vsLogp(float s) {\n"
    "    float a = abs(s);\n"
    "    if (a == 0.0) return vec4(-kFltMax, 1.0, -kFltMax, 1.0);\n"
    "    uint bits = floatBitsToUint(a);\n"
    "    return vec4(float(int(bits >> 23) - 127), uintBitsToFloat((bits & 0x7FFFFFu) | "
    "0x3F800000u),\n"
    "                log2(a), 1.0);\n"
    "}\n"
    "vec4 vsLit(vec4 s) {\n"
    "    float power = clamp(s.w, -127.9961, 127.9961);\n"
    "    vec4 r = vec4(1.0, 0.0, 0.0, 1.0);\n"
    "    if (s.x > 0.0) {\n"
    "        r.y = s.x;\n"
    "        if (s.y > 0.0) r.z = pow(s.y, power);\n"
    "    }\n"
    "    return r;\n"
    "}\n"
    "int vsAddress(float s) { return abs(s) < 1.0e6 ? int(floor(s + 0.5)) : -1000000; }\n";

std::string Float(float value) {
    char buffer[64] = {};
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer) - 1, value);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".e") == std::string::npos)
        text += ".0";
    return text;
}

// Assembly text as a safe one-line GLSL comment: printable ASCII, no line continuation.
std::string CommentText(const std::string& text) {
    std::string out;
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '\\')
            out += '/';
        else if (byte < 0x20 || byte >= 0x7F)
            out += '?';
        else
            out += ch;
    }
    return out;
}

const char kComponents[] = "xyzw";

std::string Mask(DWORD mask) {
    std::string text;
    for (int k = 0; k < 4; ++k)
        if (mask & (1u << k))
            text += kComponents[k];
    return text;
}

class Translator {
  public:
    Translator(const VsProgram& program, const VsDeclaration& declaration)
        : m_program(program), m_declaration(declaration) {
        for (const VsDefinition& def : program.definitions)
            if (def.index < kVsConstCount) {
                m_defined[def.index] = true;
                m_defs[def.index] = def;
            }
    }

    std::string Run() {
        std::string body;
        for (const VsInstruction& ins : m_program.instructions)
            EmitInstruction(ins, &body);

        std::string glsl = "#version 450 core\n";
        glsl += "// Translated from vertex shader assembly vs.1." +
                std::to_string(m_program.minorVersion) + ".\n";
        bool declared[kVsInputCount] = {};
        for (const VsDeclaration::Element& e : m_declaration.elements)
            if (e.reg < kVsInputCount && !declared[e.reg]) {
                declared[e.reg] = true;
                glsl += "layout(location = " + std::to_string(e.reg) + ") in vec4 v" +
                        std::to_string(e.reg) + ";\n";
            }
        for (UINT r = 0; r < kVsInputCount; ++r)
            if (m_inputRead[r] && !declared[r])
                glsl += "const vec4 v" + std::to_string(r) +
                        " = vec4(0.0, 0.0, 0.0, 1.0);  // not in the declaration\n";
        glsl +=
            "uniform vec4 c[96];\n"
            "uniform vec4 uPositionFixup;\n"
            "out vec4 vsPosition;\n"
            "out vec4 vsDiffuse;\n"
            "out vec4 vsSpecular;\n"
            "out float vsFog;\n"
            "out vec4 vsTexCoord0;\n"
            "out vec4 vsTexCoord1;\n";
        glsl += kHelpers;
        glsl +=
            "// Constant register i: outside c0-c95 reads zero; the program's defs win.\n"
            "vec4 readConst(int i) {\n"
            "    if (i < 0 || i >= 96) return vec4(0.0);\n";
        for (UINT i = 0; i < kVsConstCount; ++i)
            if (m_defined[i])
                glsl += "    if (i == " + std::to_string(i) + ") return " + DefLiteral(i) + ";\n";
        glsl +=
            "    return c[i];\n"
            "}\n"
            "void main() {\n";
        for (UINT r = 0; r < kVsTempCount; ++r)
            glsl += "    vec4 r" + std::to_string(r) + " = vec4(0.0);\n";
        glsl +=
            "    int a0x = 0;\n"
            "    vec4 oPos = vec4(0.0);\n"
            "    vec4 oFog = vec4(1.0, 0.0, 0.0, 0.0);\n"
            "    vec4 oPts = vec4(0.0);\n"
            "    vec4 oD0 = vec4(1.0);\n"
            "    vec4 oD1 = vec4(0.0);\n";
        for (UINT t = 0; t < kVsTexCoordOutCount; ++t)
            glsl += "    vec4 oT" + std::to_string(t) + " = vec4(0.0, 0.0, 0.0, 1.0);\n";
        glsl += "    vec4 t;\n";
        glsl += body;
        glsl +=
            "    vsPosition = oPos;\n"
            "    vsDiffuse = oD0;\n"
            "    vsSpecular = oD1;\n"
            "    vsFog = oFog.x;\n"
            "    vsTexCoord0 = oT0;\n"
            "    vsTexCoord1 = oT1;\n"
            "    // Direct3D samples pixel centres half a pixel off GL's; the device says how.\n"
            "    gl_Position = oPos;\n"
            "    gl_Position.xy += uPositionFixup.xy * oPos.w;\n"
            "}\n";
        return glsl;
    }

  private:
    std::string DefLiteral(UINT i) const {
        const VsDefinition& d = m_defs[i];
        return "vec4(" + Float(d.value[0]) + ", " + Float(d.value[1]) + ", " + Float(d.value[2]) +
               ", " + Float(d.value[3]) + ")";
    }

    // The register `row` rows past the source's own, unswizzled.
    std::string Register(const VsSource& s, UINT row) {
        const UINT i = s.index + row;
        if (s.relative)
            return "readConst(a0x + " + std::to_string(i) + ")";
        switch (s.type) {
            case VsRegisterType::Temp:
                return i < kVsTempCount ? "r" + std::to_string(i) : "vec4(0.0)";
            case VsRegisterType::Input:
                if (i >= kVsInputCount)
                    return "vec4(0.0)";
                m_inputRead[i] = true;
                return "v" + std::to_string(i);
            case VsRegisterType::Const:
                if (i >= kVsConstCount)
                    return "vec4(0.0)";
                return m_defined[i] ? DefLiteral(i) : "c[" + std::to_string(i) + "]";
            default:
                return "vec4(0.0)";
        }
    }

    std::string Source(const VsSource& s) {
        std::string text = Register(s, 0);
        const bool identity =
            s.swizzle[0] == 0 && s.swizzle[1] == 1 && s.swizzle[2] == 2 && s.swizzle[3] == 3;
        if (!identity) {
            text += ".";
            for (int k = 0; k < 4; ++k)
                text += kComponents[s.swizzle[k] & 3];
        }
        return s.negate ? "(-" + text + ")" : text;
    }

    static std::string Destination(const VsDestination& d) {
        const std::string n = std::to_string(d.index);
        switch (d.type) {
            case VsRegisterType::Temp:
                return d.index < kVsTempCount ? "r" + n : "";
            case VsRegisterType::RastOut:
                if (d.index == kVsRastOutPosition)
                    return "oPos";
                if (d.index == kVsRastOutFog)
                    return "oFog";
                if (d.index == kVsRastOutPointSize)
                    return "oPts";
                return "";
            case VsRegisterType::AttrOut:
                return d.index < kVsColorOutCount ? "oD" + n : "";
            case VsRegisterType::TexCoordOut:
                return d.index < kVsTexCoordOutCount ? "oT" + n : "";
            default:
                return "";
        }
    }

    // The vec4 value of an arithmetic instruction, before the write mask.
    std::string Value(const VsInstruction& ins, const VsOpcodeInfo& info) {
        if (info.matrixRows > 0) {
            const std::string a = Source(ins.src[0]);
            const std::string part = info.matrixColumns == 4 ? "" : ".xyz";
            std::string text = "vec4(";
            for (UINT row = 0; row < 4; ++row) {
                if (row > 0)
                    text += ", ";
                text += row < info.matrixRows ? "dot((" + a + ")" + part + ", " +
                                                    Register(ins.src[1], row) + part + ")"
                                              : "0.0";
            }
            return text + ")";
        }
        const std::string a = ins.sourceCount > 0 ? Source(ins.src[0]) : "";
        const std::string b = ins.sourceCount > 1 ? Source(ins.src[1]) : "";
        const std::string c = ins.sourceCount > 2 ? Source(ins.src[2]) : "";
        switch (ins.opcode) {
            case VsOpcode::Mov:
                return a;
            case VsOpcode::Add:
                return a + " + " + b;
            case VsOpcode::Sub:
                return a + " - " + b;
            case VsOpcode::Mul:
                return a + " * " + b;
            case VsOpcode::Mad:
                return a + " * " + b + " + " + c;
            case VsOpcode::Min:
                return "mix(" + b + ", " + a + ", lessThan(" + a + ", " + b + "))";
            case VsOpcode::Max:
                return "mix(" + b + ", " + a + ", greaterThanEqual(" + a + ", " + b + "))";
            case VsOpcode::Slt:
                return "vec4(lessThan(" + a + ", " + b + "))";
            case VsOpcode::Sge:
                return "vec4(greaterThanEqual(" + a + ", " + b + "))";
            case VsOpcode::Dp3:
                return "vec4(dot((" + a + ").xyz, (" + b + ").xyz))";
            case VsOpcode::Dp4:
                return "vec4(dot(" + a + ", " + b + "))";
            case VsOpcode::Rcp:
                return "vec4(vsRcp((" + a + ").x))";
            case VsOpcode::Rsq:
                return "vec4(vsRsq((" + a + ").x))";
            case VsOpcode::Exp:
                return "vec4(exp2((" + a + ").x))";
            case VsOpcode::Log:
                return "vec4(vsLog((" + a + ").x))";
            case VsOpcode::Expp:
                return "vsExpp((" + a + ").x)";
            case VsOpcode::Logp:
                return "vsLogp((" + a + ").x)";
            case VsOpcode::Lit:
                return "vsLit(" + a + ")";
            case VsOpcode::Dst:
                return "vec4(1.0, (" + a + ").y * (" + b + ").y, (" + a + ").z, (" + b + ").w)";
            case VsOpcode::Frc:
                return a + " - floor(" + a + ")";
            default:
                return "";
        }
    }

    void EmitInstruction(const VsInstruction& ins, std::string* out) {
        *out += "    // " + std::to_string(ins.line) + ": " + CommentText(ins.text) + "\n";
        const VsOpcodeInfo* info = FindVsOpcode(ins.opcode);
        if (!info || ins.opcode == VsOpcode::Nop || ins.sourceCount != info->sourceCount)
            return;
        if (ins.dst.type == VsRegisterType::Address) {
            *out += "    a0x = vsAddress((" + Source(ins.src[0]) + ").x);\n";
            return;
        }
        const std::string target = Destination(ins.dst);
        const std::string value = Value(ins, *info);
        if (target.empty() || value.empty() || (ins.dst.writeMask & 0xF) == 0)
            return;
        *out += "    t = " + value + ";\n";
        if ((ins.dst.writeMask & 0xF) == 0xF)
            *out += "    " + target + " = t;\n";
        else
            *out += "    " + target + "." + Mask(ins.dst.writeMask) + " = t." +
                    Mask(ins.dst.writeMask) + ";\n";
    }

    const VsProgram& m_program;
    const VsDeclaration& m_declaration;
    bool m_defined[kVsConstCount] = {};
    VsDefinition m_defs[kVsConstCount];
    bool m_inputRead[kVsInputCount] = {};
};

}  // namespace

std::string TranslateVertexShaderToGlsl(const VsProgram& program,
                                        const VsDeclaration& declaration) {
    Translator translator(program, declaration);
    return translator.Run();
}

#include "platform/vshader/vs_program.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr DWORD kXyzw = 0xF;
constexpr DWORD kXyz = 0x7;
constexpr DWORD kXy = 0x3;

// The opcode table: every vs 1.x instruction with its operand counts and limits.
const VsOpcodeInfo kOpcodes[] = {
    // opcode, name, sources, slots, matrix rows, matrix columns, writable, scalar, minor
    {VsOpcode::Nop, "nop", 0, 1, 0, 0, 0, false, 0},
    {VsOpcode::Mov, "mov", 1, 1, 0, 0, kXyzw, false, 0},
    {VsOpcode::Add, "add", 2, 1, 0, 0, kXyzw, false, 0},
    {VsOpcode::Sub, "sub", 2, 1, 0, 0, kXyzw, false, 0},
    {VsOpcode::Mad, "mad", 3, 1, 0, 0, kXyzw, false, 0},
    {VsOpcode::Mul, "mul", 2, 1, 0, 0, kXyzw, false, 0},
    {VsOpcode::Rcp, "rcp", 1, 1, 0, 0, kXyzw, true, 0},
    {VsOpcode::Rsq, "rsq", 1, 1, 0, 0, kXyzw, true, 0},
    {VsOpcode::Dp3, "dp3", 2, 1, 0, 0, kXyzw, false, 0},
    {VsOpcode::Dp4, "dp4", 2, 1, 0, 0, kXyzw, false, 0},
    {VsOpcode::Min, "min", 2, 1, 0, 0, kXyzw, false, 0},
    {VsOpcode::Max, "max", 2, 1, 0, 0, kXyzw, false, 0},
    {VsOpcode::Slt, "slt", 2, 1, 0, 0, kXyzw, false, 0},
    {VsOpcode::Sge, "sge", 2, 1, 0, 0, kXyzw, false, 0},
    {VsOpcode::Exp, "exp", 1, 10, 0, 0, kXyzw, true, 0},
    {VsOpcode::Log, "log", 1, 10, 0, 0, kXyzw, true, 0},
    {VsOpcode::Lit, "lit", 1, 1, 0, 0, kXyzw, false, 0},
    {VsOpcode::Dst, "dst", 2, 1, 0, 0, kXyzw, false, 0},
    {VsOpcode::Frc, "frc", 1, 3, 0, 0, kXy, false, 0},
    {VsOpcode::M4x4, "m4x4", 2, 4, 4, 4, kXyzw, false, 0},
    {VsOpcode::M4x3, "m4x3", 2, 3, 3, 4, kXyz, false, 0},
    {VsOpcode::M3x4, "m3x4", 2, 4, 4, 3, kXyzw, false, 0},
    {VsOpcode::M3x3, "m3x3", 2, 3, 3, 3, kXyz, false, 0},
    {VsOpcode::M3x2, "m3x2", 2, 2, 2, 3, kXy, false, 0},
    {VsOpcode::Expp, "expp", 1, 1, 0, 0, kXyzw, true, 0},
    {VsOpcode::Logp, "logp", 1, 1, 0, 0, kXyzw, true, 0},
    {VsOpcode::Def, "def", 0, 0, 0, 0, kXyzw, false, 0},
};

// Token fields of the Direct3D 8 shader encoding.
constexpr DWORD kOpcodeMask = 0x0000FFFFu;
constexpr DWORD kCommentOpcode = 0xFFFEu;
constexpr DWORD kCommentSizeShift = 16;
constexpr DWORD kCommentSizeMask = 0x7FFFu;
constexpr DWORD kParamBit = 0x80000000u;
constexpr DWORD kRegTypeShift = 28;
constexpr DWORD kRegTypeMask = 0x7u;
constexpr DWORD kRegNumMask = 0x1FFFu;
constexpr DWORD kRelativeBit = 1u << 13;
constexpr DWORD kWriteMaskShift = 16;
constexpr DWORD kSwizzleShift = 16;
constexpr DWORD kSourceModShift = 24;
constexpr DWORD kSourceModMask = 0xFu;
constexpr DWORD kSourceModNegate = 1u;
// The comment that carries an instruction's assembly line: tag, line number, NUL-ended text.
constexpr DWORD kLineCommentTag = 0x4E4C5356u;  // "VSLN"
constexpr size_t kMaxLineText = 1024;

UINT RegisterLimit(VsRegisterType type) {
    switch (type) {
        case VsRegisterType::Temp:
            return kVsTempCount;
        case VsRegisterType::Input:
            return kVsInputCount;
        case VsRegisterType::Const:
            return kVsConstCount;
        case VsRegisterType::Address:
            return 1;
        case VsRegisterType::RastOut:
            return 3;
        case VsRegisterType::AttrOut:
            return kVsColorOutCount;
        case VsRegisterType::TexCoordOut:
            return kVsTexCoordOutCount;
    }
    return 0;
}

std::string RegisterName(VsRegisterType type, UINT index) {
    const std::string n = std::to_string(index);
    switch (type) {
        case VsRegisterType::Temp:
            return "r" + n;
        case VsRegisterType::Input:
            return "v" + n;
        case VsRegisterType::Const:
            return "c" + n;
        case VsRegisterType::Address:
            return "a" + n;
        case VsRegisterType::RastOut:
            if (index == kVsRastOutPosition)
                return "oPos";
            if (index == kVsRastOutFog)
                return "oFog";
            if (index == kVsRastOutPointSize)
                return "oPts";
            return "o?" + n;
        case VsRegisterType::AttrOut:
            return "oD" + n;
        case VsRegisterType::TexCoordOut:
            return "oT" + n;
    }
    return "?" + n;
}

std::string SourceRegisterName(const VsSource& s) {
    if (!s.relative)
        return RegisterName(s.type, s.index);
    if (s.index == 0)
        return "c[a0.x]";
    return "c[a0.x + " + std::to_string(s.index) + "]";
}

const char kComponentNames[] = "xyzw";

std::string MaskSuffix(DWORD mask) {
    if (mask == kXyzw)
        return std::string();
    std::string text = ".";
    for (int k = 0; k < 4; ++k)
        if (mask & (1u << k))
            text += kComponentNames[k];
    return text;
}

std::string SwizzleSuffix(const uint8_t swizzle[4]) {
    if (swizzle[0] == 0 && swizzle[1] == 1 && swizzle[2] == 2 && swizzle[3] == 3)
        return std::string();
    int length = 4;  // trailing repeats are implied, as assembly writes them (.xy = .xyyy)
    while (length > 1 && swizzle[length - 1] == swizzle[length - 2])
        --length;
    std::string text = ".";
    for (int k = 0; k < length; ++k)
        text += kComponentNames[swizzle[k] & 3];
    return text;
}

std::string FormatFloat(float value) {
    char buffer[64] = {};
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer) - 1, value);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".en") == std::string::npos)
        text += ".0";
    return text;
}

bool IsReplicate(const uint8_t swizzle[4]) {
    return swizzle[0] == swizzle[1] && swizzle[1] == swizzle[2] && swizzle[2] == swizzle[3];
}

bool IsIdentity(const uint8_t swizzle[4]) {
    return swizzle[0] == 0 && swizzle[1] == 1 && swizzle[2] == 2 && swizzle[3] == 3;
}

// Components of source `s` (0-based operand) that an instruction reads, before swizzling.
DWORD ComponentsRead(const VsOpcodeInfo& info, const VsInstruction& ins, UINT s) {
    const VsSource& src = ins.src[s];
    auto through = [&](DWORD wanted) {
        DWORD mask = 0;
        for (int k = 0; k < 4; ++k)
            if (wanted & (1u << k))
                mask |= 1u << (src.swizzle[k] & 3);
        return mask;
    };
    if (info.matrixRows > 0)
        return s == 0 ? through(info.matrixColumns == 4 ? kXyzw : kXyz) : 0;
    if (info.scalarSource)
        return through(0x1);
    switch (ins.opcode) {
        case VsOpcode::Dp3:
            return through(kXyz);
        case VsOpcode::Dp4:
            return through(kXyzw);
        case VsOpcode::Lit:
            return through(0x1 | 0x2 | 0x8);
        case VsOpcode::Dst:
            return through(s == 0 ? (0x2 | 0x4) : (0x2 | 0x8));
        default:
            return through(ins.dst.writeMask);
    }
}

struct Checker {
    const VsProgram& program;
    std::vector<VsDiagnostic>* out;
    bool ok = true;

    void Report(UINT line, UINT instruction, const std::string& message) {
        ok = false;
        if (out)
            out->push_back({line, instruction, message});
    }
};

void CheckSource(Checker& c, const VsOpcodeInfo& info, const VsInstruction& ins, UINT s,
                 UINT position) {
    const VsSource& src = ins.src[s];
    auto report = [&](const std::string& m) { c.Report(ins.line, position, m); };
    switch (src.type) {
        case VsRegisterType::Temp:
        case VsRegisterType::Input:
        case VsRegisterType::Const:
            break;
        default:
            report("register " + RegisterName(src.type, src.index) + " cannot be read");
            return;
    }
    const bool matrix = info.matrixRows > 0 && s == 1;
    const UINT rows = matrix ? info.matrixRows : 1;
    const UINT limit = RegisterLimit(src.type);
    if (src.relative) {
        if (src.type != VsRegisterType::Const) {
            report("relative addressing applies to constant registers only");
            return;
        }
        if (c.program.minorVersion < 1)
            report("relative addressing c[a0.x + n] needs vs.1.1");
    }
    if (src.index >= limit || src.index + rows - 1 >= limit) {
        const std::string name = SourceRegisterName(src);
        if (matrix && src.index < limit)
            report(info.name + std::string(" reads ") + std::to_string(rows) + " registers from " +
                   name + ", beyond " + RegisterName(src.type, limit - 1));
        else
            report("register " + name + " out of range (" + RegisterName(src.type, 0) + "-" +
                   RegisterName(src.type, limit - 1) + ")");
        return;
    }
    if (info.scalarSource && !IsReplicate(src.swizzle))
        report(std::string(info.name) + " needs a single-component swizzle (.x, .y, .z or .w)");
    if (matrix && (!IsIdentity(src.swizzle) || src.negate))
        report(std::string(info.name) + " takes no swizzle or negation on its matrix operand");
}

void CheckInstruction(Checker& c, const VsInstruction& ins, UINT position, DWORD written[],
                      bool* addressWritten, bool* positionWritten, UINT* slots) {
    auto report = [&](const std::string& m) { c.Report(ins.line, position, m); };
    const VsOpcodeInfo* info = FindVsOpcode(ins.opcode);
    if (!info || ins.opcode == VsOpcode::Def) {
        report("not a vs 1.x instruction (opcode " +
               std::to_string(static_cast<unsigned>(ins.opcode)) + ")");
        return;
    }
    if (info->minorVersion > c.program.minorVersion)
        report(std::string(info->name) + " needs vs.1." + std::to_string(info->minorVersion));
    *slots += info->slots;
    if (ins.sourceCount != info->sourceCount) {
        report(std::string(info->name) + " takes " + std::to_string(info->sourceCount + 1) +
               " operands");
        return;
    }
    if (ins.opcode == VsOpcode::Nop)
        return;

    // Sources: files, ranges, forms, read ports, reads before writes.
    UINT constSeen = 0, inputSeen = 0, tempSeen = 0;
    const VsSource* seen[3] = {};
    for (UINT s = 0; s < ins.sourceCount; ++s) {
        const VsSource& src = ins.src[s];
        CheckSource(c, *info, ins, s, position);
        bool repeat = false;
        for (UINT k = 0; k < s; ++k)
            repeat = repeat || (seen[k]->type == src.type && seen[k]->index == src.index &&
                                seen[k]->relative == src.relative);
        seen[s] = &src;
        if (!repeat) {
            if (src.type == VsRegisterType::Const)
                ++constSeen;
            if (src.type == VsRegisterType::Input)
                ++inputSeen;
            if (src.type == VsRegisterType::Temp)
                ++tempSeen;
        }
        if (src.relative && !*addressWritten)
            report("a0.x is used before it is written");
        if (src.type == VsRegisterType::Temp && src.index < kVsTempCount) {
            const bool matrix = info->matrixRows > 0 && s == 1;
            const UINT rows = matrix ? info->matrixRows : 1;
            const DWORD need =
                matrix ? (info->matrixColumns == 4 ? kXyzw : kXyz) : ComponentsRead(*info, ins, s);
            for (UINT row = 0; row < rows && src.index + row < kVsTempCount; ++row) {
                const DWORD missing = need & ~written[src.index + row];
                if (missing)
                    report(RegisterName(src.type, src.index + row) + MaskSuffix(missing) +
                           " is read before it is written");
            }
        }
    }
    if (constSeen > 1)
        report("more than one constant register read in one instruction");
    if (inputSeen > 1)
        report("more than one input register read in one instruction");
    if (tempSeen > 3)
        report("more than three temporary registers read in one instruction");

    // Destination.
    const VsDestination& dst = ins.dst;
    const std::string name = RegisterName(dst.type, dst.index);
    switch (dst.type) {
        case VsRegisterType::Input:
        case VsRegisterType::Const:
            report("register " + name + " cannot be written");
            return;
        case VsRegisterType::Address:
            if (c.program.minorVersion < 1)
                report("the address register a0 needs vs.1.1");
            if (ins.opcode != VsOpcode::Mov)
                report("only mov can write a0");
            if (dst.writeMask != 0x1)
                report("a0 is written through a0.x only");
            break;
        default:
            break;
    }
    if (dst.index >= RegisterLimit(dst.type)) {
        report("register " + name + " out of range");
        return;
    }
    if (dst.writeMask == 0 || (dst.writeMask & ~info->writableMask))
        report(std::string(info->name) + " cannot write " + name + MaskSuffix(dst.writeMask) +
               " (it writes at most " + MaskSuffix(info->writableMask) + ")");
    if (dst.type == VsRegisterType::Temp)
        written[dst.index] |= dst.writeMask;
    if (dst.type == VsRegisterType::Address)
        *addressWritten = true;
    if (dst.type == VsRegisterType::RastOut && dst.index == kVsRastOutPosition)
        *positionWritten = true;
}

// Reads the tokens of one parameter; false when beyond `count`.
bool Fetch(const DWORD* tokens, size_t count, size_t* i, DWORD* token) {
    if (*i >= count)
        return false;
    *token = tokens[(*i)++];
    return true;
}

HRESULT Refuse(std::string* error, const std::string& message) {
    if (error)
        *error = message;
    return D3DERR_INVALIDCALL;
}

std::string Hex(DWORD value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        text += digits[(value >> shift) & 0xF];
    return text;
}

bool DecodeDestination(DWORD token, VsDestination* dst) {
    const DWORD known =
        kParamBit | (kRegTypeMask << kRegTypeShift) | (0xFu << kWriteMaskShift) | kRegNumMask;
    if (!(token & kParamBit) || (token & ~known) || (token & kRelativeBit))
        return false;
    const DWORD type = (token >> kRegTypeShift) & kRegTypeMask;
    if (type > static_cast<DWORD>(VsRegisterType::TexCoordOut))
        return false;
    dst->type = static_cast<VsRegisterType>(type);
    dst->index = token & kRegNumMask;
    dst->writeMask = (token >> kWriteMaskShift) & 0xF;
    return true;
}

bool DecodeSource(DWORD token, VsSource* src) {
    const DWORD known = kParamBit | (kRegTypeMask << kRegTypeShift) |
                        (kSourceModMask << kSourceModShift) | (0xFFu << kSwizzleShift) |
                        kRelativeBit | kRegNumMask;
    if (!(token & kParamBit) || (token & ~known))
        return false;
    const DWORD type = (token >> kRegTypeShift) & kRegTypeMask;
    const DWORD modifier = (token >> kSourceModShift) & kSourceModMask;
    if (type > static_cast<DWORD>(VsRegisterType::TexCoordOut))
        return false;
    if (modifier != 0 && modifier != kSourceModNegate)
        return false;
    src->type = static_cast<VsRegisterType>(type);
    src->relative = (token & kRelativeBit) != 0;
    src->index = token & kRegNumMask;
    src->negate = modifier == kSourceModNegate;
    for (int k = 0; k < 4; ++k)
        src->swizzle[k] = (token >> (kSwizzleShift + 2 * k)) & 3;
    return true;
}

DWORD EncodeDestination(const VsDestination& dst) {
    return kParamBit | (static_cast<DWORD>(dst.type) << kRegTypeShift) |
           ((dst.writeMask & 0xF) << kWriteMaskShift) | (dst.index & kRegNumMask);
}

DWORD EncodeSource(const VsSource& src) {
    DWORD swizzle = 0;
    for (int k = 0; k < 4; ++k)
        swizzle |= static_cast<DWORD>(src.swizzle[k] & 3) << (2 * k);
    return kParamBit | (static_cast<DWORD>(src.type) << kRegTypeShift) |
           (swizzle << kSwizzleShift) | (src.negate ? kSourceModNegate << kSourceModShift : 0) |
           (src.relative ? kRelativeBit : 0) | (src.index & kRegNumMask);
}

void EncodeLineComment(UINT line, const std::string& text, std::vector<DWORD>* tokens) {
    if (line == 0 && text.empty())
        return;
    const size_t length = text.size() < kMaxLineText ? text.size() : kMaxLineText;
    const size_t textWords = (length + 1 + 3) / 4;  // the bytes and their NUL, padded
    const DWORD size = static_cast<DWORD>(2 + textWords);
    tokens->push_back(kCommentOpcode | (size << kCommentSizeShift));
    tokens->push_back(kLineCommentTag);
    tokens->push_back(line);
    std::vector<char> bytes(textWords * 4, '\0');
    std::memcpy(bytes.data(), text.data(), length);
    for (size_t w = 0; w < textWords; ++w) {
        DWORD word = 0;
        std::memcpy(&word, bytes.data() + 4 * w, 4);
        tokens->push_back(word);
    }
}

}  // namespace

const VsOpcodeInfo* FindVsOpcode(VsOpcode opcode) {
    for (const VsOpcodeInfo& info : kOpcodes)
        if (info.opcode == opcode)
            return &info;
    return nullptr;
}

const VsOpcodeInfo* FindVsOpcode(const char* name, size_t length) {
    if (!name)
        return nullptr;
    for (const VsOpcodeInfo& info : kOpcodes) {
        if (std::strlen(info.name) != length)
            continue;
        bool same = true;
        for (size_t k = 0; k < length && same; ++k) {
            char ch = name[k];
            if (ch >= 'A' && ch <= 'Z')
                ch = static_cast<char>(ch - 'A' + 'a');
            same = ch == info.name[k];
        }
        if (same)
            return &info;
    }
    return nullptr;
}

bool CheckVertexShader(const VsProgram& program, std::vector<VsDiagnostic>* diagnostics) {
    Checker c{program, diagnostics};
    if (program.minorVersion > 1)
        c.Report(0, 0, "unsupported version vs.1." + std::to_string(program.minorVersion));

    bool defined[kVsConstCount] = {};
    for (const VsDefinition& def : program.definitions) {
        if (def.index >= kVsConstCount) {
            c.Report(def.line, 0,
                     "def register c" + std::to_string(def.index) + " out of range (c0-c95)");
            continue;
        }
        if (defined[def.index])
            c.Report(def.line, 0, "c" + std::to_string(def.index) + " is defined twice");
        defined[def.index] = true;
        for (float v : def.value)
            if (!std::isfinite(v))
                c.Report(def.line, 0, "def value is not a finite number");
    }

    DWORD written[kVsTempCount] = {};
    bool addressWritten = false;
    bool positionWritten = false;
    UINT slots = 0;
    for (size_t i = 0; i < program.instructions.size(); ++i)
        CheckInstruction(c, program.instructions[i], static_cast<UINT>(i + 1), written,
                         &addressWritten, &positionWritten, &slots);
    const UINT lastLine = program.instructions.empty() ? 0 : program.instructions.back().line;
    if (slots > kVsMaxInstructionSlots)
        c.Report(lastLine, 0,
                 "too many instruction slots: " + std::to_string(slots) + " (at most " +
                     std::to_string(kVsMaxInstructionSlots) + ")");
    if (!positionWritten)
        c.Report(lastLine, 0, "oPos is never written");
    return c.ok;
}

void EncodeVertexShader(const VsProgram& program, std::vector<DWORD>* tokens) {
    tokens->clear();
    tokens->push_back(program.minorVersion == 0 ? kVsVersion10 : kVsVersion11);
    for (const VsDefinition& def : program.definitions) {
        EncodeLineComment(def.line, def.text, tokens);
        tokens->push_back(static_cast<DWORD>(VsOpcode::Def));
        VsDestination dst;
        dst.type = VsRegisterType::Const;
        dst.index = def.index;
        tokens->push_back(EncodeDestination(dst));
        for (float v : def.value) {
            DWORD bits = 0;
            std::memcpy(&bits, &v, sizeof(bits));
            tokens->push_back(bits);
        }
    }
    for (const VsInstruction& ins : program.instructions) {
        EncodeLineComment(ins.line, ins.text, tokens);
        tokens->push_back(static_cast<DWORD>(ins.opcode));
        if (ins.opcode == VsOpcode::Nop)
            continue;
        tokens->push_back(EncodeDestination(ins.dst));
        for (UINT s = 0; s < ins.sourceCount && s < 3; ++s)
            tokens->push_back(EncodeSource(ins.src[s]));
    }
    tokens->push_back(kVsEndToken);
}

HRESULT DecodeVertexShader(const DWORD* tokens, VsProgram* program, std::string* error) {
    return DecodeVertexShader(tokens, std::numeric_limits<size_t>::max(), program, error);
}

HRESULT DecodeVertexShader(const DWORD* tokens, size_t count, VsProgram* program,
                           std::string* error) {
    if (!tokens || !program)
        return Refuse(error, "no tokens or no output");
    if (count == 0)
        return Refuse(error, "empty token stream");
    VsProgram decoded;
    if (tokens[0] == kVsVersion10)
        decoded.minorVersion = 0;
    else if (tokens[0] == kVsVersion11)
        decoded.minorVersion = 1;
    else
        return Refuse(error, "not a vs.1.0 or vs.1.1 version token: " + Hex(tokens[0]));

    // Bounds the tokens read when the caller gives no count: at most this many instructions.
    const size_t maxEntries = kVsMaxInstructionSlots + kVsConstCount;
    UINT pendingLine = 0;
    std::string pendingText;
    size_t i = 1;
    for (;;) {
        DWORD token = 0;
        const size_t at = i;
        if (!Fetch(tokens, count, &i, &token))
            return Refuse(error, "no end token");
        if (token == kVsEndToken)
            break;
        auto refuseAt = [&](const std::string& m) {
            return Refuse(error, "token " + std::to_string(at) + ": " + m);
        };
        const DWORD opcode = token & kOpcodeMask;
        if (opcode == kCommentOpcode) {
            if (token & kParamBit)
                return refuseAt("malformed comment token " + Hex(token));
            const size_t size = (token >> kCommentSizeShift) & kCommentSizeMask;
            if (count - i < size)
                return refuseAt("comment runs past the end of the tokens");
            if (size >= 2 && tokens[i] == kLineCommentTag) {
                pendingLine = tokens[i + 1];
                pendingText.clear();
                const auto* bytes = reinterpret_cast<const unsigned char*>(tokens + i + 2);
                for (size_t b = 0; b < (size - 2) * 4 && bytes[b] != 0; ++b)
                    pendingText += static_cast<char>(bytes[b]);
            }
            i += size;
            continue;
        }
        if (decoded.definitions.size() + decoded.instructions.size() >= maxEntries)
            return refuseAt("more instructions than a vs 1.x program can hold");
        if (token & ~kOpcodeMask)
            return refuseAt("malformed instruction token " + Hex(token));
        const VsOpcodeInfo* info = FindVsOpcode(static_cast<VsOpcode>(opcode));
        if (!info)
            return refuseAt("unknown opcode " + std::to_string(opcode));

        if (info->opcode == VsOpcode::Def) {
            DWORD param = 0;
            VsDestination dst;
            if (!Fetch(tokens, count, &i, &param) || !DecodeDestination(param, &dst) ||
                dst.type != VsRegisterType::Const || dst.writeMask != kXyzw)
                return refuseAt("def needs a whole constant register");
            VsDefinition def;
            def.index = dst.index;
            for (float& v : def.value) {
                DWORD bits = 0;
                if (!Fetch(tokens, count, &i, &bits))
                    return refuseAt("def values cut short");
                std::memcpy(&v, &bits, sizeof(v));
            }
            def.line = pendingLine;
            def.text = pendingText.empty() ? FormatVsDefinition(def) : pendingText;
            decoded.definitions.push_back(def);
        } else {
            VsInstruction ins;
            ins.opcode = info->opcode;
            ins.sourceCount = info->sourceCount;
            DWORD param = 0;
            if (info->opcode != VsOpcode::Nop &&
                (!Fetch(tokens, count, &i, &param) || !DecodeDestination(param, &ins.dst)))
                return refuseAt(std::string("bad destination parameter of ") + info->name);
            for (UINT s = 0; s < info->sourceCount; ++s)
                if (!Fetch(tokens, count, &i, &param) || !DecodeSource(param, &ins.src[s]))
                    return refuseAt(std::string("bad source parameter of ") + info->name);
            ins.line = pendingLine;
            ins.text = pendingText.empty() ? FormatVsInstruction(ins) : pendingText;
            decoded.instructions.push_back(ins);
        }
        pendingLine = 0;
        pendingText.clear();
    }

    std::vector<VsDiagnostic> diagnostics;
    if (!CheckVertexShader(decoded, &diagnostics)) {
        std::string message;
        for (const VsDiagnostic& d : diagnostics) {
            if (!message.empty())
                message += "\n";
            if (d.line != 0)
                message += "line " + std::to_string(d.line) + ": ";
            else if (d.instruction != 0)
                message += "instruction " + std::to_string(d.instruction) + ": ";
            message += d.message;
        }
        return Refuse(error, message);
    }
    *program = std::move(decoded);
    if (error)
        error->clear();
    return D3D_OK;
}

std::string FormatVsInstruction(const VsInstruction& ins) {
    const VsOpcodeInfo* info = FindVsOpcode(ins.opcode);
    std::string text = info ? info->name : "op" + std::to_string(static_cast<int>(ins.opcode));
    if (ins.opcode == VsOpcode::Nop)
        return text;
    text += " " + RegisterName(ins.dst.type, ins.dst.index);
    const bool macroDefault = info && ins.dst.writeMask == info->writableMask;
    if (!macroDefault)
        text += MaskSuffix(ins.dst.writeMask);
    for (UINT s = 0; s < ins.sourceCount && s < 3; ++s) {
        const VsSource& src = ins.src[s];
        text += ", ";
        if (src.negate)
            text += "-";
        text += SourceRegisterName(src) + SwizzleSuffix(src.swizzle);
    }
    return text;
}

std::string FormatVsDefinition(const VsDefinition& def) {
    std::string text = "def c" + std::to_string(def.index);
    for (float v : def.value)
        text += ", " + FormatFloat(v);
    return text;
}

std::string DumpVertexShader(const VsProgram& program) {
    std::string text = "vs.1." + std::to_string(program.minorVersion) + "\n";
    for (const VsDefinition& def : program.definitions)
        text += FormatVsDefinition(def) + "\n";
    for (const VsInstruction& ins : program.instructions)
        text += FormatVsInstruction(ins) + "\n";
    return text;
}

int VsDiffuseAlphaSource(const VsProgram& program) {
    int source = kVsDiffuseAlphaDefault;
    for (const VsInstruction& ins : program.instructions) {
        if (ins.dst.type != VsRegisterType::AttrOut || ins.dst.index != 0 ||
            (ins.dst.writeMask & 8u) == 0) {
            continue;
        }
        const VsSource& from = ins.src[0];
        const bool copy = ins.opcode == VsOpcode::Mov && ins.sourceCount == 1 &&
                          from.type == VsRegisterType::Input &&
                          !from.relative && !from.negate && from.swizzle[3] == 3;
        source = copy ? static_cast<int>(from.index) : kVsDiffuseAlphaUnknown;
    }
    return source;
}

#include "platform/vshader/vs_assembler.h"

#include <charconv>
#include <cmath>

namespace {

// One line of text with its comments removed.
struct SourceLine {
    UINT number = 0;
    std::string text;  // trimmed; empty for blank and comment-only lines
};

// Register indices are capped while reading digits so that no count overflows; anything this
// large is out of range for every register file and is reported by the check.
constexpr UINT kIndexCap = 100000;

bool IsSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\v' || ch == '\f';
}

char Lower(char ch) {
    return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}

std::string Trim(const std::string& s) {
    size_t begin = 0, end = s.size();
    while (begin < end && IsSpace(s[begin]))
        ++begin;
    while (end > begin && IsSpace(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

std::string LowerNoSpaces(const std::string& s) {
    std::string out;
    for (char ch : s)
        if (!IsSpace(ch))
            out += Lower(ch);
    return out;
}

// Printable form of an operand for messages (the text is ASCII by the time it gets here).
std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

class Assembler {
  public:
    explicit Assembler(const char* name) : m_name(name && *name ? name : "shader") {}

    HRESULT Run(const char* text, size_t length, VsProgram* program, std::string* errors) {
        std::vector<SourceLine> lines;
        SplitLines(text, length, &lines);
        VsProgram parsed;
        size_t next = 0;
        while (next < lines.size() && lines[next].text.empty())
            ++next;
        if (next == lines.size()) {
            Error(lines.empty() ? 1 : lines.back().number,
                  "missing version: the shader must begin with vs.1.0 or vs.1.1");
        } else if (ParseVersion(lines[next], &parsed)) {
            const UINT versionLine = lines[next].number;
            for (++next; next < lines.size(); ++next)
                if (!lines[next].text.empty())
                    ParseLine(lines[next], &parsed);
            if (m_messages.empty())
                Check(parsed, versionLine);
        }
        if (!m_messages.empty()) {
            if (errors)
                *errors = m_messages;
            return D3DXERR_INVALIDDATA;
        }
        if (errors)
            errors->clear();
        *program = std::move(parsed);
        return D3D_OK;
    }

  private:
    void Error(UINT line, const std::string& message) {
        m_messages += m_name + "(" + std::to_string(line) + "): " + message + "\n";
    }

    // Strips comments, keeps line numbers; bytes outside printable ASCII are errors outside
    // comments (comments may hold any bytes).
    void SplitLines(const char* text, size_t length, std::vector<SourceLine>* lines) {
        SourceLine current;
        current.number = 1;
        bool inBlock = false;
        UINT blockStart = 0;
        bool badCharacter = false;
        for (size_t i = 0; i < length && text[i] != '\0'; ++i) {
            const char ch = text[i];
            if (ch == '\n') {
                current.text = Trim(current.text);
                lines->push_back(current);
                current = SourceLine();
                current.number = static_cast<UINT>(lines->size() + 1);
                badCharacter = false;
                continue;
            }
            if (inBlock) {
                if (ch == '*' && i + 1 < length && text[i + 1] == '/') {
                    inBlock = false;
                    ++i;
                }
                continue;
            }
            if (ch == ';' || (ch == '/' && i + 1 < length && text[i + 1] == '/')) {
                while (i + 1 < length && text[i + 1] != '\n' && text[i + 1] != '\0')
                    ++i;
                continue;
            }
            if (ch == '/' && i + 1 < length && text[i + 1] == '*') {
                inBlock = true;
                blockStart = current.number;
                current.text += ' ';
                ++i;
                continue;
            }
            const auto byte = static_cast<unsigned char>(ch);
            if ((byte < 0x20 && !IsSpace(ch)) || byte >= 0x7F) {
                if (!badCharacter)
                    Error(current.number, "unexpected character outside a comment");
                badCharacter = true;
                continue;
            }
            current.text += ch;
        }
        current.text = Trim(current.text);
        lines->push_back(current);
        if (inBlock)
            Error(blockStart, "unterminated /* comment");
    }

    bool ParseVersion(const SourceLine& line, VsProgram* program) {
        const std::string v = LowerNoSpaces(line.text);
        if (v == "vs.1.0" || v == "vs.1.1") {
            program->minorVersion = v == "vs.1.0" ? 0 : 1;
            return true;
        }
        if (v.compare(0, 3, "vs.") == 0 || v.compare(0, 3, "vs_") == 0)
            Error(line.number,
                  "unsupported version " + Quote(line.text) + " (vs.1.0 and vs.1.1 are supported)");
        else
            Error(line.number, "missing version: the shader must begin with vs.1.0 or vs.1.1");
        return false;
    }

    void ParseLine(const SourceLine& line, VsProgram* program) {
        const std::string& text = line.text;
        size_t nameEnd = 0;
        while (nameEnd < text.size() && !IsSpace(text[nameEnd]))
            ++nameEnd;
        const std::string name = text.substr(0, nameEnd);
        const std::string lowered = LowerNoSpaces(name);
        if (lowered.compare(0, 3, "vs.") == 0) {
            Error(line.number, "the version may be given only once, on the first line");
            return;
        }
        const VsOpcodeInfo* info = FindVsOpcode(name.c_str(), name.size());
        if (!info) {
            Error(line.number, "unknown opcode " + Quote(name));
            return;
        }
        std::vector<std::string> operands;
        const std::string rest = Trim(text.substr(nameEnd));
        if (!rest.empty()) {
            size_t start = 0;
            for (;;) {
                const size_t comma = rest.find(',', start);
                operands.push_back(Trim(rest.substr(start, comma - start)));
                if (comma == std::string::npos)
                    break;
                start = comma + 1;
            }
        }
        const size_t expected = info->opcode == VsOpcode::Def   ? 5
                                : info->opcode == VsOpcode::Nop ? 0
                                                                : 1 + info->sourceCount;
        if (operands.size() != expected) {
            Error(line.number, std::string(info->name) + " takes " + std::to_string(expected) +
                                   " operands, found " + std::to_string(operands.size()));
            return;
        }
        for (const std::string& operand : operands)
            if (operand.empty()) {
                Error(line.number, "empty operand");
                return;
            }
        if (info->opcode == VsOpcode::Def) {
            ParseDefinition(line, operands, program);
            return;
        }
        VsInstruction ins;
        ins.opcode = info->opcode;
        ins.sourceCount = info->sourceCount;
        ins.line = line.number;
        ins.text = text;
        if (info->opcode != VsOpcode::Nop &&
            !ParseDestination(line.number, *info, operands[0], &ins.dst))
            return;
        for (UINT s = 0; s < info->sourceCount; ++s)
            if (!ParseSource(line.number, operands[1 + s], &ins.src[s]))
                return;
        program->instructions.push_back(ins);
    }

    void ParseDefinition(const SourceLine& line, const std::vector<std::string>& operands,
                         VsProgram* program) {
        VsSource reg;
        if (!ParseRegister(line.number, LowerNoSpaces(operands[0]), operands[0], &reg))
            return;
        if (reg.type != VsRegisterType::Const || reg.relative) {
            Error(line.number, "def needs a constant register, found " + Quote(operands[0]));
            return;
        }
        VsDefinition def;
        def.index = reg.index;
        def.line = line.number;
        def.text = line.text;
        for (int k = 0; k < 4; ++k) {
            std::string number = LowerNoSpaces(operands[1 + k]);
            if (!number.empty() && number.back() == 'f')
                number.pop_back();
            const char* begin = number.c_str();
            if (*begin == '+')
                ++begin;
            const char* end = number.c_str() + number.size();
            float value = 0.0f;
            const auto result = std::from_chars(begin, end, value);
            if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
                Error(line.number, "bad number " + Quote(operands[1 + k]));
                return;
            }
            def.value[k] = value;
        }
        program->definitions.push_back(def);
    }

    // "name" or "name.suffix": the part before the first dot that is not inside brackets.
    static void SplitSuffix(const std::string& s, std::string* reg, std::string* suffix) {
        const size_t close = s.rfind(']');
        const size_t dot = s.find('.', close == std::string::npos ? 0 : close);
        *reg = s.substr(0, dot);
        *suffix = dot == std::string::npos ? std::string() : s.substr(dot + 1);
    }

    bool ParseDestination(UINT line, const VsOpcodeInfo& info, const std::string& operand,
                          VsDestination* dst) {
        const std::string s = LowerNoSpaces(operand);
        std::string regText, suffix;
        SplitSuffix(s, &regText, &suffix);
        VsSource reg;
        if (!ParseRegister(line, regText, operand, &reg))
            return false;
        if (reg.relative) {
            Error(line, "a destination cannot be addressed relatively: " + Quote(operand));
            return false;
        }
        dst->type = reg.type;
        dst->index = reg.index;
        if (suffix.empty()) {
            // Without a mask an instruction writes what it can; a0 is only ever a0.x.
            dst->writeMask = reg.type == VsRegisterType::Address ? 0x1 : info.writableMask;
            return true;
        }
        DWORD mask = 0;
        int last = -1;
        for (char ch : suffix) {
            const int k = ComponentIndex(ch);
            if (k < 0 || k <= last) {
                Error(line, "bad write mask " + Quote(operand) +
                                " (components x, y, z, w in order, each once)");
                return false;
            }
            mask |= 1u << k;
            last = k;
        }
        dst->writeMask = mask;
        return true;
    }

    bool ParseSource(UINT line, const std::string& operand, VsSource* src) {
        std::string s = LowerNoSpaces(operand);
        if (!s.empty() && s[0] == '-') {
            src->negate = true;
            s.erase(0, 1);
        }
        std::string regText, suffix;
        SplitSuffix(s, &regText, &suffix);
        if (!ParseRegister(line, regText, operand, src))
            return false;
        if (suffix.empty())
            return true;
        if (suffix.size() > 4) {
            Error(line, "bad swizzle " + Quote(operand));
            return false;
        }
        for (size_t k = 0; k < 4; ++k) {
            const int c = ComponentIndex(suffix[k < suffix.size() ? k : suffix.size() - 1]);
            if (c < 0) {
                Error(line, "bad swizzle " + Quote(operand));
                return false;
            }
            src->swizzle[k] = static_cast<uint8_t>(c);
        }
        return true;
    }

    static int ComponentIndex(char ch) {
        switch (ch) {
            case 'x':
            case 'r':
                return 0;
            case 'y':
            case 'g':
                return 1;
            case 'z':
            case 'b':
                return 2;
            case 'w':
            case 'a':
                return 3;
            default:
                return -1;
        }
    }

    // Digits to an index (capped), true when `s` is all digits and not empty.
    static bool ParseIndex(const std::string& s, UINT* index) {
        if (s.empty())
            return false;
        UINT value = 0;
        for (char ch : s) {
            if (ch < '0' || ch > '9')
                return false;
            value = value * 10 + static_cast<UINT>(ch - '0');
            if (value > kIndexCap)
                value = kIndexCap;
        }
        *index = value;
        return true;
    }

    // A register name, already lower case without spaces; `original` is for messages.
    bool ParseRegister(UINT line, const std::string& s, const std::string& original,
                       VsSource* reg) {
        auto bad = [&]() {
            Error(line, "bad register " + Quote(original));
            return false;
        };
        struct Named {
            const char* prefix;
            VsRegisterType type;
        };
        static const Named kFixed[] = {{"opos", VsRegisterType::RastOut},
                                       {"ofog", VsRegisterType::RastOut},
                                       {"opts", VsRegisterType::RastOut}};
        for (UINT k = 0; k < 3; ++k)
            if (s == kFixed[k].prefix) {
                reg->type = kFixed[k].type;
                reg->index = k;
                return true;
            }
        if (s.size() >= 2 && s[0] == 'c' && s[1] == '[')
            return ParseConstantBracket(line, s, original, reg);
        static const Named kFiles[] = {
            {"od", VsRegisterType::AttrOut}, {"ot", VsRegisterType::TexCoordOut},
            {"r", VsRegisterType::Temp},     {"v", VsRegisterType::Input},
            {"c", VsRegisterType::Const},    {"a", VsRegisterType::Address}};
        for (const Named& file : kFiles) {
            const std::string prefix = file.prefix;
            if (s.compare(0, prefix.size(), prefix) != 0)
                continue;
            UINT index = 0;
            if (!ParseIndex(s.substr(prefix.size()), &index))
                return bad();
            reg->type = file.type;
            reg->index = index;
            if (file.type == VsRegisterType::Address && index != 0)
                return bad();
            return true;
        }
        return bad();
    }

    // c[n], c[a0.x], c[a0.x + n], c[n + a0.x].
    bool ParseConstantBracket(UINT line, const std::string& s, const std::string& original,
                              VsSource* reg) {
        if (s.back() != ']') {
            Error(line, "bad register " + Quote(original));
            return false;
        }
        const std::string inner = s.substr(2, s.size() - 3);
        reg->type = VsRegisterType::Const;
        UINT index = 0;
        if (ParseIndex(inner, &index)) {
            reg->index = index;
            return true;
        }
        std::string offset;
        if (inner == "a0.x") {
            offset = "0";
        } else if (inner.compare(0, 5, "a0.x+") == 0) {
            offset = inner.substr(5);
        } else if (inner.size() > 5 && inner.compare(inner.size() - 5, 5, "+a0.x") == 0) {
            offset = inner.substr(0, inner.size() - 5);
        } else if (inner.compare(0, 2, "a0") == 0 && inner.compare(0, 4, "a0.x") != 0) {
            Error(line, "relative addressing uses a0.x: " + Quote(original));
            return false;
        }
        if (!ParseIndex(offset, &index)) {
            Error(line, "bad register " + Quote(original) + " (c[a0.x + n] with n from 0)");
            return false;
        }
        reg->relative = true;
        reg->index = index;
        return true;
    }

    void Check(const VsProgram& program, UINT versionLine) {
        std::vector<VsDiagnostic> diagnostics;
        if (CheckVertexShader(program, &diagnostics))
            return;
        for (const VsDiagnostic& d : diagnostics)
            Error(d.line ? d.line : versionLine, d.message);
    }

    std::string m_name;
    std::string m_messages;
};

}  // namespace

HRESULT ParseVertexShaderText(const char* text, size_t length, const char* sourceName,
                              VsProgram* program, std::string* errors) {
    if (!text || !program) {
        if (errors)
            *errors = "no shader text or no output";
        return D3DERR_INVALIDCALL;
    }
    Assembler assembler(sourceName);
    return assembler.Run(text, length, program, errors);
}

HRESULT AssembleVertexShader(const char* text, size_t length, const char* sourceName,
                             std::vector<DWORD>* tokens, std::string* errors) {
    if (!tokens) {
        if (errors)
            *errors = "no output for the tokens";
        return D3DERR_INVALIDCALL;
    }
    VsProgram program;
    const HRESULT hr = ParseVertexShaderText(text, length, sourceName, &program, errors);
    if (FAILED(hr))
        return hr;
    EncodeVertexShader(program, tokens);
    return D3D_OK;
}

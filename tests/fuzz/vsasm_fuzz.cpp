// libFuzzer target of the vertex shader assembler: any text must assemble or be refused with
// located messages. What it accepts must pass the register-use check, survive the token encoding
// and its decoder unchanged, reassemble from its own dump to the same program, translate to GLSL
// and run on the CPU interpreter without undefined behaviour. A broken invariant traps.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vshader/vs_assembler.h"
#include "platform/vshader/vs_declaration.h"
#include "platform/vshader/vs_glsl.h"
#include "platform/vshader/vs_interpreter.h"

namespace {
void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Every input register as four floats, so that any program that reads v0-v15 translates.
const VsDeclaration& AllInputs() {
    static const VsDeclaration declaration = [] {
        std::vector<DWORD> tokens{0x20000000u};
        for (DWORD reg = 0; reg < kVsInputCount; ++reg)
            tokens.push_back(0x40030000u | reg);
        tokens.push_back(0xFFFFFFFFu);
        VsDeclaration parsed;
        Require(SUCCEEDED(ParseVertexDeclaration(tokens.data(), tokens.size(), &parsed, nullptr)));
        return parsed;
    }();
    return declaration;
}

// Each message reads "FUZZ.vsh(<line>): ..." with a line that exists in the text.
void CheckMessages(const std::string& errors, const uint8_t* data, size_t size) {
    UINT lines = 1;
    for (size_t i = 0; i < size && data[i] != 0; ++i)
        lines += data[i] == '\n';
    Require(!errors.empty() && errors.back() == '\n');
    size_t at = 0;
    while (at < errors.size()) {
        const size_t end = errors.find('\n', at);
        const std::string message = errors.substr(at, end - at);
        Require(message.rfind("FUZZ.vsh(", 0) == 0);
        const UINT line = static_cast<UINT>(std::stoul(message.substr(9)));
        Require(line >= 1 && line <= lines);
        at = end + 1;
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    VsProgram program;
    std::string errors;
    const HRESULT hr = ParseVertexShaderText(text, size, "FUZZ.vsh", &program, &errors);
    if (FAILED(hr)) {
        Require(hr == D3DXERR_INVALIDDATA);
        CheckMessages(errors, data, size);
        return 0;
    }
    Require(errors.empty() && CheckVertexShader(program, nullptr));
    const std::string dump = DumpVertexShader(program);

    std::vector<DWORD> tokens;
    Require(SUCCEEDED(AssembleVertexShader(text, size, "FUZZ.vsh", &tokens, nullptr)));
    VsProgram decoded;
    std::string error;
    Require(SUCCEEDED(DecodeVertexShader(tokens.data(), tokens.size(), &decoded, &error)));
    Require(DumpVertexShader(decoded) == dump);
    for (size_t i = 0; i < program.instructions.size(); ++i)
        Require(decoded.instructions[i].line == program.instructions[i].line);

    VsProgram again;
    Require(SUCCEEDED(ParseVertexShaderText(dump.data(), dump.size(), "dump", &again, nullptr)));
    Require(DumpVertexShader(again) == dump);

    Require(!TranslateVertexShaderToGlsl(program, AllInputs()).empty());
    D3DXVECTOR4 inputs[kVsInputCount];
    D3DXVECTOR4 constants[kVsConstCount];
    const float extremes[] = {0.0f, -0.0f, 1.0f, -1.0f, 1.0e30f, -1.0e30f, 3.5f, 1.0e-30f};
    for (UINT i = 0; i < kVsInputCount; ++i)
        inputs[i] = D3DXVECTOR4(extremes[i % 8], extremes[(i + 1) % 8], extremes[(i + 3) % 8],
                                extremes[(i + 5) % 8]);
    for (UINT i = 0; i < kVsConstCount; ++i)
        constants[i] = D3DXVECTOR4(extremes[(i + 2) % 8], extremes[(i + 4) % 8],
                                   static_cast<float>(i), -static_cast<float>(i) * 0.5f);
    RunVertexShader(program, inputs, constants);
    return 0;
}

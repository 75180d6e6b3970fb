#include "platform/vshader/vs_declaration.h"

#include <cstdint>
#include <cstring>

namespace {

// D3DVSD token layout: the token type in bits 29-31.
constexpr DWORD kTokenTypeShift = 29;
constexpr DWORD kTokenNop = 0;
constexpr DWORD kTokenStream = 1;
constexpr DWORD kTokenStreamData = 2;
constexpr DWORD kStreamNumberMask = 0xF;
constexpr DWORD kStreamTessellatorBit = 0x10000000u;
constexpr DWORD kDataSkipBit = 0x10000000u;  // D3DVSD_SKIP rather than D3DVSD_REG
constexpr DWORD kDataTypeShift = 16;
constexpr DWORD kDataTypeMask = 0xF;
constexpr DWORD kSkipCountMask = 0xF;
constexpr DWORD kVertexRegMask = 0x1F;
constexpr DWORD kEndToken = 0xFFFFFFFFu;

std::string Hex(DWORD value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        text += digits[(value >> shift) & 0xF];
    return text;
}

HRESULT Refuse(std::string* error, size_t position, const std::string& message) {
    if (error)
        *error = "vertex declaration token " + std::to_string(position) + ": " + message;
    return D3DERR_INVALIDCALL;
}

float ReadFloat(const unsigned char* bytes) {
    float value = 0.0f;
    std::memcpy(&value, bytes, sizeof(value));
    return value;
}

float ReadShort(const unsigned char* bytes) {
    int16_t value = 0;
    std::memcpy(&value, bytes, sizeof(value));
    return static_cast<float>(value);
}

}  // namespace

UINT VsDeclarationTypeSize(DWORD type) {
    switch (type) {
        case D3DVSDT_FLOAT1:
            return 4;
        case D3DVSDT_FLOAT2:
            return 8;
        case D3DVSDT_FLOAT3:
            return 12;
        case D3DVSDT_FLOAT4:
            return 16;
        case D3DVSDT_D3DCOLOR:
            return 4;
        case D3DVSDT_UBYTE4:
            return 4;
        case D3DVSDT_SHORT2:
            return 4;
        case D3DVSDT_SHORT4:
            return 8;
        default:
            return 0;
    }
}

HRESULT ParseVertexDeclaration(const DWORD* tokens, VsDeclaration* declaration,
                               std::string* error) {
    return ParseVertexDeclaration(tokens, kVsMaxDeclarationTokens, declaration, error);
}

HRESULT ParseVertexDeclaration(const DWORD* tokens, size_t count, VsDeclaration* declaration,
                               std::string* error) {
    if (!tokens || !declaration)
        return Refuse(error, 0, "no tokens or no output");
    VsDeclaration parsed;
    bool haveStream = false;
    bool declared[kVsInputCount] = {};
    UINT offset = 0;
    for (size_t i = 0; i < count; ++i) {
        const DWORD token = tokens[i];
        if (token == kEndToken) {
            if (!haveStream)
                return Refuse(error, i, "no stream token before the end");
            parsed.stride = offset;
            *declaration = parsed;
            if (error)
                error->clear();
            return D3D_OK;
        }
        const DWORD type = token >> kTokenTypeShift;
        if (type == kTokenNop) {
            if (token != 0)
                return Refuse(error, i, "malformed nop token " + Hex(token));
            continue;
        }
        if (type == kTokenStream) {
            if (token & kStreamTessellatorBit)
                return Refuse(error, i, "tessellator streams are not supported");
            if (token & ~(0xE0000000u | kStreamNumberMask))
                return Refuse(error, i, "malformed stream token " + Hex(token));
            if (haveStream)
                return Refuse(error, i, "only one stream is supported");
            haveStream = true;
            parsed.stream = token & kStreamNumberMask;
            continue;
        }
        if (type != kTokenStreamData)
            return Refuse(error, i, "unsupported declaration token " + Hex(token));
        if (!haveStream)
            return Refuse(error, i, "register data before any stream token");
        if (token & kDataSkipBit) {
            if (token & ~(0xF0000000u | (kSkipCountMask << kDataTypeShift)))
                return Refuse(error, i, "malformed skip token " + Hex(token));
            offset += 4 * ((token >> kDataTypeShift) & kSkipCountMask);
            continue;
        }
        if (token & ~(0xE0000000u | (kDataTypeMask << kDataTypeShift) | kVertexRegMask))
            return Refuse(error, i, "malformed register token " + Hex(token));
        const DWORD dataType = (token >> kDataTypeShift) & kDataTypeMask;
        const UINT reg = token & kVertexRegMask;
        const UINT size = VsDeclarationTypeSize(dataType);
        if (size == 0)
            return Refuse(error, i, "unknown data type " + std::to_string(dataType));
        if (reg >= kVsInputCount)
            return Refuse(error, i, "input register v" + std::to_string(reg) + " out of range");
        if (declared[reg])
            return Refuse(error, i, "input register v" + std::to_string(reg) + " declared twice");
        declared[reg] = true;
        parsed.elements.push_back({reg, dataType, offset});
        offset += size;
    }
    return Refuse(error, count, "no end token within " + std::to_string(count) + " tokens");
}

void FetchVertexInputs(const VsDeclaration& declaration, const void* vertex,
                       D3DXVECTOR4 inputs[kVsInputCount]) {
    for (UINT r = 0; r < kVsInputCount; ++r)
        inputs[r] = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f);
    const auto* base = static_cast<const unsigned char*>(vertex);
    for (const VsDeclaration::Element& element : declaration.elements) {
        if (element.reg >= kVsInputCount)
            continue;
        const UINT size = VsDeclarationTypeSize(element.type);
        if (size == 0 || element.offset + size > declaration.stride)
            continue;
        const unsigned char* p = base + element.offset;
        float v[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        switch (element.type) {
            case D3DVSDT_FLOAT1:
            case D3DVSDT_FLOAT2:
            case D3DVSDT_FLOAT3:
            case D3DVSDT_FLOAT4:
                for (UINT k = 0; k < size / 4; ++k)
                    v[k] = ReadFloat(p + 4 * k);
                break;
            case D3DVSDT_D3DCOLOR:
                // Stored as the bytes B, G, R, A; the shader sees red in x.
                v[0] = p[2] / 255.0f;
                v[1] = p[1] / 255.0f;
                v[2] = p[0] / 255.0f;
                v[3] = p[3] / 255.0f;
                break;
            case D3DVSDT_UBYTE4:
                for (UINT k = 0; k < 4; ++k)
                    v[k] = static_cast<float>(p[k]);
                break;
            case D3DVSDT_SHORT2:
            case D3DVSDT_SHORT4:
                for (UINT k = 0; k < size / 2; ++k)
                    v[k] = ReadShort(p + 2 * k);
                break;
            default:
                break;
        }
        inputs[element.reg] = D3DXVECTOR4(v[0], v[1], v[2], v[3]);
    }
}

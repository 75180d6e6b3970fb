#include "platform/vshader/vs_interpreter.h"

#include <cfloat>
#include <cmath>
#include <cstring>

namespace {

struct Vec4 {
    float v[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

Vec4 Make(float x, float y, float z, float w) {
    Vec4 r;
    r.v[0] = x;
    r.v[1] = y;
    r.v[2] = z;
    r.v[3] = w;
    return r;
}

Vec4 Splat(float s) {
    return Make(s, s, s, s);
}

Vec4 FromD3dx(const D3DXVECTOR4& d) {
    return Make(d.x, d.y, d.z, d.w);
}

D3DXVECTOR4 ToD3dx(const Vec4& a) {
    return D3DXVECTOR4(a.v[0], a.v[1], a.v[2], a.v[3]);
}

template <typename F>
Vec4 Map2(const Vec4& a, const Vec4& b, F f) {
    Vec4 r;
    for (int k = 0; k < 4; ++k)
        r.v[k] = f(a.v[k], b.v[k]);
    return r;
}

float Dot3(const Vec4& a, const Vec4& b) {
    return a.v[0] * b.v[0] + a.v[1] * b.v[1] + a.v[2] * b.v[2];
}

float Dot4(const Vec4& a, const Vec4& b) {
    return Dot3(a, b) + a.v[3] * b.v[3];
}

float Rcp(float s) {
    if (s == 0.0f)
        return FLT_MAX;
    return s == 1.0f ? 1.0f : 1.0f / s;
}

float Rsq(float s) {
    const float a = std::fabs(s);
    if (a == 0.0f)
        return FLT_MAX;
    return a == 1.0f ? 1.0f : 1.0f / std::sqrt(a);
}

float Log2Abs(float s) {
    const float a = std::fabs(s);
    return a == 0.0f ? -FLT_MAX : std::log2(a);
}

uint32_t Bits(float f) {
    uint32_t u = 0;
    std::memcpy(&u, &f, sizeof(u));
    return u;
}

float FromBits(uint32_t u) {
    float f = 0.0f;
    std::memcpy(&f, &u, sizeof(f));
    return f;
}

// vs 1.1 expp: 2^floor(s), fraction, 2^s with the low mantissa bits dropped, 1.
Vec4 Expp(float s) {
    const float f = std::floor(s);
    return Make(std::exp2(f), s - f, FromBits(Bits(std::exp2(s)) & 0xFFFFFF00u), 1.0f);
}

// vs 1.1 logp: exponent, mantissa in [1, 2), log2 |s|, 1.
Vec4 Logp(float s) {
    const float a = std::fabs(s);
    if (a == 0.0f)
        return Make(-FLT_MAX, 1.0f, -FLT_MAX, 1.0f);
    const uint32_t bits = Bits(a);
    const float exponent = static_cast<float>(static_cast<int>(bits >> 23) - 127);
    return Make(exponent, FromBits((bits & 0x7FFFFFu) | 0x3F800000u), std::log2(a), 1.0f);
}

Vec4 Lit(const Vec4& s) {
    const float kMaxPower = 127.9961f;
    float power = s.v[3];
    if (power < -kMaxPower)
        power = -kMaxPower;
    if (power > kMaxPower)
        power = kMaxPower;
    Vec4 r = Make(1.0f, 0.0f, 0.0f, 1.0f);
    if (s.v[0] > 0.0f) {
        r.v[1] = s.v[0];
        if (s.v[1] > 0.0f)
            r.v[2] = std::pow(s.v[1], power);
    }
    return r;
}

// Rounds a0.x to nearest; a value no register could use becomes an index that reads zero.
int RoundAddress(float s) {
    if (!(s > -1.0e6f && s < 1.0e6f))
        return -1000000;
    return static_cast<int>(std::floor(s + 0.5f));
}

struct Machine {
    Vec4 r[kVsTempCount];
    Vec4 v[kVsInputCount];
    Vec4 c[kVsConstCount];
    int a0 = 0;
    Vec4 oPos;
    Vec4 oFog = Make(1.0f, 0.0f, 0.0f, 0.0f);
    Vec4 oPts;
    Vec4 oD[kVsColorOutCount] = {Splat(1.0f), Splat(0.0f)};
    Vec4 oT[kVsTexCoordOutCount];

    // Register `row` rows past the source's own, before swizzle and negation.
    Vec4 Fetch(const VsSource& s, UINT row) const {
        if (s.relative) {
            const long long i = static_cast<long long>(a0) + s.index + row;
            return (i >= 0 && i < kVsConstCount) ? c[i] : Vec4();
        }
        const UINT i = s.index + row;
        switch (s.type) {
            case VsRegisterType::Temp:
                return i < kVsTempCount ? r[i] : Vec4();
            case VsRegisterType::Input:
                return i < kVsInputCount ? v[i] : Vec4();
            case VsRegisterType::Const:
                return i < kVsConstCount ? c[i] : Vec4();
            default:
                return Vec4();
        }
    }

    Vec4 Read(const VsSource& s) const {
        const Vec4 raw = Fetch(s, 0);
        Vec4 out;
        for (int k = 0; k < 4; ++k) {
            const float f = raw.v[s.swizzle[k] & 3];
            out.v[k] = s.negate ? -f : f;
        }
        return out;
    }

    Vec4* Target(const VsDestination& d) {
        switch (d.type) {
            case VsRegisterType::Temp:
                return d.index < kVsTempCount ? &r[d.index] : nullptr;
            case VsRegisterType::RastOut:
                if (d.index == kVsRastOutPosition)
                    return &oPos;
                if (d.index == kVsRastOutFog)
                    return &oFog;
                if (d.index == kVsRastOutPointSize)
                    return &oPts;
                return nullptr;
            case VsRegisterType::AttrOut:
                return d.index < kVsColorOutCount ? &oD[d.index] : nullptr;
            case VsRegisterType::TexCoordOut:
                return d.index < kVsTexCoordOutCount ? &oT[d.index] : nullptr;
            default:
                return nullptr;
        }
    }

    void Write(const VsDestination& d, const Vec4& value) {
        Vec4* target = Target(d);
        if (!target)
            return;
        for (int k = 0; k < 4; ++k)
            if (d.writeMask & (1u << k))
                target->v[k] = value.v[k];
    }

    // The matrix macros: one dp3 or dp4 per row, rows from consecutive registers.
    Vec4 Matrix(const VsInstruction& ins, UINT rows, UINT columns) const {
        const Vec4 a = Read(ins.src[0]);
        Vec4 out;
        for (UINT row = 0; row < rows; ++row) {
            const Vec4 m = Fetch(ins.src[1], row);
            out.v[row] = columns == 4 ? Dot4(a, m) : Dot3(a, m);
        }
        return out;
    }

    void Execute(const VsInstruction& ins) {
        const VsOpcodeInfo* info = FindVsOpcode(ins.opcode);
        if (!info || ins.opcode == VsOpcode::Nop || ins.opcode == VsOpcode::Def)
            return;
        if (ins.sourceCount != info->sourceCount)
            return;
        if (info->matrixRows > 0) {
            Write(ins.dst, Matrix(ins, info->matrixRows, info->matrixColumns));
            return;
        }
        const Vec4 a = ins.sourceCount > 0 ? Read(ins.src[0]) : Vec4();
        const Vec4 b = ins.sourceCount > 1 ? Read(ins.src[1]) : Vec4();
        const Vec4 c2 = ins.sourceCount > 2 ? Read(ins.src[2]) : Vec4();
        Vec4 result;
        switch (ins.opcode) {
            case VsOpcode::Mov:
                if (ins.dst.type == VsRegisterType::Address) {
                    a0 = RoundAddress(a.v[0]);
                    return;
                }
                result = a;
                break;
            case VsOpcode::Add:
                result = Map2(a, b, [](float x, float y) { return x + y; });
                break;
            case VsOpcode::Sub:
                result = Map2(a, b, [](float x, float y) { return x - y; });
                break;
            case VsOpcode::Mul:
                result = Map2(a, b, [](float x, float y) { return x * y; });
                break;
            case VsOpcode::Mad:
                result = Map2(Map2(a, b, [](float x, float y) { return x * y; }), c2,
                              [](float x, float y) { return x + y; });
                break;
            case VsOpcode::Min:
                result = Map2(a, b, [](float x, float y) { return x < y ? x : y; });
                break;
            case VsOpcode::Max:
                result = Map2(a, b, [](float x, float y) { return x >= y ? x : y; });
                break;
            case VsOpcode::Slt:
                result = Map2(a, b, [](float x, float y) { return x < y ? 1.0f : 0.0f; });
                break;
            case VsOpcode::Sge:
                result = Map2(a, b, [](float x, float y) { return x >= y ? 1.0f : 0.0f; });
                break;
            case VsOpcode::Dp3:
                result = Splat(Dot3(a, b));
                break;
            case VsOpcode::Dp4:
                result = Splat(Dot4(a, b));
                break;
            case VsOpcode::Rcp:
                result = Splat(Rcp(a.v[0]));
                break;
            case VsOpcode::Rsq:
                result = Splat(Rsq(a.v[0]));
                break;
            case VsOpcode::Exp:
                result = Splat(std::exp2(a.v[0]));
                break;
            case VsOpcode::Log:
                result = Splat(Log2Abs(a.v[0]));
                break;
            case VsOpcode::Expp:
                result = Expp(a.v[0]);
                break;
            case VsOpcode::Logp:
                result = Logp(a.v[0]);
                break;
            case VsOpcode::Lit:
                result = Lit(a);
                break;
            case VsOpcode::Dst:
                result = Make(1.0f, a.v[1] * b.v[1], a.v[2], b.v[3]);
                break;
            case VsOpcode::Frc:
                for (int k = 0; k < 4; ++k)
                    result.v[k] = a.v[k] - std::floor(a.v[k]);
                break;
            default:
                return;
        }
        Write(ins.dst, result);
    }
};

}  // namespace

VsVertexOutput RunVertexShader(const VsProgram& program, const D3DXVECTOR4 inputs[kVsInputCount],
                               const D3DXVECTOR4 constants[kVsConstCount]) {
    Machine m;
    for (Vec4& t : m.oT)
        t = Make(0.0f, 0.0f, 0.0f, 1.0f);
    for (UINT i = 0; i < kVsInputCount; ++i)
        m.v[i] = FromD3dx(inputs[i]);
    for (UINT i = 0; i < kVsConstCount; ++i)
        m.c[i] = FromD3dx(constants[i]);
    for (const VsDefinition& def : program.definitions)
        if (def.index < kVsConstCount)
            m.c[def.index] = Make(def.value[0], def.value[1], def.value[2], def.value[3]);
    for (const VsInstruction& ins : program.instructions)
        m.Execute(ins);

    VsVertexOutput out;
    out.position = ToD3dx(m.oPos);
    out.diffuse = ToD3dx(m.oD[0]);
    out.specular = ToD3dx(m.oD[1]);
    out.fog = m.oFog.v[0];
    out.texCoord0 = ToD3dx(m.oT[0]);
    out.texCoord1 = ToD3dx(m.oT[1]);
    return out;
}

#include "tools/assetgen/skinned_feather_texture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tools/assetgen/byte_writer.h"

namespace {
float Fraction(float x) {
    return x - std::floor(x);
}

bool Inside(const TextureArea& a, float u, float v) {
    return u >= a.u0 && u < a.u1 && v >= a.v0 && v < a.v1;
}

// Grey level of the texel whose centre is (u, v).
int FeatherLevel(float u, float v) {
    if (Inside(kWingArea, u, v)) {
        const float s = (u - kWingArea.u0) / (kWingArea.u1 - kWingArea.u0);
        const float t = (v - kWingArea.v0) / (kWingArea.v1 - kWingArea.v0);
        if (t < 0.08f)
            return 255;  // bright leading edge
        const float covertEdge = 0.42f + 0.04f * std::fabs(std::sin(D3DX_PI * s * 10.0f));
        if (t > covertEdge - 0.025f && t < covertEdge)
            return 230;
        if (t > 0.5f && Fraction(s * 12.0f + (t - 0.5f) * 1.2f) < 0.09f)
            return 214;
        return t > 0.9f ? 238 : 250;
    }
    if (Inside(kBodyArea, u, v)) {
        const float s = (u - kBodyArea.u0) / (kBodyArea.u1 - kBodyArea.u0);
        const float t = (v - kBodyArea.v0) / (kBodyArea.v1 - kBodyArea.v0);
        // Rows of small arcs, offset every other row, fading toward the belly.
        const float row = t * 6.0f;
        const float column = s * 8.0f + (static_cast<int>(row) % 2 == 0 ? 0.0f : 0.5f);
        const float dx = Fraction(column) - 0.5f, dy = Fraction(row);
        const float arc = std::fabs(std::sqrt(dx * dx + dy * dy) - 0.45f);
        return arc < 0.06f && t < 0.6f ? 240 : 252;
    }
    if (Inside(kTailArea, u, v)) {
        const float s = (u - kTailArea.u0) / (kTailArea.u1 - kTailArea.u0);
        const float t = (v - kTailArea.v0) / (kTailArea.v1 - kTailArea.v0);
        if (t > 0.25f && Fraction(s * 7.0f) < 0.1f)
            return 218;
        return t > 0.85f ? 236 : 250;
    }
    return 255;
}
}  // namespace

D3DXVECTOR2 AreaPoint(const TextureArea& area, float s, float t) {
    const float margin = 1.0f / static_cast<float>(kBirdTextureSize);
    auto inset = [&](float a0, float a1, float x) {
        x = std::min(1.0f, std::max(0.0f, x));
        return a0 + margin + (a1 - a0 - 2.0f * margin) * x;
    };
    return D3DXVECTOR2(inset(area.u0, area.u1, s), inset(area.v0, area.v1, t));
}

std::string BirdFeatherBitmapBytes() {
    constexpr uint32_t kHeaderBytes = 14 + 40;
    constexpr uint32_t kPixelBytes = kBirdTextureSize * kBirdTextureSize * 3;  // rows need no pad
    std::string out;
    out += "BM";
    AppendLe32(&out, kHeaderBytes + kPixelBytes);
    AppendLe32(&out, 0);  // two reserved words
    AppendLe32(&out, kHeaderBytes);
    AppendLe32(&out, 40);  // information header: bottom-up, 1 plane, 24 bits, uncompressed
    AppendLe32(&out, kBirdTextureSize);
    AppendLe32(&out, kBirdTextureSize);
    AppendLe16(&out, 1);
    AppendLe16(&out, 24);
    AppendLe32(&out, 0);
    AppendLe32(&out, kPixelBytes);
    AppendLe32(&out, 2834);  // 72 dots per inch
    AppendLe32(&out, 2834);
    AppendLe32(&out, 0);
    AppendLe32(&out, 0);
    for (int row = kBirdTextureSize - 1; row >= 0; --row)  // bottom row first
        for (int x = 0; x < kBirdTextureSize; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / kBirdTextureSize;
            const float v = (static_cast<float>(row) + 0.5f) / kBirdTextureSize;
            const char level = static_cast<char>(FeatherLevel(u, v));
            out.append(3, level);  // grey: blue, green and red alike
        }
    return out;
}

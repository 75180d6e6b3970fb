#include "tools/assetgen/icon.h"

#include <cmath>

#include "tools/assetgen/asset_output.h"
#include "tools/assetgen/asset_writers.h"
#include "tools/assetgen/byte_writer.h"

namespace {
// What a point of the picture shows, front to back.
enum class Paint { kClear, kOutline, kBird, kSkyLight, kSkyMid, kSkyDeep };

struct Rgba {
    int r, g, b, a;
};

Rgba ColourOf(Paint paint) {
    switch (paint) {
        case Paint::kOutline:
            return {34, 34, 78, 255};
        case Paint::kBird:
            return {255, 255, 255, 255};
        case Paint::kSkyLight:
            return {215, 215, 250, 255};  // the day ramp's bands
        case Paint::kSkyMid:
            return {134, 134, 227, 255};
        case Paint::kSkyDeep:
            return {93, 93, 221, 255};
        default:
            return {0, 0, 0, 0};
    }
}

struct Point {
    double x, y;
};

// A point of the quadratic Bezier curve from a through b to c.
Point Bezier(const Point& a, const Point& b, const Point& c, double t) {
    const double u = 1.0 - t;
    return {u * u * a.x + 2.0 * u * t * b.x + t * t * c.x,
            u * u * a.y + 2.0 * u * t * b.y + t * t * c.y};
}

// How far (x, y) lies inside the gull: the wing's half thickness at the nearest sample of its
// curve less the distance to it; positive inside. The wings meet at the body and taper
// toward their tips.
double GullDepth(double x, double y) {
    constexpr int kSamples = 48;
    const double mirrored = x < kIconSize / 2.0 ? x : kIconSize - x;
    const Point tip = {9.0, 21.0}, bend = {17.0, 12.0}, body = {24.0, 25.0};
    double best = -1e9;
    for (int i = 0; i <= kSamples; ++i) {
        const double t = static_cast<double>(i) / kSamples;
        const Point p = Bezier(tip, bend, body, t);
        const double dx = mirrored - p.x, dy = y - p.y;
        const double halfWidth = 0.8 + 2.2 * t;
        best = std::fmax(best, halfWidth - std::sqrt(dx * dx + dy * dy));
    }
    return best;
}

Paint PaintAt(double x, double y) {
    const double depth = GullDepth(x, y);
    if (depth > 0.0)
        return Paint::kBird;
    if (depth > -1.4)
        return Paint::kOutline;
    const double cx = x - kIconSize / 2.0, cy = y - kIconSize / 2.0;
    const double r = std::sqrt(cx * cx + cy * cy);
    if (r > 22.5)
        return Paint::kClear;
    if (r > 21.0)
        return Paint::kOutline;
    // Flat bands, lit from above, as the toon ramp shades.
    if (y < 17.0)
        return Paint::kSkyLight;
    return y < 31.0 ? Paint::kSkyMid : Paint::kSkyDeep;
}
}  // namespace

std::string SaverIconBitmapBytes() {
    constexpr uint32_t kHeaderBytes = 14 + 40;
    constexpr uint32_t kPixelBytes = kIconSize * kIconSize * 4;
    std::string out;
    out += "BM";
    AppendLe32(&out, kHeaderBytes + kPixelBytes);
    AppendLe32(&out, 0);
    AppendLe32(&out, kHeaderBytes);
    // 48 x 48, bottom-up, 32 bits (blue, green, red, alpha), uncompressed, 72 dpi, no palette.
    AppendLe32(&out, 40);
    AppendLe32(&out, kIconSize);
    AppendLe32(&out, kIconSize);
    AppendLe16(&out, 1);
    AppendLe16(&out, 32);
    AppendLe32(&out, 0);
    AppendLe32(&out, kPixelBytes);
    AppendLe32(&out, 2834);
    AppendLe32(&out, 2834);
    AppendLe32(&out, 0);
    AppendLe32(&out, 0);
    // Each pixel averages 4 x 4 samples, colours weighted by their alpha.
    constexpr int kGrid = 4;
    for (int row = kIconSize - 1; row >= 0; --row) {
        for (int column = 0; column < kIconSize; ++column) {
            int r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < kGrid; ++sy)
                for (int sx = 0; sx < kGrid; ++sx) {
                    const Rgba c =
                        ColourOf(PaintAt(column + (sx + 0.5) / kGrid, row + (sy + 0.5) / kGrid));
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            const int samples = kGrid * kGrid;
            out.push_back(static_cast<char>(a ? b / a : 0));
            out.push_back(static_cast<char>(a ? g / a : 0));
            out.push_back(static_cast<char>(a ? r / a : 0));
            out.push_back(static_cast<char>(a / samples));
        }
    }
    return out;
}

void WriteIcon(const std::string& outDir) {
    WriteAsset(outDir, "RCDATA", kIconName, SaverIconBitmapBytes());
}

// "BirdFeather.bmp": the small feather texture the day birds carry (64 x 64, 24-bit BMP). The
// device multiplies it over the ramp and the vertex colours, so it is nearly white: faint
// feather lines on the wings and tail and scallops on the body, the markings themselves being
// vertex colours.
// Owns: the atlas layout (which area holds which pattern) and the file bytes.
// Does not: write files or map any mesh onto it (skinned_bird.cpp does). Needs: byte_writer.h.
#pragma once

#include <string>

#include "platform/system/d3dx_math.h"

constexpr const char* kBirdTextureName = "BirdFeather.bmp";
constexpr int kBirdTextureSize = 64;  // pixels, both ways

// One area of the atlas in texture coordinates (u right, v down from the top row).
struct TextureArea {
    float u0, v0, u1, v1;
};
// The wing: s from root to tip, t from leading to trailing edge.
constexpr TextureArea kWingArea{0.0f, 0.0f, 0.5f, 1.0f};
// The body seen from the side: s from tail to head, t from back to belly.
constexpr TextureArea kBodyArea{0.5f, 0.0f, 0.875f, 0.5f};
// The tail: s across from left to right, t from root to tip.
constexpr TextureArea kTailArea{0.5f, 0.5f, 1.0f, 1.0f};
// A plain white patch for beak, eyes and feet.
constexpr TextureArea kPlainArea{0.875f, 0.0f, 1.0f, 0.125f};

// The point (s, t) in [0, 1]^2 of an area, kept a texel inside its edges so that filtering
// never reaches a neighbouring area at full size.
D3DXVECTOR2 AreaPoint(const TextureArea& area, float s, float t);

// The whole BMP file.
std::string BirdFeatherBitmapBytes();

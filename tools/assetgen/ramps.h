// The two toon ramps "Toon.bmp" (day: four flat bands from saturated blue to white) and
// "ToonToon.bmp" (night: grey with a black shadow band), as 128 x 128 24-bit BMP files of
// exactly 49,208 bytes: headers, 128 identical bottom-up rows, then two zero bytes.
// Owns: the column colours and the byte layout. Does not: write files (asset_output.h).
#pragma once

#include <cstdint>
#include <string>

constexpr int kRampSize = 128;
constexpr uint32_t kRampFileBytes = 49208;

// 0x00RRGGBB of column x (0..127) of each ramp.
uint32_t DayRampColour(int x);
uint32_t NightRampColour(int x);

// The whole BMP file for a ramp given by a column colour function.
std::string RampBitmapBytes(uint32_t (*columnColour)(int));

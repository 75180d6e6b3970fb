// The saver's icon "Icon156.bmp" (the window's and the dialog's, icon resource 156): a white
// gull over a round sky in the day ramp's flat bands, drawn with a dark toon outline, as a
// 48 x 48 32-bit BMP with alpha (transparent outside the disc).
// Owns: the picture and its byte layout. Does not: write files (asset_output.h).
#pragma once

#include <string>

constexpr int kIconSize = 48;
constexpr const char* kIconName = "Icon156.bmp";

// The whole BMP file.
std::string SaverIconBitmapBytes();

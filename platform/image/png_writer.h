// A PNG encoder for RGBA8 images: test failure images, tool frames and screenshots.
// Owns: the byte layout (signature, IHDR, one IDAT of stored deflate blocks, IEND, CRC-32 and
// Adler-32). Does not: compress (stored blocks only), read PNG files, or use zlib.
// Needs: nothing beyond the standard library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The PNG file bytes of a width x height RGBA8 image given as rows, top row first.
// Returns false (and leaves *png empty) for an empty image or one over 65535 pixels a side.
bool EncodePng(const uint8_t* rgba, int width, int height, std::vector<uint8_t>* png);

// EncodePng written to `path`; false with a message in *error when encoding or writing fails.
bool WritePng(const std::string& path, const uint8_t* rgba, int width, int height,
              std::string* error);

// CRC-32 (ISO 3309, as PNG chunks use it) of `size` bytes, continued from `crc` (start with 0).
uint32_t PngCrc32(const uint8_t* data, size_t size, uint32_t crc);
// Adler-32 (as zlib streams end with it) of `size` bytes, continued from `adler` (start with 1).
uint32_t PngAdler32(const uint8_t* data, size_t size, uint32_t adler);

// libFuzzer target of the BMP reader: any bytes must decode or be refused with a message naming
// the resource, never read outside the input; a decoded image must be exactly as large as its
// size says, with opaque alpha for 24-bit pixels. A broken invariant traps.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/image/bmp_image.h"

namespace {
void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BmpImage image;
    std::string error;
    const HRESULT hr = ReadBmpImage(data, size, "FUZZ.bmp", &image, &error);
    if (FAILED(hr)) {
        Require(hr == D3DXERR_INVALIDDATA);
        Require(image.width == 0 && image.height == 0 && image.bgra.empty());
        Require(error.rfind("FUZZ.bmp: ", 0) == 0 && error.size() > 10);
        return 0;
    }
    Require(hr == S_OK && error.empty());
    Require(image.width > 0 && image.width <= kBmpMaxDimension);
    Require(image.height > 0 && image.height <= kBmpMaxDimension);
    Require(image.bitsPerPixel == 24 || image.bitsPerPixel == 32);
    Require(image.bgra.size() == size_t{image.width} * image.height * 4);
    // Every pixel was read from the input, so the stored pixels fit inside it.
    Require(size_t{image.width} * image.height * (image.bitsPerPixel / 8) <= size);
    if (image.bitsPerPixel == 24)
        for (size_t i = 3; i < image.bgra.size(); i += 4)
            Require(image.bgra[i] == 255);
    return 0;
}

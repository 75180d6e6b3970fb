#include "platform/image/bmp_image.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace {
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderMinSize = 40;  // BITMAPINFOHEADER; V2 to V5 headers extend it
constexpr uint32_t kCompressionNone = 0;   // BI_RGB

uint16_t ReadU16(const BYTE* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const BYTE* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

int32_t ReadI32(const BYTE* p) { return static_cast<int32_t>(ReadU32(p)); }

HRESULT Refuse(std::string* error, const char* name, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

HRESULT Refuse(std::string* error, const char* name, const char* format, ...) {
    if (error) {
        char what[256] = {};
        va_list args;
        va_start(args, format);
        std::vsnprintf(what, sizeof what, format, args);
        va_end(args);
        *error = std::string(name ? name : "(unnamed)") + ": " + what;
    }
    return D3DXERR_INVALIDDATA;
}

bool IsKnownInfoHeaderSize(uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}
}  // namespace

HRESULT ReadBmpImage(const void* data, size_t size, const char* name, BmpImage* image,
                     std::string* error) {
    if (!image) return D3DERR_INVALIDCALL;
    *image = BmpImage();
    if (!data) return Refuse(error, name, "no data");
    const BYTE* bytes = static_cast<const BYTE*>(data);

    if (size < kFileHeaderSize + 4)
        return Refuse(error, name, "%zu bytes, too short for a BMP header", size);
    if (bytes[0] != 'B' || bytes[1] != 'M')
        return Refuse(error, name, "does not start with \"BM\"");
    const uint32_t pixelOffset = ReadU32(bytes + 10);
    const uint32_t infoSize = ReadU32(bytes + 14);
    if (infoSize == 12) return Refuse(error, name, "OS/2 core headers are not supported");
    if (!IsKnownInfoHeaderSize(infoSize))
        return Refuse(error, name, "information header size %u is not a BMP header", infoSize);
    const size_t headersEnd = kFileHeaderSize + infoSize;
    if (size < headersEnd)
        return Refuse(error, name, "%zu bytes, too short for its %u-byte information header",
                      size, infoSize);

    const BYTE* info = bytes + kFileHeaderSize;
    const int64_t width = ReadI32(info + 4);
    const int64_t storedHeight = ReadI32(info + 8);  // negative: rows stored top-down
    const uint16_t planes = ReadU16(info + 12);
    const uint16_t bitCount = ReadU16(info + 14);
    const uint32_t compression = ReadU32(info + 16);

    if (planes != 1) return Refuse(error, name, "%u planes, not 1", planes);
    if (bitCount != 24 && bitCount != 32)
        return Refuse(error, name, "%u bits per pixel; only 24 and 32 are supported", bitCount);
    if (compression != kCompressionNone)
        return Refuse(error, name, "compression %u; only uncompressed images are supported",
                      compression);
    const bool topDown = storedHeight < 0;
    const int64_t height = topDown ? -storedHeight : storedHeight;
    if (width <= 0 || height == 0)
        return Refuse(error, name, "empty or negative size %lldx%lld",
                      static_cast<long long>(width), static_cast<long long>(storedHeight));
    if (width > kBmpMaxDimension || height > kBmpMaxDimension)
        return Refuse(error, name, "size %lldx%lld beyond the limit of %u",
                      static_cast<long long>(width), static_cast<long long>(height),
                      kBmpMaxDimension);

    if (pixelOffset < headersEnd)
        return Refuse(error, name, "pixel data offset %u lies inside the headers (%zu bytes)",
                      pixelOffset, headersEnd);
    if (pixelOffset > size)
        return Refuse(error, name, "pixel data offset %u beyond the end (%zu bytes)",
                      pixelOffset, size);
    const uint64_t bytesPerPixel = bitCount / 8u;
    const uint64_t rowBytes = static_cast<uint64_t>(width) * bytesPerPixel;
    const uint64_t stride = (rowBytes + 3u) & ~uint64_t{3};  // rows padded to 4 bytes
    // The last row's padding may be missing; every byte of every pixel must be there.
    const uint64_t needed = stride * static_cast<uint64_t>(height - 1) + rowBytes;
    const uint64_t available = size - pixelOffset;
    if (needed > available)
        return Refuse(error, name,
                      "pixel data truncated: %llu bytes needed at offset %u, %llu held",
                      static_cast<unsigned long long>(needed), pixelOffset,
                      static_cast<unsigned long long>(available));

    image->width = static_cast<UINT>(width);
    image->height = static_cast<UINT>(height);
    image->bitsPerPixel = bitCount;
    image->bgra.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4u);
    for (int64_t y = 0; y < height; ++y) {
        const int64_t storedRow = topDown ? y : height - 1 - y;
        const BYTE* src = bytes + pixelOffset + static_cast<size_t>(storedRow) * stride;
        BYTE* dst = image->bgra.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4u;
        for (int64_t x = 0; x < width; ++x, src += bytesPerPixel, dst += 4) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            dst[3] = bitCount == 32 ? src[3] : BYTE{255};
        }
    }
    return S_OK;
}

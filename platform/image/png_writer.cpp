#include "platform/image/png_writer.h"

#include <cstdio>

namespace {

constexpr size_t kStoredBlockMax = 65535;  // bytes one stored deflate block can carry

void PutBigEndian32(std::vector<uint8_t>* out, uint32_t value) {
    out->push_back(static_cast<uint8_t>(value >> 24));
    out->push_back(static_cast<uint8_t>(value >> 16));
    out->push_back(static_cast<uint8_t>(value >> 8));
    out->push_back(static_cast<uint8_t>(value));
}

void PutChunk(std::vector<uint8_t>* out, const char type[4], const std::vector<uint8_t>& data) {
    PutBigEndian32(out, static_cast<uint32_t>(data.size()));
    const size_t typeStart = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), data.begin(), data.end());
    PutBigEndian32(out, PngCrc32(out->data() + typeStart, out->size() - typeStart, 0));
}

}  // namespace

uint32_t PngCrc32(const uint8_t* data, size_t size, uint32_t crc) {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

uint32_t PngAdler32(const uint8_t* data, size_t size, uint32_t adler) {
    uint32_t a = adler & 0xFFFFu;
    uint32_t b = adler >> 16;
    for (size_t i = 0; i < size; ++i) {
        a = (a + data[i]) % 65521u;
        b = (b + a) % 65521u;
    }
    return (b << 16) | a;
}

bool EncodePng(const uint8_t* rgba, int width, int height, std::vector<uint8_t>* png) {
    png->clear();
    if (rgba == nullptr || width <= 0 || height <= 0 || width > 65535 || height > 65535) {
        return false;
    }
    // Raw scanlines, each led by filter type 0 (none).
    const size_t row = static_cast<size_t>(width) * 4;
    std::vector<uint8_t> raw;
    raw.reserve((row + 1) * height);
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgba + row * y, rgba + row * (y + 1));
    }

    // zlib stream: header (deflate, 32K window, no dictionary), stored blocks, Adler-32.
    std::vector<uint8_t> idat = {0x78, 0x01};
    for (size_t at = 0;; at += kStoredBlockMax) {
        const size_t length = raw.size() - at < kStoredBlockMax ? raw.size() - at : kStoredBlockMax;
        const bool last = at + length >= raw.size();
        idat.push_back(last ? 1 : 0);
        idat.push_back(static_cast<uint8_t>(length));
        idat.push_back(static_cast<uint8_t>(length >> 8));
        idat.push_back(static_cast<uint8_t>(~length));
        idat.push_back(static_cast<uint8_t>(~length >> 8));
        idat.insert(idat.end(), raw.begin() + at, raw.begin() + at + length);
        if (last)
            break;
    }
    PutBigEndian32(&idat, PngAdler32(raw.data(), raw.size(), 1));

    std::vector<uint8_t> header;
    PutBigEndian32(&header, static_cast<uint32_t>(width));
    PutBigEndian32(&header, static_cast<uint32_t>(height));
    header.push_back(8);  // bits per channel
    header.push_back(6);  // colour type: RGBA
    header.push_back(0);  // deflate
    header.push_back(0);  // adaptive filtering
    header.push_back(0);  // no interlace

    *png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", idat);
    PutChunk(png, "IEND", {});
    return true;
}

bool WritePng(const std::string& path, const uint8_t* rgba, int width, int height,
              std::string* error) {
    std::vector<uint8_t> png;
    if (!EncodePng(rgba, width, height, &png)) {
        if (error)
            *error = "cannot encode an empty or oversized image";
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        if (error)
            *error = "cannot open " + path;
        return false;
    }
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        if (error)
            *error = "cannot write " + path;
        return false;
    }
    return true;
}

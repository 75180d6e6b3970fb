#include "audio/wave_file.h"

#include <cstring>

namespace {
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr size_t kPcmFormatBytes = 16;         // tag, channels, rate, byte rate, align, bits
constexpr size_t kExtensibleFormatBytes = 40;  // + size, valid bits, channel mask, sub-format
// KSDATAFORMAT_SUBTYPE_PCM as stored: 00000001-0000-0010-8000-00AA00389B71.
const uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                   0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t Read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The chunk id for messages: four printable characters, anything else as '?'.
std::string ChunkName(const uint8_t* id) {
    std::string name(4, '?');
    for (int i = 0; i < 4; ++i)
        if (id[i] >= 0x20 && id[i] < 0x7F)
            name[i] = static_cast<char>(id[i]);
    return name;
}

HRESULT Refuse(std::string* error, std::string reason) {
    *error = std::move(reason);
    return E_FAIL;
}

// Reads the "fmt " chunk's fields into the wave, refusing anything but 16-bit PCM.
HRESULT ReadFormat(const uint8_t* chunk, size_t size, WaveFile* wave, std::string* error) {
    if (size < kPcmFormatBytes)
        return Refuse(error, "fmt chunk of " + std::to_string(size) + " bytes is truncated (" +
                                 std::to_string(kPcmFormatBytes) + " needed)");
    const uint16_t tag = Read16(chunk);
    if (tag == kFormatExtensible) {
        if (size < kExtensibleFormatBytes)
            return Refuse(error, "extensible fmt chunk of " + std::to_string(size) +
                                     " bytes is truncated (" +
                                     std::to_string(kExtensibleFormatBytes) + " needed)");
        if (std::memcmp(chunk + 24, kPcmSubFormat, sizeof kPcmSubFormat) != 0)
            return Refuse(error, "extensible sub-format is not PCM");
    } else if (tag != kFormatPcm) {
        return Refuse(error, "format tag " + std::to_string(tag) + " is not PCM");
    }
    wave->wChannels = Read16(chunk + 2);
    wave->dwSamplesPerSec = Read32(chunk + 4);
    wave->wBlockAlign = Read16(chunk + 12);
    wave->wBitsPerSample = Read16(chunk + 14);
    if (wave->wBitsPerSample != 16)
        return Refuse(error, std::to_string(wave->wBitsPerSample) + "-bit samples, not 16-bit");
    if (wave->wChannels == 0 || wave->wChannels > kWaveMaxChannels)
        return Refuse(error, std::to_string(wave->wChannels) + " channels (1 to " +
                                 std::to_string(kWaveMaxChannels) + " play)");
    if (wave->dwSamplesPerSec == 0 || wave->dwSamplesPerSec > kWaveMaxSamplesPerSec)
        return Refuse(error, std::to_string(wave->dwSamplesPerSec) + " samples per second");
    if (wave->wBlockAlign != 2u * wave->wChannels)
        return Refuse(error, "block align " + std::to_string(wave->wBlockAlign) + " for " +
                                 std::to_string(wave->wChannels) + " 16-bit channels");
    return S_OK;
}

HRESULT ReadWave(const void* bytes, size_t size, WaveFile* wave, std::string* error) {
    const uint8_t* file = static_cast<const uint8_t*>(bytes);
    if (!file || size < 12)
        return Refuse(error, std::to_string(size) + " bytes hold no RIFF header");
    if (std::memcmp(file, "RIFF", 4) != 0 || std::memcmp(file + 8, "WAVE", 4) != 0)
        return Refuse(error, "not a RIFF WAVE file");
    const uint32_t riffSize = Read32(file + 4);
    if (riffSize < 4 || riffSize > size - 8)
        return Refuse(error, "RIFF size " + std::to_string(riffSize) + " does not fit the " +
                                 std::to_string(size) + "-byte file");
    // Bytes after the RIFF form are not part of it.
    const size_t end = 8 + static_cast<size_t>(riffSize);

    bool haveFormat = false;
    bool haveData = false;
    for (size_t at = 12; at < end;) {
        if (end - at < 8)
            return Refuse(error, "truncated chunk header at offset " + std::to_string(at));
        const uint8_t* id = file + at;
        const uint32_t chunkSize = Read32(file + at + 4);
        const size_t body = at + 8;
        if (chunkSize > end - body)
            return Refuse(error, "chunk \"" + ChunkName(id) + "\" at offset " + std::to_string(at) +
                                     ": size " + std::to_string(chunkSize) +
                                     " runs past the end (" + std::to_string(end - body) +
                                     " bytes left)");
        if (std::memcmp(id, "fmt ", 4) == 0) {
            if (haveFormat)
                return Refuse(error, "a second fmt chunk");
            const HRESULT hr = ReadFormat(file + body, chunkSize, wave, error);
            if (FAILED(hr))
                return hr;
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (haveData)
                return Refuse(error, "a second data chunk");
            wave->pData = file + body;
            wave->nDataBytes = chunkSize;
            haveData = true;
        }
        // An odd-sized chunk is followed by a pad byte; the last one may lack it.
        const size_t padded = static_cast<size_t>(chunkSize) + (chunkSize & 1u);
        at = padded < end - body ? body + padded : end;
    }

    if (!haveFormat)
        return Refuse(error, "no fmt chunk");
    if (!haveData)
        return Refuse(error, "no data chunk");
    if (wave->nDataBytes == 0)
        return Refuse(error, "the data chunk is empty");
    if (wave->nDataBytes % wave->wBlockAlign != 0)
        return Refuse(error, "data chunk of " + std::to_string(wave->nDataBytes) +
                                 " bytes is not a whole number of " +
                                 std::to_string(wave->wBlockAlign) + "-byte frames");
    return S_OK;
}
}  // namespace

HRESULT ParseWaveFile(const void* bytes, size_t size, WaveFile* wave, std::string* error) {
    *wave = WaveFile();
    const HRESULT hr = ReadWave(bytes, size, wave, error);
    if (FAILED(hr))
        *wave = WaveFile();
    return hr;
}

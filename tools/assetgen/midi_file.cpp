// BGM1.MID: a small Standard MIDI File (format 0, one track) with the chime motif of the
// background track on tubular bells. It is shipped with the resources and never played.
#include <cstdint>

#include "tools/assetgen/asset_output.h"
#include "tools/assetgen/asset_writers.h"
#include "tools/assetgen/byte_writer.h"

namespace {
constexpr int kTicksPerQuarter = 96;

// A variable-length quantity: seven bits per byte, high bit set on all but the last.
void AppendVarLength(std::string* out, uint32_t value) {
    uint8_t bytes[5] = {};
    int n = 0;
    do {
        bytes[n++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0 && n < 5);
    while (n-- > 0)
        out->push_back(static_cast<char>(bytes[n] | (n > 0 ? 0x80 : 0x00)));
}
}  // namespace

void WriteMidi(const std::string& outDir) {
    // D5 A5 F#5 E5, B5 D6 A5, held, on channel 0; one quarter note per second.
    const uint8_t notes[] = {74, 81, 78, 76, 83, 86, 81};
    std::string track;
    AppendVarLength(&track, 0);
    track += std::string("\xFF\x51\x03\x0F\x42\x40", 6);  // tempo: 1,000,000 us a quarter
    AppendVarLength(&track, 0);
    track += std::string("\xC0\x0E", 2);  // program 15, tubular bells
    for (size_t i = 0; i < sizeof(notes); ++i) {
        const uint32_t length = i + 1 == sizeof(notes) ? 4 * kTicksPerQuarter : kTicksPerQuarter;
        AppendVarLength(&track, 0);
        track.push_back(static_cast<char>(0x90));
        track.push_back(static_cast<char>(notes[i]));
        track.push_back(static_cast<char>(64));
        AppendVarLength(&track, length);
        track.push_back(static_cast<char>(0x80));
        track.push_back(static_cast<char>(notes[i]));
        track.push_back(static_cast<char>(0));
    }
    AppendVarLength(&track, 0);
    track += std::string("\xFF\x2F\x00", 3);  // end of track

    std::string smf = "MThd";
    AppendBe32(&smf, 6);
    AppendBe16(&smf, 0);  // format 0
    AppendBe16(&smf, 1);  // one track
    AppendBe16(&smf, kTicksPerQuarter);
    smf += "MTrk";
    AppendBe32(&smf, static_cast<uint32_t>(track.size()));
    smf += track;
    WriteAsset(outDir, "MIDI", "BGM1.MID", smf);
}

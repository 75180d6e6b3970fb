// Appends fixed-width integers and floats to a byte string in a stated byte order, so that
// binary assets come out the same on any host.
// Owns: nothing but these helpers. Does not: write files (asset_output.h).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

inline void AppendLe16(std::string* out, uint32_t v) {
    out->push_back(static_cast<char>(v & 0xFF));
    out->push_back(static_cast<char>((v >> 8) & 0xFF));
}

inline void AppendLe32(std::string* out, uint32_t v) {
    AppendLe16(out, v & 0xFFFF);
    AppendLe16(out, v >> 16);
}

inline void AppendLeFloat(std::string* out, float f) {
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof(bits));
    AppendLe32(out, bits);
}

inline void AppendBe16(std::string* out, uint32_t v) {
    out->push_back(static_cast<char>((v >> 8) & 0xFF));
    out->push_back(static_cast<char>(v & 0xFF));
}

inline void AppendBe32(std::string* out, uint32_t v) {
    AppendBe16(out, v >> 16);
    AppendBe16(out, v & 0xFFFF);
}

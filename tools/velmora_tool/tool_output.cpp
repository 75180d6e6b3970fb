#include "tools/velmora_tool/tool_output.h"

#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/trace_log.h"

std::string FormatFloat(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string FormatVector(const D3DXVECTOR3& v) {
    return FormatFloat(v.x) + " " + FormatFloat(v.y) + " " + FormatFloat(v.z);
}

bool ParseFloatArgument(const char* text, float* value) {
    char* end = nullptr;
    const float parsed = std::strtof(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(parsed)) {
        std::fprintf(stderr, "velmora-tool: '%s' is not a number\n", text);
        return false;
    }
    *value = parsed;
    return true;
}

bool ParseIntegerArgument(const char* text, long long lowest, long long highest, long long* value) {
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || parsed < lowest || parsed > highest) {
        std::fprintf(stderr, "velmora-tool: '%s' is not a whole number from %lld to %lld\n", text,
                     lowest, highest);
        return false;
    }
    *value = parsed;
    return true;
}

void PrintTrace() { std::fputs(g_traceLog.Text(), stderr); }

#include "tools/velmora_tool/tool_output.h"

#include <charconv>
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

void PrintTrace() { std::fputs(g_traceLog.Text(), stderr); }

#include "app/trace_log.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

TraceLog::TraceLog(std::string startDirectory) : m_strStartDirectory(std::move(startDirectory)) {}

void TraceLog::Append(const char* text) {
    if (!text) return;
    const size_t n = std::strlen(text);
    if (n + m_nLength + 1 > kTextSize) return;
    std::memcpy(m_szText + m_nLength, text, n + 1);
    m_nLength += n;
}

void TraceLog::AppendFormat(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    Append(line);
}

std::string TraceLog::ErrorLogPath() const {
    std::string path = m_strStartDirectory;
    if (path.empty() || path.back() != '/') path += '/';
    return path + kErrorLogName;
}

void TraceLog::WriteErrorLog() const {
    FILE* file = std::fopen(ErrorLogPath().c_str(), "w");
    if (!file) return;
    std::fputs(m_szText, file);
    std::fclose(file);
}

std::string CurrentDirectory() {
    std::vector<char> buffer(256);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) return ".";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// The in-memory trace of the set-up steps, and the error log it becomes when start-up fails.
// Owns: up to 19,999 characters of ASCII lines and the directory that was current at start.
// Does not: write anything during a successful run; show anything to the user.
#pragma once

#include <cstddef>
#include <string>

class TraceLog {
public:
    static constexpr size_t kTextSize = 20000;  // bytes, the terminating NUL included
    static constexpr const char* kErrorLogName = "VelmoraErrLog.txt";

    // startDirectory is kept whole, so a long path can never overrun the log's path.
    explicit TraceLog(std::string startDirectory);

    // Appends text whole, or drops it whole when it would not fit with its NUL.
    void Append(const char* text);
    // printf-style Append, formatted into a local buffer first.
    void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Writes the whole text to the error log in the start directory; silent on failure.
    void WriteErrorLog() const;

    const char* Text() const { return m_szText; }
    size_t Length() const { return m_nLength; }
    const std::string& StartDirectory() const { return m_strStartDirectory; }
    std::string ErrorLogPath() const;

private:
    std::string m_strStartDirectory;
    char m_szText[kTextSize] = {};
    size_t m_nLength = 0;
};

// The process's current directory, or "." when it cannot be read.
std::string CurrentDirectory();

extern TraceLog g_traceLog;

#include "platform/xfile/xfile_errors.h"

std::string XError::Text() const {
    if (line == 0)
        return source + ": " + message;
    return source + ":" + std::to_string(line) + ": " + message;
}

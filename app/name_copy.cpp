#include "app/name_copy.h"

#include <cstring>

void BoundedNameCopy(char* destination, const char* source, int capacity) {
    if (!destination || !source || capacity == 0 || capacity < -1) return;
    if (capacity == -1) {
        std::strcpy(destination, source);
        return;
    }
    std::strncpy(destination, source, static_cast<size_t>(capacity));
    destination[capacity - 1] = '\0';
}

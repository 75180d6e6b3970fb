#include "app/instance_lock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

bool InstanceLock::Acquire(const char* name) {
    if (IsHeld() || !name)
        return false;
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    // An abstract address starts with a NUL byte; the name follows without a terminator.
    const size_t length = std::strlen(name);
    if (length == 0 || length + 1 > sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path + 1, name, length);
    const socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);

    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
        close(fd);
        return false;
    }
    m_nSocket = fd;
    return true;
}

void InstanceLock::Release() {
    if (!IsHeld())
        return;
    close(m_nSocket);
    m_nSocket = -1;
}

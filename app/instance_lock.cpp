#include "app/instance_lock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

std::string InstanceLockName(unsigned uid, const char* x11Display, const char* waylandDisplay) {
    std::string display;
    if (waylandDisplay && *waylandDisplay) {
        display = waylandDisplay;
    } else if (x11Display) {
        display = x11Display;
        // host:display.screen: every screen of one display is one session.
        const size_t colon = display.rfind(':');
        const size_t dot = display.find('.', colon == std::string::npos ? 0 : colon);
        if (colon != std::string::npos && dot != std::string::npos)
            display.erase(dot);
    }
    std::string name = std::string(kInstanceLockName) + "-" + std::to_string(uid) + "-" + display;
    if (name.size() > kMaxInstanceLockName)
        name.resize(kMaxInstanceLockName);
    return name;
}

std::string SaverInstanceLockName() {
    return InstanceLockName(static_cast<unsigned>(getuid()), std::getenv("DISPLAY"),
                            std::getenv("WAYLAND_DISPLAY"));
}

static_assert(kMaxInstanceLockName + 1 == sizeof(sockaddr_un::sun_path),
              "an abstract name fills sun_path after its NUL byte");

bool InstanceLock::Acquire(const char* name) {
    if (IsHeld() || !name)
        return false;
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    // An abstract address starts with a NUL byte; the name follows without a terminator.
    const size_t length = std::strlen(name);
    if (length == 0 || length > kMaxInstanceLockName)
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

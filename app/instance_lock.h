// The single-instance lock: a name in the abstract Unix socket namespace, held by binding a
// socket to it. bind fails with EADDRINUSE while another holder lives, and the kernel frees
// the name when its holder dies, so a crash never leaves a stale lock.
// The saver's name is scoped to the user and the display, as a session's named mutex is: one
// saver per user per display, however many run on the machine.
// Owns: the bound socket. Does not: wait for the lock or talk to the other instance.
// Needs: Linux (abstract socket addresses).
#pragma once

#include <string>

class InstanceLock {
  public:
    InstanceLock() = default;
    ~InstanceLock() { Release(); }
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock of that name; false when another holder has it or no socket can be made.
    bool Acquire(const char* name);
    // Gives the name back; does nothing when the lock is not held.
    void Release();
    bool IsHeld() const { return m_nSocket >= 0; }

  private:
    int m_nSocket = -1;  // file descriptor of the bound socket, -1 when not held
};

// The start of the saver's lock name.
constexpr const char* kInstanceLockName = "VELMORA_SCREEN_SAVER";

// The longest name Acquire takes: an abstract address, less its leading NUL byte.
constexpr size_t kMaxInstanceLockName = 107;

// kInstanceLockName, the user id and the display, as "VELMORA_SCREEN_SAVER-1000-:0": the
// Wayland display when one is named (non-empty), else the X display without its screen number
// (":0.1" is display ":0"), else nothing. A display too long is cut to fit
// kMaxInstanceLockName. Either display may be null.
std::string InstanceLockName(unsigned uid, const char* x11Display, const char* waylandDisplay);
// The name for this process: its real user id, $DISPLAY and $WAYLAND_DISPLAY.
std::string SaverInstanceLockName();

// The single-instance lock: a name in the abstract Unix socket namespace, held by binding a
// socket to it. bind fails with EADDRINUSE while another holder lives, and the kernel frees
// the name when its holder dies, so a crash never leaves a stale lock.
// Owns: the bound socket. Does not: wait for the lock or talk to the other instance.
// Needs: Linux (abstract socket addresses).
#pragma once

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

// The lock name of the saver.
constexpr const char* kInstanceLockName = "VELMORA_SCREEN_SAVER";

#include "app/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {
// A name of this test process only, so that a running saver or another test never interferes.
std::string TestLockName(const char* what) {
    return std::string("VELMORA_TEST_") + what + "_" + std::to_string(getpid());
}

TEST(InstanceLock, SecondHolderFailsWhileTheFirstLivesAndSucceedsAfterRelease) {
    const std::string name = TestLockName("release");
    InstanceLock first;
    ASSERT_TRUE(first.Acquire(name.c_str()));
    InstanceLock second;
    EXPECT_FALSE(second.Acquire(name.c_str()));
    EXPECT_FALSE(second.IsHeld());
    EXPECT_FALSE(first.Acquire(name.c_str()));  // already held: no second socket
    EXPECT_TRUE(first.IsHeld());

    first.Release();
    EXPECT_FALSE(first.IsHeld());
    EXPECT_TRUE(second.Acquire(name.c_str()));
    first.Release();  // releasing a lock that is not held changes nothing
    EXPECT_TRUE(second.IsHeld());
}

TEST(InstanceLock, DestructionGivesTheNameBack) {
    const std::string name = TestLockName("scope");
    {
        InstanceLock scoped;
        ASSERT_TRUE(scoped.Acquire(name.c_str()));
    }
    InstanceLock after;
    EXPECT_TRUE(after.Acquire(name.c_str()));
}

TEST(InstanceLock, ProcessThatDiesWithoutReleasingLeavesNoStaleLock) {
    const std::string name = TestLockName("crash");
    int held[2];
    int go[2];
    ASSERT_EQ(pipe(held), 0);
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock lock;
        const char ok = lock.Acquire(name.c_str()) ? 'y' : 'n';
        (void)!write(held[1], &ok, 1);
        char wait = 0;
        (void)!read(go[0], &wait, 1);
        _exit(0);  // no Release, no destructor: as a crash would end it
    }
    char ok = 0;
    ASSERT_EQ(read(held[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    InstanceLock other;
    EXPECT_FALSE(other.Acquire(name.c_str())) << "another process holds it";
    ASSERT_EQ(write(go[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(other.Acquire(name.c_str()));
    for (int fd : {held[0], held[1], go[0], go[1]})
        close(fd);
}

TEST(InstanceLockName, OneNamePerUserAndDisplay) {
    EXPECT_EQ(InstanceLockName(1000, ":0", nullptr), "VELMORA_SCREEN_SAVER-1000-:0");
    EXPECT_EQ(InstanceLockName(1000, ":0.1", nullptr), InstanceLockName(1000, ":0", nullptr))
        << "the screens of one display share it";
    EXPECT_EQ(InstanceLockName(1000, "localhost:10.0", ""),
              "VELMORA_SCREEN_SAVER-1000-localhost:10");
    EXPECT_NE(InstanceLockName(1000, ":1", nullptr), InstanceLockName(1000, ":0", nullptr));
    EXPECT_NE(InstanceLockName(1001, ":0", nullptr), InstanceLockName(1000, ":0", nullptr));
    // Wayland names the session when it is there, whatever X display it also offers.
    EXPECT_EQ(InstanceLockName(1000, ":0", "wayland-0"), "VELMORA_SCREEN_SAVER-1000-wayland-0");
    EXPECT_EQ(InstanceLockName(1000, nullptr, nullptr), "VELMORA_SCREEN_SAVER-1000-");

    // Too long a display is cut to what a lock can hold, and the lock takes it.
    const std::string longName = InstanceLockName(1000, std::string(300, 'd').c_str(), nullptr);
    EXPECT_EQ(longName.size(), kMaxInstanceLockName);
    InstanceLock lock;
    EXPECT_TRUE(lock.Acquire(longName.c_str()));
    EXPECT_FALSE(InstanceLock().Acquire((longName + "d").c_str()));
}

TEST(InstanceLockName, TheSaversLocksOnTwoDisplaysAreHeldTogether) {
    const std::string here = InstanceLockName(getuid(), ":98765", nullptr);
    const std::string there = InstanceLockName(getuid(), ":98766", nullptr);
    InstanceLock first, second, again;
    ASSERT_TRUE(first.Acquire(here.c_str()));
    EXPECT_TRUE(second.Acquire(there.c_str()));
    EXPECT_FALSE(again.Acquire(InstanceLockName(getuid(), ":98765.0", nullptr).c_str()));
}

TEST(InstanceLock, UnusableNamesAreRefused) {
    InstanceLock lock;
    EXPECT_FALSE(lock.Acquire(nullptr));
    EXPECT_FALSE(lock.Acquire(""));
    EXPECT_FALSE(lock.Acquire(std::string(200, 'x').c_str()));
    EXPECT_FALSE(lock.IsHeld());
}
}  // namespace

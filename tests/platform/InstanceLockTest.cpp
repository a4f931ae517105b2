#include "platform/InstanceLock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/RuntimeFolder.h"
#include "platform/RuntimeTestFolder.h"

extern char** environ;

namespace kyq {
namespace {

using State = InstanceLock::State;

class InstanceLockTest : public ::testing::Test {
protected:
    test::RuntimeTestFolder folders;
    std::string folder = PerUserRuntimeFolder().value();
};

TEST_F(InstanceLockTest, SecondHolderSeesTheLockUntilTheFirstReleases) {
    ASSERT_FALSE(folder.empty());
    InstanceLock first(folder);
    InstanceLock second(folder);
    EXPECT_EQ(first.TryAcquire(), State::Acquired);
    EXPECT_TRUE(first.Held());
    EXPECT_EQ(second.TryAcquire(), State::HeldElsewhere);
    EXPECT_FALSE(second.Held());
    first.Release();
    EXPECT_EQ(second.TryAcquire(), State::Acquired);
}

TEST_F(InstanceLockTest, LockOfAKilledProcessDoesNotBlock) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock lock(folder);
        char c = lock.TryAcquire() == State::Acquired ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(c, 'y');

    InstanceLock mine(folder);
    EXPECT_EQ(mine.TryAcquire(), State::HeldElsewhere);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(mine.TryAcquire(), State::Acquired);
}

TEST_F(InstanceLockTest, ProgramsWeStartDoNotInheritTheLock) {
    InstanceLock lock(folder);
    ASSERT_EQ(lock.TryAcquire(), State::Acquired);
    // A long-lived program started while the lock is held, as the generator would be.
    char sleepName[] = "sleep";
    char seconds[] = "30";
    char* argv[] = {sleepName, seconds, nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ), 0);
    lock.Release();

    InstanceLock next(folder);
    EXPECT_EQ(next.TryAcquire(), State::Acquired);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST_F(InstanceLockTest, MissingFolderFails) {
    InstanceLock lock(folder + "no/such/");
    EXPECT_EQ(lock.TryAcquire(), State::Failed);
    EXPECT_FALSE(lock.Held());
}

}  // namespace
}  // namespace kyq

#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace kyq {

InstanceLock::InstanceLock(std::string folder) : path_(std::move(folder) + FileName) {}

InstanceLock::~InstanceLock() { Release(); }

InstanceLock::State InstanceLock::TryAcquire() {
    if (fd_ >= 0)
        return State::Acquired;
    // Close-on-exec: a program we start (the generator, a helper) must not inherit the
    // descriptor, or it would keep the lock alive after we end.
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return State::Failed;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy ? State::HeldElsewhere : State::Failed;
    }
    fd_ = fd;
    return State::Acquired;
}

void InstanceLock::Release() {
    if (fd_ < 0)
        return;
    // The file stays: removing it would let a third start lock a fresh file while a
    // second one still holds the old, unlinked one.
    ::close(fd_);
    fd_ = -1;
}

}  // namespace kyq

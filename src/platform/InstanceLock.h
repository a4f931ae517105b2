// Tells the first instance of the program from a second one: the running instance holds
// an exclusive flock on a file in the per-user folder. The kernel drops the lock with the
// process, so a crashed instance never blocks the next start.
#pragma once

#include <string>

namespace kyq {

class InstanceLock {
public:
    enum class State { Acquired, HeldElsewhere, Failed };

    // folder: the per-user folder with its trailing "/".
    explicit InstanceLock(std::string folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Acquired: this object holds the lock until Release or destruction. HeldElsewhere:
    // another instance runs. Failed: the lock file cannot be opened (no folder, no
    // rights); callers then best run as the only instance.
    State TryAcquire();
    void Release();
    bool Held() const { return fd_ >= 0; }

    static constexpr char FileName[] = "KYQ.lock";

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace kyq

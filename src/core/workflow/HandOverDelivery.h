// How a start that finds another instance running gets its file (or its wish to see the
// window) to it: however the two starts overlap, the file is either asked for by the
// running instance or this start becomes the running instance itself. Nothing ends
// before one of the two has happened, unless the running instance never answers.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/Expected.h"

namespace kyq {

struct HandOverSteps {
    // Takes the single-instance lock: true when this start now is the only instance
    // (the other one has ended meanwhile, or it lost the race for the lock and then quit).
    std::function<bool()> TakeLock;
    // The running instance's window as its Handle.dat names it; 0 while it is still
    // starting (or a stale file names nobody).
    std::function<uint64_t()> RunningWindow;
    // Sends to that window and waits for it to finish with the message; nullopt when
    // nobody answered (not listening yet, gone, or gone before the reply).
    std::function<std::optional<int64_t>(uint64_t window)> Send;
    // Between two tries; false when waiting any longer is pointless (the running
    // instance has not answered for a long time).
    std::function<bool()> Pause;
};

enum class HandOverDelivery { Delivered, BecameFirst, NoAnswer };

HandOverDelivery DeliverHandOver(const HandOverSteps& steps);

// The running instance's side: it becomes reachable by listening, and only a window that
// listens is named in Handle.dat, so that no start hands over to an instance that cannot
// hear it (such a start waits for an answer and then tells its user).
struct HandOverPublishSteps {
    std::function<Expected<void>()> Listen;
    // Handle.dat of an instance before this one; a failure is logged where it happens.
    std::function<void()> RemoveStaleFile;
    std::function<Expected<void>()> WriteFile;
};

// Done, or the first failure, its message saying for the user what follows from it.
Expected<void> PublishHandOver(const HandOverPublishSteps& steps);

}  // namespace kyq

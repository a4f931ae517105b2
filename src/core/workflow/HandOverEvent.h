// A later start handed its command line over to this instance: the file it names ("" or
// a switch only: just show the window), the desktop's activation token that lets the
// window come forward, and how to tell that start it may end (it waits until then).
#pragma once

#include <functional>
#include <string>

namespace kyq {

struct HandOverEvent {
    std::string CommandText;
    std::string ActivationToken;
    // Run once the hand-over has been dealt with entirely; empty: nobody waits.
    std::function<void()> Finished;

    void Finish() const
    {
        if (Finished)
            Finished();
    }
};

}  // namespace kyq

// Paces a reader's yield: about every 15 ms of work, looking at the clock only every few
// hundred steps so that the check costs nothing next to the work.
#pragma once

#include <chrono>

#include "core/document/DocumentFormat.h"

namespace kyq {

class ReaderYieldClock {
public:
    static constexpr int CheckEvery = 256;
    static constexpr std::chrono::milliseconds Interval{15};

    explicit ReaderYieldClock(const ReaderYield& yield)
        : yield_(yield), last_(std::chrono::steady_clock::now())
    {
    }

    // One unit of work done (a record, a block).
    void Step()
    {
        if (!yield_ || ++steps_ < CheckEvery)
            return;
        steps_ = 0;
        if (std::chrono::steady_clock::now() - last_ < Interval)
            return;
        yield_();
        last_ = std::chrono::steady_clock::now();
    }

private:
    const ReaderYield& yield_;
    std::chrono::steady_clock::time_point last_;
    int steps_ = 0;
};

}  // namespace kyq

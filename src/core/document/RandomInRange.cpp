#include "core/document/RandomInRange.h"

#include <random>
#include <utility>

namespace kyq {

int16_t RandomInRange(int16_t lo, int16_t hi)
{
    thread_local std::mt19937 engine{std::random_device{}()};
    if (lo > hi)
        std::swap(lo, hi);
    std::uniform_int_distribution<int> pick(lo, hi);
    return static_cast<int16_t>(pick(engine));
}

}  // namespace kyq

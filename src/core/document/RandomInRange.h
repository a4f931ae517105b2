// Uniform random draws for the writer: grille, grille cell values, stream filler.
#pragma once

#include <cstdint>

namespace kyq {

// A value drawn uniformly from lo..hi inclusive (the bounds are swapped when lo > hi).
// One generator per thread, seeded once from std::random_device.
int16_t RandomInRange(int16_t lo, int16_t hi);

}  // namespace kyq

// The 4 x 4 turning grille of a document file: true marks a hole. Cell (r, c), both 1-based,
// is element (r - 1) * 4 + (c - 1), so the array is in row-major order.
#pragma once

#include <array>

namespace kyq {

using Grille = std::array<bool, 16>;

}  // namespace kyq

// Whether a grille is one a writer may use, worked out from its turns rather than from
// the orbit table the program draws grilles with.
#pragma once

#include <algorithm>
#include <array>
#include <functional>

#include "core/document/GrilleTransposition.h"

namespace kyq::test {

// The four positions of the grille uncover every cell exactly once.
inline bool IsValidGrille(const Grille& grille)
{
    std::array<int, 16> uncovered{};
    Grille position = grille;
    for (int pass = 0; pass < 4; ++pass, position = TurnGrille(position))
        std::transform(uncovered.begin(), uncovered.end(), position.begin(), uncovered.begin(), std::plus<>());
    return std::all_of(uncovered.begin(), uncovered.end(), [](int times) { return times == 1; });
}

}  // namespace kyq::test

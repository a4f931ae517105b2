// Whether a grille is one a writer may use, worked out from its turns rather than from
// the orbit table the program draws grilles with.
#pragma once

#include <array>

#include "core/document/GrilleTransposition.h"

namespace kyq::test {

// The four positions of the grille uncover every cell exactly once.
inline bool IsValidGrille(const Grille& grille)
{
    std::array<int, 16> uncovered{};
    Grille position = grille;
    for (int pass = 0; pass < 4; ++pass) {
        for (size_t cell = 0; cell < 16; ++cell)
            uncovered[cell] += position[cell] ? 1 : 0;
        position = TurnGrille(position);
    }
    for (int times : uncovered) {
        if (times != 1)
            return false;
    }
    return true;
}

}  // namespace kyq::test

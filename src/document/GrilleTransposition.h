// The turning-grille transposition of 16-value blocks, the random grille of a save and
// the coding of grille cells in a file header.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "document/Grille.h"

namespace kyq {

using Block = std::array<int16_t, 16>;

// Clockwise quarter turn: the value of cell (r, c) moves to (c, 5 - r).
Grille TurnGrille(const Grille& grille);
// Exactly one hole in each of the four orbits of the quarter turn, so the four
// positions of the grille uncover every cell exactly once.
bool IsValidGrille(const Grille& grille);

// Four passes: each fills the hole cells, row-major, with the next values, then the
// grille turns. Meant for valid grilles; with another one a cell uncovered twice keeps
// the later value and one never uncovered stays 0.
Block ScatterBlock(const Block& values, const Grille& grille);
// Four passes: each appends the values of the hole cells, row-major, then the grille
// turns. A valid grille gives the 16 values back in stream order; a damaged header's
// grille with h holes gives 4 * h values, as the format's readers always did.
void GatherBlock(const Block& cells, const Grille& grille, std::vector<int16_t>& out);

// A new random valid grille: one random hole on each outer orbit, one of the four
// inner cells.
Grille MakeGrille();

// A hole is written as a random value in 7..11, a closed cell in 12..26.
int16_t EncodeGrilleCell(bool hole);
// Valid when value + 14 lies in 21..40; a hole below 26. Nothing for other values.
std::optional<bool> DecodeGrilleCell(int32_t value);

}  // namespace kyq

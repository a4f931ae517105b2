// The turning-grille transposition of 16-value blocks, the random grille of a save and
// the coding of grille cells in a file header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/document/Grille.h"

namespace kyq {

using Block = std::array<int16_t, 16>;

// Clockwise quarter turn: the value of cell (r, c) moves to (c, 5 - r).
Grille TurnGrille(const Grille& grille);
// A valid grille has exactly one hole in each of the four orbits of the quarter turn, so
// its four positions uncover every cell exactly once.

// Four passes: each fills the hole cells, row-major, with the next values, then the
// grille turns. Meant for valid grilles; with another one a cell uncovered twice keeps
// the later value and one never uncovered stays 0.
Block ScatterBlock(const Block& values, const Grille& grille);
// Four passes: each appends the values of the hole cells, row-major, then the grille
// turns. A valid grille gives the 16 values back in stream order; a damaged header's
// grille with h holes gives 4 * h values, as the format's readers always did.
void GatherBlock(const Block& cells, const Grille& grille, std::vector<int16_t>& out);

// The cells of a block in stream order, worked out once per grille so that a reader or
// writer can go straight between a stream position and its place in the file: entry k
// is the cell (0..15) that holds the block's k-th stream value. A valid grille gives 16
// entries, a permutation; a damaged header's grille with h holes gives 4 * h, in the
// order GatherBlock reads them.
struct GrilleOrder {
    std::array<uint8_t, 64> Cells{};
    size_t Size = 0;
};
GrilleOrder GrilleReadOrder(const Grille& grille);

// A new random valid grille: one random hole on each outer orbit, one of the four
// inner cells.
Grille MakeGrille();

// A hole is written as a random value in 7..11, a closed cell in 12..26.
int16_t EncodeGrilleCell(bool hole);
// Valid when value + 14 lies in 21..40; a hole below 26. Nothing for other values.
std::optional<bool> DecodeGrilleCell(int32_t value);

}  // namespace kyq

#include "core/document/GrilleTransposition.h"

#include "core/document/RandomInRange.h"

namespace kyq {
namespace {

constexpr size_t Cell(int row, int column)  // both 1-based
{
    return static_cast<size_t>((row - 1) * 4 + (column - 1));
}

// The orbits of the quarter turn, each listed from the cell the grille drawing counts
// as its first: (1, i), (i, 4), (4, 5 - i), (5 - i, 1) for i = 1..3, then the inner one.
constexpr std::array<std::array<size_t, 4>, 4> Orbits = {{
    {Cell(1, 1), Cell(1, 4), Cell(4, 4), Cell(4, 1)},
    {Cell(1, 2), Cell(2, 4), Cell(4, 3), Cell(3, 1)},
    {Cell(1, 3), Cell(3, 4), Cell(4, 2), Cell(2, 1)},
    {Cell(2, 2), Cell(2, 3), Cell(3, 3), Cell(3, 2)},
}};

}  // namespace

Grille TurnGrille(const Grille& grille)
{
    Grille turned{};
    for (int r = 1; r <= 4; ++r) {
        for (int c = 1; c <= 4; ++c)
            turned[Cell(c, 5 - r)] = grille[Cell(r, c)];
    }
    return turned;
}

Block ScatterBlock(const Block& values, const Grille& grille)
{
    Block cells{};
    Grille position = grille;
    size_t next = 0;
    for (int pass = 0; pass < 4; ++pass) {
        for (size_t cell = 0; cell < 16; ++cell) {
            if (position[cell] && next < values.size())
                cells[cell] = values[next++];
        }
        position = TurnGrille(position);
    }
    return cells;
}

void GatherBlock(const Block& cells, const Grille& grille, std::vector<int16_t>& out)
{
    Grille position = grille;
    for (int pass = 0; pass < 4; ++pass) {
        for (size_t cell = 0; cell < 16; ++cell) {
            if (position[cell])
                out.push_back(cells[cell]);
        }
        position = TurnGrille(position);
    }
}

GrilleOrder GrilleReadOrder(const Grille& grille)
{
    // Gathering the cell numbers themselves gives the read order.
    Block cellNumbers{};
    for (size_t cell = 0; cell < cellNumbers.size(); ++cell)
        cellNumbers[cell] = static_cast<int16_t>(cell);
    std::vector<int16_t> cells;
    cells.reserve(64);
    GatherBlock(cellNumbers, grille, cells);
    GrilleOrder order;
    order.Size = cells.size();
    for (size_t k = 0; k < cells.size(); ++k)
        order.Cells[k] = static_cast<uint8_t>(cells[k]);
    return order;
}

Grille MakeGrille()
{
    Grille grille{};
    for (size_t i = 0; i < 3; ++i) {
        const int j = RandomInRange(1, 4);
        grille[Orbits[i][static_cast<size_t>(j - 1)]] = true;
    }
    const int r = RandomInRange(2, 3);
    const int c = RandomInRange(2, 3);
    grille[Cell(r, c)] = true;
    return grille;
}

int16_t EncodeGrilleCell(bool hole)
{
    return static_cast<int16_t>((hole ? RandomInRange(21, 25) : RandomInRange(26, 40)) - 14);
}

std::optional<bool> DecodeGrilleCell(int32_t value)
{
    const int64_t shifted = int64_t{value} + 14;
    if (shifted < 21 || shifted > 40)
        return std::nullopt;
    return shifted < 26;
}

}  // namespace kyq

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>

#include "core/document/GrilleTransposition.h"
#include "core/document/RandomInRange.h"
#include "support/DocumentTestSupport.h"
#include "support/GrilleCheck.h"

namespace kyq {
namespace {

Block Counting()
{
    Block values;
    std::iota(values.begin(), values.end(), int16_t{0});
    return values;
}

std::vector<Grille> AllValidGrilles()
{
    std::vector<Grille> grilles;
    for (unsigned mask = 0; mask < 65536; ++mask) {
        Grille g{};
        for (size_t cell = 0; cell < 16; ++cell)
            g[cell] = (mask >> cell) & 1;
        if (test::IsValidGrille(g))
            grilles.push_back(g);
    }
    return grilles;
}

TEST(Grille, QuarterTurnIsClockwiseAndFourTurnsRestoreIt)
{
    Grille g{};
    g[0] = true;  // (1,1) -> (1,4)
    g[6] = true;  // (2,3) -> (3,3)
    Grille turned = TurnGrille(g);
    Grille expected{};
    expected[3] = true;
    expected[10] = true;
    EXPECT_EQ(turned, expected);
    const Grille f = test::FixedGrille();
    EXPECT_EQ(TurnGrille(TurnGrille(TurnGrille(TurnGrille(f)))), f);
}

TEST(Grille, ValidMeansOneHolePerOrbit)
{
    EXPECT_EQ(AllValidGrilles().size(), 256u);
    EXPECT_TRUE(test::IsValidGrille(test::FixedGrille()));
    Grille twoInOneOrbit = test::FixedGrille();
    twoInOneOrbit[15] = true;  // (4,4) shares the orbit of (1,1)
    EXPECT_FALSE(test::IsValidGrille(twoInOneOrbit));
    EXPECT_FALSE(test::IsValidGrille(Grille{}));
}

TEST(Grille, ScatterFillsHolesRowMajorTurnAfterTurn)
{
    // Holes (1,1) (1,2) (1,3) (2,2); then (1,4) (2,3) (2,4) (3,4); then (3,3) (4,2) (4,3)
    // (4,4); then (2,1) (3,1) (3,2) (4,1).
    const Block cells = ScatterBlock(Counting(), test::FixedGrille());
    EXPECT_EQ(cells, (Block{0, 1, 2, 4, 12, 3, 5, 6, 13, 14, 8, 7, 15, 9, 10, 11}));
}

TEST(Grille, GatherUndoesScatterForEveryValidGrille)
{
    for (const Grille& g : AllValidGrilles()) {
        const Block values = Counting();
        std::vector<int16_t> out;
        GatherBlock(ScatterBlock(values, g), g, out);
        ASSERT_EQ(out, std::vector<int16_t>(values.begin(), values.end()));
    }
}

TEST(Grille, GatherOfADamagedGrilleYieldsFourValuesPerHole)
{
    std::vector<int16_t> out;
    GatherBlock(Counting(), Grille{}, out);
    EXPECT_TRUE(out.empty());
    Grille all;
    all.fill(true);
    GatherBlock(Counting(), all, out);
    EXPECT_EQ(out.size(), 64u);
}

TEST(Grille, MakeGrilleDrawsEveryValidGrilleAndNothingElse)
{
    std::set<Grille> seen;
    for (int i = 0; i < 6000; ++i) {
        const Grille g = MakeGrille();
        ASSERT_TRUE(test::IsValidGrille(g));
        ASSERT_EQ(std::count(g.begin(), g.end(), true), 4);
        seen.insert(g);
    }
    // Each of the 256 has probability 1/256 per draw; missing one in 6000 draws is a
    // one-in-a-billion event, so this fails only for a biased or incomplete draw.
    EXPECT_EQ(seen.size(), 256u);
}

TEST(GrilleCells, CodingRangesAndTheirLimits)
{
    for (int i = 0; i < 500; ++i) {
        const int16_t hole = EncodeGrilleCell(true);
        const int16_t closed = EncodeGrilleCell(false);
        ASSERT_GE(hole, 7);
        ASSERT_LE(hole, 11);
        ASSERT_GE(closed, 12);
        ASSERT_LE(closed, 26);
    }
    EXPECT_FALSE(DecodeGrilleCell(6).has_value());
    EXPECT_EQ(DecodeGrilleCell(7), true);
    EXPECT_EQ(DecodeGrilleCell(11), true);
    EXPECT_EQ(DecodeGrilleCell(12), false);
    EXPECT_EQ(DecodeGrilleCell(26), false);
    EXPECT_FALSE(DecodeGrilleCell(27).has_value());
    EXPECT_FALSE(DecodeGrilleCell(0).has_value());
    EXPECT_FALSE(DecodeGrilleCell(INT32_MAX).has_value());
    EXPECT_FALSE(DecodeGrilleCell(INT32_MIN).has_value());
}

TEST(RandomDraws, StayInRangeAndReachBothEnds)
{
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int v = RandomInRange(21, 25);
        ASSERT_GE(v, 21);
        ASSERT_LE(v, 25);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(RandomInRange(3, 3), 3);
    const int swapped = RandomInRange(9, 8);
    EXPECT_TRUE(swapped == 8 || swapped == 9);
}

}  // namespace
}  // namespace kyq

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/document/BlockStream.h"
#include "core/document/GrilleTransposition.h"

namespace kyq {
namespace {

int16_t At16(const std::vector<uint8_t>& bytes, size_t offset)
{
    return static_cast<int16_t>(static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8)));
}

// The stream as gathering each block one by one gives it.
std::vector<int16_t> Gathered(const std::vector<uint8_t>& bytes, const Grille& grille)
{
    std::vector<int16_t> stream;
    for (size_t at = 0; at < bytes.size(); at += StreamBlockBytes) {
        Block cells;
        for (size_t i = 0; i < 16; ++i)
            cells[i] = At16(bytes, at + 2 * i);
        GatherBlock(cells, grille, stream);
    }
    return stream;
}

std::vector<Grille> SomeGrilles()
{
    std::vector<Grille> grilles;
    for (int i = 0; i < 6; ++i)
        grilles.push_back(MakeGrille());
    Grille twoHoles{};
    twoHoles[0] = twoHoles[6] = true;
    Grille crowded{};
    crowded[0] = crowded[1] = crowded[3] = crowded[5] = crowded[10] = true;  // an orbit with two
    Grille all{};
    all.fill(true);
    grilles.insert(grilles.end(), {twoHoles, crowded, all});
    return grilles;
}

TEST(BlockStream, ReadingInPlaceGivesWhatGatheringGives)
{
    std::mt19937 random(4);
    for (const Grille& grille : SomeGrilles()) {
        std::vector<uint8_t> bytes(StreamBlockBytes * 9);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(random());
        const std::vector<int16_t> expected = Gathered(bytes, grille);

        // Single values, runs of every length and skips, in a random mix, up to the end.
        BlockStreamReader reader(bytes.data(), 9, GrilleReadOrder(grille));
        ASSERT_EQ(reader.Remaining(), expected.size());
        size_t at = 0;
        while (reader.Remaining() > 0) {
            const size_t n = std::min<size_t>(random() % 40, reader.Remaining());
            switch (random() % 3) {
            case 0:
                ASSERT_EQ(reader.Next(), expected[at]) << at;
                ++at;
                break;
            case 1:
                reader.Take(n, [&](size_t i, uint16_t value) {
                    ASSERT_EQ(static_cast<int16_t>(value), expected[at + i]) << at + i;
                });
                at += n;
                break;
            default:
                reader.Skip(n);
                at += n;
            }
            ASSERT_EQ(reader.Remaining(), expected.size() - at);
        }
    }
}

TEST(BlockStream, WritingInPlaceGivesWhatScatteringGives)
{
    std::mt19937 random(8);
    for (int round = 0; round < 20; ++round) {
        const Grille grille = MakeGrille();
        std::vector<int16_t> values(16 * 5);
        for (int16_t& v : values)
            v = static_cast<int16_t>(random());
        std::vector<uint8_t> bytes(StreamBlockBytes * 5);
        BlockStreamWriter writer(bytes.data(), GrilleReadOrder(grille));
        for (int16_t v : values)
            writer.Put(v);
        for (size_t b = 0; b < 5; ++b) {
            Block block;
            std::copy_n(values.begin() + static_cast<std::ptrdiff_t>(16 * b), 16, block.begin());
            const Block cells = ScatterBlock(block, grille);
            for (size_t i = 0; i < 16; ++i)
                ASSERT_EQ(At16(bytes, StreamBlockBytes * b + 2 * i), cells[i]) << round << " " << b << " " << i;
        }
    }
}

}  // namespace
}  // namespace kyq

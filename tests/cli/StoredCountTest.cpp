#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "cli/StoredCount.h"

namespace kyq::cli {
namespace {

void Put(std::string& out, int64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out += static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF);
}

// Header of the given format: grille cells (never 0), an owner name of `ownerLength`
// codes, the 0 that ends it, then `count` and `payload` bytes.
std::string File(int32_t format, int ownerLength, int64_t count, size_t payload)
{
    const int width = format == 150 ? 4 : 2;
    std::string out;
    Put(out, format, 4);
    for (int i = 0; i < 16; ++i)
        Put(out, 7 + i, width);
    for (int i = 0; i < ownerLength; ++i)
        Put(out, i % 2 ? -12345 : 'A' - 14, width);
    Put(out, 0, width);
    Put(out, count, 4);
    out.append(payload, '\x5A');
    return out;
}

TEST(StoredCount, CurrentFormatBlocks)
{
    auto c = ReadStoredCount(File(200, 3, 2, 64));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->Format, 200);
    EXPECT_EQ(c->Count, 2);
    EXPECT_TRUE(ReadStoredCount(File(200, 0, 1, 32)));
    // Fewer bytes than the blocks announce, no block at all, a negative count.
    EXPECT_FALSE(ReadStoredCount(File(200, 3, 2, 63)));
    EXPECT_FALSE(ReadStoredCount(File(200, 3, 0, 0)));
    EXPECT_FALSE(ReadStoredCount(File(200, 3, -1, 64)));
    EXPECT_FALSE(ReadStoredCount(File(200, 3, INT32_MAX, 64)));
}

TEST(StoredCount, LegacyFormatRecords)
{
    const size_t smallestRecord = 148;
    auto c = ReadStoredCount(File(150, 2, 3, 3 * smallestRecord));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->Format, 150);
    EXPECT_EQ(c->Count, 3);
    EXPECT_EQ(ReadStoredCount(File(150, 2, 0, 0))->Count, 0);
    EXPECT_FALSE(ReadStoredCount(File(150, 2, 3, 3 * smallestRecord - 1)));
    EXPECT_FALSE(ReadStoredCount(File(150, 2, 40000, 40000 * smallestRecord)));
    EXPECT_FALSE(ReadStoredCount(File(150, 2, -1, 0)));
}

TEST(StoredCount, EveryTruncationIsRefused)
{
    const std::string whole = File(200, 4, 1, 32);
    ASSERT_TRUE(ReadStoredCount(whole));
    for (size_t n = 0; n < whole.size(); ++n)
        EXPECT_FALSE(ReadStoredCount(whole.substr(0, n))) << n;
}

TEST(StoredCount, UnknownFormatsAndUnendedHeaders)
{
    EXPECT_FALSE(ReadStoredCount(File(201, 1, 1, 32)));
    std::string noEnd;
    Put(noEnd, 200, 4);
    for (int i = 0; i < 40; ++i)
        Put(noEnd, 9, 2);
    EXPECT_FALSE(ReadStoredCount(noEnd));
}

}  // namespace
}  // namespace kyq::cli

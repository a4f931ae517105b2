#include <gtest/gtest.h>

#include <algorithm>

#include "core/document/DocumentFormat.h"
#include "core/document/GrilleTransposition.h"
#include "platform/CodePage936.h"
#include "support/DocumentTestSupport.h"
#include "support/GrilleCheck.h"

namespace kyq {
namespace {

using test::MakeDocument;
using test::Record;
using test::StoredRecords;

constexpr ExpiryContext NoExpiry{0, 2024, 6, 1};

std::vector<uint8_t> Encode(const PasswordDocument& doc)
{
    std::vector<uint8_t> bytes;
    const FormatResult r = EncodeDocument(doc, bytes);
    EXPECT_TRUE(r) << r.error().Detail;
    return bytes;
}

// Probe, then read with `password`, as the open workflow does.
PasswordDocument ReadBack(const std::vector<uint8_t>& bytes, const std::u16string& password,
                          FormatResult* result = nullptr)
{
    PasswordDocument doc;
    const FormatResult probe = ProbeHeaderBytes(doc, bytes);
    EXPECT_TRUE(probe) << probe.error().Detail;
    doc.DocumentPassword() = password;
    const FormatResult read = ReadCurrentFormatBytes(doc, bytes, NoExpiry);
    if (result)
        *result = read;
    else
        EXPECT_TRUE(read) << read.error().Detail;
    return doc;
}

// The record stream as stored, un-transposed with the file's own grille.
std::vector<int16_t> StreamOf(const std::vector<uint8_t>& bytes, size_t ownerLength, int32_t* blockCount = nullptr)
{
    auto at16 = [&](size_t offset) { return static_cast<int16_t>(bytes[offset] | (bytes[offset + 1] << 8)); };
    Grille grille{};
    for (size_t cell = 0; cell < 16; ++cell)
        grille[cell] = DecodeGrilleCell(at16(4 + 2 * cell)).value();
    const size_t countAt = 38 + 2 * ownerLength;
    const int32_t blocks = static_cast<int32_t>(bytes[countAt] | (bytes[countAt + 1] << 8) |
                                                (bytes[countAt + 2] << 16) | (uint32_t{bytes[countAt + 3]} << 24));
    if (blockCount)
        *blockCount = blocks;
    std::vector<int16_t> stream;
    for (int32_t b = 0; b < blocks; ++b) {
        Block cells;
        for (size_t i = 0; i < 16; ++i)
            cells[i] = at16(countAt + 4 + 32 * static_cast<size_t>(b) + 2 * i);
        GatherBlock(cells, grille, stream);
    }
    return stream;
}

std::vector<PasswordEntry> MixedRecords()
{
    return {
        Record(u"Mail", u"alice@example.org", u"S3cret!x"),
        Record(u"网上银行", u"张三", u"密码ab12", 2023, 12, 31),
        Record(u"符号 ~!@#$%^&*()_+{}|:\"<>?", u"；：“”‘’【】€", u"\\/\t'", -5, 0, 255),
        Record(u"empty fields", u"", u""),
    };
}

TEST(CurrentFormat, RecordsOwnerAndHeaderSurviveARoundTrip)
{
    const PasswordDocument doc = MakeDocument(u"李雷", u"钥匙key", MixedRecords());
    const std::vector<uint8_t> bytes = Encode(doc);

    PasswordDocument back;
    back.Entries.push_back(Record(u"left over", u"", u""));
    ASSERT_TRUE(ProbeHeaderBytes(back, bytes));
    EXPECT_EQ(back.FormatVersion, 200);
    EXPECT_TRUE(test::IsValidGrille(back.FileGrille));
    EXPECT_EQ(back.OwnerName(), u"李雷");
    EXPECT_EQ(back.EntryCount(), 0);

    back.DocumentPassword() = u"钥匙key";
    ASSERT_TRUE(ReadCurrentFormatBytes(back, bytes, NoExpiry));
    EXPECT_EQ(StoredRecords(back), MixedRecords());  // file order; the caller reorders
    EXPECT_EQ(back.Titles.size(), 4u);
    EXPECT_TRUE(back.ExpiredTitles.empty());
}

TEST(CurrentFormat, TwoSavesDifferByteWiseButReadTheSame)
{
    const PasswordDocument doc = MakeDocument(u"owner", u"pw", MixedRecords());
    std::vector<uint8_t> first, second;
    for (int attempt = 0; attempt < 5 && first == second; ++attempt) {
        first = Encode(doc);
        second = Encode(doc);
    }
    ASSERT_EQ(first.size(), second.size());
    EXPECT_NE(first, second);
    EXPECT_EQ(StoredRecords(ReadBack(first, u"pw")), StoredRecords(ReadBack(second, u"pw")));
    EXPECT_EQ(StoredRecords(ReadBack(first, u"pw")), MixedRecords());
}

TEST(CurrentFormat, EmptyDocumentIsOneBlockOfATerminatorAndFifteenFillers)
{
    const PasswordDocument doc = MakeDocument(u"ab", u"pw", {});
    const std::vector<uint8_t> bytes = Encode(doc);
    ASSERT_EQ(bytes.size(), 4u + 32 + 2 * 2 + 2 + 4 + 32);
    // Owner name: codes lowered by 14, then the 0.
    EXPECT_EQ(bytes[36], 97 - 14);
    EXPECT_EQ(bytes[38], 98 - 14);
    EXPECT_EQ(bytes[40], 0);
    EXPECT_EQ(bytes[41], 0);
    int32_t blocks = 0;
    const std::vector<int16_t> stream = StreamOf(bytes, 2, &blocks);
    EXPECT_EQ(blocks, 1);
    ASSERT_EQ(stream.size(), 16u);
    EXPECT_EQ(stream[0], 0);
    for (size_t i = 1; i < 16; ++i) {
        EXPECT_GE(stream[i], 1);
        EXPECT_LE(stream[i], 255);
    }
    EXPECT_EQ(ReadBack(bytes, u"pw").EntryCount(), 0);
}

TEST(CurrentFormat, StreamThatFillsItsBlocksExactlyHasNoFiller)
{
    // 1 + 0 + 8 characters + 6 values + the terminator = 16 values.
    const std::vector<PasswordEntry> records{Record(u"t", u"", u"12345678")};
    const std::vector<uint8_t> bytes = Encode(MakeDocument(u"o", u"k", records));
    int32_t blocks = 0;
    const std::vector<int16_t> stream = StreamOf(bytes, 1, &blocks);
    EXPECT_EQ(blocks, 1);
    EXPECT_EQ(stream.back(), 0);
    EXPECT_EQ(stream.front(), 1);  // the title length
    EXPECT_EQ(StoredRecords(ReadBack(bytes, u"k")), records);

    // One value more needs a second block.
    const std::vector<PasswordEntry> longer{Record(u"t", u"", u"123456789")};
    const std::vector<uint8_t> more = Encode(MakeDocument(u"o", u"k", longer));
    EXPECT_EQ(more.size(), bytes.size() + 32);
    EXPECT_EQ(StoredRecords(ReadBack(more, u"k")), longer);
}

TEST(CurrentFormat, ExactlyTheOldLimitOf2047BlocksRoundTrips)
{
    // 909 records of 36 values and one of 27, plus the terminator: 32,752 values = 2047 blocks.
    std::vector<PasswordEntry> records;
    for (int i = 0; i < 909; ++i) {
        std::u16string n = u"0000";
        n[0] = static_cast<char16_t>(u'0' + i / 100 % 10);
        n[1] = static_cast<char16_t>(u'0' + i / 10 % 10);
        n[2] = static_cast<char16_t>(u'0' + i % 10);
        records.push_back(Record(u"标题-" + n + u"xyz", u"user" + n + u"中文", u"p" + n + u"sswd!"));
    }
    records.push_back(Record(u"最后", u"u", std::u16string(18, u'x')));
    const PasswordDocument doc = MakeDocument(u"o", u"pw", records);
    const std::vector<uint8_t> bytes = Encode(doc);
    ASSERT_EQ(bytes.size(), 4u + 32 + 2 + 2 + 4 + 32u * 2047);
    int32_t blocks = 0;
    const std::vector<int16_t> stream = StreamOf(bytes, 1, &blocks);
    EXPECT_EQ(blocks, 2047);
    EXPECT_EQ(stream.back(), 0);
    EXPECT_EQ(StoredRecords(ReadBack(bytes, u"pw")), records);
}

TEST(CurrentFormat, TheFullSizeOf32767RecordsNeedsMoreBlocksAndRoundTrips)
{
    std::vector<PasswordEntry> records;
    records.reserve(PasswordDocument::MaxEntries);
    for (int i = 0; i < PasswordDocument::MaxEntries; ++i) {
        std::u16string digits;
        for (char c : std::to_string(i))
            digits.push_back(static_cast<char16_t>(c));
        records.push_back(Record(u"站点" + digits + u"网站", u"用户" + digits, u"Pa55-" + digits + u"密码x",
                                 static_cast<int16_t>(2000 + i % 25), static_cast<uint8_t>(1 + i % 12),
                                 static_cast<uint8_t>(1 + i % 28)));
    }
    const PasswordDocument doc = MakeDocument(u"owner", u"长密码long", records);
    const std::vector<uint8_t> bytes = Encode(doc);
    int32_t blocks = 0;
    StreamOf(bytes, 5, &blocks);
    EXPECT_GT(blocks, 2047);
    const PasswordDocument back = ReadBack(bytes, u"长密码long");
    ASSERT_EQ(back.EntryCount(), PasswordDocument::MaxEntries);
    EXPECT_EQ(StoredRecords(back), records);
}

TEST(CurrentFormat, LongTextsFollowTheKeyCycleToTheirLastCharacter)
{
    // Texts far longer than usual, under keys whose length does not divide theirs: the
    // writer's stream must be the one laid out value by value, and the reader must take
    // such a stream back, each checked against the plain layout of the test support.
    std::u16string title, password;
    for (int i = 0; i < 700; ++i)
        title += static_cast<char16_t>(i % 3 == 0 ? u"标题字"[i % 3] : u'a' + i % 26);
    for (int i = 0; i < 1100; ++i)
        password += static_cast<char16_t>(i % 5 == 0 ? u'密' : u'0' + i % 10);
    const std::vector<PasswordEntry> records{Record(title, u"", password), Record(u"short", u"u", u"p")};
    for (const std::u16string key : {u"abc", u"七个字符的密码", u"k"}) {
        std::vector<int16_t> expected;
        for (const PasswordEntry& r : records)
            test::AppendStreamRecord(expected, r, PasswordKey(key));
        expected.push_back(0);

        const std::vector<uint8_t> bytes = Encode(MakeDocument(u"o", key, records));
        const std::vector<int16_t> written = StreamOf(bytes, 1);
        ASSERT_GE(written.size(), expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), written.begin()));

        const std::vector<uint8_t> raw = test::RawCurrentFile(test::FixedGrille(), EncipherText(u"o"), expected);
        EXPECT_EQ(StoredRecords(ReadBack(raw, key)), records);
    }
}

TEST(CurrentFormat, ADamagedGrilleGivesFourValuesPerHoleFromEveryBlock)
{
    // Grille values in range but not one hole per orbit: the probe accepts the header and
    // each block yields what gathering it yields, here 8 values from 2 holes.
    Grille twoHoles{};
    twoHoles[0] = twoHoles[1] = true;
    std::vector<int16_t> stream;
    const std::vector<PasswordEntry> records{Record(u"第一条", u"user", u"secret1"),
                                             Record(u"second", u"用户", u"p"), Record(u"x", u"", u"")};
    for (const PasswordEntry& r : records)
        test::AppendStreamRecord(stream, r, PasswordKey(u"pw"));
    stream.push_back(0);
    while (stream.size() % 8 != 0)
        stream.push_back(7);
    std::vector<uint8_t> bytes = test::RawCurrentFile(twoHoles, EncipherText(u"o"), {});
    bytes.resize(bytes.size() - 4 - 32);  // the block count and the one block of filler
    test::Put32(bytes, static_cast<int32_t>(stream.size() / 8));
    for (size_t at = 0; at < stream.size(); at += 8) {
        Block values{};
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(at), 8, values.begin());
        for (int16_t cell : ScatterBlock(values, twoHoles))
            test::Put16(bytes, cell);
    }
    EXPECT_EQ(StoredRecords(ReadBack(bytes, u"pw")), records);

    // Every cell a hole: each block is read four times over, row-major.
    Grille allHoles{};
    allHoles.fill(true);
    std::vector<int16_t> one;
    test::AppendStreamRecord(one, Record(u"abc", u"", u""), PasswordKey(u"pw"));
    one.push_back(0);
    ASSERT_LE(one.size(), 16u);
    const std::vector<uint8_t> all = test::RawCurrentFile(allHoles, EncipherText(u"o"), one);
    EXPECT_EQ(StoredRecords(ReadBack(all, u"pw")), (std::vector<PasswordEntry>{Record(u"abc", u"", u"")}));
    // No hole at all: no stream, so no terminator either.
    FormatResult none;
    ReadBack(test::RawCurrentFile(Grille{}, EncipherText(u"o"), one), u"pw", &none);
    EXPECT_EQ(none.error().Kind, FormatErrorKind::Truncated);
}

TEST(CurrentFormat, WrongPasswordKeepsCountLengthsAndDatesButNotTheCharacters)
{
    const PasswordDocument doc = MakeDocument(u"o", u"right", MixedRecords());
    const std::vector<uint8_t> bytes = Encode(doc);
    for (const std::u16string wrong : {u"wrong", u"x", u"Right", u"错误的密码"}) {
        const PasswordDocument back = ReadBack(bytes, wrong);
        ASSERT_EQ(back.EntryCount(), doc.EntryCount());
        for (int i = 1; i <= doc.EntryCount(); ++i) {
            const PasswordEntry& a = doc.Entries[static_cast<size_t>(i)];
            const PasswordEntry& b = back.Entries[static_cast<size_t>(i)];
            EXPECT_EQ(b.Title.size(), a.Title.size());
            EXPECT_EQ(b.UserName.size(), a.UserName.size());
            EXPECT_EQ(b.Password.size(), a.Password.size());
            EXPECT_NE(b.Title, a.Title);
            EXPECT_EQ(b.ChangedYear, a.ChangedYear);
            EXPECT_EQ(b.ChangedMonth, a.ChangedMonth);
            EXPECT_EQ(b.ChangedDay, a.ChangedDay);
        }
        EXPECT_EQ(back.OwnerName(), u"o");  // the owner name is not keyed
    }
}

TEST(CurrentFormat, ExpiredRecordsAreCollectedInFileOrder)
{
    const PasswordDocument doc = MakeDocument(
        u"o", u"k",
        {Record(u"z-old", u"u", u"p", 2020, 1, 1), Record(u"new", u"u", u"p", 2024, 5, 31),
         Record(u"a-old", u"u", u"p", 2019, 3, 3)});
    const std::vector<uint8_t> bytes = Encode(doc);
    PasswordDocument back;
    ASSERT_TRUE(ProbeHeaderBytes(back, bytes));
    back.DocumentPassword() = u"k";
    ASSERT_TRUE(ReadCurrentFormatBytes(back, bytes, ExpiryContext{60, 2024, 6, 1}));
    EXPECT_EQ(back.ExpiredTitles, (std::vector<std::u16string>{u"z-old", u"a-old"}));
}

}  // namespace
}  // namespace kyq

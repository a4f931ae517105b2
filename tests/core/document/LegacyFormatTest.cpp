#include <gtest/gtest.h>

#include "core/document/Cipher.h"
#include "core/document/DocumentFormat.h"
#include "support/DocumentTestSupport.h"

namespace kyq {
namespace {

using test::FixedGrille;
using test::LegacyFile;
using test::LegacyRecord;

constexpr ExpiryContext NoExpiry{0, 2024, 6, 1};

FormatResult ReadLegacy(const std::vector<uint8_t>& bytes, const std::u16string& password, PasswordDocument& doc)
{
    const FormatResult probe = ProbeHeaderBytes(doc, bytes);
    if (!probe)
        return probe;
    doc.DocumentPassword() = password;
    const FormatResult r = ReadLegacyFormatBytes(doc, bytes, DeriveLegacyKey(password), NoExpiry);
    if (!r) {
        EXPECT_EQ(doc.EntryCount(), 0);
        EXPECT_TRUE(doc.Titles.empty());
    }
    return r;
}

TEST(LegacyFormat, RecordsReadWithTheUserNameTakenFromTheTitle)
{
    const std::vector<LegacyRecord> records{
        {u"Mail", u"S3cret!", 2003, 7, 9},
        {u"网上银行", u"密码12", 1999, 12, 31},
        {u"long title of exactly twenty-one", u"", 2001, 1, 1},
    };
    const auto bytes = LegacyFile(FixedGrille(), u"王五", DeriveLegacyKey(u"abcd"), records);
    PasswordDocument doc;
    ASSERT_TRUE(ReadLegacy(bytes, u"abcd", doc));
    EXPECT_EQ(doc.FormatVersion, 150);
    EXPECT_EQ(doc.OwnerName(), u"王五");
    ASSERT_EQ(doc.EntryCount(), 3);
    for (int i = 1; i <= 3; ++i) {
        const PasswordEntry& e = doc.Entries[static_cast<size_t>(i)];
        const LegacyRecord& r = records[static_cast<size_t>(i - 1)];
        EXPECT_EQ(e.Title, r.Title);
        EXPECT_EQ(e.UserName, r.Title);
        EXPECT_EQ(e.Password, r.Password);
        EXPECT_EQ(e.ChangedYear, r.Year);
        EXPECT_EQ(e.ChangedMonth, r.Month);
        EXPECT_EQ(e.ChangedDay, r.Day);
    }
    EXPECT_EQ(doc.Titles.size(), 3u);

    // The next save writes format 200 with the same records.
    std::vector<uint8_t> saved;
    ASSERT_TRUE(EncodeDocument(doc, saved));
    PasswordDocument again;
    ASSERT_TRUE(ProbeHeaderBytes(again, saved));
    EXPECT_EQ(again.FormatVersion, 200);
    again.DocumentPassword() = u"abcd";
    ASSERT_TRUE(ReadCurrentFormatBytes(again, saved, NoExpiry));
    EXPECT_EQ(test::StoredRecords(again), test::StoredRecords(doc));
}

TEST(LegacyFormat, TextEndsAtTheFirstCode2OrRunsToTheEndOfItsBlocks)
{
    // 16 characters and no marker: taken whole.
    const std::u16string sixteen = u"0123456789abcdef";
    // 15 characters: the marker is the 16th, and only it goes.
    const std::u16string fifteen = u"0123456789abcde";
    const std::vector<LegacyRecord> records{
        {sixteen, sixteen, 2003, 7, 9, false},
        {fifteen, fifteen, 2003, 7, 9, true},
    };
    PasswordDocument doc;
    ASSERT_TRUE(ReadLegacy(LegacyFile(FixedGrille(), u"o", 49, records), u"x", doc));
    EXPECT_EQ(doc.Entries[1].Title, sixteen);
    EXPECT_EQ(doc.Entries[1].Password, sixteen);
    EXPECT_EQ(doc.Entries[2].Title, fifteen);
    EXPECT_EQ(doc.Entries[2].Password, fifteen);

    // The character with code 16 enciphers to the marker: the text ends before it.
    PasswordDocument cut;
    ASSERT_TRUE(ReadLegacy(LegacyFile(FixedGrille(), u"o", 49, {{u"ab\x10" u"cd", u"p", 2003, 7, 9, false}}), u"x", cut));
    EXPECT_EQ(cut.Entries[1].Title, u"ab");
}

TEST(LegacyFormat, AOneCharacterPasswordUsesTheKeyOfItsLength)
{
    const auto bytes = LegacyFile(FixedGrille(), u"o", 49, {{u"title", u"pw", 2003, 7, 9}});
    PasswordDocument doc;
    ASSERT_TRUE(ReadLegacy(bytes, u"Q", doc));
    EXPECT_EQ(doc.Entries[1].Title, u"title");
    PasswordDocument wrong;
    ASSERT_TRUE(ReadLegacy(bytes, u"QQ", wrong));
    EXPECT_NE(wrong.Entries[1].Title, u"title");
}

TEST(LegacyFormat, CountsAndValuesOutsideTheirRangesAreRefused)
{
    const std::vector<LegacyRecord> one{{u"t", u"p", 2003, 7, 9}};
    PasswordDocument doc = test::MakeDocument(u"x", u"y", {});
    EXPECT_EQ(ReadLegacy(LegacyFile(FixedGrille(), u"o", 0, one, 40000), u"x", doc).error().Kind, FormatErrorKind::BadCount);
    EXPECT_EQ(ReadLegacy(LegacyFile(FixedGrille(), u"o", 0, one, -1), u"x", doc).error().Kind, FormatErrorKind::BadCount);
    // A count within range but beyond what the file holds is caught before the loop.
    EXPECT_EQ(ReadLegacy(LegacyFile(FixedGrille(), u"o", 0, one, 32767), u"x", doc).error().Kind, FormatErrorKind::Truncated);
    EXPECT_EQ(ReadLegacy(LegacyFile(FixedGrille(), u"o", 0, one, 2), u"x", doc).error().Kind, FormatErrorKind::Truncated);

    for (auto [year, month, day] : {std::tuple{32768, 1, 1}, std::tuple{-32769, 1, 1}, std::tuple{2003, 256, 1},
                                    std::tuple{2003, 1, -1}}) {
        const auto bytes = LegacyFile(FixedGrille(), u"o", 0, {{u"t", u"p", year, month, day}});
        EXPECT_EQ(ReadLegacy(bytes, u"x", doc).error().Kind, FormatErrorKind::BadValue) << year << " " << month << " " << day;
    }
    PasswordDocument edge;
    ASSERT_TRUE(ReadLegacy(LegacyFile(FixedGrille(), u"o", 0, {{u"t", u"p", -32768, 255, 0}}), u"x", edge));
    EXPECT_EQ(edge.Entries[1].ChangedYear, -32768);
}

TEST(LegacyFormat, BlockCountsAndCharacterValuesAreChecked)
{
    const auto good = LegacyFile(FixedGrille(), u"o", 0, {{u"t", u"p", 2003, 7, 9}});
    const size_t firstCount = 4 + 64 + 4 + 4 + 4;  // after the owner "o", its 0 and N
    auto withCount = [&](int32_t count) {
        std::vector<uint8_t> bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[firstCount + static_cast<size_t>(i)] = static_cast<uint8_t>((static_cast<uint32_t>(count) >> (8 * i)) & 0xFF);
        return bytes;
    };
    PasswordDocument doc;
    ASSERT_TRUE(ReadLegacy(withCount(1), u"x", doc));
    EXPECT_EQ(ReadLegacy(withCount(0), u"x", doc).error().Kind, FormatErrorKind::BadCount);
    EXPECT_EQ(ReadLegacy(withCount(2048), u"x", doc).error().Kind, FormatErrorKind::BadCount);
    EXPECT_EQ(ReadLegacy(withCount(2047), u"x", doc).error().Kind, FormatErrorKind::Truncated);

    // A value whose XOR with the key is no 16-bit code, signed or unsigned.
    std::vector<uint8_t> bytes = good;
    bytes[firstCount + 4 + 2] = 0x01;  // first title value becomes at least 65536
    EXPECT_EQ(ReadLegacy(bytes, u"x", doc).error().Kind, FormatErrorKind::BadValue);
}

TEST(LegacyFormat, EveryTruncationIsRefused)
{
    const auto bytes = LegacyFile(FixedGrille(), u"李", 49, {{u"t", u"p", 2003, 7, 9}, {u"中文", u"", 2003, 7, 9}});
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        PasswordDocument doc;
        ASSERT_FALSE(ReadLegacyFormatBytes(doc, part, 49, NoExpiry)) << cut;
        EXPECT_EQ(doc.EntryCount(), 0);
    }
    PasswordDocument doc;
    EXPECT_TRUE(ReadLegacyFormatBytes(doc, bytes, 49, NoExpiry));
}

TEST(LegacyFormat, ExpiryIsCheckedForEveryRecord)
{
    const auto bytes = LegacyFile(FixedGrille(), u"o", 49, {{u"old", u"p", 2001, 1, 1}, {u"new", u"p", 2024, 5, 30}});
    PasswordDocument doc;
    ASSERT_TRUE(ProbeHeaderBytes(doc, bytes));
    ASSERT_TRUE(ReadLegacyFormatBytes(doc, bytes, 49, ExpiryContext{60, 2024, 6, 1}));
    EXPECT_EQ(doc.ExpiredTitles, std::vector<std::u16string>{u"old"});
}

TEST(LegacyFormat, AFormat200FileIsNotReadAsFormat150)
{
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeDocument(test::MakeDocument(u"o", u"k", {}), bytes));
    PasswordDocument doc;
    EXPECT_EQ(ReadLegacyFormatBytes(doc, bytes, 0, NoExpiry).error().Kind, FormatErrorKind::UnknownFormat);
}

}  // namespace
}  // namespace kyq

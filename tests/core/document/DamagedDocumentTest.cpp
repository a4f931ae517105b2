#include <gtest/gtest.h>

#include "core/document/DocumentFormat.h"
#include "core/document/SealedFormat.h"
#include "support/DocumentTestSupport.h"

namespace kyq {
namespace {

using test::AppendStreamRecord;
using test::FixedGrille;
using test::MakeDocument;
using test::RawCurrentFile;
using test::Record;

constexpr ExpiryContext NoExpiry{0, 2024, 6, 1};

std::vector<uint8_t> SmallFile()
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(EncodeDocument(MakeDocument(u"张三", u"pw", {Record(u"a", u"b", u"c"), Record(u"邮件", u"", u"xyz")}),
                               bytes));
    return bytes;
}

// A reader's outcome on a document that holds records from an earlier read.
FormatResult Read(const std::vector<uint8_t>& bytes, PasswordDocument* out = nullptr)
{
    PasswordDocument doc = MakeDocument(u"owner", u"pw", {Record(u"stale", u"u", u"p")});
    doc.AddTitle(doc.Entries[1]);
    const FormatResult r = ReadCurrentFormatBytes(doc, bytes, NoExpiry);
    if (!r) {
        EXPECT_EQ(doc.EntryCount(), 0) << r.error().Detail;
        EXPECT_TRUE(doc.Titles.empty());
        EXPECT_EQ(doc.OwnerName(), u"owner");
        EXPECT_TRUE(doc.ExpiredTitles.empty());
    }
    if (out)
        *out = std::move(doc);
    return r;
}

CodeText Key()
{
    return PasswordKey(u"pw");
}

TEST(DamagedHeader, UnknownFormatNumbersAndGrilleValuesAreRefused)
{
    std::vector<uint8_t> bytes = SmallFile();
    PasswordDocument doc = MakeDocument(u"kept", u"pw", {Record(u"a", u"u", u"p")});

    std::vector<uint8_t> f201 = bytes;
    f201[0] = 201;
    EXPECT_EQ(ProbeHeaderBytes(doc, f201).error().Kind, FormatErrorKind::UnknownFormat);
    for (int16_t bad : {6, 27, 0, -1}) {
        std::vector<uint8_t> cell = bytes;
        cell[4 + 2 * 7] = static_cast<uint8_t>(bad & 0xFF);
        cell[5 + 2 * 7] = static_cast<uint8_t>((bad >> 8) & 0xFF);
        EXPECT_EQ(ProbeHeaderBytes(doc, cell).error().Kind, FormatErrorKind::BadHeader) << bad;
        EXPECT_EQ(Read(cell).error().Kind, FormatErrorKind::BadHeader);
    }
    // A refused probe leaves the document as it was.
    EXPECT_EQ(doc.OwnerName(), u"kept");
    EXPECT_EQ(doc.EntryCount(), 1);
    EXPECT_EQ(doc.FormatVersion, 0);
}

TEST(DamagedHeader, OwnerNameWithoutItsEndIsRefused)
{
    std::vector<uint8_t> bytes;
    test::Put32(bytes, 200);
    for (int i = 0; i < 16; ++i)
        test::Put16(bytes, i < 4 ? 9 : 20);
    test::Put16(bytes, 40);
    test::Put16(bytes, 41);
    PasswordDocument doc;
    EXPECT_EQ(ProbeHeaderBytes(doc, bytes).error().Kind, FormatErrorKind::BadHeader);
}

TEST(DamagedFile, EveryTruncationIsRefusedAndNoneCrashes)
{
    const std::vector<uint8_t> bytes = SmallFile();
    const size_t headerEnd = 4 + 32 + 2 * 2 + 2;
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        PasswordDocument doc;
        const FormatResult probe = ProbeHeaderBytes(doc, part);
        EXPECT_EQ(static_cast<bool>(probe), cut >= headerEnd) << cut;
        const FormatResult read = Read(part);
        ASSERT_FALSE(read) << cut;
    }
    EXPECT_TRUE(Read(bytes));
}

TEST(DamagedFile, BlockCountsThatCannotBeUsedAreRefusedBeforeAnyAllocation)
{
    std::vector<int16_t> stream;
    AppendStreamRecord(stream, Record(u"t", u"u", u"p"), Key());
    stream.push_back(0);
    EXPECT_TRUE(Read(RawCurrentFile(FixedGrille(), {}, stream)));
    EXPECT_EQ(Read(RawCurrentFile(FixedGrille(), {}, stream, 0)).error().Kind, FormatErrorKind::BadCount);
    EXPECT_EQ(Read(RawCurrentFile(FixedGrille(), {}, stream, -3)).error().Kind, FormatErrorKind::BadCount);
    EXPECT_EQ(Read(RawCurrentFile(FixedGrille(), {}, stream, 3)).error().Kind, FormatErrorKind::Truncated);
    EXPECT_EQ(Read(RawCurrentFile(FixedGrille(), {}, stream, INT32_MAX)).error().Kind, FormatErrorKind::Truncated);
}

TEST(DamagedFile, StreamWithoutItsTerminatorIsTruncated)
{
    std::vector<int16_t> stream;
    AppendStreamRecord(stream, Record(u"t", u"u", u"p"), Key());
    while (stream.size() % 16 != 0)  // fill with a record start whose title runs off the end
        stream.push_back(100);
    EXPECT_EQ(Read(RawCurrentFile(FixedGrille(), {}, stream)).error().Kind, FormatErrorKind::Truncated);

    // A record that fills its block exactly, and no block after it for the terminator.
    std::vector<int16_t> full;
    AppendStreamRecord(full, Record(u"t", u"u", u"pppppppp"), Key());
    ASSERT_EQ(full.size(), 16u);
    EXPECT_EQ(Read(RawCurrentFile(FixedGrille(), {}, full)).error().Kind, FormatErrorKind::Truncated);
}

TEST(DamagedFile, NegativeLengthsAndOutOfRangeDatesAreRefused)
{
    for (size_t field : {0u, 2u, 4u}) {  // title, user name, password length positions
        std::vector<int16_t> stream{1, 70, 1, 70, 1, 70, 2024, 1, 1, 0};
        stream[field] = -1;
        EXPECT_EQ(Read(RawCurrentFile(FixedGrille(), {}, stream)).error().Kind, FormatErrorKind::BadCount) << field;
    }
    for (auto [month, day] : {std::pair{256, 1}, std::pair{1, 256}, std::pair{-1, 1}, std::pair{1, -1}}) {
        std::vector<int16_t> stream{1, 70, 0, 0, 2024, static_cast<int16_t>(month), static_cast<int16_t>(day), 0};
        EXPECT_EQ(Read(RawCurrentFile(FixedGrille(), {}, stream)).error().Kind, FormatErrorKind::BadValue);
    }
    // The widest legal values read.
    std::vector<int16_t> wide{1, 70, 0, 0, -32768, 255, 0, 0};
    PasswordDocument doc;
    ASSERT_TRUE(Read(RawCurrentFile(FixedGrille(), {}, wide), &doc));
    EXPECT_EQ(doc.Entries[1].ChangedYear, -32768);
    EXPECT_EQ(doc.Entries[1].ChangedMonth, 255);
}

TEST(DamagedFile, MoreThan32767RecordsAreRefused)
{
    std::vector<int16_t> stream;
    for (int i = 0; i <= PasswordDocument::MaxEntries; ++i) {
        const int16_t record[] = {1, 70, 0, 0, 2024, 1, 1};
        stream.insert(stream.end(), std::begin(record), std::end(record));
    }
    stream.push_back(0);
    EXPECT_EQ(Read(RawCurrentFile(FixedGrille(), {}, stream)).error().Kind, FormatErrorKind::BadCount);
    stream.erase(stream.begin(), stream.begin() + 7);
    PasswordDocument doc;
    ASSERT_TRUE(Read(RawCurrentFile(FixedGrille(), {}, stream), &doc));
    EXPECT_EQ(doc.EntryCount(), PasswordDocument::MaxEntries);
}

TEST(DamagedFile, WhatFollowsTheTerminatorOrTheBlocksIsIgnored)
{
    std::vector<int16_t> stream;
    AppendStreamRecord(stream, Record(u"t", u"u", u"p"), Key());
    stream.push_back(0);
    stream.insert(stream.end(), {-1, -5, 9999, 0, 3});
    std::vector<uint8_t> bytes = RawCurrentFile(FixedGrille(), {}, stream);
    bytes.insert(bytes.end(), {1, 2, 3});
    PasswordDocument doc;
    ASSERT_TRUE(Read(bytes, &doc));
    EXPECT_EQ(doc.EntryCount(), 1);
    EXPECT_EQ(doc.Entries[1].Title, u"t");
}

TEST(DamagedFile, AFormat150FileIsNotReadAsFormat200)
{
    const auto legacy = test::LegacyFile(FixedGrille(), u"o", 0, {});
    EXPECT_EQ(Read(legacy).error().Kind, FormatErrorKind::UnknownFormat);
}

// Format 200 refuses what it cannot hold, naming the record and field but never a title or
// a character (the refusal reaches logs); the sealed format holds any Unicode text.
TEST(Unstorable, WhatTheFormatCannotHoldIsRefusedNamingTheRecord)
{
    struct Case {
        PasswordDocument doc;
        std::string mentions;
        bool sealedHolds;
    };
    const std::u16string tooLong(MaxTextLength + 1, u'x');
    std::vector<Case> cases;
    cases.push_back({MakeDocument(u"o", u"k", {Record(u"a", u"u", u"p"), Record(u"", u"u", u"p")}), "第2条记录没有标题", false});
    cases.push_back({MakeDocument(u"o", u"k", {Record(tooLong, u"u", u"p")}), "第1条记录的标题有32768个字符", false});
    cases.push_back({MakeDocument(u"o", u"k", {Record(u"a", tooLong, u"p")}), "第1条记录的用户名称有32768个字符", false});
    cases.push_back({MakeDocument(u"o", u"k", {Record(u"a", u"u", tooLong)}), "的密码有32768个字符", false});
    cases.push_back({MakeDocument(u"o", u"k", {Record(u"a", u"u", u"p"), Record(u"标题b", u"ok", u"pass😀")}),
                     "第2条记录的密码中有GBK字符集以外的字符", true});
    cases.push_back({MakeDocument(u"o", u"k", {Record(u"กข", u"u", u"p")}), "第1条记录的标题中有GBK", true});
    cases.push_back({MakeDocument(u"o", u"k", {Record(u"a", u"u", u"p\xD800")}), "", false});
    cases.push_back({MakeDocument(u"ow\x0Ener", u"k", {}), "文档用户名中有旧格式", true});
    cases.push_back({MakeDocument(u"ownerก", u"k", {}), "文档用户名中有旧格式", true});
    cases.push_back({MakeDocument(u"o", u"k😀", {}), "文档密码中有GBK字符集以外的字符", true});
    // The first problem in record order is the one named, whichever kind it is.
    cases.push_back({MakeDocument(u"o", u"k", {Record(u"a", u"u", u"p"), Record(u"b", u"u", u"€€ก"),
                                               Record(u"", u"u", u"p"), Record(tooLong, u"u", u"p")}),
                     "第2条记录的密码中有GBK", false});
    cases.push_back({MakeDocument(u"o", u"k", {Record(u"a", u"u", u"p"), Record(u"", u"u", u"p"),
                                               Record(u"c", u"ก", u"p")}),
                     "第2条记录没有标题", false});
    PasswordDocument tooMany = MakeDocument(u"o", u"k", {});
    tooMany.Entries.resize(PasswordDocument::MaxEntries + 2, Record(u"t", u"u", u"p"));
    cases.push_back({std::move(tooMany), "32768", false});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.mentions);
        std::vector<uint8_t> bytes{1, 2, 3};
        const FormatResult r = EncodeDocument(c.doc, bytes);
        EXPECT_EQ(r.error().Kind, FormatErrorKind::Unstorable);
        EXPECT_NE(r.error().Message.find(c.mentions), std::string::npos) << r.error().Message;
        EXPECT_FALSE(r.error().Detail.empty());  // the English for standard error
        EXPECT_TRUE(bytes.empty());
        for (const std::string& said : {r.error().Message, r.error().Detail})
            for (const char* secret : {"标题b", "😀", "ก", "€"})
                EXPECT_EQ(said.find(secret), std::string::npos) << said;
        EXPECT_EQ(static_cast<bool>(CheckDocumentStorable(c.doc, SealedFormatNumber)), c.sealedHolds);
    }
}

TEST(Unstorable, TheLimitsThemselvesAreStored)
{
    const std::u16string longest(MaxTextLength, u'中');
    const std::vector<PasswordEntry> records{Record(longest, longest, longest)};
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeDocument(MakeDocument(u"o", u"k", records), bytes));
    PasswordDocument doc;
    ASSERT_TRUE(ProbeHeaderBytes(doc, bytes));
    // Moved in: g++ 12 at -O2 warns wrongly (-Wrestrict) about copying the literal here.
    doc.DocumentPassword() = std::u16string(u"k");
    ASSERT_TRUE(ReadCurrentFormatBytes(doc, bytes, NoExpiry));
    EXPECT_EQ(test::StoredRecords(doc), records);
}

TEST(Unstorable, OwnerNameAndPasswordChecksFindWhatAFileCannotCarry)
{
    // A document password may hold no control character: no password box can take one.
    EXPECT_EQ(FindUnusableInDocumentPassword(u"密码abc€", false), std::u16string::npos);
    EXPECT_EQ(FindUnusableInDocumentPassword(u"a\x01" u"b", false), 1u);
    EXPECT_EQ(FindUnusableInDocumentPassword(u"\x1B[A", false), 0u);
    EXPECT_EQ(FindUnusableInDocumentPassword(u"tab\there", false), 3u);
    EXPECT_EQ(FindUnusableInDocumentPassword(u"del\x7F", false), 3u);
    EXPECT_EQ(FindUnusableInDocumentPassword(u"aก\x01", false), 1u);
    // A sealed document's password only needs to be typeable.
    EXPECT_EQ(FindUnusableInDocumentPassword(u"aก😀", true), std::u16string::npos);
    EXPECT_EQ(FindUnusableInDocumentPassword(u"aก\x01", true), 2u);
    EXPECT_EQ(FindUnstorableInOwnerName(u"张三abc"), std::u16string::npos);
    EXPECT_EQ(FindUnstorableInOwnerName(u"ab\x0E"), 2u);
    EXPECT_EQ(FindUnstorableInOwnerName(u"aก\x0E"), 1u);
    EXPECT_EQ(FindUnstorableInOwnerName(u""), std::u16string::npos);
}

}  // namespace
}  // namespace kyq

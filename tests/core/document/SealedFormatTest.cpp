// The sealed format: golden files made by golden/sealed_golden.py (PyNaCl, no code of ours)
// read exactly and our files read by that script, refusal of every altered part, the key
// kept across saves, and conversion both ways.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/document/AnyFormat.h"
#include "core/document/SealedFormat.h"
#include "platform/Utf.h"
#include "support/DocumentTestSupport.h"

namespace kyq {
namespace {

using test::Record;

constexpr ExpiryContext NoExpiry{0, 2024, 6, 1};

// The golden files' records, as the script lays them down.
std::vector<PasswordEntry> ThreeRecords()
{
    return {Record(u"Bank银行", u"zhang", u"p@ss中文", 2024, 2, 29), Record(u"Mail", u"", u"", 1999, 12, 31),
            Record(u"论坛", u"用户名", u"a password longer than sixteen", -1, 0, 255)};
}

// Counts the derivations a step runs.
struct Derivations {
    int count = 0;
    BlockingWork Work()
    {
        return [this](const std::function<void()>& work) {
            ++count;
            work();
        };
    }
};

FormatResult Open(PasswordDocument& doc, const std::vector<uint8_t>& bytes, std::u16string_view password,
                  const BlockingWork& work = {})
{
    if (auto probe = ProbeHeaderBytes(doc, bytes); !probe)
        return probe;
    return OpenProbedBytes(doc, bytes, password, NoExpiry, {}, work);
}

std::vector<uint8_t> Sealed(PasswordDocument doc)
{
    doc.FormatVersion = SealedFormatNumber;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(EncodeAnyFormat(doc, bytes, LowestKeyCost));
    return bytes;
}

TEST(SealedFormatTest, GoldenFilesReadExactly)
{
    struct Case {
        const char* file;
        std::u16string password, owner;
        std::vector<PasswordEntry> records;
    };
    const Case cases[] = {{"sealed-three-records.kyq", u"密钥k", u"张三", ThreeRecords()},
                          {"sealed-empty.kyq", u"pw", u"Li", {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const auto bytes = test::ReadBytes(std::string(KYQ_GOLDEN_DIR "/") + c.file);
        PasswordDocument doc;
        const FormatResult read = Open(doc, bytes, c.password);
        ASSERT_TRUE(read) << read.error().Detail;
        EXPECT_EQ(doc.FormatVersion, SealedFormatNumber);
        EXPECT_EQ(doc.OwnerName(), c.owner);
        EXPECT_EQ(test::StoredRecords(doc), c.records);
        ASSERT_NE(doc.SealKey, nullptr);
        EXPECT_EQ(doc.SealKey->Parameters().Cost, LowestKeyCost);

        PasswordDocument wrong;
        const FormatResult refused = Open(wrong, bytes, c.password + u"x");
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().Kind, FormatErrorKind::WrongPassword);
        EXPECT_EQ(wrong.EntryCount(), 0);
        EXPECT_EQ(wrong.SealKey, nullptr);
    }
}

TEST(SealedFormatTest, OurFileReadsInTheIndependentScript)
{
    test::ScratchFolder folder;
    const std::string file = folder / "ours.kyq";
    test::WriteBytes(file, Sealed(test::MakeDocument(u"张三", u"密钥k", ThreeRecords())));
    {
        std::ofstream(folder / "password") << "密钥k\n";
    }
    const std::string command = std::string(KYQ_PYTHON " " KYQ_GOLDEN_DIR "/sealed_golden.py read '") + file +
                                "' < '" + (folder / "password") + "' > '" + (folder / "out") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::stringstream out;
    out << std::ifstream(folder / "out").rdbuf();
    EXPECT_EQ(out.str(),
              "张三\nBank银行\tzhang\tp@ss中文\t2024\t2\t29\nMail\t\t\t1999\t12\t31\n"
              "论坛\t用户名\ta password longer than sixteen\t-1\t0\t255\n");
}

// Every part of the file is bound: a changed header value out of range is refused before
// any key is derived, any other change fails to authenticate; nothing is read either way.
TEST(SealedFormatTest, AlteredFilesAreRefused)
{
    const std::vector<uint8_t> good = Sealed(test::MakeDocument(u"Ann", u"pw", ThreeRecords()));
    const size_t ownerEnd = 60 + 3;
    enum Outcome { Damaged, Unauthentic, Opens };
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> change;
        Outcome outcome;
    };
    const auto set32 = [](size_t at, uint32_t v) {
        return [at, v](std::vector<uint8_t>& b) {
            for (int i = 0; i < 4; ++i)
                b[at + i] = static_cast<uint8_t>(v >> (8 * i));
        };
    };
    const auto flip = [](size_t at) { return [at](std::vector<uint8_t>& b) { b[at] ^= 1; }; };
    const Case cases[] = {
        {"unchanged", [](std::vector<uint8_t>&) {}, Opens},
        {"format number", set32(0, 301), Damaged},
        {"key derivation id", flip(4), Damaged},
        {"cipher id", flip(5), Damaged},
        {"reserved", flip(7), Damaged},
        {"opslimit 0", set32(8, 0), Damaged},
        {"opslimit 33", set32(8, 33), Damaged},
        {"opslimit 2, in range", set32(8, 2), Unauthentic},
        {"memlimit 8191 KiB", set32(12, 8191), Damaged},
        {"memlimit 1 GiB + 1 KiB", set32(12, 1048577), Damaged},
        {"salt", flip(16), Unauthentic},
        {"nonce", flip(40), Unauthentic},
        {"owner name length", set32(56, 4), Damaged},
        {"owner name", flip(60), Unauthentic},
        {"ciphertext length", set32(ownerEnd, 0), Damaged},
        {"ciphertext", flip(ownerEnd + 4), Unauthentic},
        {"tag", [](std::vector<uint8_t>& b) { b.back() ^= 0x80; }, Unauthentic},
        {"truncated", [](std::vector<uint8_t>& b) { b.pop_back(); }, Damaged},
        {"extended", [](std::vector<uint8_t>& b) { b.push_back(0); }, Damaged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = good;
        c.change(bytes);
        PasswordDocument doc;
        doc.FormatVersion = SealedFormatNumber;  // as probed before the file changed
        Derivations derived;
        const FormatResult read = OpenProbedBytes(doc, bytes, u"pw", NoExpiry, {}, derived.Work());
        if (c.outcome == Opens) {
            ASSERT_TRUE(read) << read.error().Detail;
            EXPECT_EQ(test::StoredRecords(doc), ThreeRecords());
            continue;
        }
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error().Kind == FormatErrorKind::WrongPassword, c.outcome == Unauthentic);
        EXPECT_EQ(derived.count, c.outcome == Unauthentic ? 1 : 0);
        EXPECT_EQ(doc.EntryCount(), 0);
    }
}

// No header may ask for more than four times the default work before the password is
// checked, however each value alone stays in its range.
TEST(SealedFormatTest, TheHeaderCheckBoundsTheKeyWork)
{
    const std::vector<uint8_t> made = Sealed(test::MakeDocument(u"Ann", u"pw", {}));
    struct Case {
        uint32_t ops, memKiB;
        bool accepted;
    };
    const Case cases[] = {{32, 8192, true},     {8, 262144, true},    {2, 1048576, true},
                          {32, 1048576, false}, {3, 1048576, false}, {9, 262144, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.ops) + " x " + std::to_string(c.memKiB));
        std::vector<uint8_t> bytes = made;
        for (int i = 0; i < 4; ++i) {
            bytes[8 + i] = static_cast<uint8_t>(c.ops >> (8 * i));
            bytes[12 + i] = static_cast<uint8_t>(c.memKiB >> (8 * i));
        }
        SealedHeader header;
        const FormatResult read = ReadSealedHeader(bytes, header);
        EXPECT_EQ(read ? FormatErrorKind::CannotOpen : read.error().Kind,
                  c.accepted ? FormatErrorKind::CannotOpen : FormatErrorKind::BadHeader);
    }
}

// Any Unicode text, in every field, the owner name and the password too: what is saved
// sealed opens as it was.
TEST(SealedFormatTest, HoldsAnyUnicodeText)
{
    const std::vector<PasswordEntry> records{Record(u"😀表情", u"ก ไทย", u"ab😀cd", 2024, 1, 2),
                                             Record(u"Ελληνικά", u"𠀀", u"", 2023, 5, 6)};
    PasswordDocument doc = test::MakeDocument(u"Ünïcödé 😀", u"ab😀cd", records);
    doc.FormatVersion = SealedFormatNumber;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeAnyFormat(doc, bytes, LowestKeyCost));
    PasswordDocument again;
    ASSERT_TRUE(Open(again, bytes, u"ab😀cd"));
    EXPECT_EQ(again.OwnerName(), u"Ünïcödé 😀");
    EXPECT_EQ(test::StoredRecords(again), records);
}

// A save derives a key only for a new password; each save has a fresh nonce, a new
// password a fresh salt.
TEST(SealedFormatTest, SavesReuseTheKeyUntilThePasswordChanges)
{
    PasswordDocument doc = test::MakeDocument(u"Ann", u"pw", ThreeRecords());
    doc.FormatVersion = SealedFormatNumber;
    Derivations derived;
    std::vector<uint8_t> first, second, third;
    ASSERT_TRUE(EncodeAnyFormat(doc, first, LowestKeyCost, derived.Work()));
    ASSERT_TRUE(EncodeAnyFormat(doc, second, LowestKeyCost, derived.Work()));
    EXPECT_EQ(derived.count, 1);
    const auto part = [](const std::vector<uint8_t>& b, size_t at, size_t n) {
        return std::vector<uint8_t>(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n));
    };
    EXPECT_EQ(part(first, 16, 16), part(second, 16, 16));
    EXPECT_NE(part(first, 32, 24), part(second, 32, 24));

    doc.DocumentPassword() = u"new";
    ASSERT_TRUE(EncodeAnyFormat(doc, third, LowestKeyCost, derived.Work()));
    EXPECT_EQ(derived.count, 2);
    EXPECT_NE(part(first, 16, 16), part(third, 16, 16));
    PasswordDocument reopened;
    ASSERT_TRUE(Open(reopened, third, u"new"));
    EXPECT_EQ(test::StoredRecords(reopened), ThreeRecords());
}

TEST(SealedFormatTest, ConversionBothWaysKeepsEverything)
{
    PasswordDocument doc;
    const auto golden = test::ReadBytes(KYQ_GOLDEN_DIR "/three-records-200.kyq");
    ASSERT_TRUE(Open(doc, golden, u"密钥k"));
    const std::vector<PasswordEntry> records = test::StoredRecords(doc);
    for (const int32_t format : {SealedFormatNumber, CurrentFormatNumber}) {
        SCOPED_TRACE(format);
        doc.FormatVersion = format;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(EncodeAnyFormat(doc, bytes, LowestKeyCost));
        PasswordDocument again;
        ASSERT_TRUE(Open(again, bytes, u"密钥k"));
        EXPECT_EQ(again.FormatVersion, format);
        EXPECT_EQ(again.OwnerName(), doc.OwnerName());
        EXPECT_EQ(test::StoredRecords(again), records);
        doc = std::move(again);
    }
}

TEST(SealedFormatTest, PlaintextMustHoldWholeWellFormedRecords)
{
    const auto Repeat = [](const std::string& piece, size_t times) {
        std::string text;
        for (size_t i = 0; i < times; ++i)
            text += piece;
        return text;
    };
    const auto plain = [](uint32_t count, std::vector<std::string> texts, size_t extra = 0) {
        std::vector<uint8_t> b;
        test::Put32(b, static_cast<int32_t>(count));
        for (size_t i = 0; i < texts.size(); ++i) {
            test::Put32(b, static_cast<int32_t>(texts[i].size()));
            b.insert(b.end(), texts[i].begin(), texts[i].end());
            if (i % 3 == 2)
                test::Put32(b, 0x1F0507E8);  // year 2024, month 5, day 31
        }
        b.insert(b.end(), extra, uint8_t{0});
        return b;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool reads;
    };
    const Case cases[] = {
        {"one record", plain(1, {"t", "u", "p"}), true},
        {"no record", plain(0, {}), true},
        {"count past 32767", plain(32768, {}), false},
        {"count past the records", plain(2, {"t", "u", "p"}), false},
        {"bytes after the last record", plain(1, {"t", "u", "p"}, 1), false},
        {"empty title", plain(1, {"", "u", "p"}), false},
        {"not UTF-8", plain(1, {"t", "\xC0\xAF", "p"}), false},
        {"a surrogate in UTF-8", plain(1, {"t", "u", "\xED\xA0\x80"}), false},
        {"32,767 characters", plain(1, {"t", "u", std::string(32767, 'x')}), true},
        {"32,768 characters", plain(1, {"t", "u", std::string(32768, 'x')}), false},
        {"an overlong form", plain(1, {"t", "\xE0\x80\xAF", "p"}), false},
        {"past U+10FFFF", plain(1, {"t", "u", "\xF4\x90\x80\x80"}), false},
        {"a character cut off", plain(1, {"t", "u", "p\xE6\xB5"}), false},
        {"Chinese and an emoji", plain(1, {"t", "张三", "密\xF0\x9F\x98\x80"}), true},
        {"32,767 Chinese characters", plain(1, {"t", "u", Repeat("密", 32767)}), true},
        {"16,384 emoji (32,768 UTF-16 units)", plain(1, {"t", Repeat("\xF0\x9F\x98\x80", 16384), "p"}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PasswordDocument doc;
        const FormatResult read = ParseSealedPlaintext(doc, c.bytes, NoExpiry);
        EXPECT_EQ(static_cast<bool>(read), c.reads);
        EXPECT_EQ(doc.EntryCount(), read ? 1 - (c.bytes.size() == 4) : 0);
        // The export's walk checks the same bytes without building a document.
        EXPECT_EQ(static_cast<bool>(VisitSealedPlaintext(c.bytes, [](std::u16string_view, const Utf8Entry&) {})),
                  c.reads);
    }
}

}  // namespace
}  // namespace kyq

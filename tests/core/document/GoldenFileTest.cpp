// Documents whose bytes were made from the file layout by tests/document/golden/make_golden.py,
// which shares no code with this program (its character codes come from Python's GBK codec):
// a reader that agreed only with this program's own writer would fail here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/document/AnyFormat.h"
#include "core/document/DocumentFormat.h"
#include "support/DocumentTestSupport.h"

namespace kyq {
namespace {

using test::Record;

constexpr ExpiryContext NoExpiry{0, 2024, 6, 1};

PasswordDocument Open(const char* name, const std::u16string& password)
{
    const std::vector<uint8_t> bytes = test::ReadBytes(std::string(KYQ_GOLDEN_DIR "/") + name);
    PasswordDocument doc;
    EXPECT_TRUE(ProbeHeaderBytes(doc, bytes)) << name;
    const FormatResult read = OpenProbedBytes(doc, bytes, password, NoExpiry);
    EXPECT_TRUE(read) << name << ": " << read.error().Detail;
    return doc;
}

// The grille of every golden file: holes at (1,1), (2,4), (4,2) and (3,3).
Grille GoldenGrille()
{
    Grille g{};
    g[0] = g[7] = g[13] = g[10] = true;
    return g;
}

TEST(GoldenFiles, OneRecordOfFormat200)
{
    const PasswordDocument doc = Open("one-record-200.kyq", u"pw");
    EXPECT_EQ(doc.FormatVersion, 200);
    EXPECT_EQ(doc.FileGrille, GoldenGrille());
    EXPECT_EQ(doc.OwnerName(), u"owner");
    EXPECT_EQ(test::StoredRecords(doc), (std::vector<PasswordEntry>{Record(u"a", u"u", u"p", 2024, 5, 17)}));
}

TEST(GoldenFiles, ThreeRecordsOfFormat200)
{
    // Chinese and Latin texts, a password longer than the key it cycles through, an empty
    // user name and password, and the widest date values the format stores.
    const PasswordDocument doc = Open("three-records-200.kyq", u"密钥k");
    EXPECT_EQ(doc.FormatVersion, 200);
    EXPECT_EQ(doc.FileGrille, GoldenGrille());
    EXPECT_EQ(doc.OwnerName(), u"张三");
    EXPECT_EQ(test::StoredRecords(doc), (std::vector<PasswordEntry>{
                                            Record(u"Bank银行", u"zhang", u"p@ss中文", 2024, 2, 29),
                                            Record(u"Mail", u"", u"", 1999, 12, 31),
                                            Record(u"论坛", u"用户名", u"a password longer than sixteen", -1, 0, 255),
                                        }));
}

TEST(GoldenFiles, TwoRecordsOfFormat150)
{
    // The key comes from a four-character password with Chinese (negative) codes; one
    // title's end marker is the last character of its block.
    const PasswordDocument doc = Open("legacy-150.kyq", u"密a码b");
    EXPECT_EQ(doc.FormatVersion, 150);
    EXPECT_EQ(doc.FileGrille, GoldenGrille());
    EXPECT_EQ(doc.OwnerName(), u"老用户");
    EXPECT_EQ(test::StoredRecords(doc), (std::vector<PasswordEntry>{
                                            Record(u"邮箱", u"邮箱", u"sixteen-chars-pw", 2001, 1, 31),
                                            Record(u"fifteen chars!!", u"fifteen chars!!", u"x", 2008, 8, 8),
                                        }));
}

}  // namespace
}  // namespace kyq

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/document/AnyFormat.h"
#include "core/document/DocumentFormat.h"
#include "support/DocumentTestSupport.h"

namespace kyq {
namespace {

using test::MakeDocument;
using test::Record;
using test::ScratchFolder;

constexpr ExpiryContext NoExpiry{0, 2024, 6, 1};

PasswordDocument Sample(int records = 3)
{
    PasswordDocument doc = MakeDocument(u"主人", u"pw", {});
    for (int i = 0; i < records; ++i)
        doc.Entries.push_back(Record(u"标题" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) +
                                         std::u16string(static_cast<size_t>(i % 50), u'x'),
                                     u"user", u"pass"));
    return doc;
}

// Opens the file as the workflow does: probe, then the reader of its format.
PasswordDocument Open(const std::string& path, const std::u16string& password)
{
    PasswordDocument doc;
    doc.Path = path;
    EXPECT_TRUE(ProbeHeader(doc, path));
    const FormatResult r = OpenProbedDocument(doc, password, NoExpiry);
    EXPECT_TRUE(r) << r.error().Detail;
    return doc;
}

TEST(WriteDocument, SavesAFileThatOpensAgain)
{
    ScratchFolder folder;
    const std::string path = folder.File("文档.kyq");
    const PasswordDocument doc = Sample();
    ASSERT_TRUE(WriteDocument(doc, path));
    const PasswordDocument back = Open(path, u"pw");
    EXPECT_EQ(back.OwnerName(), u"主人");
    EXPECT_EQ(test::StoredRecords(back), test::StoredRecords(doc));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"文档.kyq"});
}

TEST(WriteDocument, AFailedWriteLeavesTheOldFileAndNoTemporaryFile)
{
    ScratchFolder folder;
    const std::string path = folder.File("doc.kyq");
    const PasswordDocument small = Sample(1);
    ASSERT_TRUE(WriteDocument(small, path));
    const std::vector<uint8_t> before = test::ReadBytes(path);

    // A file-size limit below the new document's size makes the write fail part way,
    // the way a full disk would; this works for every user, root included.
    const PasswordDocument large = Sample(3000);
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = 4096;
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const FormatResult r = WriteDocument(large, path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(r.error().Kind, FormatErrorKind::CannotWrite);
    EXPECT_EQ(r.error().Message, "无法写入文件：文件太大");
    EXPECT_EQ(test::ReadBytes(path), before);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"doc.kyq"});
    EXPECT_EQ(test::StoredRecords(Open(path, u"pw")), test::StoredRecords(small));
}

TEST(WriteDocument, RefusedDocumentsAndImpossibleTargetsLeaveTheDiskAlone)
{
    ScratchFolder folder;
    const std::string path = folder.File("doc.kyq");
    test::WriteBytes(path, std::vector<uint8_t>{9, 9});
    PasswordDocument bad = Sample();
    bad.Entries[2].Title.clear();
    EXPECT_EQ(WriteDocument(bad, path).error().Kind, FormatErrorKind::Unstorable);
    EXPECT_EQ(test::ReadBytes(path), (std::vector<uint8_t>{9, 9}));

    EXPECT_EQ(WriteDocument(Sample(), folder.File("missing/doc.kyq")).error().Kind, FormatErrorKind::CannotWrite);
    ASSERT_TRUE(std::filesystem::create_directory(folder.File("a folder")));
    EXPECT_EQ(WriteDocument(Sample(), folder.File("a folder")).error().Kind, FormatErrorKind::CannotWrite);
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("a folder")));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"a folder", "doc.kyq"}));
}

TEST(ReadFiles, MissingOrUnreadablePathsCannotBeOpened)
{
    // The cause is not the file's content: the result says why, in Chinese.
    ScratchFolder folder;
    PasswordDocument doc;
    const std::string fifo = folder.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    test::WriteBytes(folder.File("secret.kyq"), std::vector<uint8_t>{200, 0, 0, 0});
    ::chmod(folder.File("secret.kyq").c_str(), 0);
    const std::pair<std::string, std::string> cases[] = {
        {folder.File("nothing.kyq"), "无法打开文件：文件或文件夹不存在"},
        {folder.Path().string(), "这是一个文件夹，不是文件"},
        {fifo, "这不是普通文件（可能是设备或管道）"},  // and does not block
        {"/dev/zero", "这不是普通文件（可能是设备或管道）"},
        {folder.File("secret.kyq"), ::geteuid() == 0 ? "" : "无法打开文件：没有权限"},  // root reads it
    };
    for (const auto& [path, reason] : cases) {
        const FormatResult r = ProbeHeader(doc, path);
        EXPECT_EQ(r.error().Kind, reason.empty() ? FormatErrorKind::Truncated : FormatErrorKind::CannotOpen) << path;
        EXPECT_EQ(r.error().Message, reason) << path;
    }
    // Without a probe that read the file there is nothing to open.
    doc.Entries.push_back(Record(u"t", u"u", u"p"));
    EXPECT_EQ(OpenProbedDocument(doc, u"pw", NoExpiry).error().Kind, FormatErrorKind::BadHeader);
    EXPECT_EQ(doc.EntryCount(), 0);
}

TEST(ReadFiles, TheProbeReadsAHeaderOfAnyLengthFromItsFile)
{
    // The probe looks at the start of the file first; an owner name too long for that
    // start, and files shorter than it, must probe as the bytes do.
    ScratchFolder folder;
    for (size_t ownerLength : {1, 200, 237, 238, 239, 2029, 2030, 2031, 5000}) {
        std::u16string owner;
        for (size_t i = 0; i < ownerLength; ++i)
            owner += i % 2 ? u'名' : static_cast<char16_t>(u'a' + i % 26);
        const std::string path = folder.File("owner" + std::to_string(ownerLength) + ".kyq");
        ASSERT_TRUE(WriteDocument(MakeDocument(owner, u"pw", {Record(u"t", u"u", u"p")}), path));
        EXPECT_EQ(Open(path, u"pw").OwnerName(), owner) << ownerLength;
    }
    // A name without its end, longer than the start the probe reads first.
    std::vector<uint8_t> endless;
    test::Put32(endless, 200);
    for (int i = 0; i < 16; ++i)
        test::Put16(endless, i < 4 ? 9 : 20);
    for (int i = 0; i < 10000; ++i)
        test::Put16(endless, 70);
    test::WriteBytes(folder.File("endless.kyq"), endless);
    PasswordDocument doc;
    EXPECT_EQ(ProbeHeader(doc, folder.File("endless.kyq")).error().Kind, FormatErrorKind::BadHeader);
    test::WriteBytes(folder.File("empty.kyq"), {});
    EXPECT_EQ(ProbeHeader(doc, folder.File("empty.kyq")).error().Kind, FormatErrorKind::Truncated);
}

// The file is read once, by the probe: a file replaced before the password is given
// still opens as the probe saw it.
TEST(ReadFiles, TheOpenReadsWhatTheProbeSaw)
{
    ScratchFolder folder;
    const std::string path = folder.File("a.kyq");
    ASSERT_TRUE(WriteDocument(MakeDocument(u"o", u"pw", {Record(u"first", u"u", u"p")}), path));
    PasswordDocument doc;
    ASSERT_TRUE(ProbeHeader(doc, path));
    ASSERT_TRUE(WriteDocument(MakeDocument(u"o", u"pw", {Record(u"second", u"u", u"p")}), path));
    ASSERT_TRUE(OpenProbedDocument(doc, u"pw", NoExpiry));
    EXPECT_EQ(test::StoredRecords(doc), (std::vector<PasswordEntry>{Record(u"first", u"u", u"p")}));
}

TEST(ReadFiles, ALegacyFileOpensThroughItsPath)
{
    ScratchFolder folder;
    const std::string path = folder.File("old.kyq");
    test::WriteBytes(path, test::LegacyFile(test::FixedGrille(), u"o", DeriveLegacyKey(u"key"),
                                            {{u"t", u"p", 2003, 7, 9}}));
    PasswordDocument doc;
    doc.Path = path;
    ASSERT_TRUE(ProbeHeader(doc, path));
    ASSERT_EQ(doc.FormatVersion, LegacyFormatNumber);
    ASSERT_TRUE(OpenProbedDocument(doc, u"key", NoExpiry));
    EXPECT_EQ(doc.Entries[1].Title, u"t");
}

TEST(ReadFiles, TheReaderYieldsOnlyBetweenRecordsAndNotForEveryOne)
{
    ScratchFolder folder;
    const std::string path = folder.File("big.kyq");
    ASSERT_TRUE(WriteDocument(Sample(5000), path));
    PasswordDocument doc;
    doc.Path = path;
    ASSERT_TRUE(ProbeHeader(doc, path));
    int yields = 0;
    int countAtYield = -1;
    bool grew = true;
    ASSERT_TRUE(OpenProbedDocument(doc, u"pw", NoExpiry, [&] {
        ++yields;
        grew = grew && doc.EntryCount() >= countAtYield;
        countAtYield = doc.EntryCount();
    }));
    EXPECT_EQ(doc.EntryCount(), 5000);
    EXPECT_TRUE(grew);
    // Records count as steps; the clock is looked at every 256.
    EXPECT_LE(yields, 5000 / 256 + 1);
}

}  // namespace
}  // namespace kyq

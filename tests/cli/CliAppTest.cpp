#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "cli/JsonImport.h"
#include "CliTestSupport.h"

namespace kyq::cli {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct Outcome {
    int Status = -1;
    std::string Out, Err;
    std::vector<bool> PasswordRequests;  // the confirm flag of each request
};

Outcome Cli(std::vector<std::string> args, std::u16string password = u"pw")
{
    Outcome o;
    std::ostringstream out, err;
    CliContext cx{out, err,
                  [&](bool confirm) {
                      o.PasswordRequests.push_back(confirm);
                      PasswordRead r;
                      r.Ok = true;
                      r.Password = password;
                      return r;
                  },
                  [] { return ImportDate{2025, 3, 14}; }};
    o.Status = RunCli(args, cx);
    o.Out = out.str();
    o.Err = err.str();
    return o;
}

const char* const DamagedText = "不支持此文件格式或此文件已损坏。\n文件名：";

// Already in title order with every date given: export must give these bytes back.
const std::string Canonical =
    "{\"format\":200,\"owner\":\"张三\",\"entries\":[\n"
    "{\"title\":\"Alpha\",\"username\":\"a@example.com\",\"password\":\"p,\\\"q\\\"\\\\\",\"year\":2024,\"month\":2,\"day\":29},\n"
    "{\"title\":\"beta\",\"username\":\"\",\"password\":\"\",\"year\":1999,\"month\":12,\"day\":31},\n"
    "{\"title\":\"ICBC工商银行\",\"username\":\"用户\\n二行\",\"password\":\"密码\\r\\n\\t\",\"year\":-1,\"month\":0,\"day\":255}\n"
    "]}\n";

TEST(CliApp, ImportThenExportRoundTripsExactly)
{
    TempDir dir;
    WriteFile(dir / "in.json", Canonical);
    Outcome imported = Cli({"import", dir / "in.json", "--owner", "张三", "-o", dir / "doc.kyq"});
    ASSERT_EQ(imported.Status, 0) << imported.Err;
    EXPECT_EQ(imported.PasswordRequests, std::vector<bool>{true});

    Outcome json = Cli({"export", dir / "doc.kyq"});
    ASSERT_EQ(json.Status, 0) << json.Err;
    EXPECT_EQ(json.PasswordRequests, std::vector<bool>{false});
    EXPECT_EQ(json.Out, Canonical);

    // CSV out, CSV in, JSON out: still the same document.
    Outcome csv = Cli({"export", dir / "doc.kyq", "--format", "csv"});
    ASSERT_EQ(csv.Status, 0) << csv.Err;
    WriteFile(dir / "out.csv", csv.Out);
    ASSERT_EQ(Cli({"import", dir / "out.csv", "--owner=张三", "--output", dir / "again.kyq"}).Status, 0);
    EXPECT_EQ(Cli({"export", dir / "again.kyq", "--format=json"}).Out, Canonical);
}

TEST(CliApp, ExportListsRecordsInTitleOrderAndFillsInToday)
{
    TempDir dir;
    WriteFile(dir / "in.json",
              R"({"owner":"o","entries":[{"title":"zz","password":"1"},{"title":"AA"},{"title":"mm"}]})");
    ASSERT_EQ(Cli({"import", dir / "in.json", "-o", dir / "doc.kyq"}).Status, 0);
    const ImportParseResult back = ParseJsonImport(Cli({"export", dir / "doc.kyq"}).Out);
    ASSERT_TRUE(back.Ok) << back.Error;
    EXPECT_EQ(back.Table.Owner, std::u16string(u"o"));  // taken from the file without --owner
    ASSERT_EQ(back.Table.Records.size(), 3u);
    EXPECT_EQ(back.Table.Records[0].Title, u"AA");
    EXPECT_EQ(back.Table.Records[1].Title, u"mm");
    EXPECT_EQ(back.Table.Records[2].Title, u"zz");
    EXPECT_EQ(back.Table.Records[2].Password, u"1");
    EXPECT_EQ(back.Table.Records[0].Changed, (ImportDate{2025, 3, 14}));
}

TEST(CliApp, OwnerOptionWinsOverTheFile)
{
    TempDir dir;
    WriteFile(dir / "in.json", R"({"owner":"file owner","entries":[]})");
    ASSERT_EQ(Cli({"import", dir / "in.json", "--owner", "李四", "-o", dir / "doc.kyq"}).Status, 0);
    Outcome info = Cli({"info", dir / "doc.kyq"});
    EXPECT_EQ(info.Status, 0);
    EXPECT_EQ(info.Out, "格式 (format): 200\n用户名 (owner): 李四\n块数 (blocks): 1\n");
    EXPECT_TRUE(info.PasswordRequests.empty());
}

TEST(CliApp, RefusedImportsNameTheRecordAndWriteNothing)
{
    TempDir dir;
    const std::string out = dir / "doc.kyq";
    struct Case {
        const char* input;
        const char* expected;
    };
    const Case cases[] = {
        {R"({"entries":[{"title":"Mail"},{"title":"x"},{"title":"MAIL"}]})", "第3条记录“MAIL”"},
        {R"({"entries":[{"title":"a"},{"username":"no title"}]})", "第2条记录"},
        {R"({"entries":[{"title":"a","password":"\ud83d\ude00"}]})", "第1条记录“a”"},
        {"Title,Password\r\nok,1\r\n\"bad\",2,3\r\n", "record 2"},
        {R"({"entries":[{"title":"a"})", "JSON"},
    };
    for (const Case& c : cases) {
        WriteFile(dir / "in.txt", c.input);
        Outcome o = Cli({"import", dir / "in.txt", "--owner", "o", "-o", out});
        EXPECT_EQ(o.Status, 1) << c.input;
        EXPECT_NE(o.Err.find(c.expected), std::string::npos) << o.Err;
        EXPECT_NE(o.Err.find("nothing written"), std::string::npos) << o.Err;
        EXPECT_FALSE(Exists(out)) << c.input;
        EXPECT_TRUE(o.Out.empty());
    }

    WriteFile(dir / "in.json", R"({"entries":[]})");
    Outcome badOwner = Cli({"import", dir / "in.json", "--owner", "a\x0E", "-o", out});
    EXPECT_EQ(badOwner.Status, 1);
    EXPECT_FALSE(Exists(out));
    Outcome emptyPassword = Cli({"import", dir / "in.json", "--owner", "o", "-o", out}, u"");
    EXPECT_EQ(emptyPassword.Status, 1);
    EXPECT_FALSE(Exists(out));
    Outcome noInput = Cli({"import", dir / "missing.json", "--owner", "o", "-o", out});
    EXPECT_EQ(noInput.Status, 1);
    EXPECT_FALSE(Exists(out));
}

TEST(CliApp, AnExistingOutputIsReplacedOnlyWithForce)
{
    TempDir dir;
    WriteFile(dir / "in.json", R"({"entries":[{"title":"t"}]})");
    WriteFile(dir / "doc.kyq", "keep me");
    Outcome refused = Cli({"import", dir / "in.json", "--owner", "o", "-o", dir / "doc.kyq"});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_NE(refused.Err.find("--force"), std::string::npos);
    EXPECT_TRUE(refused.PasswordRequests.empty());  // refused before asking
    EXPECT_EQ(ReadFile(dir / "doc.kyq"), "keep me");

    Outcome forced = Cli({"import", dir / "in.json", "--owner", "o", "-o", dir / "doc.kyq", "--force"});
    EXPECT_EQ(forced.Status, 0) << forced.Err;
    EXPECT_EQ(Cli({"info", dir / "doc.kyq"}).Status, 0);
}

TEST(CliApp, DamagedOrForeignFilesGiveStatusThree)
{
    TempDir dir;
    WriteFile(dir / "doc.json", R"({"entries":[{"title":"t","username":"u","password":"p"}]})");
    ASSERT_EQ(Cli({"import", dir / "doc.json", "--owner", "o", "-o", dir / "good.kyq"}).Status, 0);
    const std::string good = ReadFile(dir / "good.kyq");

    WriteFile(dir / "text.kyq", "hello, this is no document");
    WriteFile(dir / "short.kyq", good.substr(0, good.size() - 1));
    std::string badGrille = good;
    badGrille[4] = 27;  // first grille cell: 27 lies outside 7..26
    badGrille[5] = 0;
    WriteFile(dir / "grille.kyq", badGrille);
    for (const std::string name : {"text.kyq", "short.kyq", "grille.kyq", "missing.kyq"}) {
        for (const char* command : {"info", "export"}) {
            Outcome o = Cli({command, dir / name});
            EXPECT_EQ(o.Status, 3) << command << " " << name;
            EXPECT_EQ(o.Err, DamagedText + (dir / name) + "\n");
            EXPECT_TRUE(o.Out.empty());
        }
    }
}

TEST(CliApp, WrongPasswordGarblesTextsButKeepsShape)
{
    TempDir dir;
    WriteFile(dir / "in.json", Canonical);
    ASSERT_EQ(Cli({"import", dir / "in.json", "--owner", "张三", "-o", dir / "doc.kyq"}, u"right").Status, 0);
    Outcome wrong = Cli({"export", dir / "doc.kyq"}, u"wrong");
    ASSERT_EQ(wrong.Status, 0) << wrong.Err;
    const ImportParseResult back = ParseJsonImport(wrong.Out);
    ASSERT_TRUE(back.Ok) << back.Error;
    EXPECT_EQ(back.Table.Owner, std::u16string(u"张三"));  // the owner name is not keyed
    ASSERT_EQ(back.Table.Records.size(), 3u);
    EXPECT_NE(wrong.Out, Canonical);
    EXPECT_EQ(Cli({"export", dir / "doc.kyq"}, u"").Status, 1);
}

TEST(CliApp, ReadsTheOlderFormat)
{
    TempDir dir;
    const std::vector<PasswordEntry> records = {
        {u"邮箱", u"", u"sixteen-chars-pw", 2001, 1, 31},
        {u"网银", u"", u"密码1", 2008, 8, 8},
    };
    testing::WriteFile(dir / "old.kyq", testing::LegacyFile(u"老用户", u"abcd", records));

    Outcome info = Cli({"info", dir / "old.kyq"});
    EXPECT_EQ(info.Status, 0) << info.Err;
    EXPECT_EQ(info.Out, "格式 (format): 150\n用户名 (owner): 老用户\n记录数 (records): 2\n");

    Outcome json = Cli({"export", dir / "old.kyq"}, u"abcd");
    ASSERT_EQ(json.Status, 0) << json.Err;
    EXPECT_EQ(json.Out,
              "{\"format\":150,\"owner\":\"老用户\",\"entries\":[\n"
              "{\"title\":\"网银\",\"username\":\"网银\",\"password\":\"密码1\",\"year\":2008,\"month\":8,\"day\":8},\n"
              "{\"title\":\"邮箱\",\"username\":\"邮箱\",\"password\":\"sixteen-chars-pw\",\"year\":2001,\"month\":1,\"day\":31}\n"
              "]}\n");
}

TEST(CliApp, UsageErrorsGiveStatusTwo)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"info"},
        {"info", "a", "b"},
        {"info", "a", "--force"},
        {"export"},
        {"export", "a", "--format", "xml"},
        {"export", "a", "--format"},
        {"export", "a", "--owner", "x"},
        {"import", "in.json", "--owner", "o"},
        {"import", "in.json", "-o", "x.kyq", "--format", "json"},
        {"import", "-", "-o", "x.kyq", "--owner", "o"},
        {"import", "in.json", "-o", "x.kyq", "--colour"},
    };
    for (const auto& args : bad) {
        Outcome o = Cli(args);
        EXPECT_EQ(o.Status, 2) << (args.empty() ? "" : args[0]) << " " << args.size();
        EXPECT_NE(o.Err.find("kyq-cli import"), std::string::npos);
        EXPECT_TRUE(o.PasswordRequests.empty());
    }
    Outcome help = Cli({"--help"});
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("kyq-cli export"), std::string::npos);
}

}  // namespace
}  // namespace kyq::cli

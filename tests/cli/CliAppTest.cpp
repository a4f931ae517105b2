#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "core/workflow/StartUpRules.h"
#include "cli/CliApp.h"
#include "cli/JsonImport.h"
#include "core/document/DocumentFormat.h"
#include "core/document/PasswordDocument.h"

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
                      return Expected<std::u16string>(password);
                  },
                  [] { return ImportDate{2025, 3, 14}; }};
    cx.SealedKeyCost = LowestKeyCost;
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

// Export of the document `path` read back: the records as the parser sees them.
std::vector<ImportRecord> Exported(const std::string& path)
{
    const Expected<ImportTable> back = ParseJsonImport(Cli({"export", path}).Out);
    EXPECT_TRUE(back) << back.error().Message;
    return back ? back->Records : std::vector<ImportRecord>{};
}

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

// Sealed documents through every command: the format is named without a password, a
// wrong password gives status 4 and no output, and conversion both ways keeps every byte
// of the export.
TEST(CliApp, SealedImportInfoConvertAndWrongPassword)
{
    TempDir dir;
    WriteFile(dir / "in.json", Canonical);
    const std::string sealed = dir / "sealed.kyq", plain = dir / "plain.kyq", back = dir / "back.kyq";
    ASSERT_EQ(Cli({"import", dir / "in.json", "--owner", "张三", "-o", sealed, "--sealed"}).Status, 0);
    const Outcome info = Cli({"info", sealed});
    EXPECT_EQ(info.Status, 0);
    EXPECT_TRUE(info.PasswordRequests.empty());
    EXPECT_NE(info.Out.find("300"), std::string::npos);
    EXPECT_NE(info.Out.find("opslimit 1, memlimit 8192 KiB"), std::string::npos);
    std::string sealedExport = Canonical;
    sealedExport.replace(sealedExport.find("200"), 3, "300");
    EXPECT_EQ(Cli({"export", sealed}).Out, sealedExport);

    const Outcome wrong = Cli({"export", sealed}, u"PW");
    EXPECT_EQ(wrong.Status, ExitWrongPassword);
    EXPECT_TRUE(wrong.Out.empty());
    EXPECT_EQ(Cli({"convert", sealed, "-o", plain, "--to", "200"}, u"PW").Status, ExitWrongPassword);
    EXPECT_FALSE(Exists(plain));

    ASSERT_EQ(Cli({"convert", sealed, "-o", plain, "--to", "200"}).Status, 0);
    EXPECT_EQ(Cli({"export", plain}).Out, Canonical);
    EXPECT_EQ(Cli({"convert", plain, "-o", sealed, "--to", "sealed"}).Status, ExitFailure);  // exists
    ASSERT_EQ(Cli({"convert", plain, "-o", back, "--to", "sealed"}).Status, 0);
    EXPECT_EQ(Cli({"export", back}).Out, sealedExport);

    std::string bytes = ReadFile(sealed);
    bytes.pop_back();
    WriteFile(sealed, bytes);
    EXPECT_EQ(Cli({"export", sealed}).Status, ExitDamaged);
    EXPECT_EQ(Cli({"info", sealed}).Status, ExitDamaged);
}

TEST(CliApp, ExportListsRecordsInTitleOrderAndFillsInToday)
{
    TempDir dir;
    WriteFile(dir / "in.json",
              R"({"owner":"o","entries":[{"title":"zz","password":"1"},{"title":"AA"},{"title":"mm"}]})");
    ASSERT_EQ(Cli({"import", dir / "in.json", "-o", dir / "doc.kyq"}).Status, 0);
    const Expected<ImportTable> back = ParseJsonImport(Cli({"export", dir / "doc.kyq"}).Out);
    ASSERT_TRUE(back) << back.error().Message;
    EXPECT_EQ(back->Owner, std::u16string(u"o"));  // taken from the file without --owner
    ASSERT_EQ(back->Records.size(), 3u);
    EXPECT_EQ(back->Records[0].Title, u"AA");
    EXPECT_EQ(back->Records[1].Title, u"mm");
    EXPECT_EQ(back->Records[2].Title, u"zz");
    EXPECT_EQ(back->Records[2].Password, u"1");
    EXPECT_EQ(back->Records[0].Changed, (ImportDate{2025, 3, 14}));

    // A file not in title order (written elsewhere, or under another collation) comes out
    // in title order all the same.
    PasswordDocument unordered;
    unordered.OwnerName() = u"o";
    unordered.DocumentPassword() = u"pw";
    for (const char16_t* title : {u"zz", u"AA", u"银行", u"mm"}) {
        PasswordEntry e;
        e.Title = title;
        unordered.Entries.push_back(e);
    }
    ASSERT_TRUE(WriteDocument(unordered, dir / "unordered.kyq"));
    std::vector<std::u16string> titles;
    for (const ImportRecord& r : Exported(dir / "unordered.kyq"))
        titles.push_back(r.Title);
    EXPECT_EQ(titles, (std::vector<std::u16string>{u"AA", u"mm", u"zz", u"银行"}));
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

TEST(CliApp, ImportInputs)
{
    struct Case {
        const char* file;  // the input's name
        std::string input;
        std::string refusal;  // parts of the message, separated by '|'; empty: imported
        std::u16string password = u"pw";
        std::optional<ImportDate> date = std::nullopt;  // of the first record, when imported
        std::string summary = {};                       // part of what an import prints
    };
    const std::string dated = "Title,Password,Last Modified\r\n";
    std::string tooMany = "Title,Password\r\n";
    for (int i = 0; i <= PasswordDocument::MaxEntries; ++i)
        tooMany += "t" + std::to_string(i) + ",p\r\n";
    tooMany += "\"never read";  // reading stops before: a damaged rest is not what is named
    const ImportDate today{2025, 3, 14};
    const std::vector<Case> cases = {
        // Dates: ISO 8601 or empty; anything else is named with its record and refused.
        {"in.csv", dated + "A,p,2024-01-05\r\n", "", u"pw", ImportDate{2024, 1, 5}},
        {"in.csv", dated + "A,p,2024-01-05T10:20:30Z\r\n", "", u"pw", ImportDate{2024, 1, 5}},
        {"in.csv", dated + "A,p,2024-01-05T18:20:30+08:00\r\n", "", u"pw", ImportDate{2024, 1, 5}},
        // Records without a password field are named by number, never by their text.
        {"in.json", R"({"entries":[{"title":"a","pass":"p"},{"title":"秘密"},{"title":"c","password":null}]})", "",
         u"pw", today, "2 条记录没有密码字段，导入后密码为空：第2、3条"},
        {"in.csv", dated + "A,p,\r\n", "", u"pw", today},
        {"in.csv", dated + "A,p,2024-01-05\r\nB,p,01/05/2024\r\n", "第2条记录（CSV第3行）|“Last Modified”列的“01/05/2024”"},
        {"in.csv", dated + "A,p,5.1.2024\r\n", "第1条记录（CSV第2行）|“Last Modified”列的“5.1.2024”"},
        {"in.csv", dated + "A,p,2024-13-01\r\n", "“2024-13-01”不是能识别的日期"},
        {"in.csv", dated + "A,p,24-01-05\r\n", "“24-01-05”不是能识别的日期"},
        // A document password no prompt could take, or the file could not be keyed with.
        {"in.json", R"({"entries":[{"title":"t"}]})", "密码中有控制字符", u"a\x01" u"b"},
        {"in.json", R"({"entries":[{"title":"t"}]})", "密码中有控制字符", u"\x1B"},
        {"in.json", R"({"entries":[{"title":"t"}]})", "code page 936", u"pw\U0001F511"},
        // What a document cannot hold, named; reading stops at the first record past the limits.
        {"in.json", R"({"entries":[{"title":"Mail"},{"title":"x"},{"title":"\uD55C"}]})", "第3条记录 (record 3)的标题"},
        {"in.json", R"({"entries":[{"title":"a"},{"username":"no title"}]})", "第2条记录"},
        {"in.json", R"({"entries":[{"title":"a","password":"\ud83d\ude00"}]})", "第1条记录 (record 1)的密码"},
        {"in.csv", tooMany, "记录太多"},
        {"in.json", R"({"entries":[{"title":")" + std::string(40000, 'x'), "第1条记录 (record 1)的标题超过32767个字符"},
        // Malformed input, and an empty one, whatever its name says.
        {"in.csv", "Title,Password\r\nok,1\r\n\"bad\",2,3\r\n", "record 2"},
        {"in.json", R"({"entries":[{"title":"a"})", "JSON"},
        {"in.json", " \r\n", "输入文件是空的"},
        {"missing.json", "", "无法读取输入文件"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string out = dir / "doc.kyq";
        if (std::string(c.file) != "missing.json")
            WriteFile(dir / c.file, c.input);
        Outcome o = Cli({"import", dir / c.file, "--owner", "o", "-o", out}, c.password);
        const std::string shown = c.input.substr(0, 60);
        if (c.refusal.empty()) {
            ASSERT_EQ(o.Status, 0) << shown << o.Err;
            const std::vector<ImportRecord> records = Exported(out);
            ASSERT_FALSE(records.empty());
            EXPECT_EQ(records[0].Changed, c.date) << shown;
            EXPECT_NE(o.Out.find(c.summary), std::string::npos) << o.Out;
            continue;
        }
        EXPECT_EQ(o.Status, 1) << shown;
        for (size_t from = 0; from < c.refusal.size();) {  // parts separated by '|'
            const size_t bar = std::min(c.refusal.find('|', from), c.refusal.size());
            EXPECT_NE(o.Err.find(c.refusal.substr(from, bar - from)), std::string::npos) << shown << "\n" << o.Err;
            from = bar + 1;
        }
        EXPECT_FALSE(Exists(out)) << shown;
        EXPECT_TRUE(o.Out.empty());
    }
}

TEST(CliApp, ImportOutputPaths)
{
    struct Case {
        const char* what;
        std::function<std::string(const TempDir&)> output;  // prepares it and names it
        bool force;
        int status;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"the input itself", [](const TempDir& d) { return d / "in.json"; }, true, 1, "就是输入文件"},
        {"the input by another path", [](const TempDir& d) { return d / "./sub/../in.json"; }, true, 1, "就是输入文件"},
        {"a link to the input",
         [](const TempDir& d) {
             std::filesystem::create_symlink(d / "in.json", d / "link");
             return d / "link";
         },
         true, 1, "就是输入文件"},
        {"a hard link to the input",
         [](const TempDir& d) {
             std::filesystem::create_hard_link(d / "in.json", d / "hard");
             return d / "hard";
         },
         true, 1, "就是输入文件"},
        {"an existing file without --force",
         [](const TempDir& d) {
             WriteFile(d / "old.kyq", "keep me");
             return d / "old.kyq";
         },
         false, 1, "--force"},
        {"a dangling link: its file is created",
         [](const TempDir& d) {
             std::filesystem::create_symlink("made.kyq", d / "dangling.kyq");
             return d / "dangling.kyq";
         },
         false, 0, ""},
        {"a folder that does not exist", [](const TempDir& d) { return d / "nowhere/doc.kyq"; }, false, 1,
         "文件或文件夹不存在"},
        {"a device", [](const TempDir&) { return std::string("/dev/full"); }, true, 1, "不是普通文件"},
    };
    const std::string input = R"({"entries":[{"title":"t"}]})";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::filesystem::create_directory(dir / "sub");
        WriteFile(dir / "in.json", input);
        const std::string out = c.output(dir);
        std::vector<std::string> args = {"import", dir / "in.json", "--owner", "o", "-o", out};
        if (c.force)
            args.push_back("--force");
        Outcome o = Cli(args);
        EXPECT_EQ(o.Status, c.status) << o.Err;
        EXPECT_NE(o.Err.find(c.says), std::string::npos) << o.Err;
        EXPECT_EQ(ReadFile(dir / "in.json"), input);
    }
    // The dangling link stays a link, and the document is where it points.
    TempDir dir;
    WriteFile(dir / "in.json", input);
    std::filesystem::create_symlink("made.kyq", dir / "dangling.kyq");
    ASSERT_EQ(Cli({"import", dir / "in.json", "--owner", "o", "-o", dir / "dangling.kyq"}).Status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling.kyq"));
    EXPECT_EQ(Exported(dir / "made.kyq").size(), 1u);

    // A missing option value is a usage error; nothing named after the next option appears.
    Outcome usage = Cli({"import", dir / "in.json", "--owner", "o", "-o", "--force"});
    EXPECT_EQ(usage.Status, 2);
    EXPECT_FALSE(Exists("--force"));
}

TEST(CliApp, DamagedOrForeignFilesGiveStatusThreeAndMissingOnesTheReason)
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
    for (const std::string name : {"text.kyq", "short.kyq", "grille.kyq", "missing.kyq", "."}) {
        for (const char* command : {"info", "export"}) {
            SCOPED_TRACE(std::string(command) + " " + name);
            Outcome o = Cli({command, dir / name});
            EXPECT_TRUE(o.Out.empty());
            if (name == "missing.kyq" || name == ".") {
                EXPECT_EQ(o.Status, 1);
                EXPECT_NE(o.Err.find(name == "." ? "这是一个文件夹" : "文件或文件夹不存在"), std::string::npos) << o.Err;
                continue;
            }
            EXPECT_EQ(o.Status, 3);
            EXPECT_EQ(o.Err.rfind(DamagedText + (dir / name) + "\n", 0), 0u) << o.Err;
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
    const Expected<ImportTable> back = ParseJsonImport(wrong.Out);
    ASSERT_TRUE(back) << back.error().Message;
    EXPECT_EQ(back->Owner, std::u16string(u"张三"));  // the owner name is not keyed
    ASSERT_EQ(back->Records.size(), 3u);
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
        {"import", "in.json", "--owner", "o", "-o", "--force"},
        {"import", "in.json", "--owner", "-o", "x.kyq"},
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
    Outcome version = Cli({"--version"});
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out, ConsoleVersionText("kyq-cli"));
}

}  // namespace
}  // namespace kyq::cli

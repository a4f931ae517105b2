// The export layouts of browsers and password managers, from sample files written for
// these tests, in every separator and encoding import reads; and what import refuses.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "cli/ImportBuilder.h"
#include "cli/ImportReader.h"
#include "platform/Utf.h"

namespace kyq::cli {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::string Sample(const std::string& name)
{
    return ReadFile(std::string(KYQ_CLI_SAMPLES) + "/" + name);
}

// The text in another encoding, by the C library (no code of the program's).
std::string Converted(const std::string& utf8, const char* to)
{
    iconv_t cd = ::iconv_open(to, "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << to;
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size(), outLeft = out.size();
    char* o = out.data();
    EXPECT_NE(::iconv(cd, &in, &inLeft, &o, &outLeft), static_cast<size_t>(-1)) << to;
    ::iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

Expected<ImportTable> FromFile(const std::string& bytes)
{
    TempDir dir;
    WriteFile(dir / "in.csv", bytes);
    const int fd = ::open((dir / "in.csv").c_str(), O_RDONLY);
    Expected<ImportTable> table = ReadImportFile(fd);
    ::close(fd);
    return table;
}

struct Row {
    std::u16string Title, UserName, Password;
    std::optional<ImportDate> Changed;
};

TEST(ImportLayouts, CommonExportsImportWhole)
{
    struct Case {
        const char* file;
        std::vector<Row> rows;
        size_t renamed, skipped;
        std::vector<std::string> unimported;
    };
    const std::vector<Case> cases = {
        {"browser-named.csv",
         {{u"accounts.example.com", u"alice", u"a-pass", {}},
          {u"accounts.example.com (bob)", u"bob", u"b,pass", {}},
          {u"邮箱", u"张三", u"密码123", {}}},
         1, 0, {"url", "note"}},
        // No name column: the title is the address's host; the change date is in epoch
        // milliseconds (noon UTC, the same day in the time zones people live in).
        {"browser-url-only.csv",
         {{u"accounts.example.com", u"alice", u"a-pass", ImportDate{2024, 1, 5}},
          {u"accounts.example.com (bob)", u"bob", u"b-pass", ImportDate{2024, 6, 1}},
          {u"192.168.1.1", u"admin", u"router", {}}},
         1, 0, {"url", "httpRealm", "formActionOrigin", "guid", "timeCreated", "timeLastUsed"}},
        // The same title in two groups stays two records.
        {"desktop-manager.csv",
         {{u"Mail", u"me@work", u"w0rk", ImportDate{2024, 2, 29}},
          {u"Mail (me@home)", u"me@home", u"h0me", ImportDate{2023, 7, 4}}},
         1, 0, {"Group", "URL", "Notes", "TOTP", "Icon", "Created"}},
        // A note and a card are no logins: skipped and counted.
        {"cloud-manager.csv",
         {{u"Shop", u"buyer", u"sh0p", {}}, {u"Bank", u"client", u"b4nk", {}}},
         0, 2, {"folder", "favorite", "notes", "fields", "reprompt", "login_uri", "login_totp"}},
        // An address only in "email" is the user name; beside another user name it is lost,
        // and said so. Unix seconds at noon UTC.
        {"vault-manager.csv",
         {{u"Forum", u"li@example.org", u"f0rum", ImportDate{2024, 3, 5}},
          {u"Shop", u"buyer", u"sh0p", ImportDate{2024, 1, 5}},
          {u"Mail", u"me@example.com", u"m4il", {}}},
         0, 1, {"url", "email", "note", "totp", "createTime", "vault"}},
        // Notes kept among logins: marked by their address, or only by having no login.
        {"notes-in-logins.csv", {{u"Bank", u"client", u"b4nk", {}}}, 0, 2,
         {"url", "totp", "extra", "grouping", "fav"}},
        {"suite-manager.csv", {{u"Router", u"admin", u"r0uter", {}}, {u"Locker", u"", u"", {}}}, 0, 1,
         {"Url", "OTPAuth", "Favorite", "Archived", "Tags", "Notes"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Expected<ImportTable> table = FromFile(Sample(c.file));
        ASSERT_TRUE(table) << table.error().Message;
        EXPECT_EQ(RenameDuplicateTitles(*table), c.renamed);
        ASSERT_EQ(table->Records.size(), c.rows.size());
        for (size_t i = 0; i < c.rows.size(); ++i) {
            const ImportRecord& r = table->Records[i];
            EXPECT_EQ(Utf16ToUtf8(r.Title), Utf16ToUtf8(c.rows[i].Title)) << i;
            EXPECT_EQ(r.UserName, c.rows[i].UserName) << i;
            EXPECT_EQ(r.Password, c.rows[i].Password) << i;
            EXPECT_EQ(r.Changed, c.rows[i].Changed) << i;
        }
        EXPECT_EQ(table->SkippedRows, c.skipped);
        EXPECT_EQ(table->UnimportedColumns, c.unimported);
        // The document takes them all.
        PasswordDocument doc;
        EXPECT_TRUE(BuildImportDocument(std::move(*table), u"o", u"pw", ImportDate{2025, 3, 14}, doc));
    }
}

// Long enough to be read in several pieces, with every character cut by a piece's end
// somewhere: the start is padded by one more byte in each pass.
TEST(ImportLayouts, SeparatorsAndEncodingsReadTheSame)
{
    struct Case {
        const char* what;
        char separator;
        std::string (*encode)(const std::string&);
        const char* encoding;  // as the summary names it
    };
    const std::vector<Case> cases = {
        {"UTF-8, commas", ',', [](const std::string& t) { return t; }, "UTF-8"},
        {"UTF-8 with its mark, semicolons", ';', [](const std::string& t) { return "\xEF\xBB\xBF" + t; }, "UTF-8"},
        {"UTF-16 LE with its mark, tabs", '\t', [](const std::string& t) { return "\xFF\xFE" + Converted(t, "UTF-16LE"); }, "UTF-16"},
        {"UTF-16 BE with its mark, commas", ',', [](const std::string& t) { return "\xFE\xFF" + Converted(t, "UTF-16BE"); }, "UTF-16"},
        {"GBK, semicolons", ';', [](const std::string& t) { return Converted(t, "GBK"); }, "GBK"},
        {"GBK, tabs", '\t', [](const std::string& t) { return Converted(t, "GBK"); }, "GBK"},
    };
    constexpr size_t Rows = 6000;
    for (const Case& c : cases) {
        for (size_t pad = 0; pad < 4; ++pad) {
            SCOPED_TRACE(std::string(c.what) + ", padded by " + std::to_string(pad));
            const std::string s(1, c.separator);
            std::string text = "标题" + s + "User Name" + s + "密码" + s + "备注\r\n";
            text += std::string(pad, 'x') + "首" + s + "u" + s + "p" + s + "\r\n";
            for (size_t i = 1; i < Rows; ++i)
                text += "邮箱" + std::to_string(i) + s + "张三" + s + "\"密,码\"" + s + "中文备注\r\n";
            const std::string bytes = c.encode(text);
            const Expected<ImportTable> table = FromFile(bytes);
            ASSERT_TRUE(table) << table.error().Message;
            EXPECT_EQ(table->Encoding, c.encoding);
            ASSERT_EQ(table->Records.size(), Rows);
            EXPECT_EQ(table->Records[0].Title, Utf8ToUtf16(std::string(pad, 'x') + "首"));
            EXPECT_EQ(table->Records[Rows - 1].Title, Utf8ToUtf16("邮箱" + std::to_string(Rows - 1)));
            EXPECT_EQ(table->Records[Rows - 1].Password, u"密,码");
            EXPECT_EQ(table->UnimportedColumns, std::vector<std::string>{"备注"});
        }
    }
}

TEST(ImportLayouts, Refusals)
{
    struct Case {
        const char* what;
        std::string input;
        std::vector<std::string> said;  // parts of the message
    };
    const std::vector<Case> cases = {
        // Passwords never go missing without a word.
        {"password column under a foreign name",
         "folder,type,name,login_uri,login_user,login_secret\n,login,a,https://a,u,p\n",
         {"没有能识别的密码列", "“login_secret”", "login password"}},
        {"titles and notes only", "Title,Notes\na,b\n", {"没有能识别的密码列", "“Title”、“Notes”"}},
        {"no title and no address", "Name2,Password\na,b\n", {"没有能识别的标题列", "“Name2”", "title"}},
        {"a row wider than the header", "Title,Password\r\na,b\r\nc,d,e\r\n", {"record 2"}},
        {"endless columns in the header", "Title,Password" + std::string(5000000, ',') + "\n", {"1024"}},
        {"endless columns in a row", "Title,Password\na" + std::string(5000000, ',') + "\n", {"record 1"}},
        {"a date no one could read", "Title,Password,Year,Month,Day\r\na,p,2024,13x,1\r\n", {"record 1"}},
        {"a year past what the file holds", "Title,Password,Year,Month,Day\r\na,p,40000,1,1\r\n", {"record 1"}},
        {"a date given in part", "Title,Password,Year,Month,Day\r\na,p,2024,,1\r\n", {"record 1"}},
        {"neither UTF-8 nor GBK", "Title,Password\r\na,\xFF\xFE\r\n", {"UTF-8", "GBK"}},
        // Chinese read as UTF-8 first: a damaged byte later is no reason to read it all as GBK.
        {"damaged UTF-8", "标题,密码\r\n邮箱,\xC4\xE3\r\n", {"UTF-8"}},
        {"UTF-16 cut in the middle", "\xFF\xFE" "T\0,\0P\0\n\0a\0,\0\x3D\xD8", {"UTF-16"}},
        {"JSON as an array", R"([{"title":"a","password":"p"}])", {"数组", R"({"entries":[…]})"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Expected<ImportTable> table = FromFile(c.input);
        ASSERT_FALSE(table);
        for (const std::string& part : c.said)
            EXPECT_NE(table.error().Message.find(part), std::string::npos) << part << "\n" << table.error().Message;
    }
}

}  // namespace
}  // namespace kyq::cli

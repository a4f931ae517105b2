#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/ExportText.h"
#include "cli/JsonImport.h"
#include "cli/TextSource.h"

namespace kyq::cli {
namespace {

ImportTable MustParse(std::string_view json)
{
    Expected<ImportTable> r = ParseJsonImport(json);
    EXPECT_TRUE(r) << r.error().Message;
    return r ? *r : ImportTable{};
}

std::string ErrorOf(std::string_view json)
{
    Expected<ImportTable> r = ParseJsonImport(json);
    EXPECT_FALSE(r) << json;
    return r ? std::string() : r.error().Message;
}

TEST(JsonImport, ReadsTheExportShape)
{
    const ImportTable t = MustParse(
        R"({"format":200,"owner":"张三","entries":[
{"title":"邮箱","username":"zhang","password":"p,w\"1","year":2024,"month":2,"day":29},
{"title":"Bank","username":"","password":"","year":-5,"month":0,"day":255}
]})");
    ASSERT_TRUE(t.Owner);
    EXPECT_EQ(*t.Owner, u"张三");
    ASSERT_EQ(t.Records.size(), 2u);
    EXPECT_EQ(t.Records[0].Title, u"邮箱");
    EXPECT_EQ(t.Records[0].UserName, u"zhang");
    EXPECT_EQ(t.Records[0].Password, u"p,w\"1");
    EXPECT_EQ(t.Records[0].Changed, (ImportDate{2024, 2, 29}));
    // The stored widths, not the calendar, bound what a file can carry back.
    EXPECT_EQ(t.Records[1].Changed, (ImportDate{-5, 0, 255}));
}

TEST(JsonImport, OptionalPartsAndUnknownKeys)
{
    const ImportTable t = MustParse(
        "\xEF\xBB\xBF {\"entries\":[{\"title\":\"a\",\"url\":{\"x\":[1,2,{\"y\":null}]},\"note\":true},"
        "{\"password\":\"s\",\"title\":\"b\",\"username\":null,\"year\":null}],\"extra\":[]}");
    EXPECT_FALSE(t.Owner);
    ASSERT_EQ(t.Records.size(), 2u);
    EXPECT_EQ(t.Records[0].Title, u"a");
    EXPECT_TRUE(t.Records[0].UserName.empty());
    EXPECT_FALSE(t.Records[0].Changed);
    EXPECT_EQ(t.Records[1].Password, u"s");
    EXPECT_FALSE(t.Records[1].Changed);

    EXPECT_TRUE(MustParse(R"({"entries":[]})").Records.empty());
    // Key names in other letter case are the same keys.
    EXPECT_EQ(MustParse(R"({"Entries":[{"Title":"x","UserName":"u"}]})").Records.at(0).UserName, u"u");
}

// Other programs' names for a record's fields are the names of CSV columns; what is not
// taken is named, an entry without a password is counted, notes are skipped.
TEST(JsonImport, FieldsAreKnownByTheNamesOfCsvColumns)
{
    struct Case {
        const char* entries;
        std::vector<std::u16string> record;  // title, user name, password of the first record
        size_t skipped;
        std::vector<size_t> withoutPassword;
        std::vector<std::string> unimported;
    };
    const std::vector<Case> cases = {
        {R"({"title":"邮箱","login":"张三","pass":"秘密1","url":"https://mail.example.com/"})",
         {u"邮箱", u"张三", u"秘密1"}, 0, {}, {"url"}},
        {R"({"title":"a"},{"title":"b","password":null},{"title":"c","password":""})", {u"a", u"", u""}, 0, {1, 2}, {}},
        {R"({"url":"https://x.example.com:8443/a","email":"e@x","username":"","Login_Password":"p","otp":"123"})",
         {u"x.example.com", u"e@x", u"p"}, 0, {}, {"otp", "url"}},
        {R"({"name":"n","username":"u","email":"e@x","password":"p"})", {u"n", u"u", u"p"}, 0, {}, {"email"}},
        {R"({"type":"note","name":"wifi","notes":"on the router"},{"title":"l","url":"http://sn","notes":"x"},)"
         R"({"title":"t","note":"text only"},{"title":"kept","password":"p"})",
         {u"kept", u"", u"p"}, 3, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries);
        const ImportTable t = MustParse(std::string(R"({"entries":[)") + c.entries + "]}");
        ASSERT_FALSE(t.Records.empty());
        EXPECT_EQ(t.Records[0].Title, c.record[0]);
        EXPECT_EQ(t.Records[0].UserName, c.record[1]);
        EXPECT_EQ(t.Records[0].Password, c.record[2]);
        EXPECT_EQ(t.SkippedRows, c.skipped);
        EXPECT_EQ(t.WithoutPasswordNumbers, c.withoutPassword);
        EXPECT_EQ(t.UnimportedColumns, c.unimported);
    }
    // One instant, one date: ISO text with its zone and Unix milliseconds agree.
    const ImportTable dated = MustParse(
        R"({"entries":[{"title":"a","modified":"2024-01-05T12:00:00Z"},{"title":"b","timePasswordChanged":1704456000000}]})");
    EXPECT_EQ(dated.Records.at(0).Changed, dated.Records.at(1).Changed);
    EXPECT_NE(ErrorOf(R"({"entries":[{"title":"a"},{"title":"b","modified":"yesterday"}]})").find("record 2"),
              std::string::npos);
}

TEST(JsonImport, ResolvesEscapes)
{
    const ImportTable t = MustParse(
        R"({"entries":[{"title":"a\"b\\c\/d\n\r\t\b\f\u0041\u4e2d\ud83d\ude00"}]})");
    EXPECT_EQ(t.Records.at(0).Title, u"a\"b\\c/d\n\r\t\b\fA中\U0001F600");
}

TEST(JsonImport, RefusesMalformedText)
{
    EXPECT_NE(ErrorOf("").find("JSON"), std::string::npos);
    ErrorOf(R"({"entries":[{"title":"a"}])");        // unclosed object
    ErrorOf(R"({"entries":[{"title":"a"},]})");      // trailing comma
    ErrorOf(R"({"entries":[{"title":"a}]})");        // unterminated string
    ErrorOf("{\"entries\":[{\"title\":\"a\tb\"}]}");  // raw control character
    ErrorOf(R"({"entries":[{"title":"\x41"}]})");    // bad escape
    ErrorOf(R"({"entries":[{"title":"\u12"}]})");
    ErrorOf(R"({"entries":[{"title":"\ud83d"}]})");  // lone high surrogate
    ErrorOf(R"({"entries":[{"title":"\ude00"}]})");  // lone low surrogate
    ErrorOf(R"({"entries":[{"title":"a"}]} x)");     // trailing content
    ErrorOf("{\"entries\":[{\"title\":\"\xC3\x28\"}]}");  // invalid UTF-8
    ErrorOf(R"({"owner":5})");
    ErrorOf(R"({"entries":{}})");
    // Another program's JSON would make a document without records: refused with the shape.
    for (const char* foreign : {"{}", R"({"items":[{"name":"a","login":{"password":"p"}}]})",
                                R"([{"title":"a","password":"p"}])", R"({"owner":"o","entries":null})"}) {
        SCOPED_TRACE(foreign);
        EXPECT_NE(ErrorOf(foreign).find(R"({"entries":[…]})"), std::string::npos);
    }
}

TEST(JsonImport, DateFieldsAreCheckedIntegers)
{
    EXPECT_NE(ErrorOf(R"({"entries":[{"title":"a","year":2024,"month":2}]})").find("record 1"),
              std::string::npos);
    EXPECT_NE(ErrorOf(R"({"entries":[{"title":"a"},{"title":"b","year":2024.5,"month":2,"day":1}]})")
                  .find("integer"),
              std::string::npos);
    EXPECT_NE(ErrorOf(R"({"entries":[{"title":"a"},{"title":"b","year":32768,"month":1,"day":1}]})")
                  .find("record 2"),
              std::string::npos);
    ErrorOf(R"({"entries":[{"title":"a","year":2024,"month":256,"day":1}]})");
    ErrorOf(R"({"entries":[{"title":"a","year":2024,"month":1,"day":-1}]})");
    ErrorOf(R"({"entries":[{"title":"a","year":99999999999999999999,"month":1,"day":1}]})");
    ErrorOf(R"({"entries":[{"title":"a","year":"2024","month":1,"day":1}]})");
    ErrorOf(R"({"entries":[{"title":"a","year":01,"month":1,"day":1}]})");
    EXPECT_EQ(MustParse(R"({"entries":[{"title":"a","year":-32768,"month":255,"day":0}]})").Records.at(0).Changed,
              (ImportDate{-32768, 255, 0}));
}

TEST(JsonImport, ErrorsSayWhere)
{
    const std::string error = ErrorOf("{\n  \"entries\": [\n    {\"title\": 5}\n  ]\n}");
    EXPECT_NE(error.find("第3行"), std::string::npos) << error;
}

TEST(JsonImport, DeepNestingIsRefusedNotRecursedInto)
{
    std::string deep = R"({"x":)";
    deep += std::string(100000, '[');
    deep += std::string(100000, ']');
    deep += "}";
    EXPECT_NE(ErrorOf(deep).find("nesting"), std::string::npos);

    std::string shallow = R"({"entries":[],"x":)";
    shallow += std::string(MaxJsonDepth - 1, '[') + std::string(MaxJsonDepth - 1, ']') + "}";
    MustParse(shallow);
}

// An import file is read 64 KiB at a time: characters, escapes and keywords cut by the
// end of a piece must read as from memory, and a fault past the first piece be found.
TEST(JsonImport, AFileReadsAsTheSameTextInMemory)
{
    std::string json = "{\"entries\":[";
    for (int i = 0; json.size() < 300000; ++i) {
        json += i ? "," : "";
        json += R"({"title":"标题)" + std::to_string(i) + R"(\u4e2d\ud83d\ude00","username":null,"password":"密码","year":2024,"month":1,"day":2})";
        json += std::string(static_cast<size_t>(i % 7), ' ');
    }
    json += "]}";
    // A Chinese character across the end of the first piece, whatever the lengths above.
    const size_t first = json.find("标", 65000);
    json.insert(0, std::string(65535 - first, ' '));
    ASSERT_EQ(json.compare(65535, 3, "标"), 0);
    char name[] = "/tmp/kyq-json-XXXXXX";
    const int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    ::unlink(name);
    auto parseFile = [&](const std::string& text) {
        EXPECT_EQ(::ftruncate(fd, 0), 0);
        EXPECT_EQ(::pwrite(fd, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
        ::lseek(fd, 0, SEEK_SET);
        TextSource source(fd);
        return ParseJsonImport(source);
    };
    const Expected<ImportTable> fromFile = parseFile(json);
    ASSERT_TRUE(fromFile) << fromFile.error().Message;
    const ImportTable inMemory = MustParse(json);
    ASSERT_EQ(fromFile->Records.size(), inMemory.Records.size());
    for (size_t i = 0; i < inMemory.Records.size(); ++i)
        ASSERT_EQ(fromFile->Records[i].Title, inMemory.Records[i].Title) << i;

    std::string broken = json;
    broken[200000] = '\xFF';
    const Expected<ImportTable> bad = parseFile(broken);
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().Message.find("UTF-8"), std::string::npos) << bad.error().Message;
    ::close(fd);
}

// The JSON string an export writes for a text: its owner's value.
std::string JsonString(std::u16string_view text)
{
    PasswordDocument doc;
    doc.OwnerName() = text;
    const std::string json = ExportJson(doc);
    const size_t start = json.find("\"owner\":") + 8;
    return json.substr(start, json.find(",\"entries\":[", start) - start);
}

TEST(JsonString, EscapesWhatJsonRequires)
{
    EXPECT_EQ(JsonString(u"plain"), "\"plain\"");
    EXPECT_EQ(JsonString(u"q\"b\\s/"), "\"q\\\"b\\\\s/\"");
    EXPECT_EQ(JsonString(u"\n\r\t\b\f"), "\"\\n\\r\\t\\b\\f\"");
    EXPECT_EQ(JsonString(std::u16string(u"\x01\x1F\x7F", 3)), "\"\\u0001\\u001f\x7F\"");
    EXPECT_EQ(JsonString(u"中文"), "\"中文\"");
    EXPECT_EQ(JsonString(std::u16string(1, u'\0')), "\"\\u0000\"");
    EXPECT_EQ(JsonString(u"\U0001F600"), "\"\xF0\x9F\x98\x80\"");
    // A lone surrogate cannot be written as UTF-8: U+FFFD stands in, the text stays valid.
    EXPECT_EQ(JsonString(std::u16string(u"a\xD800" u"b", 3)), "\"a\xEF\xBF\xBD" "b\"");
    EXPECT_EQ(JsonString(std::u16string(u"\xDC00", 1)), "\"\xEF\xBF\xBD\"");
}

TEST(JsonString, EveryEscapedTextParsesBack)
{
    std::u16string all;
    for (char16_t c = 0; c < 0x100; ++c)
        all += c;
    all += u"中文，标点。€";
    const std::string json = "{\"entries\":[{\"title\":" + JsonString(all) + "}]}";
    EXPECT_EQ(MustParse(json).Records.at(0).Title, all);
}

}  // namespace
}  // namespace kyq::cli

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CsvImport.h"
#include "cli/CsvReader.h"
#include "cli/ExportText.h"
#include "cli/JsonImport.h"
#include "cli/TextSource.h"
#include "platform/Utf.h"

namespace kyq::cli {
namespace {

// Every row of CSV text in memory, or what stopped the reader.
Expected<std::vector<CsvRow>> ReadCsvRows(std::string_view text)
{
    std::vector<CsvRow> rows;
    TextSource source(text);
    CsvReader reader(source);
    CsvRow row;
    while (reader.Next(row))
        rows.push_back(std::move(row));
    if (source.Failed() || !reader.Error().empty())
        return Error{source.Failed() ? source.Error() : reader.Error(), {}, 0};
    return rows;
}

std::vector<std::vector<std::string>> Rows(std::string_view text)
{
    Expected<std::vector<CsvRow>> rows = ReadCsvRows(text);
    EXPECT_TRUE(rows) << rows.error().Message;
    std::vector<std::vector<std::string>> out;
    if (rows)
        for (const CsvRow& r : *rows)
            out.push_back(r.Fields);
    return out;
}

using Fields = std::vector<std::string>;

TEST(CsvRows, QuotingAndLineEnds)
{
    EXPECT_EQ(Rows("a,b\r\nc,d\r\n"), (std::vector<Fields>{{"a", "b"}, {"c", "d"}}));
    EXPECT_EQ(Rows("a,b\nc,d"), (std::vector<Fields>{{"a", "b"}, {"c", "d"}}));
    EXPECT_EQ(Rows("a,b\rc,d\r"), (std::vector<Fields>{{"a", "b"}, {"c", "d"}}));
    EXPECT_EQ(Rows("\"a,1\",\"say \"\"hi\"\"\",\"l1\r\nl2\nl3\"\r\n"),
              (std::vector<Fields>{{"a,1", "say \"hi\"", "l1\r\nl2\nl3"}}));
    EXPECT_EQ(Rows("a,,\r\n"), (std::vector<Fields>{{"a", "", ""}}));
    EXPECT_EQ(Rows(",\r\n"), (std::vector<Fields>{{"", ""}}));
    EXPECT_EQ(Rows("x\r\n\r\n\ny\r\n"), (std::vector<Fields>{{"x"}, {"y"}}));  // blank lines skipped
    EXPECT_EQ(Rows("\"\"\r\n"), (std::vector<Fields>{{""}}));                  // a quoted empty is a row
    EXPECT_EQ(Rows("a\"b,c\r\n"), (std::vector<Fields>{{"a\"b", "c"}}));       // stray quote is data
    EXPECT_TRUE(Rows("").empty());
}

TEST(CsvRows, MalformedQuotesNameTheLine)
{
    Expected<std::vector<CsvRow>> open = ReadCsvRows("h\r\nok\r\n\"never\r\nends");
    ASSERT_FALSE(open);
    EXPECT_NE(open.error().Message.find("第3行"), std::string::npos) << open.error().Message;

    Expected<std::vector<CsvRow>> after = ReadCsvRows("h\r\n\"a\"b\r\n");
    ASSERT_FALSE(after);
    EXPECT_NE(after.error().Message.find("第2行"), std::string::npos) << after.error().Message;
}

TEST(CsvRows, LineNumbersCountLinesInsideQuotes)
{
    Expected<std::vector<CsvRow>> rows = ReadCsvRows("h\r\n\"a\r\nb\nc\"\r\nnext\r\n");
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 3u);
    EXPECT_EQ((*rows)[2].Line, 5u);
}

// The field an export writes for a text: a password's, between the user name and the date.
std::string CsvField(std::string_view utf8)
{
    PasswordDocument doc;
    doc.AppendEntry(PasswordEntry{u"t", u"u", Utf8ToUtf16(utf8), 2024, 1, 2});
    const std::string csv = ExportCsv(doc);
    const size_t start = csv.find("\r\nt,u,") + 6;
    return csv.substr(start, csv.rfind(",2024,1,2\r\n") - start);
}

TEST(CsvField, QuotesOnlyWhenNeeded)
{
    EXPECT_EQ(CsvField("plain text"), "plain text");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"x\""), "\"say \"\"x\"\"\"");
    EXPECT_EQ(CsvField("l1\nl2"), "\"l1\nl2\"");
    EXPECT_EQ(CsvField("cr\r"), "\"cr\r\"");
    EXPECT_EQ(CsvField(""), "");
}

TEST(CsvImport, OwnColumnsWithDates)
{
    Expected<ImportTable> r = ParseCsvImport(
        "Title,UserName,Password,Year,Month,Day\r\n邮箱,zhang,pw,2024,2,29\r\nBank,,,,,\r\n");
    ASSERT_TRUE(r) << r.error().Message;
    ASSERT_EQ(r->Records.size(), 2u);
    EXPECT_EQ(r->Records[0].Title, u"邮箱");
    EXPECT_EQ(r->Records[0].Changed, (ImportDate{2024, 2, 29}));
    EXPECT_FALSE(r->Records[1].Changed);  // all three empty: today
}

TEST(CsvImport, OtherManagersColumns)
{
    Expected<ImportTable> r = ParseCsvImport(
        "\xEF\xBB\xBF\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"Last Modified\"\n"
        "\"Root\",\"Mail\",\"me\",\"s3cret\",\"https://x\",\"n\",\"2024-02-29T10:00:00Z\"\n"
        "\"Root\",\"Shop\",\"me\",\"pw\",\"\",\"\",\"2023/7/4\"\n"
        "\"Root\",\"Undated\",\"me\",\"pw\",\"\",\"\",\" \"\n"
        "\"Root\",\"Short\",\"me\"\n");
    ASSERT_TRUE(r) << r.error().Message;
    ASSERT_EQ(r->Records.size(), 4u);
    EXPECT_EQ(r->Records[0].Title, u"Mail");
    EXPECT_EQ(r->Records[0].UserName, u"me");
    EXPECT_EQ(r->Records[0].Password, u"s3cret");
    EXPECT_EQ(r->Records[0].Changed, (ImportDate{2024, 2, 29}));
    EXPECT_EQ(r->Records[1].Changed, (ImportDate{2023, 7, 4}));
    EXPECT_FALSE(r->Records[2].Changed);
    EXPECT_TRUE(r->Records[3].Password.empty());  // missing trailing fields are empty
}

TEST(CsvImport, HeaderNamesIgnoreCaseAndBlanks)
{
    Expected<ImportTable> r = ParseCsvImport(" TITLE , user name ,PASSWORD\r\nt,u,p\r\n");
    ASSERT_TRUE(r) << r.error().Message;
    EXPECT_EQ(r->Records.at(0).UserName, u"u");
    EXPECT_EQ(r->Records.at(0).Password, u"p");
}

// What export writes, import reads back field for field: commas, quotes, CR/LF, Chinese.
TEST(CsvExport, RoundTripsAwkwardFields)
{
    PasswordDocument doc;
    doc.FormatVersion = 200;
    doc.OwnerName() = u"张三";
    const std::vector<PasswordEntry> records = {
        {u"a,b", u"x\"y\"", u"line1\r\nline2", 2024, 2, 29},
        {u"中文标题", u"用户，名", u"密码\n\"引号\"", -1, 0, 255},
        {u" spaced ", u"", u"", 1999, 12, 31},
        {u"\"", u",", u"\r", 1, 1, 1},
    };
    for (const auto& e : records)
        doc.AppendEntry(e);

    const std::string csv = ExportCsv(doc);
    EXPECT_EQ(csv.substr(0, 40), "Title,UserName,Password,Year,Month,Day\r\n");
    Expected<ImportTable> back = ParseCsvImport(csv);
    ASSERT_TRUE(back) << back.error().Message;
    ASSERT_EQ(back->Records.size(), records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const ImportRecord& r = back->Records[i];
        EXPECT_EQ(r.Title, records[i].Title);
        EXPECT_EQ(r.UserName, records[i].UserName);
        EXPECT_EQ(r.Password, records[i].Password);
        EXPECT_EQ(r.Changed, (ImportDate{records[i].ChangedYear, records[i].ChangedMonth, records[i].ChangedDay}));
    }

    Expected<ImportTable> json = ParseJsonImport(ExportJson(doc));
    ASSERT_TRUE(json) << json.error().Message;
    ASSERT_EQ(json->Records.size(), records.size());
    EXPECT_EQ(json->Owner, std::u16string(u"张三"));
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(json->Records[i].Title, records[i].Title);
        EXPECT_EQ(json->Records[i].Password, records[i].Password);
    }
}

TEST(JsonExport, ShapeOfAnEmptyAndAOneRecordDocument)
{
    PasswordDocument doc;
    doc.FormatVersion = 150;
    doc.OwnerName() = u"o";
    EXPECT_EQ(ExportJson(doc), "{\"format\":150,\"owner\":\"o\",\"entries\":[]}\n");
    doc.AppendEntry({u"t", u"u", u"p", 2024, 2, 29});
    EXPECT_EQ(ExportJson(doc),
              "{\"format\":150,\"owner\":\"o\",\"entries\":[\n"
              "{\"title\":\"t\",\"username\":\"u\",\"password\":\"p\",\"year\":2024,\"month\":2,\"day\":29}\n"
              "]}\n");
    EXPECT_EQ(ExportCsv(doc), "Title,UserName,Password,Year,Month,Day\r\nt,u,p,2024,2,29\r\n");
}

}  // namespace
}  // namespace kyq::cli

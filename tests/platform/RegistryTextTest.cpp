#include "platform/RegistryText.h"

#include <gtest/gtest.h>

#include <string>

namespace kyq {
namespace {

using namespace std::string_literals;

constexpr std::string_view Root = "HKEY_CURRENT_USER";

std::string Hive(std::string_view body)
{
    return "Windows Registry Editor Version 5.00\n\n" + std::string(body);
}

RegistryHive Parsed(std::string_view text)
{
    HiveTextResult result = ParseRegistryText(text, Root);
    EXPECT_EQ(result.error, HiveTextError::None) << "line " << result.line << " of\n" << text;
    return std::move(result.hive);
}

TEST(RegistryText, WritesTheExportFormatAPersonCanRead)
{
    RegistryHive hive;
    hive.SetValue("Software\\Tarnwick\\KYQ\\Setting", "LastFile",
                  RegistryValue::String("C:\\文档\\\"引号\".kyq"));
    hive.SetValue("Software\\Tarnwick\\KYQ\\Setting", "", RegistryValue::String("默认"));
    hive.SetValue("Software\\Tarnwick\\KYQ\\Key", "Main", RegistryValue::Number(26));
    hive.SetValue("Software\\Tarnwick\\KYQ\\Key", "Neg", RegistryValue::Number(0xFFFFFFFFu));

    EXPECT_EQ(FormatRegistryText(hive, Root),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Tarnwick]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Tarnwick\\KYQ]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Tarnwick\\KYQ\\Setting]\n"
              "\"LastFile\"=\"C:\\\\文档\\\\\\\"引号\\\".kyq\"\n"
              "@=\"默认\"\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Tarnwick\\KYQ\\Key]\n"
              "\"Main\"=dword:0000001a\n"
              "\"Neg\"=dword:ffffffff\n"
              "\n");
}

TEST(RegistryText, RoundTripsEveryKindOfValueAndEmptyKeys)
{
    RegistryHive hive;
    hive.SetValue("A", "quote\"and\\slash", RegistryValue::String("\"\\\\\""));
    hive.SetValue("A", "lines", RegistryValue::String("one\r\ntwo\nthree"));
    hive.SetValue("A", "nul inside", RegistryValue::String(std::string("ab\0cd", 5)));
    hive.SetValue("A", "empty", RegistryValue::String(""));
    hive.SetValue("A", "controls", RegistryValue::String("\t\x01\x7f"));
    hive.SetValue("A\\B", "zero", RegistryValue::Number(0));
    std::string long_text(5000, 'x');
    hive.SetValue("A\\B", "long\nname?", RegistryValue::String(long_text));  // refused name
    hive.SetValue("A\\B", "long", RegistryValue::String(long_text + "\n"));
    RegistryValue binary;
    binary.kind = RegistryValue::Kind::Other;
    binary.otherType = "hex(2)";
    for (int i = 0; i < 300; ++i)
        binary.otherBytes.push_back(static_cast<uint8_t>(i));
    hive.Root().SetValue("rootValue", binary);
    hive.CreateKey("Empty\\Deeper");

    const std::string text = FormatRegistryText(hive, Root);
    const RegistryHive back = Parsed(text);
    EXPECT_TRUE(back == hive) << text;
    EXPECT_EQ(back.FindValue("A\\B", "long\nname?"), nullptr);
    ASSERT_NE(back.FindKey("empty\\deeper"), nullptr);
    // Long hex data is wrapped the way exports wrap it.
    EXPECT_NE(text.find(",\\\n  "), std::string::npos);
    EXPECT_EQ(FormatRegistryText(back, Root), text);
}

TEST(RegistryText, ReadsWhatOtherToolsWrite)
{
    // CRLF line ends, comments, blank-padded lines, upper-case hex and a dword of fewer digits.
    const RegistryHive hive = Parsed(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "; written by hand\r\n"
        "[hkey_current_user\\Software\\X]   \r\n"
        "  \"Count\"=DWORD:0000001A\r\n"
        "\"Path\"=\"/tmp\"  \r\n");
    ASSERT_NE(hive.FindValue("software\\x", "count"), nullptr);
    EXPECT_EQ(hive.FindValue("Software\\X", "Count")->number, 26u);
    EXPECT_EQ(hive.FindValue("Software\\X", "Path")->text, "/tmp");

    // A string stored without its terminating NUL is read whole; with it, the NUL goes.
    const RegistryHive hex = Parsed(Hive("[HKEY_CURRENT_USER\\K]\n"
                                         "\"bare\"=hex(1):41,00,42,00\n"
                                         "\"terminated\"=hex(1):41,00,42,00,00,00\n"
                                         "\"split\"=hex(1):2d,4e,\\\n   87,65,00,00\n"));
    EXPECT_EQ(hex.FindValue("K", "bare")->text, "AB");
    EXPECT_EQ(hex.FindValue("K", "terminated")->text, "AB");
    EXPECT_EQ(hex.FindValue("K", "split")->text, "中文");

    // An export saved as UTF-16 in either byte order, with its byte-order mark or without,
    // and one saved in code page 936 by an editor on a Chinese system.
    const std::u16string wide = u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\W]\r\n\"名\"=\"值\"\r\n";
    const auto utf16 = [&wide](const char* mark, bool bigEndian) {
        std::string bytes = mark;
        for (char16_t c : wide) {
            const char high = static_cast<char>(c >> 8);
            const char low = static_cast<char>(c & 0xFF);
            bytes += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        return bytes;
    };
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"UTF-16LE with its mark", utf16("\xFF\xFE", false)},
        {"UTF-16LE without", utf16("", false)},
        {"UTF-16BE with its mark", utf16("\xFE\xFF", true)},
        {"UTF-16BE without", utf16("", true)},
        {"code page 936", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\W]\r\n"
                          "\"\xC3\xFB\"=\"\xD6\xB5\"\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HiveTextResult read = ParseRegistryText(c.bytes, "HKEY_CURRENT_USER");
        EXPECT_EQ(read.error, HiveTextError::None);
        ASSERT_NE(read.hive.FindValue("W", "名"), nullptr);
        EXPECT_EQ(read.hive.FindValue("W", "名")->text, "值");
    }
}

TEST(RegistryText, NamesCompareIgnoringCaseAndKeepTheirFirstSpelling)
{
    const RegistryHive hive = Parsed(Hive("[HKEY_CURRENT_USER\\Software\\KYQ]\n"
                                          "\"LastFile\"=\"a\"\n"
                                          "[HKEY_CURRENT_USER\\SOFTWARE\\kyq]\n"
                                          "\"LASTFILE\"=\"b\"\n"));
    const RegistryKey* key = hive.FindKey("software\\KYQ");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Name(), "KYQ");
    ASSERT_EQ(key->ValueCount(), 1u);
    EXPECT_EQ(key->ValueName(0), "LastFile");
    EXPECT_EQ(key->Value(0).text, "b");
    EXPECT_EQ(hive.Root().ChildCount(), 1u);
}

// A damaged line is skipped as an import skips it: the keys and values around it are kept,
// and the result tells the first fault and how many lines were lost.
TEST(RegistryText, DamagedLinesAreSkippedAndEverythingElseIsKept)
{
    struct Case {
        const char* what;
        std::string damaged;  // goes between a good key before and a good key after
        HiveTextError error;
        size_t lines;
    };
    const Case cases[] = {
        {"unterminated quote", "\"v\"=\"text\n", HiveTextError::BadValue, 1},
        {"unterminated name", "\"v=\"text\"\n", HiveTextError::BadValue, 1},
        {"unknown escape", "\"v\"=\"C:\\dir\"\n", HiveTextError::BadValue, 1},
        {"text after string", "\"v\"=\"a\"b\n", HiveTextError::BadValue, 1},
        {"dword too long", "\"v\"=dword:123456789\n", HiveTextError::BadValue, 1},
        {"dword not hex", "\"v\"=dword:12g4\n", HiveTextError::BadValue, 1},
        {"dword short", "\"v\"=dword:1a\n", HiveTextError::BadValue, 1},
        {"odd hex(1)", "\"v\"=hex(1):41\n", HiveTextError::BadValue, 1},
        {"bad hex byte", "\"v\"=hex:4\n", HiveTextError::BadValue, 1},
        {"bad hex in a continuation", "\"v\"=hex:41,\\\n  4x,\\\n  42\n", HiveTextError::BadValue, 2},
        {"continued into a value", "\"v\"=hex:41,\\\n", HiveTextError::BadValue, 1},
        {"hex trailing comma", "\"v\"=hex:41,\n", HiveTextError::BadValue, 1},
        {"bad hex type", "\"v\"=hex(zz):41\n", HiveTextError::BadValue, 1},
        {"deletion value", "\"v\"=-\n", HiveTextError::BadValue, 1},
        {"no equals", "\"v\"\n", HiveTextError::BadValue, 1},
        {"value too large", "\"v\"=\"" + std::string(MaxValueBytes + 1, 'x') + "\"\n",
         HiveTextError::ValueTooLarge, 1},
        // The values of a key that cannot be read are lost with it ("same" included).
        {"unclosed section", "[HKEY_CURRENT_USER\\K\n\"v\"=\"x\"\n", HiveTextError::BadSection, 3},
        {"deletion section", "[-HKEY_CURRENT_USER\\K]\n", HiveTextError::BadSection, 2},
        {"empty key name", "[HKEY_CURRENT_USER\\K\\\\L]\n", HiveTextError::BadSection, 2},
        {"control in key", "[HKEY_CURRENT_USER\\K\x01]\n", HiveTextError::BadSection, 2},
        {"other hive", "[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"x\"\n", HiveTextError::ForeignRoot, 3},
        {"root prefix only", "[HKEY_CURRENT_USERX\\K]\n", HiveTextError::ForeignRoot, 2},
    };
    for (const Case& c : cases) {
        const std::string text = Hive("[HKEY_CURRENT_USER\\Before]\n\"b\"=\"kept\"\n" + c.damaged +
                                      "\"same\"=dword:00000001\n[HKEY_CURRENT_USER\\After]\n\"a\"=\"kept\"\n");
        const HiveTextResult result = ParseRegistryText(text, Root);
        EXPECT_EQ(result.error, c.error) << c.what;
        EXPECT_EQ(result.line, 5u) << c.what;
        EXPECT_EQ(result.damagedLines, c.lines) << c.what;
        EXPECT_FALSE(result.hive.FindValue("Before", "v")) << c.what;
        const RegistryValue* before = result.hive.FindValue("Before", "b");
        const RegistryValue* after = result.hive.FindValue("After", "a");
        EXPECT_TRUE(before && before->text == "kept") << c.what;
        EXPECT_TRUE(after && after->text == "kept") << c.what;
        // A value line after a damaged value stays in its key; after a damaged section it
        // has no key.
        const bool badSection = c.error == HiveTextError::BadSection || c.error == HiveTextError::ForeignRoot;
        EXPECT_EQ(result.hive.FindValue("Before", "same") != nullptr, !badSection) << c.what;
    }
}

TEST(RegistryText, AFileWithoutHeaderOrCutShortKeepsWhatItCanRead)
{
    struct Case {
        const char* what;
        std::string text;
        HiveTextError error;
        bool keptK;  // [K] "v"="ok" survives
    };
    const Case cases[] = {
        {"empty file", "", HiveTextError::NoHeader, false},
        {"binary junk", "\x7f" "ELF\x02\x01\x01\0\0\0\xff\xfe\xfd"s, HiveTextError::NoHeader, false},
        {"odd UTF-16", "\xFF\xFEW\0i\0n"s, HiveTextError::NoHeader, false},
        {"header cut", "Windows Registry Ed\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"ok\"\n", HiveTextError::NoHeader, true},
        {"value line for a header", "\"w\"=\"x\"\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"ok\"\n", HiveTextError::NoHeader, true},
        {"cut in a dword", Hive("[HKEY_CURRENT_USER\\K]\n\"v\"=\"ok\"\n\"w\"=dword:0000"), HiveTextError::Truncated, true},
        {"cut in a hex value", Hive("[HKEY_CURRENT_USER\\K]\n\"v\"=\"ok\"\n\"w\"=hex:41,\\\n  42"), HiveTextError::BadValue, true},
        {"cut after a section", Hive("[HKEY_CURRENT_USER\\K]\n\"v\"=\"ok\"\n[HKEY_CURRENT_USER\\L]"), HiveTextError::Truncated, true},
    };
    for (const Case& c : cases) {
        const HiveTextResult result = ParseRegistryText(c.text, Root);
        EXPECT_EQ(result.error, c.error) << c.what;
        EXPECT_FALSE(result.hive.FindValue("K", "w")) << c.what;
        EXPECT_FALSE(result.hive.FindKey("L")) << c.what;
        EXPECT_EQ(result.hive.FindValue("K", "v") != nullptr, c.keptK) << c.what;
    }
    EXPECT_EQ(ParseRegistryText(Hive("[HKEY_CURRENT_USER\\K]\n\"v\"=\"ok\"\n"), Root).error,
              HiveTextError::None);
}

TEST(RegistryText, EveryCutOfAGoodFileParsesOrFailsCleanly)
{
    RegistryHive hive;
    hive.SetValue("Software\\Tarnwick\\KYQ\\Setting", "LastFile", RegistryValue::String("/home/用户/a.kyq"));
    hive.SetValue("Software\\Tarnwick\\KYQ\\Key", "Main", RegistryValue::Number(80));
    hive.SetValue("Software\\Tarnwick\\KYQ\\History", "1", RegistryValue::String("a\nb"));
    const std::string text = FormatRegistryText(hive, Root);
    size_t failures = 0;
    for (size_t cut = 0; cut < text.size(); ++cut) {
        const HiveTextResult result = ParseRegistryText(std::string_view(text).substr(0, cut), Root);
        if (result.error != HiveTextError::None)
            ++failures;
        // Whatever survives a cut at a line end is a part of the original, never a mangled value.
        if (const RegistryValue* v = result.hive.FindValue("Software\\Tarnwick\\KYQ\\Setting", "LastFile")) {
            EXPECT_EQ(v->text, "/home/用户/a.kyq") << cut;
        }
        if (const RegistryValue* v = result.hive.FindValue("Software\\Tarnwick\\KYQ\\Key", "Main")) {
            EXPECT_EQ(v->number, 80u) << cut;
        }
        if (const RegistryValue* v = result.hive.FindValue("Software\\Tarnwick\\KYQ\\History", "1")) {
            EXPECT_EQ(v->text, "a\nb") << cut;
        }
    }
    EXPECT_GT(failures, 0u);
}

TEST(RegistryText, LimitsHoldAtTheirBoundaries)
{
    std::string depth;  // MaxKeyDepth keys below the root
    for (size_t i = 0; i < MaxKeyDepth; ++i)
        depth += "\\k";
    const std::string longestName(MaxKeyNameBytes, 'n');
    const std::string big(MaxValueBytes, 'x');
    std::string wide;  // a string in hex form of MaxValueBytes characters
    for (size_t i = 0; i < MaxValueBytes; ++i)
        wide += "41,00,";
    std::string bytes;  // MaxValueBytes + 1 raw bytes
    for (size_t i = 0; i < MaxValueBytes; ++i)
        bytes += "ff,";
    bytes += "ff";
    std::string huge = Hive("[HKEY_CURRENT_USER\\K]\n;");
    huge.resize(MaxHiveBytes - 1, 'c');
    huge.push_back('\n');

    struct Case {
        const char* what;
        std::string text;
        HiveTextError error;
    };
    const Case cases[] = {
        {"deepest key", Hive("[HKEY_CURRENT_USER" + depth + "]\n"), HiveTextError::None},
        {"one key deeper", Hive("[HKEY_CURRENT_USER" + depth + "\\k]\n"), HiveTextError::TooDeep},
        {"longest key name", Hive("[HKEY_CURRENT_USER\\" + longestName + "]\n"), HiveTextError::None},
        {"key name too long", Hive("[HKEY_CURRENT_USER\\" + longestName + "n]\n"), HiveTextError::BadSection},
        // A huge single line is refused, not swallowed.
        {"largest string", Hive("[HKEY_CURRENT_USER\\K]\n\"v\"=\"" + big + "\"\n"), HiveTextError::None},
        {"string too large", Hive("[HKEY_CURRENT_USER\\K]\n\"v\"=\"" + big + "x\"\n"),
         HiveTextError::ValueTooLarge},
        // A string in hex form is measured by the text it carries, whatever its raw size.
        {"largest hex string", Hive("[HKEY_CURRENT_USER\\K]\n\"v\"=hex(1):" + wide + "00,00\n"),
         HiveTextError::None},
        {"hex string too large", Hive("[HKEY_CURRENT_USER\\K]\n\"v\"=hex(1):" + wide + "41,00\n"),
         HiveTextError::ValueTooLarge},
        {"hex bytes too many", Hive("[HKEY_CURRENT_USER\\K]\n\"v\"=hex:" + bytes + "\n"),
         HiveTextError::ValueTooLarge},
        {"most hex bytes", Hive("[HKEY_CURRENT_USER\\K]\n\"v\"=hex:" + bytes.substr(0, bytes.size() - 3) + "\n"),
         HiveTextError::None},
        {"largest file", huge, HiveTextError::None},
        {"file too large", huge.substr(0, huge.size() - 1) + "c\n", HiveTextError::TooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ParseRegistryText(c.text, Root).error, c.error);
    }

    // What FitsInHive accepts, a writer can write and a reader read back.
    for (const std::string& text : {std::string(MaxValueBytes - 1, 'a') + "\n", std::string(MaxValueBytes, 'a'),
                                    std::string(MaxValueBytes / 3, '\xff') + "\r"}) {
        const RegistryValue value = RegistryValue::String(text);
        ASSERT_TRUE(FitsInHive(value));
        RegistryHive hive;
        hive.SetValue("K", "v", value);
        EXPECT_EQ(ParseRegistryText(FormatRegistryText(hive, Root), Root).error, HiveTextError::None);
    }
    EXPECT_FALSE(FitsInHive(RegistryValue::String(std::string(MaxValueBytes + 1, 'a'))));
    EXPECT_FALSE(FitsInHive(RegistryValue::String(std::string(MaxValueBytes / 2, '\xff') + "\n")));
    EXPECT_TRUE(FitsInHive(RegistryValue::String(std::string(MaxValueBytes / 2, '\xff'))));
}

}  // namespace
}  // namespace kyq

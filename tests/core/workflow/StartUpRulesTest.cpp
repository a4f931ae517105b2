// The start-up rules without a window: the command line as one name, the texts of "/?" and
// of a bad command line, the installed major version, the newer version's launch, and the
// text a second start hands over (read back with the receiver's item rule).
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "core/workflow/CommandLineItem.h"
#include "core/workflow/StartUpRules.h"
#include "platform/Utf.h"

namespace kyq {
namespace {

TEST(StartUpRulesTest, CommandLineIsTheArgumentsJoinedWithBlanks)
{
    const char* none[] = {"KYQ"};
    EXPECT_EQ(JoinCommandLine(1, none), "");
    const char* one[] = {"KYQ", "/home/u/a.kyq"};
    EXPECT_EQ(JoinCommandLine(2, one), "/home/u/a.kyq");
    // A name the shell split at its blanks comes back whole.
    const char* split[] = {"KYQ", "/home/u/my", "passwords.kyq"};
    EXPECT_EQ(JoinCommandLine(3, split), "/home/u/my passwords.kyq");
    const char* empty[] = {"KYQ", "", "x"};
    EXPECT_EQ(JoinCommandLine(3, empty), " x");
}

TEST(StartUpRulesTest, HelpSwitchAnywhere)
{
    EXPECT_TRUE(HasHelpSwitch("/?"));
    EXPECT_TRUE(HasHelpSwitch("x /?"));
    EXPECT_TRUE(HasHelpSwitch("a/?b"));
    EXPECT_FALSE(HasHelpSwitch("/ ?"));
    EXPECT_FALSE(HasHelpSwitch("?/"));
    EXPECT_FALSE(HasHelpSwitch(""));
    // The Linux spellings, only as the whole command line.
    EXPECT_TRUE(HasHelpSwitch("--help"));
    EXPECT_TRUE(HasHelpSwitch(" -h "));
    EXPECT_FALSE(HasHelpSwitch("notes -h.kyq"));
    EXPECT_FALSE(HasHelpSwitch("--helpful"));
}

// Asked in a terminal: only as the whole command line, so that a file may still be named so.
TEST(StartUpRulesTest, ConsoleRequests)
{
    const struct {
        std::string_view Line;
        ConsoleRequest Request;
    } cases[] = {
        {"-h", ConsoleRequest::Usage},      {" --help ", ConsoleRequest::Usage},
        {"--version", ConsoleRequest::Version}, {"/?", ConsoleRequest::None},
        {"--fill", ConsoleRequest::None},   {"", ConsoleRequest::None},
        {"-h x", ConsoleRequest::None},     {"notes --version", ConsoleRequest::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConsoleRequestOf(c.Line), c.Request) << c.Line;
    // Both usages name every option the program takes.
    for (const std::string_view option : {"/?", "-h", "--help", "--version", "--fill", "文件名"}) {
        EXPECT_NE(ConsoleUsageText().find(option), std::string::npos) << option;
        EXPECT_NE(UsageText().find(Utf8ToUtf16(option)), std::u16string::npos) << option;
    }
}

TEST(StartUpRulesTest, InvalidCommandNamesTheCommandBeforeTheUsage)
{
    EXPECT_EQ(InvalidCommandText("/tmp/无.kyq"),
              u"无效的命令或找不到此文件：/tmp/无.kyq\r\n\r\n" + UsageText());
}

TEST(StartUpRulesTest, MajorVersionIsTheLeadingNumberBeforeTheFirstDot)
{
    EXPECT_EQ(InstalledMajorVersion("2.01.0026"), 2);
    EXPECT_EQ(InstalledMajorVersion("3.00.0001"), 3);
    EXPECT_EQ(InstalledMajorVersion(""), 0);
    EXPECT_EQ(InstalledMajorVersion("12"), 12);
    EXPECT_EQ(InstalledMajorVersion("1"), 1);
    EXPECT_EQ(InstalledMajorVersion("10.5"), 10);
    EXPECT_EQ(InstalledMajorVersion("3a.1"), 3);
    EXPECT_EQ(InstalledMajorVersion("v3.1"), 0);
    EXPECT_EQ(InstalledMajorVersion(" 3.1"), 0);
    EXPECT_EQ(InstalledMajorVersion(".3"), 0);
    EXPECT_EQ(InstalledMajorVersion("99999999999999999999.1"), INT_MAX);
}

TEST(StartUpRulesTest, NewerVersionStartsFromTheRecordedFolderWithTheCommandLine)
{
    ProgramLaunch launch = NewerVersionLaunch("/opt/kyq3/", "/home/u/my file.kyq");
    EXPECT_EQ(launch.Program, "/opt/kyq3/KYQ");
    ASSERT_EQ(launch.Arguments.size(), 1u);
    EXPECT_EQ(launch.Arguments[0], "/home/u/my file.kyq");

    launch = NewerVersionLaunch("/opt/kyq3", "");
    EXPECT_EQ(launch.Program, "/opt/kyq3/KYQ");
    EXPECT_TRUE(launch.Arguments.empty());
}

class ExistingFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/kyq-rules-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        std::ofstream(folder_ / "a b,c.kyq") << "x";
        std::filesystem::create_directory(folder_ / "dir");
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_ / "dir");
    }
    void TearDown() override
    {
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(folder_);
    }
    std::filesystem::path folder_;
    std::filesystem::path old_;
};

TEST_F(ExistingFileTest, OnlyExistingRegularFilesAsAbsolutePaths)
{
    const std::string absolute = (folder_ / "a b,c.kyq").string();
    EXPECT_EQ(ExistingFileOf(absolute), absolute);
    // Relative names are taken from the current folder, and the result no longer depends
    // on it.
    EXPECT_EQ(ExistingFileOf("../a b,c.kyq"), absolute);
    EXPECT_EQ(ExistingFileOf(""), "");
    EXPECT_EQ(ExistingFileOf((folder_ / "missing.kyq").string()), "");
    EXPECT_EQ(ExistingFileOf((folder_ / "dir").string()), "");
    EXPECT_EQ(ExistingFileOf(absolute + " /?"), "");
}

TEST(StartUpRulesTest, HandedOverNameSurvivesTheReceiversItemRule)
{
    for (const std::string name :
         {"/home/u/a.kyq", "/home/u/a,b.kyq", "/home/u/ leading and trailing ",
          "/home/u/中文 名.kyq"}) {
        const std::string text = HandOverCommandText(name) + "\r\n";
        EXPECT_EQ(FirstCommandItem(text), name) << text;
    }
    // A name holding a double quote cannot be quoted: it goes as it is and is still read
    // whole as long as it has no comma.
    const std::string quote = "/home/u/say \"hi\".kyq";
    EXPECT_EQ(HandOverCommandText(quote), quote);
    EXPECT_EQ(FirstCommandItem(HandOverCommandText(quote) + "\r\n"), quote);
}

}  // namespace
}  // namespace kyq

#include <gtest/gtest.h>

#include "core/document/PathText.h"
#include "core/document/UnstorableMessage.h"
#include "core/workflow/MainWindowLayout.h"

namespace kyq {
namespace {

TEST(PathText, FolderIsTheTextBeforeTheLastSeparator)
{
    EXPECT_EQ(FolderOfPath("/home/ann/doc/a.kyq"), "/home/ann/doc");
    EXPECT_EQ(FolderOfPath("/a.kyq"), "");
    EXPECT_EQ(FolderOfPath("a.kyq"), "");
    EXPECT_EQ(FolderOfPath("/home/ann/"), "/home/ann");
    EXPECT_EQ(FolderOfPath(""), "");
}

TEST(PathText, TrailingSlashIsAddedOrTakenOnce)
{
    struct Case {
        const char* folder;
        const char* with;
        const char* without;
    };
    const Case cases[] = {
        {"", "", ""},  // no folder is not the root
        {"/", "/", "/"},
        {"/opt/kyq", "/opt/kyq/", "/opt/kyq"},
        {"/opt/kyq/", "/opt/kyq/", "/opt/kyq"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(WithTrailingSlash(c.folder), c.with);
        EXPECT_EQ(WithoutTrailingSlash(c.folder), c.without);
    }
}

TEST(PathText, DisplayNameIsTheFileNameOrUntitled)
{
    EXPECT_EQ(DisplayNameOfPath("nul"), u"无标题");
    EXPECT_EQ(DisplayNameOfPath("NUL"), u"NUL");  // the exact test
    EXPECT_EQ(DisplayNameOfPath("/home/ann/家庭.kyq"), u"家庭.kyq");
    EXPECT_EQ(DisplayNameOfPath("bare.kyq"), u"bare.kyq");
    EXPECT_EQ(DisplayNameOfPath("/home/ann/"), u"");
}

TEST(PathText, StatusPanelCountsThePasswords)
{
    EXPECT_EQ(StatusPanelText("/x/home.kyq", 12), u"文件home.kyq共有12个密码。");
    EXPECT_EQ(StatusPanelText("nul", 0), u"文件无标题共有0个密码。");
    EXPECT_EQ(StatusPanelText("/x/a.kyq", 32767), u"文件a.kyq共有32767个密码。");
}

TEST(MainWindowLayoutRules, DesignSizeIsTheMinimum)
{
    const MainWindowLayout small = ComputeMainWindowLayout(1000, 2000);
    EXPECT_EQ(small.Width, 5850);
    EXPECT_EQ(small.Height, 4740);
    EXPECT_EQ(small.FindPanelLeft, 480);
    EXPECT_EQ(small.TreeWidth, 2355);
    EXPECT_EQ(small.TreeHeight, 2565);
    EXPECT_EQ(small.DetailsLeft, 2800);
    EXPECT_EQ(small.DetailsTop, 1200);
}

TEST(MainWindowLayoutRules, LargerWindowCentresAndStretches)
{
    const MainWindowLayout l = ComputeMainWindowLayout(7850, 5740);
    EXPECT_EQ(l.FindPanelLeft, 1480);
    EXPECT_EQ(l.TreeWidth, 4355);
    EXPECT_EQ(l.TreeHeight, 3565);
    EXPECT_EQ(l.DetailsLeft, 4800);
    EXPECT_EQ(l.DetailsTop, 1700);
    // Only one dimension below the minimum: that one is clamped alone.
    const MainWindowLayout wide = ComputeMainWindowLayout(9000, 100);
    EXPECT_EQ(wide.Width, 9000);
    EXPECT_EQ(wide.Height, 4740);
}

TEST(UnstorableCharacter, NamesTheFieldAndTheCharacter)
{
    EXPECT_EQ(UnstorableCharacterMessage(u"密码", u"ab한", 2),
              u"密码中含有字符“한”，它无法保存在Keyquill文档中，请换用其他字符。");
    // A character outside the basic plane is shown whole, not as half a pair.
    EXPECT_EQ(UnstorableCharacterMessage(u"用户名", u"x\U0001F600", 1),
              u"用户名中含有字符“\U0001F600”，它无法保存在Keyquill文档中，请换用其他字符。");
    std::u16string control = u"a";
    control += char16_t(14);
    EXPECT_EQ(UnstorableCharacterMessage(u"用户名", control, 1),
              u"用户名中含有代码为14的控制字符，它无法保存在Keyquill文档中，请换用其他字符。");
}

}  // namespace
}  // namespace kyq

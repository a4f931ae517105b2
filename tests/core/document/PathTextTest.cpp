#include <gtest/gtest.h>

#include <vector>

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

// The design size is the smallest; beyond it the find panel stays centred, the tree takes
// what the window gains and the details panel keeps to the right edge, vertically centred.
TEST(MainWindowLayoutRules, TheTreeTakesWhatTheWindowGainsAboveTheDesignSize)
{
    struct Case {
        int width, height;  // asked for, twips
        MainWindowLayout l;  // outer size, find panel left, tree, details left and top
    };
    const Case cases[] = {
        {5850, 4740, {5850, 4740, 480, 2355, 2565, 2800, 1200}},
        {1000, 2000, {5850, 4740, 480, 2355, 2565, 2800, 1200}},
        {7850, 5740, {7850, 5740, 1480, 4355, 3565, 4800, 1700}},
        {9000, 100, {9000, 4740, 2055, 5505, 2565, 5950, 1200}},  // clamped in one direction only
    };
    const auto values = [](const MainWindowLayout& l) {
        return std::vector{l.Width,      l.Height,      l.FindPanelLeft, l.TreeWidth,
                           l.TreeHeight, l.DetailsLeft, l.DetailsTop};
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        EXPECT_EQ(values(ComputeMainWindowLayout(c.width, c.height)), values(c.l));
    }
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

#include <gtest/gtest.h>

#include <string>

#include "core/workflow/MessageBoxText.h"

namespace kyq {
namespace {

size_t Lines(const std::u16string& text)
{
    size_t lines = 1;
    for (char16_t c : text)
        lines += c == u'\n';
    return lines;
}

TEST(MessageBoxText, LongTextsAreShortenedAndKeptWholeAsDetails)
{
    std::u16string manyLines = u"以下密码已过期，请更换：";
    for (int i = 0; i < 32767; ++i)
        manyLines += u"\r\n记录" + std::u16string(5, u'0');
    const std::u16string longTitle = u"你确定要删除密码“" + std::u16string(32767, u'长') + u"”吗？";
    const std::u16string emoji = std::u16string(30, u'a') + u"\U0001F600\U0001F600" +
                                 std::u16string(40, u'b');

    struct Case {
        std::u16string text;
        bool shortened;
    };
    for (const Case& c : {Case{u"将改动保存到a.kyq吗？", false}, Case{u"a\nb\nc", false},
                          Case{manyLines, true}, Case{longTitle, true}, Case{emoji, true}}) {
        const MessageBoxText fitted = FitMessageBoxText(c.text, 16, 64);
        EXPECT_EQ(!fitted.Details.empty(), c.shortened);
        if (!c.shortened) {
            EXPECT_EQ(fitted.Shown, c.text);
            continue;
        }
        EXPECT_EQ(fitted.Details, c.text);
        EXPECT_LE(Lines(fitted.Shown), 16u);
        size_t lineLength = 0;
        for (size_t i = 0; i < fitted.Shown.size(); ++i) {
            const char16_t ch = fitted.Shown[i];
            lineLength = ch == u'\n' ? 0 : lineLength + 1;
            // The last line names how many lines were left out and may run a little longer.
            if (fitted.Shown.find(u'\n', i) != std::u16string::npos) {
                EXPECT_LE(lineLength, 64u);
            }
            // Never half a character.
            if (ch >= 0xD800 && ch <= 0xDBFF) {
                EXPECT_TRUE(i + 1 < fitted.Shown.size() && fitted.Shown[i + 1] >= 0xDC00 &&
                            fitted.Shown[i + 1] <= 0xDFFF);
            }
            if (ch >= 0xDC00 && ch <= 0xDFFF) {
                EXPECT_TRUE(i > 0 && fitted.Shown[i - 1] >= 0xD800 && fitted.Shown[i - 1] <= 0xDBFF);
            }
        }
    }
}

}  // namespace
}  // namespace kyq

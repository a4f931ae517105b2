// What the desktop cannot open or start is said to the user and logged, not dropped.
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gui/GuiFixture.h"
#include "gui/widgets/DesktopLink.h"
#include "platform/Log.h"

namespace kyq::test {
namespace {

class DesktopLinkTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        SetLogSink([this](LogLevel, LogArea, std::string_view line) { log_.emplace_back(line); });
    }
    void TearDown() override
    {
        SetLogSink({});
        GuiTest::TearDown();
    }
    std::vector<std::string> log_;
};

TEST_F(DesktopLinkTest, AProgramThatWillNotStartIsReportedAndLogged)
{
    const std::string notAProgram = Folder() + "/ranzel.exe";
    std::ofstream(notAProgram) << "no execute bit";
    std::filesystem::permissions(notAProgram, std::filesystem::perms::owner_read |
                                                  std::filesystem::perms::owner_write);
    struct Case {
        std::string program;
    };
    for (const Case& c : {Case{notAProgram}, Case{Folder() + "/missing"}}) {
        SCOPED_TRACE(c.program);
        messages_->Boxes.clear();
        log_.clear();
        EXPECT_FALSE(StartProgram(*app_, QString::fromStdString(c.program)));
        ASSERT_EQ(messages_->Boxes.size(), 1u);
        EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Warning);
        ASSERT_EQ(log_.size(), 1u);
        EXPECT_NE(log_[0].find(c.program), std::string::npos);
    }
}

TEST_F(DesktopLinkTest, ALinkNoProgramTakesIsReportedAndLogged)
{
    // A scheme no desktop program claims.
    const QUrl url(QStringLiteral("kyq-test-nothing:page"));
    if (OpenWithDesktop(*app_, url))
        GTEST_SKIP() << "this desktop claims every link";
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_NE(messages_->Boxes[0].Text.find(u"kyq-test-nothing:page"), std::u16string::npos);
    EXPECT_EQ(log_.size(), 1u);
}

}  // namespace
}  // namespace kyq::test

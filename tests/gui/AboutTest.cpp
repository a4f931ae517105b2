// The about box: the version line, which link the mouse is over and what a click on a link
// opens.
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "core/workflow/LinkTargets.h"
#include "gui/AppFormsFixture.h"
#include "gui/shell/About.h"

namespace kyq::test {
namespace {

class AboutTest : public AppFormsTest {
protected:
    About* Open()
    {
        Trigger(main_.get(), "helpAbout");
        auto* about = qobject_cast<About*>(main_->FindForm(QStringLiteral("About")));
        EXPECT_NE(about, nullptr);
        if (about) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(about));
        }
        return about;
    }

    // The offscreen platform moves no real pointer; the box gets the move as a window system
    // would deliver it to the part under the pointer.
    static void MoveOver(QWidget* part, QPoint at = {})
    {
        if (at.isNull())
            at = part->rect().center();
        QMouseEvent move(QEvent::MouseMove, at, part->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(part, &move);
    }

};

TEST(AboutVersion, BuildNumberInPlainDecimal)
{
    EXPECT_EQ(AboutVersionText(26), QStringLiteral("版本：2.01，第26次编译"));
    EXPECT_EQ(AboutVersionText(7), QStringLiteral("版本：2.01，第7次编译"));
    EXPECT_EQ(AboutVersionText(1234), QStringLiteral("版本：2.01，第1234次编译"));
}

TEST_F(AboutTest, ShowsTheVersionOverTheDisabledMainWindowUntilOk)
{
    About* about = Open();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(In<QLabel>(about, "lblVersion")->text(), AboutVersionText(26));
    EXPECT_EQ(In<QLabel>(about, "lblMail")->text(), QString::fromLatin1(MailAddressText));
    EXPECT_FALSE(In<QLabel>(about, "lblDisclaimer")->text().isEmpty());
    EXPECT_FALSE(main_->isEnabled());
    // Centred: each label sits in the middle of the box.
    for (const QLabel* label : {In<QLabel>(about, "lblTitle"), In<QLabel>(about, "lblVersion"), In<QLabel>(about, "lblMail"), In<QLabel>(about, "lblWeb")}) {
        const int middle = label->geometry().center().x();
        EXPECT_NEAR(middle, about->width() / 2, 2) << label->objectName().toStdString();
    }
    EXPECT_EQ(about->CurrentHover(), About::Hover::None);

    Press(about, "cmdOK");
    FlushDeletes();
    EXPECT_EQ(main_->FindForm(QStringLiteral("About")), nullptr);
    EXPECT_TRUE(main_->isEnabled());
}

// How a lit link looks is no test's business; which one is lit is.
TEST_F(AboutTest, OnlyTheLinkUnderTheMouseIsLit)
{
    About* about = Open();
    ASSERT_NE(about, nullptr);
    MoveOver(In<QLabel>(about, "lblMail"));
    EXPECT_EQ(about->CurrentHover(), About::Hover::Mail);
    MoveOver(In<QLabel>(about, "lblWeb"));
    EXPECT_EQ(about->CurrentHover(), About::Hover::Web);
    for (QWidget* elsewhere : {static_cast<QWidget*>(In<QPushButton>(about, "cmdOK")), static_cast<QWidget*>(In<QLabel>(about, "lblTitle")),
                               static_cast<QWidget*>(In<QLabel>(about, "lblVersion")),
                               static_cast<QWidget*>(In<QLabel>(about, "lblDisclaimer"))}) {
        SCOPED_TRACE(elsewhere->metaObject()->className());
        MoveOver(In<QLabel>(about, "lblMail"));
        ASSERT_EQ(about->CurrentHover(), About::Hover::Mail);
        MoveOver(elsewhere);
        EXPECT_EQ(about->CurrentHover(), About::Hover::None);
    }
    // The box itself, away from every label: a point in its margin.
    MoveOver(In<QLabel>(about, "lblWeb"));
    ASSERT_EQ(about->CurrentHover(), About::Hover::Web);
    MoveOver(about, QPoint(3, about->height() / 2));
    EXPECT_EQ(about->CurrentHover(), About::Hover::None);
}

TEST_F(AboutTest, ClicksOnTheLinksOpenMailAndHomePage)
{
    About* about = Open();
    ASSERT_NE(about, nullptr);
    QTest::mouseClick(In<QLabel>(about, "lblMail"), Qt::LeftButton);
    QTest::mouseClick(In<QLabel>(about, "lblWeb"), Qt::LeftButton);
    QTest::mouseClick(In<QLabel>(about, "lblTitle"), Qt::LeftButton);
    QTest::mouseClick(In<QLabel>(about, "lblWeb"), Qt::RightButton);
    ASSERT_EQ(urls_.Urls.size(), 2u);
    EXPECT_EQ(urls_.Urls[0], QUrl(QString::fromLatin1(LinkMail)));
    EXPECT_EQ(urls_.Urls[1], QUrl(QString::fromLatin1(LinkMakerHome)));
    EXPECT_EQ(main_->FindForm(QStringLiteral("About")), about);  // links leave the box open
}

TEST_F(AboutTest, CloseBoxActsAsOk)
{
    About* about = Open();
    ASSERT_NE(about, nullptr);
    about->close();
    FlushDeletes();
    EXPECT_EQ(main_->FindForm(QStringLiteral("About")), nullptr);
    EXPECT_TRUE(main_->isEnabled());
}

}  // namespace
}  // namespace kyq::test

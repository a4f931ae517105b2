// The Qt pieces under the workflow: file-dialog filters and columns, the X11 message
// decoder, the tree model's positions and the owned-dialog rule.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <xcb/xcb.h>

#include "gui/GuiFixture.h"
#include "gui/main/PasswordTreeModel.h"
#include "gui/shell/ChineseFileColumns.h"
#include "gui/shell/QtMessageService.h"
#include "gui/shell/X11HookEvents.h"
#include "gui/widgets/OwnedDialog.h"

namespace kyq::test {
namespace {

TEST(QtMessageServiceFilters, PairsBecomeQtNameFilters)
{
    EXPECT_EQ(QtMessageService::NameFilters(u"Keyquill文档 (*.kyq)|*.kyq|所有文件 (*.*)|*.*"),
              (QStringList{QStringLiteral("Keyquill文档 (*.kyq)"), QStringLiteral("所有文件 (*.*)")}));
    EXPECT_EQ(QtMessageService::NameFilters(u"Text|*.txt;*.log"),
              QStringList{QStringLiteral("Text (*.txt *.log)")});
    EXPECT_TRUE(QtMessageService::NameFilters(u"").isEmpty());
    EXPECT_TRUE(QtMessageService::NameFilters(u"lonely").isEmpty());
}

xcb_client_message_event_t ClientMessage(uint32_t window, uint32_t atom, uint8_t format,
                                         uint32_t message, uint32_t wParam, uint32_t lParam)
{
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE | 0x80;  // as sent by another client
    event.format = format;
    event.window = window;
    event.type = atom;
    event.data.data32[0] = message;
    event.data.data32[1] = wParam;
    event.data.data32[2] = lParam;
    return event;
}

// The file dialog's type and date columns are Chinese whatever the session's locale.
TEST(ChineseFileColumns, SizeTypeAndDateInChinese)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("文档")));
    for (const char* name : {"a.kyq", "README"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(name[0] == 'a' ? 600 : 3000, 'x'));
    }
    QFileSystemModel files;
    const QModelIndex root = files.setRootPath(dir.path());
    ASSERT_TRUE(QTest::qWaitFor([&] { return files.rowCount(root) == 3; }));
    ChineseFileColumns columns;
    columns.setSourceModel(&files);
    struct Case {
        QString name, size, type;
    };
    for (const Case& c : {Case{QStringLiteral("文档"), QString(), QStringLiteral("文件夹")},
                          Case{QStringLiteral("a.kyq"), QStringLiteral("600 字节"),
                               QStringLiteral("kyq 文件")},
                          Case{QStringLiteral("README"), QStringLiteral("2.9 KB"),
                               QStringLiteral("文件")}}) {
        SCOPED_TRACE(c.name.toStdString());
        const QModelIndex name = columns.mapFromSource(files.index(dir.filePath(c.name)));
        EXPECT_EQ(columns.index(name.row(), 1, name.parent()).data().toString(), c.size);
        EXPECT_EQ(columns.index(name.row(), 2, name.parent()).data().toString(), c.type);
        EXPECT_EQ(columns.index(name.row(), 3, name.parent()).data().toString(),
                  QLocale(QLocale::Chinese, QLocale::China)
                      .toString(files.lastModified(files.index(dir.filePath(c.name))),
                                QLocale::ShortFormat));
        // The other columns are Qt's own.
        EXPECT_EQ(name.data().toString(), c.name);
    }
}


class X11Decode : public GuiTest {};

TEST_F(X11Decode, OnlyTheHooksKeyEventsToTheMainWindowAreTaken)
{
    X11HookEvents filter(*app_, [] { return 0x400001u; }, 321);
    struct Case {
        uint32_t lParam;
        bool released;
        bool repeat;
    };
    for (const Case c : {Case{0xC0000001u, true, false}, Case{0x40000001u, false, true},
                         Case{0x00000001u, false, false}}) {
        const auto ours = ClientMessage(0x400001, 321, 32, 1024, 80, c.lParam);
        const std::optional<HookKeyEvent> key = filter.Decode(&ours);
        ASSERT_TRUE(key) << c.lParam;
        EXPECT_EQ(key->Key, 80);
        EXPECT_EQ(key->Released, c.released) << c.lParam;
        EXPECT_EQ(key->Repeat, c.repeat) << c.lParam;
    }

    const auto otherWindow = ClientMessage(0x400002, 321, 32, 1024, 80, 0);
    const auto otherAtom = ClientMessage(0x400001, 322, 32, 1024, 80, 0);
    const auto otherFormat = ClientMessage(0x400001, 321, 8, 1024, 80, 0);
    const auto otherKind = ClientMessage(0x400001, 321, 32, 1025, 80, 0);
    for (const auto* other : {&otherWindow, &otherAtom, &otherFormat, &otherKind})
        EXPECT_FALSE(filter.Decode(other));
    xcb_generic_event_t keyPress;
    std::memset(&keyPress, 0, sizeof keyPress);
    keyPress.response_type = XCB_KEY_PRESS;
    EXPECT_FALSE(filter.Decode(&keyPress));

    const auto ours = ClientMessage(0x400001, 321, 32, 1024, 80, 0);
    X11HookEvents inactive(*app_, [] { return 0x400001u; }, 0);
    EXPECT_FALSE(inactive.Decode(&ours));
}

TEST_F(X11Decode, TakenKeyEventsArePostedToTheQueue)
{
    X11HookEvents filter(*app_, [] { return 77u; }, 5);
    auto event = ClientMessage(77, 5, 32, 1024, 65, 0);
    EXPECT_TRUE(filter.nativeEventFilter("xcb_generic_event_t", &event, nullptr));
    EXPECT_FALSE(filter.nativeEventFilter("windows_generic_MSG", &event, nullptr));
    EXPECT_TRUE(platform_->Keys.empty());
    QApplication::processEvents();
    ASSERT_EQ(platform_->Keys.size(), 1u);
    EXPECT_EQ(platform_->Keys[0].Key, 65);
}

TEST(PasswordTreeModelPositions, RootIsOneAndRowNIsNPlusOne)
{
    PasswordTreeModel model;
    model.Reset(u"owner", {u"a", u"b", u"c"});
    EXPECT_EQ(model.NodeCount(), 4);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.rowCount(model.RootIndex()), 3);
    EXPECT_EQ(model.PositionOf(model.RootIndex()), 1);
    EXPECT_EQ(model.PositionOf(model.index(2, 0, model.RootIndex())), 4);
    EXPECT_EQ(model.data(model.IndexAt(4), Qt::DisplayRole).toString(), QStringLiteral("c"));
    EXPECT_EQ(model.data(model.RootIndex(), Qt::DisplayRole).toString(), QStringLiteral("owner"));
    EXPECT_FALSE(model.IndexAt(5).isValid());
    EXPECT_FALSE(model.IndexAt(0).isValid());
    EXPECT_EQ(model.parent(model.IndexAt(3)), model.RootIndex());
    EXPECT_EQ(model.data(model.IndexAt(3), Qt::DisplayRole).toString(), QStringLiteral("b"));
    EXPECT_EQ(model.rowCount(model.IndexAt(3)), 0);
}

class OwnedDialogRule : public GuiTest {};

TEST_F(OwnedDialogRule, OwnerIsDisabledWhileOpenAndTheDialogStaysUsable)
{
    auto* dialog = new OwnedDialog(*app_, main_.get(), QStringLiteral("Probe"));
    auto* box = new QLineEdit(dialog);
    dialog->ShowOverOwner();
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_TRUE(dialog->isEnabled());
    EXPECT_TRUE(box->isEnabled());
    EXPECT_EQ(main_->FindForm(QStringLiteral("Probe")), dialog);
    // Esc does what Cancel does.
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(main_->FindForm(QStringLiteral("Probe")), nullptr);
    FlushDeletes();
}

}  // namespace
}  // namespace kyq::test

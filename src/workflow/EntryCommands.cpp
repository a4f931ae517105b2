#include "workflow/EntryCommands.h"

#include <QAction>
#include <QDesktopServices>
#include <QUrl>

#include "app/HelpViewer.h"
#include "app/KyqApp.h"
#include "app/LinkTargets.h"
#include "entries/LaunchGenerator.h"
#include "workflow/frmMain.h"

namespace kyq {

void EntryCommands::TakeUndoSnapshot()
{
    app_.Document.TakeUndoSnapshot();
    main_.Menus.passUndo->setEnabled(true);
}

void EntryCommands::TakeChangeSnapshot()
{
    app_.Document.SnapshotModified = app_.Document.Modified;
    TakeUndoSnapshot();
}

void EntryCommands::ExchangeWithUndoSnapshot(bool restoreOnly)
{
    app_.Document.ExchangeWithUndoSnapshot(restoreOnly);
    main_.Tree.RebuildTree();
    // The rebuilt tree has no selection: details, record commands and count follow it.
    main_.Tree.ShowSelectedEntry();
    if (restoreOnly)
        main_.Menus.passUndo->setEnabled(false);
}

void EntryCommands::passUndo_Click()
{
    if (!app_.Document.HasUndoSnapshot())
        return;
    ExchangeWithUndoSnapshot(false);
}

void EntryCommands::passAdd_Click()
{
    if (app_.Document.EntryCount() >= PasswordDocument::MaxEntries) {
        app_.MsgBox(u"已经达到密码数的最大值(32767)，不能再增加密码了。", MsgButtons::OkOnly,
                    MsgIcon::Warning);
        return;
    }
    main_.ShowForm(QStringLiteral("AddPass"));
}

void EntryCommands::passEdit_Click()
{
    main_.Tree.Timer1_Timer();
    if (app_.SelectedIndex < 1)
        return;
    app_.EditIndex = app_.SelectedIndex;
    main_.ShowForm(QStringLiteral("EditPass"));
}

void EntryCommands::passDel_Click()
{
    // SelectedIndex is brought up to date first: a Delete pressed right after moving the
    // selection must not act on the record selected before.
    main_.Tree.Timer1_Timer();
    const int k = app_.SelectedIndex;
    if (k < 1 || k > app_.Document.EntryCount())
        return;
    const std::u16string title = main_.Tree.NodeText(k + 1);
    const MsgAnswer answer = app_.MsgBox(u"你确定要删除密码“" + title + u"”吗？", MsgButtons::YesNo,
                                         MsgIcon::Warning, u"确定删除");
    if (answer == MsgAnswer::Yes) {
        TakeChangeSnapshot();
        // Removing the record together with its title is what taking the title out of the
        // index and re-ordering with the last record dropped comes to, without the re-order.
        app_.Document.RemoveEntryAt(k);
        main_.Tree.RebuildTree();
    }
    main_.Tree.ShowSelectedEntry();
}

void EntryCommands::passDelAll_Click()
{
    const MsgAnswer answer = app_.MsgBox(u"您确定要删除所有的密码吗？！", MsgButtons::YesNo,
                                         MsgIcon::Critical, u"有没有搞错？");
    if (answer != MsgAnswer::Yes)
        return;
    TakeChangeSnapshot();
    main_.Tree.ResetTree(false, true);
    app_.Document.Entries.resize(1);
    app_.Document.Modified = true;
    main_.Tree.ShowSelectedEntry();
}

void EntryCommands::toolPass_Click()
{
    LaunchGenerator(app_, main_.Dialog);
}

void EntryCommands::toolOption_Click()
{
    main_.ShowForm(QStringLiteral("Options"));
}

void EntryCommands::helpAbout_Click()
{
    main_.ShowForm(QStringLiteral("About"));
}

void EntryCommands::helpHelp_Click()
{
    ShowHelpTopic(app_, &main_, "intro.htm");
}

void EntryCommands::helpRead_Click()
{
    OpenReadme(app_);
}

void EntryCommands::WebTarnwick_Click()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(LinkMakerHome)));
}

void EntryCommands::WebKYQ_Click()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(LinkProductHome)));
}

void EntryCommands::WebGuest_Click()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(LinkGuestBook)));
}

void EntryCommands::WebMail_Click()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(LinkMail)));
}

void EntryCommands::Toolbar_ButtonClick(int position)
{
    const bool open = !app_.Document.Path.empty();
    switch (position) {
    case 1:
        main_.Workflow.fileNew_Click();
        break;
    case 2:
        main_.Workflow.fileOpen_Click();
        break;
    case 3:
        if (open)
            main_.Workflow.fileSave_Click();
        break;
    case 4:
        if (open)
            main_.Workflow.fileUser_Click();
        break;
    case 5:
        if (open)
            passAdd_Click();
        break;
    case 6:
        passEdit_Click();
        break;
    case 7:
        passDel_Click();
        break;
    case 8:
        main_.Menus.helpHelp->trigger();
        break;
    default:
        break;
    }
}

}  // namespace kyq

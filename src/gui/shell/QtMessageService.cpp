#include "gui/shell/QtMessageService.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

#include "core/workflow/CommonDialog.h"
#include "core/workflow/MessageBoxText.h"
#include "gui/shell/ChineseFileColumns.h"
#include "platform/Log.h"
#include "gui/widgets/WindowHold.h"

#include <algorithm>

namespace kyq {

namespace {

QMessageBox::Icon BoxIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Boxes have no parent (see MsgBox), so nothing places them over the program's windows:
// once shown, each is moved over the window that was active, else over the main window.
void PlaceOverProgram(QWidget& dialog)
{
    QWidget* reference = QApplication::activeWindow();
    if (!reference || reference == &dialog) {
        reference = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top != &dialog && top->isVisible() && top->objectName() == QLatin1String("frmMain"))
                reference = top;
        }
    }
    if (!reference)
        return;
    QTimer::singleShot(0, &dialog, [&dialog, reference] {
        QRect area = dialog.frameGeometry();
        area.moveCenter(reference->frameGeometry().center());
        if (const QScreen* screen = reference->screen()) {
            const QRect available = screen->availableGeometry();
            area.moveLeft(std::clamp(area.left(), available.left(),
                                     std::max(available.left(), available.right() - area.width())));
            area.moveTop(std::clamp(area.top(), available.top(),
                                    std::max(available.top(), available.bottom() - area.height())));
        }
        dialog.move(area.topLeft());
    });
}

// The buttons a box was given; the others stay null.
struct BoxButtons {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
};

BoxButtons AddButtons(QMessageBox& box, MsgButtons buttons)
{
    BoxButtons b;
    switch (buttons) {
    case MsgButtons::OkOnly:
        b.ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        box.setEscapeButton(b.ok);
        break;
    case MsgButtons::OkCancel:
        b.ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        b.cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setEscapeButton(b.cancel);
        break;
    case MsgButtons::YesNoCancel:
        b.yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
        b.no = box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
        b.cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setEscapeButton(b.cancel);
        break;
    case MsgButtons::YesNo:
        b.yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
        b.no = box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
        box.setEscapeButton(b.no);
        break;
    case MsgButtons::OverwriteSaveAsCancel:
        b.yes = box.addButton(QStringLiteral("覆盖(&O)"), QMessageBox::DestructiveRole);
        b.no = box.addButton(QStringLiteral("另存为(&A)..."), QMessageBox::AcceptRole);
        b.cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setEscapeButton(b.cancel);
        break;
    }
    return b;
}

// The button clicked; closing the box counts as its cancel or, without one, as its no or
// ok.
MsgAnswer AnswerOf(const QMessageBox& box, const BoxButtons& b)
{
    QAbstractButton* clicked = box.clickedButton();
    if (clicked && clicked == b.yes)
        return MsgAnswer::Yes;
    if (clicked && clicked == b.no)
        return MsgAnswer::No;
    if (clicked && clicked == b.ok)
        return MsgAnswer::Ok;
    if (b.cancel)
        return MsgAnswer::Cancel;
    return b.no ? MsgAnswer::No : MsgAnswer::Ok;
}

bool AnyOwnWindowOnTop()
{
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            return true;
    }
    return false;
}

}  // namespace

MsgAnswer QtMessageService::MsgBox(const std::u16string& text, MsgButtons buttons, MsgIcon icon,
                                   const std::u16string& title)
{
    return MsgBoxWithDetails(text, {}, buttons, icon, title);
}

MsgAnswer QtMessageService::MsgBoxWithDetails(const std::u16string& text,
                                              const std::u16string& details, MsgButtons buttons,
                                              MsgIcon icon, const std::u16string& title)
{
    // No parent: the window that would be the natural one is often disabled while a dialog
    // of its own is up, and a child of a disabled window takes no input.
    const MessageBoxText fitted = FitMessageBoxText(text);
    // Where the desktop lists no windows (GNOME) the log is the one place that shows, after
    // the fact, what the user was told. Boxes never hold a secret.
    LogInfo(LogArea::Desktop,
            "message box: " + QString::fromStdU16String(fitted.Shown).toStdString());
    // Captions can be a record's title, which may be thousands of characters long.
    const QString caption = QString::fromStdU16String(FitMessageBoxText(title, 2).Shown);
    QMessageBox box(BoxIcon(icon), caption, QString::fromStdU16String(fitted.Shown));
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    // A box is answered, not minimised or maximised: only the title and the close box,
    // as on the program's own dialogs.
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint);
    // A box asked for while an always-on-top window of ours is up (the splash, the fill
    // dialog) would open underneath it, out of sight.
    if (AnyOwnWindowOnTop())
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (!fitted.Details.empty() || !details.empty()) {
        const std::u16string whole =
            fitted.Details.empty() ? details
            : details.empty()      ? fitted.Details
                                   : fitted.Details + u"\n\n" + details;
        box.setDetailedText(QString::fromStdU16String(whole));
    }
    // A box sizes itself to its text; a short one would leave the window manager too
    // little title bar for the caption.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int width = std::max(260, box.fontMetrics().horizontalAdvance(caption) + 180);
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    const BoxButtons added = AddButtons(box, buttons);
    // Enter never throws away the other version of a file.
    box.setDefaultButton(buttons == MsgButtons::OverwriteSaveAsCancel ? added.no : added.ok ? added.ok : added.yes);
    PlaceOverProgram(box);
    // The main window greys out while a box waits for its answer, as under a dialog of ours.
    QWidget* main = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String("frmMain"))
            main = top;
    }
    // Greying a window takes the focus out of it: the control that had it gets it back.
    const QPointer<QWidget> focused = QApplication::focusWidget();
    WindowHold hold(main);
    box.exec();
    if (hold.Release() && focused && focused->window() == main)
        focused->setFocus(Qt::ActiveWindowFocusReason);
    return AnswerOf(box, added);
}

std::optional<std::string> QtMessageService::ChooseFile(const FileDialogRequest& request)
{
    QFileDialog dialog(nullptr, QString::fromStdU16String(request.DialogTitle));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setProxyModel(new ChineseFileColumns(&dialog));
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    const bool mustExist = (request.Flags & CommonDialog::FileMustExist) != 0;
    dialog.setFileMode(!request.Save && mustExist ? QFileDialog::ExistingFile
                                                  : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite,
                     (request.Flags & CommonDialog::OverwritePrompt) == 0);
    const QStringList filters = NameFilters(request.Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (request.Save && filters.first().contains(QStringLiteral("*.kyq")))
            dialog.setDefaultSuffix(QStringLiteral("kyq"));
    }
    const QString folder = QString::fromStdString(request.InitDir);
    dialog.setDirectory(!folder.isEmpty() && QDir(folder).exists() ? folder : QDir::homePath());
    if (!request.FileName.empty())
        dialog.selectFile(QString::fromStdString(request.FileName));
    // Qt's dialog opens with columns too narrow for sizes and dates; a little wider and
    // with the detail columns fitted to their texts, nothing is cut off.
    dialog.resize(std::max(dialog.width(), 760), std::max(dialog.height(), 460));
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        for (int column = 1; column < 4; ++column)
            details->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    PlaceOverProgram(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

QStringList QtMessageService::NameFilters(const std::u16string& filter)
{
    const QStringList parts = QString::fromStdU16String(filter).split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the last parentheses: make sure they are the real ones.
        if (description.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')')))
            result << description;
        else
            result << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return result;
}

}  // namespace kyq

#include "gui/entries/FoundResult.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "core/document/FindEntries.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/PasswordTree.h"
#include "gui/main/frmMain.h"

namespace kyq {

FoundResult::FoundResult(KyqApp& app, frmMain& main, PasswordTree& tree)
    : OwnedDialog(app, &main, QStringLiteral("FoundResult")), main_(main), tree_(tree)
{
    setWindowTitle(QStringLiteral("查找结果"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setUniformItemSizes(true);
    List1->setMinimumSize(300, 180);
    OK = new QPushButton(QStringLiteral("确定"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setDefault(true);
    OK->setEnabled(false);
    Cancel = new QPushButton(QStringLiteral("取消"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);
    auto* all = new QVBoxLayout(this);
    all->addWidget(Label1);
    all->addWidget(List1, 1);
    all->addLayout(buttons);

    // A click, or the keyboard moving the selection, counts as a click on the list.
    connect(List1, &QListWidget::itemSelectionChanged, this, [this] { List1_Click(); });
    connect(List1, &QListWidget::itemClicked, this, [this] { List1_Click(); });
    connect(List1, &QListWidget::itemDoubleClicked, this, [this] { List1_DblClick(); });
    connect(OK, &QPushButton::clicked, this, [this] { OK_Click(); });
    connect(Cancel, &QPushButton::clicked, this, [this] { Cancel_Click(); });
    List1->installEventFilter(this);
}

bool FoundResult::eventFilter(QObject* watched, QEvent* event)
{
    // The list starts with its first line current but none selected; the first arrow key
    // selects that line, as a click would, instead of skipping over it to the second.
    if (watched == List1 && event->type() == QEvent::KeyPress && List1->count() > 0 &&
        List1->selectedItems().isEmpty()) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Down:
        case Qt::Key_Up:
        case Qt::Key_Space:
            List1->setCurrentRow(std::max(List1->currentRow(), 0),
                                 QItemSelectionModel::ClearAndSelect);
            return true;
        default:
            break;
        }
    }
    return OwnedDialog::eventFilter(watched, event);
}

void FoundResult::Form_Load()
{
    const PasswordDocument& doc = App().Document;
    FoundIndexes = FindEntries(doc, App().Session.FindKeyword);
    QStringList titles;
    titles.reserve(static_cast<qsizetype>(FoundIndexes.size()));
    for (const int n : FoundIndexes)
        titles.push_back(QString::fromStdU16String(doc.Entries[static_cast<size_t>(n)].Title));
    List1->addItems(titles);
    Label1->setText(QStringLiteral("共找到%1个密码，请从列表中选择后单击确定。")
                        .arg(FoundIndexes.size()));
    List1->setFocus(Qt::OtherFocusReason);
}

int FoundResult::SelectedRecord() const
{
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    if (selected.isEmpty())
        return 0;
    const int row = List1->row(selected.first());
    if (row < 0 || static_cast<size_t>(row) >= FoundIndexes.size())
        return 0;
    const int n = FoundIndexes[static_cast<size_t>(row)];
    // The document may have been replaced behind the dialog (a hand-over from a second
    // start): an index past its end names nothing.
    return n <= App().Document.EntryCount() ? n : 0;
}

void FoundResult::List1_Click()
{
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    OK->setEnabled(!selected.isEmpty() && !selected.first()->text().isEmpty());
}

void FoundResult::OK_Click()
{
    frmMain& main = main_;
    const int n = SelectedRecord();
    if (n > 0) {
        tree_.SelectNode(n + 1);
        tree_.ShowSelectedEntry();
    }
    Cancel_Click();
    main.FocusTree();
}

void FoundResult::Cancel_Click()
{
    Unload();
}

void FoundResult::List1_DblClick()
{
    const int n = SelectedRecord();
    if (n == 0)
        return;
    // Copied first: the box is shown after this dialog is gone.
    const PasswordEntry entry = App().Document.Entries[static_cast<size_t>(n)];
    KyqApp& app = App();
    OK_Click();
    app.MsgBox(DetailsText(entry), MsgButtons::OkOnly, MsgIcon::None, entry.Title);
}

std::u16string FoundResult::DetailsText(const PasswordEntry& entry)
{
    // The box's caption already names the record, so the first line gives its user name.
    return u"用户名称：" + entry.UserName + u"\r\n密码内容：" + entry.Password +
           u"\r\n修改时间：" + PasswordTree::DateText(entry);
}

}  // namespace kyq

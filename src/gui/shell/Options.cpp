#include "gui/shell/Options.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <utility>

#include "core/autofill/HotKeyText.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/OptionsChoice.h"
#include "platform/HotKeyChord.h"
#include "platform/Utf.h"

namespace kyq {

namespace {

constexpr int MinDays = 0;
constexpr int MaxDays = 365;

// The digit keys of a US keyboard with Shift held, in the order 1..9, 0.
constexpr int ShiftedDigitKeys[10] = {Qt::Key_ParenRight, Qt::Key_Exclam,   Qt::Key_At,
                                      Qt::Key_NumberSign, Qt::Key_Dollar,   Qt::Key_Percent,
                                      Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                                      Qt::Key_ParenLeft};

template <typename W>
W* Named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// Keys that keep their usual meaning in the hot-key box: focus moves and the dialog's Esc.
// Keys that keep their meaning in the dialog: no hot key is made of them. Enter alone is
// the dialog's OK; Ctrl+Enter and the like are no hot key either and change nothing.
bool PassesThroughKeyBox(int key, Qt::KeyboardModifiers modifiers)
{
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape ||
           (enter && (modifiers & ~Qt::KeypadModifier) == Qt::NoModifier);
}

}  // namespace

Options::Options(KyqApp& app, QWidget* owner, FileAssociation association)
    : OwnedDialog(app, owner, QStringLiteral("Options")), association_(std::move(association))
{
    setWindowTitle(QStringLiteral("选项"));
    BuildControls();
}

void Options::BuildControls()
{
    BuildSystemFrame();
    BuildMiscFrame();
    Command1 = Named(new QPushButton(QStringLiteral("确定"), this), "Command1");
    Command2 = Named(new QPushButton(QStringLiteral("取消"), this), "Command2");
    Command3 = Named(new QPushButton(QStringLiteral("应用(&A)"), this), "Command3");
    Command1->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {Command1, Command2, Command3})
        buttons->addWidget(button);

    auto* all = new QVBoxLayout(this);
    all->addWidget(Frame1);
    all->addWidget(Frame2);
    all->addLayout(buttons);
    all->setSizeConstraint(QLayout::SetFixedSize);

    for (QCheckBox* box : {chkExt, chkAutoLoad, chkClear, chkMin})
        connect(box, &QCheckBox::toggled, this, [this] { SomethingChanged(); });
    for (QRadioButton* option : {optShow, optEdit})
        connect(option, &QRadioButton::toggled, this, [this] { SomethingChanged(); });
    connect(UpDown1, &QSpinBox::valueChanged, this, [this] { SomethingChanged(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
}

// The check boxes and the hot key.
void Options::BuildSystemFrame()
{
    Frame1 = Named(new QGroupBox(QStringLiteral("系统"), this), "Frame1");
    chkExt = Named(new QCheckBox(QStringLiteral("注册扩展名(*.kyq) (&R)"), Frame1), "chkExt");
    chkAutoLoad = Named(new QCheckBox(QStringLiteral("运行时自动读取上一个文件(&L)"), Frame1), "chkAutoLoad");
    chkClear = Named(new QCheckBox(QStringLiteral("退出时清空系统剪贴板(&C)"), Frame1), "chkClear");
    chkMin = Named(new QCheckBox(QStringLiteral("关闭主窗口时退到后台运行(&H)"), Frame1), "chkMin");
    Label4 = Named(new QLabel(QStringLiteral("快捷键(&K)："), Frame1), "Label4");
    txtKey = Named(new QLineEdit(Frame1), "txtKey");
    txtKey->setReadOnly(true);
    // The box takes every key press itself, so keep the input method out of it.
    txtKey->setAttribute(Qt::WA_InputMethodEnabled, false);
    txtKey->setContextMenuPolicy(Qt::NoContextMenu);
    txtKey->setToolTip(QStringLiteral("在此框中按下新的快捷键组合"));
    Label4->setBuddy(txtKey);
    txtKey->installEventFilter(this);

    lblMinNote = Named(new QLabel(QStringLiteral("（没有系统托盘：关闭主窗口时程序将退出）"), Frame1),
                       "lblMinNote");
    lblMinNote->setVisible(false);
    lblKeyNote = Named(new QLabel(Frame1), "lblKeyNote");
    lblKeyNote->setWordWrap(true);
    // The line for the desktop's settings can be copied from here.
    lblKeyNote->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(Label4);
    keyRow->addWidget(txtKey, 1);
    auto* system = new QVBoxLayout(Frame1);
    for (QCheckBox* box : {chkExt, chkAutoLoad, chkClear, chkMin})
        system->addWidget(box);
    system->addWidget(lblMinNote);
    system->addLayout(keyRow);
    system->addWidget(lblKeyNote);
}

// The expiry days and what a double click in the list does.
void Options::BuildMiscFrame()
{
    Frame2 = Named(new QGroupBox(QStringLiteral("杂项"), this), "Frame2");
    Label1 = Named(new QLabel(QStringLiteral("密码过期时间(&D)："), Frame2), "Label1");
    UpDown1 = Named(new QSpinBox(Frame2), "UpDown1");
    UpDown1->setRange(MinDays, MaxDays);
    UpDown1->setSingleStep(1);
    UpDown1->setAlignment(Qt::AlignRight);
    // The arrows, the arrow keys and typed digits change the number; the box keeps it in
    // its range (a box that shows a caret but ignores digits only puzzles its user).
    txtDays = UpDown1->findChild<QLineEdit*>();
    Label1->setBuddy(UpDown1);
    Label2 = Named(new QLabel(QStringLiteral("天"), Frame2), "Label2");
    Label3 = Named(new QLabel(QStringLiteral("双击密码列表时："), Frame2), "Label3");
    optShow = Named(new QRadioButton(QStringLiteral("显示密码信息(&S)"), Frame2), "optShow");
    optEdit = Named(new QRadioButton(QStringLiteral("编辑密码(&E)"), Frame2), "optEdit");
    optShow->setChecked(true);

    auto* daysRow = new QHBoxLayout;
    daysRow->addWidget(Label1);
    daysRow->addWidget(UpDown1);
    daysRow->addWidget(Label2);
    daysRow->addStretch(1);
    auto* clickRow = new QHBoxLayout;
    clickRow->addSpacing(16);
    clickRow->addWidget(optShow);
    clickRow->addWidget(optEdit);
    clickRow->addStretch(1);
    auto* misc = new QVBoxLayout(Frame2);
    misc->addLayout(daysRow);
    misc->addWidget(Label3);
    misc->addLayout(clickRow);
}

int32_t Options::VirtualKeyOfKey(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return (keypad ? 96 : '0') + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    default:
        break;
    }
    if (modifiers.testFlag(Qt::ShiftModifier) && !keypad) {
        for (int digit = 0; digit < 10; ++digit) {
            if (ShiftedDigitKeys[digit] == qtKey)
                return '0' + digit;
        }
    }
    return 0;
}

int Options::ShiftStateOf(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? ShiftBit : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? CtrlBit : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? AltBit : 0);
}

void Options::Form_Load()
{
    KyqApp& app = App();
    app.Session.OptionsClosed = false;

    const AppSettings& settings = app.Settings;
    hotKey_ = settings.hotKey;
    txtKey->setText(QString::fromStdString(HotKeyText(hotKey_)));
    chkAutoLoad->setChecked(settings.AutoLoad);
    chkClear->setChecked(settings.ClearClip);
    // Without a notification area a hidden window could not come back, so closing quits
    // whatever the setting says; the setting itself is kept for a desktop with one.
    const bool trayUsable = app.Platform().TrayUsable();
    chkMin->setEnabled(trayUsable);
    chkMin->setChecked(settings.CloseMin && trayUsable);
    chkMin->setToolTip(trayUsable ? QString() : lblMinNote->text());
    lblMinNote->setVisible(!trayUsable);
    ShowHotKeyNote();
    // The desktop answers a bind whenever it (or its user) is done.
    QPointer<Options> self(this);
    app.Platform().WatchDesktopShortcut([self] {
        if (self && !self->IsUnloaded())
            self->ShowHotKeyNote();
    });
    // Stored values beyond the arrows' range show (and are saved) as the nearest end.
    UpDown1->setValue(settings.Days);
    optEdit->setChecked(settings.DblClick == 2);
    optShow->setChecked(settings.DblClick != 2);
    // The box shows whether *.kyq opens with this program right now.
    chkExt->setChecked(association_.IsAssociated());
    Command3->setEnabled(false);
}

void Options::Form_Unload()
{
    App().Session.OptionsClosed = true;
    App().Platform().SetHotKeyGrabPaused(false);
    App().Platform().WatchDesktopShortcut({});
}

void Options::changeEvent(QEvent* event)
{
    // The key box can only take the hot key itself while no grab takes it away; the grab
    // stays while the user is elsewhere, where the chord must not reach the window.
    if (event->type() == QEvent::ActivationChange)
        App().Platform().SetHotKeyGrabPaused(isActiveWindow());
    OwnedDialog::changeEvent(event);
}

void Options::SomethingChanged()
{
    Command3->setEnabled(true);
}

void Options::txtKey_KeyDown(int32_t keyCode, int shift)
{
    const std::string name = HotKeyKeyName(keyCode);
    if (name.empty())
        return;
    hotKey_.Shift = (shift & ShiftBit) != 0;
    hotKey_.Ctrl = (shift & CtrlBit) != 0;
    hotKey_.Alt = (shift & AltBit) != 0;
    hotKey_.Main = keyCode;
    txtKey->setText(QString::fromStdString(HotKeyText(hotKey_)));
    Command3->setEnabled(true);
}

bool Options::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtKey) {
        if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (PassesThroughKeyBox(key->key(), key->modifiers()))
                return false;
            // Claiming the override keeps mnemonics such as Alt+A (Apply) from firing while
            // the user presses the combination he wants.
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept();
                return true;
            }
            txtKey_KeyDown(VirtualKeyOfKey(key->key(), key->modifiers()),
                           ShiftStateOf(key->modifiers()));
            return true;
        }
    }
    return OwnedDialog::eventFilter(watched, event);
}

void Options::ApplyFileAssociation()
{
    // The desktop files may not be writable: the other settings are still applied, and the
    // user hears why the box did not take (the association logs the detail).
    Expected<void> applied;
    if (chkExt->isChecked()) {
        QFile icon(QStringLiteral(":/icons/keyquill.svg"));
        std::string iconSvg;
        if (icon.open(QIODevice::ReadOnly))
            iconSvg = icon.readAll().toStdString();
        applied = association_.Register(QCoreApplication::applicationFilePath().toStdString(), iconSvg);
    } else {
        // Takes away only this program's association; another program's stays as it is.
        applied = association_.Unregister();
    }
    if (!applied)
        App().MsgBox(u"无法更改.kyq文件的关联：" + Utf8ToUtf16(applied.error().Message),
                     MsgButtons::OkOnly, MsgIcon::Warning);
}

void Options::Command3_Click()
{
    ApplyFileAssociation();
    OptionsChoice choice;
    choice.hotKey = hotKey_;
    choice.AutoLoad = chkAutoLoad->isChecked();
    choice.ClearClip = chkClear->isChecked();
    if (chkMin->isEnabled())
        choice.CloseMin = chkMin->isChecked();
    choice.Days = static_cast<int16_t>(UpDown1->value());
    choice.EditOnDoubleClick = optEdit->isChecked();
    if (ApplyOptions(App(), choice))
        ShowHotKeyNote();
    Command3->setEnabled(false);
}

void Options::ShowHotKeyNote()
{
    KyqApp& app = App();
    const HotKey& hotKey = app.Settings.hotKey;
    const bool busy = app.Platform().HotKeyHeldElsewhere();
    const bool missing = app.Platform().HotKeyKeyMissing();
    const bool taken =
        ChordTakenFromOthers(static_cast<uint32_t>(hotKey.Main), hotKey.Ctrl, hotKey.Alt);
    const QString key = QString::fromStdString(HotKeyText(hotKey));
    QString note;
    const auto desktopShortcut = app.Platform().DesktopShortcut();
    const QString fillCommand = QCoreApplication::applicationFilePath() + QStringLiteral(" --fill");
    if (desktopShortcut && !desktopShortcut->answered) {
        note = QStringLiteral("正在请桌面把 %1 设为打开填写窗口的全局快捷键……").arg(key);
    } else if (desktopShortcut && !desktopShortcut->assigned.empty()) {
        note = QStringLiteral("桌面为填写窗口分配的快捷键：%1（本程序建议的是 %2，可在桌面的"
                              "快捷键设置中更改）。也可以把快捷键绑定到命令“%3”。")
                   .arg(QString::fromStdString(desktopShortcut->assigned), key, fillCommand);
    } else if (desktopShortcut) {
        note = QStringLiteral("桌面尚未为填写窗口分配快捷键（本程序建议 %1）：请在桌面的快捷键"
                              "设置中为“打开填写密码窗口”指定一个，或把快捷键绑定到命令“%2”。")
                   .arg(key, fillCommand);
    } else if (app.Platform().HotKeyNeedsDesktopBinding()) {
        // sway's key names are the key symbols: a letter in lower case.
        QString swayChord = key;
        if (swayChord.size() >= 1 && swayChord.back().isLetter())
            swayChord.back() = swayChord.back().toLower();
        note = QStringLiteral("这个桌面不允许程序监听快捷键：请在桌面的快捷键设置中把 %1 绑定到命令"
                              "“%2 --fill”。sway 等的配置文件中写一行：\nbindsym %3 exec %2 --fill")
                   .arg(key, QCoreApplication::applicationFilePath(), swayChord);
    } else if (busy)
        note = QStringLiteral("快捷键 %1 已被其他程序占用：按下时由那个程序接收（它也会执行自己的"
                              "功能），不会传给当前窗口；本程序仍会打开填写窗口。那个程序退出后，"
                              "本程序会自动接管此快捷键。也可以换一个快捷键。")
                   .arg(key);
    else if (missing)
        // Said only when no group of the keyboard map has the key: under `ru,us` the key
        // that types P in the Latin group gives the chord in the Cyrillic group as well.
        note = QStringLiteral("当前键盘的所有布局中都没有 %1 键：现在按不出快捷键 %2，但它也不会"
                              "传给当前窗口。加入或切换到含有该键的布局（如英语布局）后即可使用。")
                   .arg(QString::fromStdString(HotKeyKeyName(hotKey.Main)), key);
    else if (!taken)
        note = QStringLiteral("不含 Ctrl 或 Alt 的快捷键不由本程序独占：按下时它也会传给当前窗口。");
    else
        note = QStringLiteral("在任何窗口（包括终端）中按下快捷键都会打开填写窗口，"
                              "按键本身不会传给该窗口。");
    lblKeyNote->setText(note);
    const bool unassigned = desktopShortcut && desktopShortcut->answered &&
                            desktopShortcut->assigned.empty();
    lblKeyNote->setStyleSheet(busy || missing || unassigned ? QStringLiteral("color: #b00000;")
                                                            : QString());
}

void Options::Command1_Click()
{
    Command3_Click();
    Command2_Click();
}

void Options::Command2_Click()
{
    Unload();
}

}  // namespace kyq

#include "gui/shell/About.h"

#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "core/settings/AppSettings.h"
#include "core/workflow/LinkTargets.h"
#include "gui/widgets/DesktopLink.h"

namespace kyq {

namespace {

constexpr int BoxWidth = 340;

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

void ShowAsLink(QLabel* label, bool lit)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, lit ? QColor(0, 0, 255) : QColor(0, 0, 0));
    label->setPalette(palette);
    QFont font = label->font();
    font.setUnderline(lit);
    label->setFont(font);
}

}  // namespace

QString AboutVersionText(int build)
{
    return QStringLiteral("版本：%1.%2，第%3次编译")
        .arg(ProgramMajor)
        .arg(ProgramMinor, 2, 10, QLatin1Char('0'))
        .arg(build);
}

About::About(KyqApp& app, QWidget* owner) : OwnedDialog(app, owner, QStringLiteral("About"))
{
    setWindowTitle(QStringLiteral("关于Keyquill"));

    Image1 = NewLabel(this, "Image1", QString());
    Image1->setPixmap(QIcon(QStringLiteral(":/icons/keyquill.svg")).pixmap(48, 48));
    lblTitle = NewLabel(this, "lblTitle", QStringLiteral("Keyquill"));
    QFont titleFont = lblTitle->font();
    titleFont.setPixelSize(20);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = NewLabel(this, "lblVersion", QString());
    lblMail = NewLabel(this, "lblMail", QString::fromLatin1(MailAddressText));
    lblWeb = NewLabel(this, "lblWeb", QString::fromLatin1(LinkMakerHome));
    for (QLabel* link : {lblMail, lblWeb}) {
        link->setCursor(Qt::PointingHandCursor);
        link->setToolTip(link == lblMail ? QStringLiteral("给我们写信") : QStringLiteral("访问Tarnwick主页"));
        ShowAsLink(link, false);
    }
    lblDisclaimer = NewLabel(
        this, "lblDisclaimer",
        QStringLiteral("本软件按“现状”提供，不附带任何明示或暗示的担保。请牢记您的文档密码："
                       "文档密码一旦遗忘，任何人（包括作者）都无法恢复文档中的内容。"));
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setFixedWidth(BoxWidth - 40);
    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(20, 16, 20, 16);
    all->addWidget(Image1, 0, Qt::AlignHCenter);
    all->addWidget(lblTitle, 0, Qt::AlignHCenter);
    all->addWidget(lblVersion, 0, Qt::AlignHCenter);
    all->addSpacing(8);
    all->addWidget(lblMail, 0, Qt::AlignHCenter);
    all->addWidget(lblWeb, 0, Qt::AlignHCenter);
    all->addSpacing(8);
    all->addWidget(lblDisclaimer, 0, Qt::AlignHCenter);
    all->addSpacing(4);
    all->addWidget(cmdOK, 0, Qt::AlignHCenter);
    setFixedWidth(BoxWidth);

    // Every part of the box reports the mouse, so the links' look follows it.
    setMouseTracking(true);
    installEventFilter(this);
    for (QWidget* part : {static_cast<QWidget*>(Image1), static_cast<QWidget*>(lblTitle),
                          static_cast<QWidget*>(lblVersion), static_cast<QWidget*>(lblMail),
                          static_cast<QWidget*>(lblWeb), static_cast<QWidget*>(lblDisclaimer),
                          static_cast<QWidget*>(cmdOK)}) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
    }
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

void About::Form_Load()
{
    lblVersion->setText(AboutVersionText(ProgramBuild));
    cmdOK->setFocus(Qt::OtherFocusReason);
}

void About::SetHover(Hover hover)
{
    hover_ = hover;
    ShowAsLink(lblMail, hover == Hover::Mail);
    ShowAsLink(lblWeb, hover == Hover::Web);
}

bool About::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseMove || type == QEvent::Enter) {
        if (watched == lblMail || watched == lblWeb) {
            SetHover(watched == lblMail ? Hover::Mail : Hover::Web);
            // A label lets a move pass on to the box, which would put the links out again.
            return type == QEvent::MouseMove;
        }
        SetHover(Hover::None);
    } else if (type == QEvent::Leave && watched == this) {
        // The mouse left the box: nothing is under it any more.
        SetHover(Hover::None);
    } else if (type == QEvent::MouseButtonRelease && (watched == lblMail || watched == lblWeb)) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        auto* label = static_cast<QLabel*>(watched);
        if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint())) {
            if (watched == lblMail)
                lblMail_Click();
            else
                lblWeb_Click();
            return true;
        }
    }
    return OwnedDialog::eventFilter(watched, event);
}

void About::lblMail_Click()
{
    OpenWithDesktop(App(), QUrl(QString::fromLatin1(LinkMail)));
}

void About::lblWeb_Click()
{
    OpenWithDesktop(App(), QUrl(QString::fromLatin1(LinkMakerHome)));
}

void About::cmdOK_Click()
{
    Unload();
}

}  // namespace kyq

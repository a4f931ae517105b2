#include "gui/shell/Splash.h"

#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include "core/workflow/DocumentWorkflow.h"
#include "core/workflow/KyqApp.h"
#include "gui/main/frmMain.h"

namespace kyq {

namespace {

// The picture's size; its layout leaves room for the title right of the emblem and for
// the notice in the band along the bottom.
constexpr int PictureWidth = 360;
constexpr int PictureHeight = 220;
constexpr int NoticeBandTop = 187;

}  // namespace

Splash::Splash(KyqApp& app, frmMain& main, DocumentWorkflow& workflow)
    : OwnedDialog(app, &main, QStringLiteral("Splash")), main_(main), workflow_(workflow)
{
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Keyquill"));
    setFixedSize(PictureWidth, PictureHeight);

    Picture = new QLabel(this);
    Picture->setObjectName(QStringLiteral("Picture"));
    Picture->setGeometry(0, 0, PictureWidth, PictureHeight);
    Picture->setPixmap(QIcon(QStringLiteral(":/icons/splash.svg"))
                           .pixmap(QSize(PictureWidth, PictureHeight), devicePixelRatio()));

    Label1 = new QLabel(QStringLiteral("Keyquill2.01"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont titleFont = font();
    titleFont.setPixelSize(28);
    titleFont.setBold(true);
    Label1->setFont(titleFont);
    Label1->setStyleSheet(QStringLiteral("color: white;"));
    Label1->setGeometry(150, 60, PictureWidth - 160, 48);
    Label1->setAlignment(Qt::AlignCenter);

    lblNotice = new QLabel(
        QStringLiteral("请牢记文档密码：遗忘后无法找回。（单击此处关闭）"), this);
    lblNotice->setObjectName(QStringLiteral("lblNotice"));
    lblNotice->setStyleSheet(QStringLiteral("color: #f4f8ff;"));
    lblNotice->setWordWrap(true);
    lblNotice->setAlignment(Qt::AlignCenter);
    lblNotice->setGeometry(8, NoticeBandTop, PictureWidth - 16, PictureHeight - NoticeBandTop);
    lblNotice->setCursor(Qt::PointingHandCursor);

    for (QWidget* child : {static_cast<QWidget*>(Picture), static_cast<QWidget*>(Label1),
                           static_cast<QWidget*>(lblNotice)})
        child->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(5000);
    Timer1->setSingleShot(true);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(3000);
    Timer2->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2_Timer(); });
}

void Splash::Form_Load()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
}

void Splash::StartTimers()
{
    if (closed_)
        return;
    Timer2->start();
    Timer1->start();
}

void Splash::Timer1_Timer()
{
    CloseSplash();
}

void Splash::Timer2_Timer()
{
    Timer2->stop();
    if (closed_)
        return;
    main_.setEnabled(true);
    main_.show();
    raise();
    activateWindow();
}

void Splash::Form_Click()
{
    if (Timer1->isActive())
        CloseSplash();
}

void Splash::lblNotice_Click()
{
    CloseSplash();
}

void Splash::CloseSplash()
{
    if (closed_ || IsUnloaded())
        return;
    closed_ = true;
    const std::string pending = PendingDocument;
    PendingDocument.clear();
    // Unloading hides the splash and enables the main window; it must come before the
    // open, whose password prompt disables the main window again.
    Unload();
    main_.show();
    main_.raise();
    main_.activateWindow();
    if (!pending.empty())
        workflow_.ProbeDocument(pending);
}

void Splash::Dismiss()
{
    if (closed_ || IsUnloaded())
        return;
    closed_ = true;
    PendingDocument.clear();
    Unload();
}

void Splash::Form_Unload()
{
    closed_ = true;
    Timer1->stop();
    Timer2->stop();
}

bool Splash::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == lblNotice)
            lblNotice_Click();
        else
            Form_Click();
        return true;
    }
    return OwnedDialog::eventFilter(watched, event);
}

void Splash::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    Form_Click();
}

void Splash::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    Form_Click();
}

}  // namespace kyq

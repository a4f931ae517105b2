#include "gui/autofill/ClipboardKeeper.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QWindow>
#include <algorithm>

#include "core/autofill/ClipboardFill.h"
#include "platform/Log.h"

namespace kyq {

ClipboardKeeper::ClipboardKeeper()
{
    clearTimer_.setSingleShot(true);
    clearTimer_.setInterval(ClipboardFill::ClearAfter);
    QObject::connect(&clearTimer_, &QTimer::timeout, [this] { ClearIfStillOurs(); });
    // The desktop answers a clear in its own time; a second is ample for its word to arrive.
    checkTimer_.setSingleShot(true);
    checkTimer_.setInterval(std::chrono::seconds(1));
    QObject::connect(&checkTimer_, &QTimer::timeout, [this] { CheckCleared(); });
    // A Wayland desktop takes a clear only from a program that has the focus: the next
    // time one of the program's windows has it, the clear is tried again.
    focusRetry_ = QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged,
                                   [this](QWindow* focused) {
                                       if (focused && refused_ && !copied_.empty() &&
                                           !checkTimer_.isActive())
                                           ClearIfStillOurs();
                                   });
}

void ClipboardKeeper::CheckCleared()
{
    const bool kept =
        ClipboardStillHolds(QGuiApplication::clipboard()->text().toStdU16String(), copied_);
    if (!kept) {
        Forget();
        return;
    }
    if (refused_)
        return;  // told once for this copy; tried again at the next focus and at the end
    refused_ = true;
    LogWarning(LogArea::Desktop,
               "auto-fill: the clipboard still holds the copy after it was emptied (the "
               "desktop keeps a copy of its own, or takes a clear only from a focused "
               "program); tried again when a window of the program has the focus");
    if (clearFailed_)
        clearFailed_();
}

ClipboardKeeper::~ClipboardKeeper()
{
    QObject::disconnect(focusRetry_);
    if (QGuiApplication::instance() && !copied_.empty()) {
        ClearIfStillOurs();
        // No time is left to wait for the desktop's word: where a clear was refused before,
        // or the copy is still there now, the user hears it on standard error.
        if (refused_ || ClipboardStillHolds(
                            QGuiApplication::clipboard()->text().toStdU16String(), copied_))
            LogWarning(LogArea::Desktop,
                       "auto-fill: at the end the clipboard may still hold the copied user "
                       "name or password / 剪贴板中可能仍保留着复制的用户名或密码，"
                       "请复制一段别的文字覆盖它");
    }
    Forget();
}

bool ClipboardKeeper::Put(const std::u16string& text)
{
    auto* data = new QMimeData;
    data->setText(QString::fromStdU16String(text));
    // Clipboard managers that keep a history (KDE's, among others) leave such entries out.
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    QGuiApplication::clipboard()->setMimeData(data);
    std::fill(copied_.begin(), copied_.end(), u'\0');
    copied_ = text;
    refused_ = false;
    checkTimer_.stop();
    clearTimer_.start();
    if (ClipboardStillHolds(QGuiApplication::clipboard()->text().toStdU16String(), copied_))
        return true;
    LogWarning(LogArea::Desktop, "auto-fill: the clipboard did not take the copy");
    return false;
}

void ClipboardKeeper::ClearIfStillOurs()
{
    clearTimer_.stop();
    if (copied_.empty())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!ClipboardStillHolds(clipboard->text().toStdU16String(), copied_)) {
        Forget();
        return;
    }
    clipboard->clear();
    // Kept until the desktop has answered, to tell whether it let the copy go.
    checkTimer_.start();
}

void ClipboardKeeper::Forget()
{
    refused_ = false;
    std::fill(copied_.begin(), copied_.end(), u'\0');
    copied_.clear();
}

}  // namespace kyq

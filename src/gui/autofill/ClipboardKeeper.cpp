#include "gui/autofill/ClipboardKeeper.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
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
    QObject::connect(&checkTimer_, &QTimer::timeout, [this] {
        const bool kept =
            ClipboardStillHolds(QGuiApplication::clipboard()->text().toStdU16String(), copied_);
        Forget();
        if (!kept)
            return;
        LogWarning(LogArea::Desktop,
                   "auto-fill: the clipboard still holds the copy after it was emptied (the "
                   "desktop keeps a copy of its own and refused the clear)");
        if (clearFailed_)
            clearFailed_();
    });
}

ClipboardKeeper::~ClipboardKeeper()
{
    if (QGuiApplication::instance())
        ClearIfStillOurs();
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
    std::fill(copied_.begin(), copied_.end(), u'\0');
    copied_.clear();
}

}  // namespace kyq

#include "gui/widgets/KeyWork.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>

#include <memory>

#include "core/workflow/KyqApp.h"

namespace kyq {

void RunKeyWork(KyqApp& app, const std::function<void()>& work, const std::function<void()>& releaseHeld)
{
    const bool alreadyHeld = app.Session.ReaderRunning;
    app.Session.ReaderRunning = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create(work));
    // finished arrives queued in this thread, so it cannot be missed even when the work
    // ends before the loop starts.
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    QApplication::restoreOverrideCursor();
    app.Session.ReaderRunning = alreadyHeld;
    if (!alreadyHeld && releaseHeld)
        releaseHeld();
}

}  // namespace kyq

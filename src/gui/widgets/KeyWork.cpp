#include "gui/widgets/KeyWork.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>

#include <memory>

#include "core/workflow/ReaderRun.h"

namespace kyq {

void RunKeyWork(KyqApp& app, const std::function<void()>& work, const std::function<void()>& releaseHeld)
{
    bool outermost = false;
    {
        const ReaderRun running(app.Session);
        outermost = running.Outermost();
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
    }
    if (outermost && releaseHeld)
        releaseHeld();
}

}  // namespace kyq

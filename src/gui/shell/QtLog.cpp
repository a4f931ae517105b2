#include "gui/shell/QtLog.h"

#include <QLoggingCategory>
#include <QString>

#include "platform/Log.h"

namespace kyq {

namespace {

Q_LOGGING_CATEGORY(LogDocuments, "kyq.documents")
Q_LOGGING_CATEGORY(LogSettings, "kyq.settings")
Q_LOGGING_CATEGORY(LogFiles, "kyq.files")
Q_LOGGING_CATEGORY(LogKeyboard, "kyq.keyboard")
Q_LOGGING_CATEGORY(LogDesktop, "kyq.desktop")

const QLoggingCategory& Category(LogArea area)
{
    switch (area) {
    case LogArea::Documents:
        return LogDocuments();
    case LogArea::Settings:
        return LogSettings();
    case LogArea::Files:
        return LogFiles();
    case LogArea::Keyboard:
        return LogKeyboard();
    case LogArea::Desktop:
        break;
    }
    return LogDesktop();
}

}  // namespace

void InstallQtLogSink()
{
    SetLogSink([](LogLevel level, LogArea area, std::string_view message) {
        const QString text = QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
        if (level == LogLevel::Info)
            qCInfo(Category(area)).noquote() << text;
        else
            qCWarning(Category(area)).noquote() << text;
    });
}

}  // namespace kyq

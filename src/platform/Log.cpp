#include "platform/Log.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace kyq {

namespace {

std::mutex& SinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

LogSink& Sink()
{
    static LogSink sink;
    return sink;
}

}  // namespace

const char* LogAreaName(LogArea area)
{
    switch (area) {
    case LogArea::Documents:
        return "documents";
    case LogArea::Settings:
        return "settings";
    case LogArea::Files:
        return "files";
    case LogArea::Keyboard:
        return "keyboard";
    case LogArea::Desktop:
        return "desktop";
    }
    return "general";
}

namespace {

void Write(LogLevel level, LogArea area, std::string_view message)
{
    // The keyboard hook's thread logs too: one line at a time.
    const std::lock_guard<std::mutex> lock(SinkMutex());
    if (const LogSink& sink = Sink()) {
        sink(level, area, message);
        return;
    }
    const std::string line = std::string("KYQ ") + LogAreaName(area) +
                             (level == LogLevel::Info ? " (info): " : ": ") +
                             std::string(message) + "\n";
    std::fputs(line.c_str(), stderr);
}

}  // namespace

void LogWarning(LogArea area, std::string_view message)
{
    Write(LogLevel::Warning, area, message);
}

void LogInfo(LogArea area, std::string_view message)
{
    Write(LogLevel::Info, area, message);
}

void SetLogSink(LogSink sink)
{
    const std::lock_guard<std::mutex> lock(SinkMutex());
    Sink() = std::move(sink);
}

}  // namespace kyq

// The program's log: what it could not do, with the technical detail, for whoever reads
// standard error (or the journal, when the desktop started the program). Any layer writes
// to it; the program puts in a sink of its own (Qt's logging categories), everything else
// gets standard error.
#pragma once

#include <functional>
#include <string_view>

namespace kyq {

enum class LogArea { Documents, Settings, Files, Keyboard, Desktop };

// "documents", "settings", ...: the category a sink files the line under.
const char* LogAreaName(LogArea area);

enum class LogLevel { Info, Warning };

// Something failed that the program carries on without. Safe from any thread.
void LogWarning(LogArea area, std::string_view message);
// Something worth knowing when a user asks why the program did what it did, though nothing
// failed (a start that took over from an instance that ended, a hand-over held back).
void LogInfo(LogArea area, std::string_view message);

using LogSink = std::function<void(LogLevel level, LogArea area, std::string_view message)>;
// An empty sink puts standard error back.
void SetLogSink(LogSink sink);

}  // namespace kyq

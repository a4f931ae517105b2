// Puts the program's log into Qt's logging categories (kyq.documents, kyq.settings, ...):
// standard error from a terminal, the journal when the desktop started the program, and
// QT_LOGGING_RULES to quieten or select them.
#pragma once

namespace kyq {

void InstallQtLogSink();

}  // namespace kyq

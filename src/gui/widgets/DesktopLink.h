// Links and files the desktop's own programs open (the browser, the mail program, a text
// viewer), and programs started beside this one. When nothing starts the user is told why
// and the log gets the detail, instead of a click that does nothing.
#pragma once

#include <QString>
#include <QUrl>
#include <QStringList>

namespace kyq {

class KyqApp;

// False when the desktop had no program for it (after the message).
bool OpenWithDesktop(KyqApp& app, const QUrl& url);
// Starts a program without waiting for it; false when it could not be started (after the
// message).
bool StartProgram(KyqApp& app, const QString& program, const QStringList& arguments = {});

}  // namespace kyq

// Fixture of the options, about and help tests: the main window of GuiTest with the
// application's forms registered, the desktop's file-type folders in the temporary folder,
// and a recorder in place of the desktop's URL handlers.
#pragma once

#include <QObject>
#include <QUrl>
#include <string>
#include <vector>

#include "gui/GuiFixture.h"

namespace kyq::test {

// Takes the URLs QDesktopServices would hand to the desktop (web, mail and local files).
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    UrlRecorder();
    ~UrlRecorder() override;
    std::vector<QUrl> Urls;

public slots:
    void Open(const QUrl& url) { Urls.push_back(url); }
};

class AppFormsTest : public GuiTest {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string DataHome() const { return Folder() + "/data"; }
    std::string ConfigHome() const { return Folder() + "/config"; }
    // Whole file, "" when missing.
    static std::string ReadFile(const std::string& path);
    static void WriteFile(const std::string& path, const std::string& text);

    UrlRecorder urls_;
};

}  // namespace kyq::test

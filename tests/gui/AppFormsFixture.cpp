#include "gui/AppFormsFixture.h"

#include <QDesktopServices>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "gui/shell/AppForms.h"
#include "gui/widgets/HelpViewer.h"

namespace kyq::test {

namespace {

constexpr const char* RecordedSchemes[] = {"http", "https", "mailto", "file"};

}  // namespace

UrlRecorder::UrlRecorder()
{
    for (const char* scheme : RecordedSchemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
}

UrlRecorder::~UrlRecorder()
{
    for (const char* scheme : RecordedSchemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void AppFormsTest::SetUp()
{
    GuiTest::SetUp();
    setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
    setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
    RegisterAppForms(*main_);
}

void AppFormsTest::TearDown()
{
    while (HelpViewer* viewer = FindHelpViewer())
        viewer->close();
    GuiTest::TearDown();
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
}

std::string AppFormsTest::ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void AppFormsTest::WriteFile(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace kyq::test

#include "core/settings/FileAssociation.h"

#include <gtest/gtest.h>

#include "core/settings/MimeAppsList.h"
#include "core/settings/XdgTestFolders.h"

namespace kyq {
namespace {

using test::XdgTestFolders;
using Ids = std::vector<std::string>;

class FileAssociationTest : public ::testing::Test {
protected:
    XdgTestFolders folders;
    FileAssociation assoc = FileAssociation::FromEnvironment();

    Ids ConfigDefaults() const {
        return MimeAppsList(XdgTestFolders::Read(assoc.ConfigMimeAppsPath())).DefaultsFor(FileAssociation::MimeType);
    }
};

TEST_F(FileAssociationTest, FoldersComeFromTheXdgVariables) {
    EXPECT_EQ(assoc.ConfigMimeAppsPath(), folders.ConfigHome() + "/mimeapps.list");
    EXPECT_EQ(assoc.DataMimeAppsPath(), folders.DataHome() + "/applications/mimeapps.list");
    EXPECT_EQ(assoc.DesktopEntryPath(), folders.DataHome() + "/applications/com.example.tarnwick.Keyquill.desktop");
    EXPECT_EQ(assoc.MimePackagePath(), folders.DataHome() + "/mime/packages/keyquill.xml");
    EXPECT_EQ(assoc.IconPath(), folders.DataHome() + "/icons/hicolor/scalable/apps/keyquill.svg");
}

TEST_F(FileAssociationTest, RegisterThenUnregisterOnAFreshHome) {
    EXPECT_FALSE(assoc.IsAssociated());
    ASSERT_TRUE(assoc.Register("/opt/keyquill/KYQ", "<svg/>"));
    EXPECT_EQ(XdgTestFolders::Read(assoc.IconPath()), "<svg/>");
    EXPECT_TRUE(assoc.IsAssociated());
    EXPECT_EQ(XdgTestFolders::Read(assoc.MimePackagePath()), FileAssociation::MimePackageText());
    std::string entry = XdgTestFolders::Read(assoc.DesktopEntryPath());
    EXPECT_NE(entry.find("\nExec=/opt/keyquill/KYQ %f\n"), std::string::npos) << entry;
    EXPECT_EQ(ConfigDefaults(), (Ids{"com.example.tarnwick.Keyquill.desktop"}));

    ASSERT_TRUE(assoc.Unregister());
    EXPECT_FALSE(assoc.IsAssociated());
    EXPECT_FALSE(XdgTestFolders::Exists(assoc.MimePackagePath()));
    EXPECT_FALSE(XdgTestFolders::Exists(assoc.DesktopEntryPath()));
    EXPECT_FALSE(XdgTestFolders::Exists(assoc.IconPath()));
    EXPECT_TRUE(MimeAppsList(XdgTestFolders::Read(assoc.ConfigMimeAppsPath())).DefaultsFor(FileAssociation::MimeType).empty());
}

TEST_F(FileAssociationTest, PreviousDefaultIsRestoredAndOtherContentKept) {
    const std::string before =
        "# kept comment\n"
        "[Added Associations]\n"
        "text/plain=notes.desktop;\n"
        "\n"
        "[Default Applications]\n"
        "application/x-keyquill=vault.desktop;spare.desktop;\n"
        "text/html=browser.desktop\n"
        "\n"
        "[X-Unknown Group]\n"
        "Key=Value\n";
    XdgTestFolders::Write(assoc.ConfigMimeAppsPath(), before);

    ASSERT_TRUE(assoc.Register("/usr/bin/KYQ"));
    EXPECT_TRUE(assoc.IsAssociated());
    EXPECT_EQ(ConfigDefaults(), (Ids{"com.example.tarnwick.Keyquill.desktop", "vault.desktop", "spare.desktop"}));

    ASSERT_TRUE(assoc.Unregister());
    EXPECT_FALSE(assoc.IsAssociated());
    EXPECT_EQ(XdgTestFolders::Read(assoc.ConfigMimeAppsPath()), before);
}

TEST_F(FileAssociationTest, RegisteringTwiceKeepsTheRealPreviousDefault) {
    XdgTestFolders::Write(assoc.ConfigMimeAppsPath(), "[Default Applications]\napplication/x-keyquill=vault.desktop;\n");
    ASSERT_TRUE(assoc.Register("/usr/bin/KYQ"));
    ASSERT_TRUE(assoc.Register("/usr/local/bin/KYQ"));
    EXPECT_EQ(ConfigDefaults(), (Ids{"com.example.tarnwick.Keyquill.desktop", "vault.desktop"}));
    EXPECT_NE(XdgTestFolders::Read(assoc.DesktopEntryPath()).find("Exec=/usr/local/bin/KYQ %f"), std::string::npos);

    ASSERT_TRUE(assoc.Unregister());
    EXPECT_EQ(ConfigDefaults(), (Ids{"vault.desktop"}));
}

TEST_F(FileAssociationTest, AnotherProgramsDefaultIsLeftAlone) {
    ASSERT_TRUE(assoc.Register("/usr/bin/KYQ"));
    // The user then chose another program for the type in the desktop's own settings.
    const std::string theirs =
        "[Default Applications]\n"
        "application/x-keyquill=vault.desktop;com.example.tarnwick.Keyquill.desktop;\n";
    XdgTestFolders::Write(assoc.ConfigMimeAppsPath(), theirs);
    EXPECT_FALSE(assoc.IsAssociated());

    ASSERT_TRUE(assoc.Unregister());
    EXPECT_EQ(XdgTestFolders::Read(assoc.ConfigMimeAppsPath()), theirs);
    EXPECT_TRUE(XdgTestFolders::Exists(assoc.DesktopEntryPath()));
    EXPECT_TRUE(XdgTestFolders::Exists(assoc.MimePackagePath()));
}

TEST_F(FileAssociationTest, OlderDataFolderListCountsOnlyWhenTheConfigFileIsSilent) {
    XdgTestFolders::Write(assoc.DataMimeAppsPath(), "[Default Applications]\napplication/x-keyquill=com.example.tarnwick.Keyquill.desktop;\n");
    EXPECT_TRUE(assoc.IsAssociated());
    XdgTestFolders::Write(assoc.ConfigMimeAppsPath(), "[Default Applications]\napplication/x-keyquill=vault.desktop\n");
    EXPECT_FALSE(assoc.IsAssociated());

    // Registering over the data folder's default, then removing, leaves the data folder's
    // choice to apply again.
    XdgTestFolders::Write(assoc.ConfigMimeAppsPath(), "");
    XdgTestFolders::Write(assoc.DataMimeAppsPath(), "[Default Applications]\napplication/x-keyquill=vault.desktop\n");
    ASSERT_TRUE(assoc.Register("/usr/bin/KYQ"));
    EXPECT_TRUE(assoc.IsAssociated());
    ASSERT_TRUE(assoc.Unregister());
    EXPECT_FALSE(assoc.IsAssociated());
    EXPECT_EQ(XdgTestFolders::Read(assoc.DataMimeAppsPath()), "[Default Applications]\napplication/x-keyquill=vault.desktop\n");
}

TEST_F(FileAssociationTest, UnregisterClearsOurDefaultFromBothLists) {
    XdgTestFolders::Write(assoc.DataMimeAppsPath(), "[Default Applications]\napplication/x-keyquill=com.example.tarnwick.Keyquill.desktop;old.desktop;\n");
    ASSERT_TRUE(assoc.Unregister());
    EXPECT_EQ(MimeAppsList(XdgTestFolders::Read(assoc.DataMimeAppsPath())).DefaultsFor(FileAssociation::MimeType),
              (Ids{"old.desktop"}));
}

TEST_F(FileAssociationTest, UnreadableConfigFileIsNeverOverwritten) {
    // A folder where the file should be: it cannot be read, so it must not be replaced.
    std::filesystem::create_directories(assoc.ConfigMimeAppsPath());
    EXPECT_FALSE(assoc.Register("/usr/bin/KYQ"));
    EXPECT_TRUE(std::filesystem::is_directory(assoc.ConfigMimeAppsPath()));
}

TEST(FileAssociationExec, ProgramPathsAreQuotedAsTheExecKeyRequires) {
    EXPECT_EQ(FileAssociation::ExecArgument("/usr/bin/KYQ"), "/usr/bin/KYQ");
    EXPECT_EQ(FileAssociation::ExecArgument("/opt/My Apps/KYQ"), "\"/opt/My Apps/KYQ\"");
    // Inside quotes a backslash takes a backslash, and the string value doubles both.
    EXPECT_EQ(FileAssociation::ExecArgument("/opt/a\\b/KYQ"), "\"/opt/a\\\\\\\\b/KYQ\"");
    EXPECT_EQ(FileAssociation::ExecArgument("/opt/$x\"y`/KYQ"), "\"/opt/\\\\$x\\\\\"y\\\\`/KYQ\"");
    EXPECT_EQ(FileAssociation::ExecArgument("/opt/100%/KYQ"), "/opt/100%%/KYQ");
    EXPECT_EQ(FileAssociation::ExecArgument("/opt/密码/KYQ"), "/opt/密码/KYQ");
}

TEST(FileAssociationFiles, InstalledFilesMatchTheShippedOnes) {
    // The program writes its own copies; they must not drift from resources/.
    EXPECT_EQ(FileAssociation::MimePackageText(),
              XdgTestFolders::Read(KYQ_SOURCE_DIR "/resources/keyquill-mime.xml"));
    std::string shipped = XdgTestFolders::Read(KYQ_SOURCE_DIR "/resources/com.example.tarnwick.Keyquill.desktop");
    ASSERT_FALSE(shipped.empty());
    EXPECT_EQ(FileAssociation::DesktopEntryText("KYQ"), shipped);
}

}  // namespace
}  // namespace kyq

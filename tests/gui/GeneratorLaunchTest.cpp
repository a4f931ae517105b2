// Finding and starting the password generator: the remembered path, the machine hive's
// record, the program folder, then the file dialog; started for real (a small script
// named ranzel.exe that notes its start), without arguments.
#include <QAction>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "core/settings/Registry.h"
#include "gui/GuiFixture.h"
#include "gui/entries/AddPass.h"
#include "gui/entries/EntryForms.h"
#include "gui/main/LaunchGenerator.h"

namespace kyq::test {
namespace {

namespace fs = std::filesystem;

constexpr char RanzelKey[] = "Software\\Tarnwick\\Ranzel";

class GeneratorLaunch : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        RegisterEntryForms(*main_, *rules_);
        fs::create_directories(app_->ProgramFolder);
    }

    // A generator in `folder` that writes its argument count into its own marker file.
    std::string MakeGenerator(std::string folder)
    {
        if (folder.back() != '/')
            folder += '/';
        fs::create_directories(folder);
        const std::string path = folder + "ranzel.exe";
        std::ofstream(path) << "#!/bin/sh\necho $# > \"$0.started\"\n";
        chmod(path.c_str(), 0755);
        return path;
    }
    // The generator at `path` noting its start; its argument count.
    static std::string WaitForStart(const std::string& path)
    {
        const std::string marker = path + ".started";
        std::string count;
        if (!QTest::qWaitFor([&] { return bool(std::ifstream(marker) >> count); }, 10000))
            return "not started";
        return count;
    }
    // Asked once the launch has returned: a program started then has been executed, so it
    // either still runs or has already left its marker. The order of the two looks matters.
    static bool WasStarted(const std::string& path)
    {
        return Running(path) || fs::exists(path + ".started");
    }
    static bool Running(const std::string& script)
    {
        std::error_code error;
        for (const fs::directory_entry& process : fs::directory_iterator("/proc", error)) {
            std::ifstream in(process.path() / "cmdline");
            for (std::string arg; std::getline(in, arg, '\0');) {
                if (arg == script)
                    return true;
            }
        }
        return false;
    }
    void RecordFolder(const std::string& folder)
    {
        EXPECT_TRUE(WriteTextValue(app_->Registry, Hive::LocalMachine, RanzelKey, "Path", folder));
    }
    void Launch() { LaunchGenerator(*app_, rules_->Dialog); }
};

// The machine hive's record first, then the program folder; started from the menu.
TEST_F(GeneratorLaunch, TheRecordedFolderComesBeforeTheProgramFolder)
{
    struct Case {
        const char* name;
        std::string record;                  // the folder the record names
        std::vector<std::string> generators;  // folders holding one
        std::string started;                  // its folder
    };
    const std::string program = app_->ProgramFolder;
    const Case cases[] = {
        {"both have it", Folder() + "/Ranzel/", {Folder() + "/Ranzel/", program},
         Folder() + "/Ranzel/"},
        {"the recorded folder has none", Folder() + "/empty/", {program}, program},
        {"recorded without its final separator", Folder() + "/bare", {Folder() + "/bare/"},
         Folder() + "/bare/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(program + "ranzel.exe");
        fs::remove(program + "ranzel.exe.started");
        app_->Session.GeneratorPath.clear();
        std::vector<std::string> made;
        for (const std::string& folder : c.generators)
            made.push_back(MakeGenerator(folder));
        RecordFolder(c.record);
        Trigger(main_.get(), "toolPass");
        const std::string expected = c.started + "ranzel.exe";
        EXPECT_EQ(WaitForStart(expected), "0");
        EXPECT_EQ(app_->Session.GeneratorPath, expected);
        for (const std::string& other : made) {
            if (other != expected) {
                EXPECT_FALSE(WasStarted(other)) << other;
            }
        }
    }
    EXPECT_TRUE(messages_->Boxes.empty());
    EXPECT_TRUE(messages_->FileRequests.empty());
}

TEST_F(GeneratorLaunch, AFoundGeneratorIsStartedAgainWithoutLookingItUpUntilItIsGone)
{
    const std::string first = MakeGenerator(Folder() + "/first");
    const std::string second = MakeGenerator(Folder() + "/second");
    RecordFolder(Folder() + "/first/");
    Launch();
    ASSERT_EQ(WaitForStart(first), "0");
    fs::remove(first + ".started");

    // The record now names another folder, but the path found last still exists.
    RecordFolder(Folder() + "/second/");
    Launch();
    EXPECT_EQ(WaitForStart(first), "0");
    EXPECT_FALSE(WasStarted(second));

    // Once it is deleted the look-up runs again.
    fs::remove(first);
    Launch();
    EXPECT_EQ(WaitForStart(second), "0");
    EXPECT_EQ(app_->Session.GeneratorPath, second);
}

// A pick that does not start (not a program) is said and the chooser comes again; a
// program of any name is started.
TEST_F(GeneratorLaunch, NowhereToBeFoundAsksUntilTheChosenFileStarts)
{
    const std::string chosen = MakeGenerator(Folder() + "/elsewhere");
    fs::rename(chosen, Folder() + "/elsewhere/gen");
    const std::string renamed = Folder() + "/elsewhere/gen";
    const std::string notAProgram = Folder() + "/elsewhere/notes.txt";
    std::ofstream(notAProgram) << "text";
    rules_->Dialog.FileName = "left over";
    messages_->Files = {notAProgram, renamed};
    Launch();
    ASSERT_EQ(messages_->FileRequests.size(), 2u);
    for (const FileDialogRequest& request : messages_->FileRequests) {
        EXPECT_FALSE(request.Save);
        EXPECT_EQ(request.Flags, 4096);
        EXPECT_EQ(request.FileName, "");
    }
    ASSERT_EQ(messages_->Boxes.size(), 1u);  // why the first pick did not start
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Warning);
    // The marker is named after the script as started.
    EXPECT_EQ(WaitForStart(renamed), "0");
    EXPECT_EQ(app_->Session.GeneratorPath, renamed);
    EXPECT_TRUE(rules_->Dialog.FileName.empty());
    EXPECT_TRUE(rules_->Dialog.Filter.empty());
}

TEST_F(GeneratorLaunch, CancellingTheFileDialogSaysWhereToGetItAndStartsNothing)
{
    app_->Session.GeneratorPath = Folder() + "/deleted/ranzel.exe";
    messages_->Files.push_back(std::nullopt);
    NewDocument(u"ann", u"pw");
    messages_->Boxes.clear();
    Trigger(main_.get(), "passAdd");
    auto* add = qobject_cast<AddPass*>(main_->FindForm(QStringLiteral("AddPass")));
    ASSERT_NE(add, nullptr);
    Press(add, "Pro");
    ASSERT_EQ(messages_->FileRequests.size(), 1u);
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text,
              u"没有找到Ranzel，所以不能使用。\r\n请到Tarnwick工作室网站下载Ranzel。");
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Information);
    EXPECT_TRUE(app_->Session.GeneratorPath.empty());
    // The add dialog stays as it was.
    EXPECT_EQ(main_->FindForm(QStringLiteral("AddPass")), add);
}

}  // namespace
}  // namespace kyq::test

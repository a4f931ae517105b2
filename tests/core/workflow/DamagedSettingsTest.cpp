#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "core/workflow/DamagedSettings.h"
#include "core/workflow/KyqApp.h"
#include "platform/RegistryText.h"
#include "support/ScratchFolder.h"
#include "support/ScriptedMessageService.h"

namespace kyq::test {
namespace {

// The message about a damaged settings file must say what became of its settings: a file
// that could not be read at all gives the defaults, not "the rest was kept".
TEST(DamagedSettingsTest, TheMessageSaysWhetherAnySettingWasKept)
{
    const std::string header = "Windows Registry Editor Version 5.00\n\n";
    struct Case {
        const char* name;
        std::string bytes;
        std::u16string gist;
    };
    const Case cases[] = {
        {"one bad line",
         header + "[HKEY_CURRENT_USER\\Software\\Tarnwick\\KYQ\\Setting]\n\"Days\"=\"30\"\nbad\n",
         u"其余设置均已保留"},
        {"over 16 MB", header + std::string(MaxHiveBytes, ';') + "\n", u"默认值"},
        {"no header", "garbage\n", u"默认值"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder("kyq-damaged");
        auto messages = std::make_unique<ScriptedMessageService>();
        ScriptedMessageService& boxes = *messages;
        KyqApp app(folder.Path().string() + "/", folder.Path(), std::move(messages));
        std::ofstream(app.Registry.HivePath(Hive::CurrentUser), std::ios::binary) << c.bytes;

        ReportDamagedSettings(app, app.Registry.DamagedHives());
        ASSERT_EQ(boxes.Boxes.size(), 1u);
        EXPECT_NE(boxes.Boxes[0].Text.find(c.gist), std::u16string::npos);
    }
}

// Every open and save writes the settings: a folder that cannot take them is told once,
// and again only after a write has succeeded in between.
TEST(SettingsWriteFailure, ToldOnceUntilAWriteSucceeds)
{
    struct Step {
        const char* what;
        bool blocked;
        bool history;  // the fill history rather than the settings
        size_t boxes;  // message boxes so far
    };
    const Step steps[] = {
        {"first failure", true, false, 1},
        {"the same failure again", true, false, 1},
        {"the history fails too", true, true, 1},
        {"a write that succeeds", false, false, 1},
        {"a new failure", true, true, 2},
    };
    ScratchFolder folder("kyq-settings-write");
    const std::filesystem::path registry = folder.Path() / "registry";
    auto messages = std::make_unique<ScriptedMessageService>();
    ScriptedMessageService& boxes = *messages;
    KyqApp app(folder.Path().string() + "/", registry, std::move(messages));
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        // A plain file where the folder should be: nothing can be created in it.
        std::filesystem::remove_all(registry);
        if (step.blocked)
            std::ofstream(registry) << "x";
        if (step.history)
            app.SaveFillHistory();
        else
            app.SaveSettings();
        ASSERT_EQ(boxes.Boxes.size(), step.boxes);
        EXPECT_EQ(std::filesystem::exists(app.Registry.HivePath(Hive::CurrentUser)), !step.blocked);
    }
}

}  // namespace
}  // namespace kyq::test

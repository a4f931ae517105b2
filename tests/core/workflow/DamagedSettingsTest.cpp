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

}  // namespace
}  // namespace kyq::test

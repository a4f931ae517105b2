#include "core/workflow/DamagedSettings.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/workflow/KyqApp.h"
#include "platform/Log.h"
#include "platform/Utf.h"

namespace kyq {

void ReportDamagedSettings(KyqApp& app, const std::vector<Hive>& damaged)
{
    if (damaged.empty())
        return;
    std::u16string text = u"以下设置文件已损坏，其中无法读取的行已被跳过，其余设置均已保留。"
                          u"原文件会在保存设置时另存为同名的 .damaged 文件。\n";
    for (Hive hive : damaged) {
        const std::filesystem::path file = app.Registry.HivePath(hive);
        const RegistryStore::FileState state = app.Registry.Inspect(hive);
        LogWarning(LogArea::Settings,
                   "settings file " + file.string() + " is damaged (" +
                       std::to_string(state.damagedLines) + " line(s) skipped, the first at line " +
                       std::to_string(state.line) + "); the rest is kept, and the file itself is "
                       "kept as " + RegistryStore::DamagedCopyPath(file).string() +
                       " when the settings are next saved");
        text += u"\n" + Utf8ToUtf16(file.string());
    }
    app.MsgBox(text, MsgButtons::OkOnly, MsgIcon::Information);
}

}  // namespace kyq

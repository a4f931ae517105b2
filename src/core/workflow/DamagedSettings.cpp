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
    std::u16string text = u"以下设置文件已损坏。原文件会在保存设置时另存为同名的 .damaged 文件。\n";
    for (Hive hive : damaged) {
        const std::filesystem::path file = app.Registry.HivePath(hive);
        const RegistryStore::FileState state = app.Registry.Inspect(hive);
        // Too large, unreadable or without its header: nothing of it was read at all.
        const bool nothingRead = state.error == HiveTextError::TooLarge ||
                                 state.error == HiveTextError::Unreadable ||
                                 state.error == HiveTextError::NoHeader;
        if (nothingRead) {
            LogWarning(LogArea::Settings,
                       "settings file " + file.string() + " could not be read at all (" +
                           (state.error == HiveTextError::TooLarge
                                ? "larger than " + std::to_string(MaxHiveBytes) + " bytes"
                                : state.error == HiveTextError::Unreadable ? "no read access"
                                                                           : "no known header") +
                           "); its settings are the defaults, and the file itself is kept as " +
                           RegistryStore::DamagedCopyPath(file).string() +
                           " when the settings are next saved");
        } else {
            LogWarning(LogArea::Settings,
                       "settings file " + file.string() + " is damaged (" +
                           std::to_string(state.damagedLines) +
                           " line(s) skipped, the first at line " + std::to_string(state.line) +
                           "); the rest is kept, and the file itself is kept as " +
                           RegistryStore::DamagedCopyPath(file).string() +
                           " when the settings are next saved");
        }
        text += u"\n";
        text += Utf8ToUtf16(file.string());
        text += (state.error == HiveTextError::TooLarge
                     ? u"\n    文件过大（超过 16 MB），没有读取，其中的设置全部恢复为默认值。"
                 : nothingRead ? u"\n    无法读取此文件，其中的设置全部恢复为默认值。"
                               : u"\n    无法读取的行已被跳过，其余设置均已保留。");
    }
    app.MsgBox(text, MsgButtons::OkOnly, MsgIcon::Information);
}

}  // namespace kyq

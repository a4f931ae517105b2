#include "app/DamagedSettings.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/KyqApp.h"
#include "platform/Utf.h"

namespace kyq {

void ReportDamagedSettings(KyqApp& app, const std::vector<Hive>& damaged)
{
    if (damaged.empty())
        return;
    std::u16string text = u"以下设置文件已损坏，其中无法读取的部分已被跳过，其余设置均已保留：\n";
    for (Hive hive : damaged) {
        const std::filesystem::path file = app.Registry.HivePath(hive);
        const std::filesystem::path copy = RegistryStore::DamagedCopyPath(file);
        // The start-up has written the hive since, when it is one it writes.
        std::error_code error;
        const bool kept = std::filesystem::exists(copy, error);
        std::fprintf(stderr,
                     "Keyquill: settings file %s is damaged; the lines that could not be read "
                     "were skipped%s%s\n",
                     file.c_str(), kept ? ", the original is kept as " : "",
                     kept ? copy.c_str() : "");
        text += u"\n" + Utf8ToUtf16(file.string());
        if (kept)
            text += u"\n（原文件已另存为 " + Utf8ToUtf16(copy.string()) + u"）";
        text += u"\n";
    }
    app.MsgBox(text, MsgButtons::OkOnly, MsgIcon::Information);
}

}  // namespace kyq

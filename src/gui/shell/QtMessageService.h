// The message boxes and file dialogs the program shows: Qt's, with Chinese button texts.
#pragma once

#include <QStringList>

#include "core/workflow/MessageService.h"

namespace kyq {

class QtMessageService final : public MessageService {
public:
    MsgAnswer MsgBox(const std::u16string& text, MsgButtons buttons, MsgIcon icon,
                     const std::u16string& title) override;
    MsgAnswer MsgBoxWithDetails(const std::u16string& text, const std::u16string& details,
                                MsgButtons buttons, MsgIcon icon,
                                const std::u16string& title) override;
    std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;

    // "desc|pattern|desc|pattern" as Qt name filters ("desc (pattern)", patterns blank-separated).
    static QStringList NameFilters(const std::u16string& filter);
};

}  // namespace kyq

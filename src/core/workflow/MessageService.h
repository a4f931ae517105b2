// Message boxes and file dialogs, behind one small interface: the program shows real Qt
// dialogs, tests put in a scripted service that records every text and answers from a queue.
#pragma once

#include <optional>
#include <string>

namespace kyq {

// OverwriteSaveAsCancel: "覆盖" answers Yes, "另存为..." No.
enum class MsgButtons { OkOnly, OkCancel, YesNoCancel, YesNo, OverwriteSaveAsCancel };
enum class MsgIcon { None, Critical, Question, Warning, Information };
enum class MsgAnswer { Ok, Cancel, Yes, No };

inline constexpr char16_t ProductTitle[] = u"Keyquill";

struct FileDialogRequest {
    bool Save = false;
    std::string InitDir;   // UTF-8
    std::string FileName;  // UTF-8; the proposed name
    // "description|pattern|description|pattern", patterns separated by ";".
    std::u16string Filter;
    std::u16string DialogTitle;
    int Flags = 0;
};

class MessageService {
public:
    virtual ~MessageService() = default;
    // Waits for the answer. Closing the box without a button counts as Cancel where the box
    // has one, otherwise as its only or "No" button.
    virtual MsgAnswer MsgBox(const std::u16string& text, MsgButtons buttons, MsgIcon icon,
                             const std::u16string& title) = 0;
    // The same with `details` (the reason of a failure) kept behind the box's details
    // button; a service that has none shows them after the text.
    virtual MsgAnswer MsgBoxWithDetails(const std::u16string& text, const std::u16string& details,
                                        MsgButtons buttons, MsgIcon icon,
                                        const std::u16string& title)
    {
        return MsgBox(details.empty() ? text : text + u"\n\n" + details, buttons, icon, title);
    }
    // The chosen path (UTF-8), or nothing when the user cancelled.
    virtual std::optional<std::string> ChooseFile(const FileDialogRequest& request) = 0;
};

}  // namespace kyq

// The message service of the GUI tests: records every box and file dialog and answers
// from queues, so each prompt of the workflow can be checked without blocking.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/workflow/MessageService.h"

namespace kyq::test {

struct RecordedBox {
    std::u16string Text;
    MsgButtons Buttons = MsgButtons::OkOnly;
    MsgIcon Icon = MsgIcon::None;
    std::u16string Title;
};

class ScriptedMessageService final : public MessageService {
public:
    // Boxes with only an OK button are answered Ok without using the queue; every other
    // box takes the next answer. An empty queue counts as a fault of the test (Unexpected)
    // and answers Cancel, or No where there is no Cancel.
    std::deque<MsgAnswer> Answers;
    // The next file dialog's outcome: a path, or nothing for Cancel. Empty queue: Cancel,
    // counted in Unexpected.
    std::deque<std::optional<std::string>> Files;

    std::vector<RecordedBox> Boxes;
    std::vector<FileDialogRequest> FileRequests;
    int Unexpected = 0;
    // Runs while a box is "on screen", before it is answered.
    std::function<void(const RecordedBox&)> WhileShown;

    MsgAnswer MsgBox(const std::u16string& text, MsgButtons buttons, MsgIcon icon,
                     const std::u16string& title) override;
    std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;

    std::vector<std::u16string> Texts() const;
};

}  // namespace kyq::test

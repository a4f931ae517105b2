#include "support/ScriptedMessageService.h"

namespace kyq::test {

MsgAnswer ScriptedMessageService::MsgBox(const std::u16string& text, MsgButtons buttons,
                                         MsgIcon icon, const std::u16string& title)
{
    Boxes.push_back({text, buttons, icon, title});
    if (WhileShown)
        WhileShown(Boxes.back());
    if (buttons == MsgButtons::OkOnly)
        return MsgAnswer::Ok;
    if (Answers.empty()) {
        ++Unexpected;
        return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Cancel;
    }
    const MsgAnswer answer = Answers.front();
    Answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedMessageService::ChooseFile(const FileDialogRequest& request)
{
    FileRequests.push_back(request);
    if (Files.empty()) {
        ++Unexpected;
        return std::nullopt;
    }
    std::optional<std::string> file = Files.front();
    Files.pop_front();
    return file;
}

std::vector<std::u16string> ScriptedMessageService::Texts() const
{
    std::vector<std::u16string> texts;
    for (const RecordedBox& box : Boxes)
        texts.push_back(box.Text);
    return texts;
}

}  // namespace kyq::test

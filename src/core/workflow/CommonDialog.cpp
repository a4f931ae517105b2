#include "core/workflow/CommonDialog.h"

#include "core/workflow/KyqApp.h"

namespace kyq {

CommonDialog::CommonDialog(KyqApp& app) : InitDir(app.Settings.InitDir), app_(app) {}

bool CommonDialog::ShowOpen()
{
    return Show(false);
}

bool CommonDialog::ShowSave()
{
    return Show(true);
}

std::optional<std::string> CommonDialog::AskDocumentSavePath(const std::u16string& title,
                                                             std::string fileName)
{
    Filter = u"Keyquill文档 (*.kyq)|*.kyq";
    DialogTitle = title;
    FileName = std::move(fileName);
    Flags = OverwritePrompt;
    const bool chosen = ShowSave();
    std::string path = std::move(FileName);
    FileName.clear();
    if (!chosen)
        return std::nullopt;
    // A bare file name lands in the dialog's folder. (A file right under "/" has an empty
    // folder too, but is no bare name.)
    if (path.find('/') == std::string::npos)
        path = InitDir + "/" + path;
    return path;
}

bool CommonDialog::Show(bool save)
{
    FileDialogRequest request;
    request.Save = save;
    request.InitDir = InitDir;
    request.FileName = FileName;
    request.Filter = Filter;
    request.DialogTitle = DialogTitle;
    request.Flags = Flags;
    app_.Modal.Enter();
    std::optional<std::string> chosen = app_.Messages().ChooseFile(request);
    app_.Modal.Leave();
    if (!chosen)
        return false;
    FileName = std::move(*chosen);
    return true;
}

}  // namespace kyq

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

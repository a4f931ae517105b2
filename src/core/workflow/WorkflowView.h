// What the document workflow, the tree rules and the entry commands need of the main
// window: the narrow view they drive. The Qt main window implements it; tests put in a
// recording view, so every rule runs without a window (and under the sanitizers).
#pragma once

#include <array>
#include <string>
#include <vector>

namespace kyq {

// The forms the workflow opens over the main window.
enum class FormId { NewOne, Asking, AddPass, EditPass, FoundResult, frmUser, Options, About };

class WorkflowView {
public:
    virtual ~WorkflowView() = default;

    virtual void SetCaption(const std::u16string& caption) = 0;
    virtual void SetStatusText(const std::u16string& text) = 0;
    // New, open and exit stay on; these are the commands that need a document: add,
    // delete all, save, save as, user card, close, the find box and its label.
    virtual void SetDocumentCommandsEnabled(bool enabled) = 0;
    // Edit and delete: they need a selected record.
    virtual void SetRecordCommandsEnabled(bool enabled) = 0;
    virtual void SetUndoEnabled(bool enabled) = 0;

    // The tree: the root row, then one row per title. The new tree has no selection.
    virtual void ShowTree(const std::u16string& root, std::vector<std::u16string> rows) = 0;
    // Row positions count the root as 1; 0 is "nothing selected".
    virtual int SelectedPosition() const = 0;
    virtual void SelectPosition(int position) = 0;
    // Title, user name, password and date of the selected record; all empty for none.
    virtual void ShowDetails(const std::array<std::u16string, 4>& texts) = 0;
    virtual void ClearFindBox() = 0;

    // Shows the form over the disabled main window; false when there is no such form.
    virtual bool ShowForm(FormId form) = 0;
    // The password prompt for the document being opened (its path and owner are set).
    virtual void ShowPasswordPrompt() = 0;
    // Closes the prompt without its Cancel steps.
    virtual void ClosePasswordPrompt() = 0;
};

}  // namespace kyq

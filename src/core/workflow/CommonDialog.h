// The one open/save file dialog of the main window: its properties keep their values from
// one use to the next, as every file command relies on.
#pragma once

#include <optional>
#include <string>

namespace kyq {

class KyqApp;

class CommonDialog {
public:
    static constexpr int OverwritePrompt = 2;
    static constexpr int FileMustExist = 4096;

    // The initial folder is the settings' InitDir, so it is kept between runs as well.
    explicit CommonDialog(KyqApp& app);

    std::string& InitDir;
    std::string FileName;  // UTF-8
    std::u16string Filter;  // "description|pattern|description|pattern"
    std::u16string DialogTitle;
    int Flags = 0;

    // True with FileName set to the chosen path; false when the user cancelled (FileName
    // keeps its value).
    bool ShowOpen();
    bool ShowSave();

    // The save dialog of a document (its filter, asking before overwriting) titled `title`
    // and proposing `fileName`: the chosen path, a bare name taken into the dialog's
    // folder; nothing when cancelled. FileName is empty again afterwards.
    std::optional<std::string> AskDocumentSavePath(const std::u16string& title,
                                                   std::string fileName);

private:
    bool Show(bool save);
    KyqApp& app_;
};

}  // namespace kyq

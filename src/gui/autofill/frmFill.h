// The fill dialog: the user picks a record and a fill macro; OK expands the macro for that
// record, remembers the macro, and types the result into the window the hot key came from.
#pragma once

#include <QString>
#include <functional>

#include "core/autofill/ClipboardFill.h"
#include "core/autofill/FillListing.h"
#include "gui/widgets/OwnedDialog.h"

class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace kyq {

class ClipboardKeeper;
class FillDesktop;

class frmFill : public OwnedDialog {
    Q_OBJECT
public:
    // The dialog has no owner: the main window stays usable while it is open. Where the
    // desktop lets no program type, OK copies to the clipboard through `clipboard` instead.
    // copyOnly: copies whatever the desktop can do, with the list's row `row` picked (a
    // record whose characters the desktop cannot type).
    frmFill(KyqApp& app, FillDesktop& desktop, ClipboardKeeper& clipboard, bool copyOnly = false,
            int row = -1);

    // Where a fill stopped before its first key because the desktop cannot type one of its
    // characters, the user is offered to copy that record (its row in the list) instead.
    using OfferCopy = std::function<void(int row)>;
    void SetOfferCopy(OfferCopy offer) { offerCopy_ = std::move(offer); }

    // The show step's first opening: shown modeless and on top, list and fill method
    // loaded, with the focus.
    void ShowFill();
    // The show step while the dialog is open: shown, raised and focused, nothing reloaded.
    void BringForward();

protected:
    void Form_Load() override;
    void OnCancel() override { cmdCancel_Click(); }
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
    void cmdMacro_Click();
    // A pop-up item: appends its escape to the fill method and selects it there.
    void BuildControls();
    void BuildMacroMenu();  // the fill macro's escapes, behind cmdMacro
    void LayOutControls();
    void InsertEscape(const QString& escape);
    QAction* AddPopItem(const char* name, const QString& caption, const QString& escape);
    void ClaimFocus();
    // Where nothing can be typed: the picked record's next field to the clipboard.
    void CopyNextField();
    void ShowNextCopy();
    void ActivateOwnWindow();

    QListWidget* lstPass = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblCopy = nullptr;
    QComboBox* cboLine = nullptr;
    QPushButton* cmdMacro = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdHelp = nullptr;
    QMenu* mnuPop = nullptr;
    QAction* PopID = nullptr;
    QAction* PopName = nullptr;
    QAction* PopPass = nullptr;
    QAction* PopTab = nullptr;
    QAction* PopReturn = nullptr;
    QAction* PopHex = nullptr;
    QAction* PopSign = nullptr;

    FillDesktop& desktop_;
    ClipboardKeeper& clipboard_;
    const bool copyInstead_;
    const int pickedRow_;
    OfferCopy offerCopy_;
    ClipboardFill copies_;
    // The records as listed: OK types from the one picked there or from none.
    FillListing listing_;
    // Set while the window manager still has to be asked for the focus (once exposed).
    bool activationPending_ = false;
    // Enter went down in this dialog; OK follows its release where the desktop wants that.
    bool enterDown_ = false;
};

}  // namespace kyq

// The user card: shows the document's owner name and leads to renaming the owner and to
// changing the document password.
#pragma once

#include <string>

#include "gui/widgets/OwnedDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kyq {

class DocumentWorkflow;
class frmMain;

class frmUser : public OwnedDialog {
    Q_OBJECT
public:
    frmUser(KyqApp& app, frmMain& main, DocumentWorkflow& workflow);

    // The owner name after the rename dialog changed it.
    void ShowOwnerName(const std::u16string& name);

protected:
    void Form_Load() override;
    void OnCancel() override { cmdClose_Click(); }
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void lblName_Click();
    void lblPass_Click();
    // A key or click that follows a link: the user name or password link it was on.
    bool ActivateLink(QObject* watched);
    void cmdClose_Click();
    // The link look: hovered is red and underlined, the other blue. null: both blue.
    void SetLinkHover(QLabel* hovered);

    QLabel* Label1;
    QLineEdit* txtName;
    QLabel* lblName;
    QLabel* lblPass;
    QPushButton* cmdClose;

    DocumentWorkflow& workflow_;
    QLabel* hovered_ = nullptr;
};

}  // namespace kyq

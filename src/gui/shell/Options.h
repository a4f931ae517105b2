// The options dialog: hot key, start-up and exit behaviour, password age limit, double-click
// action and the *.kyq file association. It works on copies until Apply or OK.
#pragma once

#include <Qt>
#include <cstdint>

#include "core/settings/AppSettings.h"
#include "core/settings/FileAssociation.h"
#include "gui/widgets/OwnedDialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kyq {

class Options : public OwnedDialog {
    Q_OBJECT
public:
    // association: where Apply registers or removes the file type.
    Options(KyqApp& app, QWidget* owner, FileAssociation association = FileAssociation::FromEnvironment());

    // Bits of the shift state a key handler gets.
    static constexpr int ShiftBit = 1;
    static constexpr int CtrlBit = 2;
    static constexpr int AltBit = 4;
    // The Windows virtual-key code of a Qt key as the keyboard hook reports that key; 0 for
    // keys without one here. Keypad digits keep their own codes (96..105), which have no
    // hot-key name; digits typed with Shift on a US layout arrive as their symbols and are
    // taken back to the digit key.
    static int32_t VirtualKeyOfKey(int qtKey, Qt::KeyboardModifiers modifiers);
    static int ShiftStateOf(Qt::KeyboardModifiers modifiers);

    const HotKey& WorkingHotKey() const { return hotKey_; }

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void OnCancel() override { Command2_Click(); }
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void txtKey_KeyDown(int32_t keyCode, int shift);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void BuildControls();
    void BuildSystemFrame();
    void BuildMiscFrame();
    void ApplyFileAssociation();
    void SomethingChanged();
    void ShowHotKeyNote();

    QGroupBox* Frame1;
    QCheckBox* chkExt;
    QCheckBox* chkAutoLoad;
    QCheckBox* chkClear;
    QCheckBox* chkMin;
    QLabel* Label4;
    QLineEdit* txtKey;
    QLabel* lblKeyNote;   // what the hot key does in other windows, or who holds it
    QLabel* lblMinNote;   // why chkMin is unavailable (shown only then)
    QGroupBox* Frame2;
    QLabel* Label1;
    QSpinBox* UpDown1;
    QLineEdit* txtDays;  // the number box of UpDown1; it takes no typing
    QLabel* Label2;
    QLabel* Label3;
    QRadioButton* optShow;
    QRadioButton* optEdit;
    QPushButton* Command1;  // OK
    QPushButton* Command2;  // Cancel
    QPushButton* Command3;  // Apply

    FileAssociation association_;
    HotKey hotKey_;
};

}  // namespace kyq

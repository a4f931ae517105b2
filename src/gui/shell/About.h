// The about box: product name, version and build, the maker's mail address and home page as
// links that light up under the mouse, and a notice.
#pragma once

#include <QString>

#include "gui/widgets/OwnedDialog.h"

class QLabel;
class QPushButton;

namespace kyq {

// "版本：2.01，第<build>次编译", the build in plain decimal.
QString AboutVersionText(int build);

class About : public OwnedDialog {
    Q_OBJECT
public:
    About(KyqApp& app, QWidget* owner);

    // Which link the mouse is over; that one is blue and underlined, the other black.
    enum class Hover { None, Mail, Web };
    Hover CurrentHover() const { return hover_; }

protected:
    void Form_Load() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetHover(Hover hover);
    void lblMail_Click();
    void lblWeb_Click();
    void cmdOK_Click();

    QLabel* Image1;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblMail;
    QLabel* lblWeb;
    QLabel* lblDisclaimer;
    QPushButton* cmdOK;

    Hover hover_ = Hover::None;
};

}  // namespace kyq

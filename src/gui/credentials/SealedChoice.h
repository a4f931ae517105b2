// The choice of the sealed format in the new-document and change-password dialogs: a
// check box with a line saying what it costs (older versions cannot open such files).
#pragma once

#include <QWidget>

class QCheckBox;

namespace kyq {

class SealedChoice : public QWidget {
    Q_OBJECT
public:
    SealedChoice(QWidget* parent, bool checked);
    bool Checked() const;

private:
    QCheckBox* chkSealed_;
};

}  // namespace kyq

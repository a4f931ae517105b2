// Text boxes that select their whole text whenever they get the focus.
#pragma once

#include <QObject>

class QLineEdit;

namespace kyq {

class SelectAllOnFocus : public QObject {
    Q_OBJECT
public:
    // The filter lives as a child of the box.
    static void Attach(QLineEdit* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

}  // namespace kyq

// Text boxes that refuse, with a word, an edit that would take them past the longest text
// a document holds, instead of cutting a paste off silently (Qt's boxes stop at 32,767
// characters without saying so).
#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

namespace kyq {

class KyqApp;

class TextLengthGuard : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxCharacters = 32767;
    // The guard lives as a child of the box.
    static void Attach(QLineEdit* box, KyqApp& app);

private:
    TextLengthGuard(QLineEdit* box, KyqApp& app);
    void OnTextChanged(const QString& text);

    QLineEdit* box_;
    KyqApp& app_;
    QString kept_;
    bool reverting_ = false;
};

}  // namespace kyq

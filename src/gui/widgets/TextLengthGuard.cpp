#include "gui/widgets/TextLengthGuard.h"

#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <climits>
#include <string>

#include "core/workflow/KyqApp.h"

namespace kyq {

void TextLengthGuard::Attach(QLineEdit* box, KyqApp& app)
{
    new TextLengthGuard(box, app);
}

TextLengthGuard::TextLengthGuard(QLineEdit* box, KyqApp& app)
    : QObject(box), box_(box), app_(app), kept_(box->text())
{
    // The box itself must not cut first: the guard has to see the whole edit to refuse it.
    box->setMaxLength(INT_MAX);
    connect(box, &QLineEdit::textChanged, this, &TextLengthGuard::OnTextChanged);
}

void TextLengthGuard::OnTextChanged(const QString& text)
{
    if (reverting_)
        return;
    if (text.size() <= MaxCharacters) {
        kept_ = text;
        return;
    }
    const qsizetype length = text.size();
    const int cursor = static_cast<int>(std::min<qsizetype>(box_->cursorPosition(), kept_.size()));
    reverting_ = true;
    box_->setText(kept_);
    box_->setCursorPosition(cursor);
    reverting_ = false;
    // Not from inside the box's own edit: from the event loop.
    QPointer<QLineEdit> box = box_;
    KyqApp& app = app_;
    QTimer::singleShot(0, this, [box, &app, length] {
        app.MsgBox(u"这段文字有" + QString::number(length).toStdU16String() +
                       u"个字符，超过了每项最多32767个字符的限制，所以没有放进去，框中的内容没有改变。",
                   MsgButtons::OkOnly, MsgIcon::Warning);
        if (box)
            box->setFocus(Qt::OtherFocusReason);
    });
}

}  // namespace kyq

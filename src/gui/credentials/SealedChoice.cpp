#include "gui/credentials/SealedChoice.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

namespace kyq {

SealedChoice::SealedChoice(QWidget* parent, bool checked) : QWidget(parent)
{
    chkSealed_ = new QCheckBox(QStringLiteral("加密保存（更安全：没有密码无法读取，打开时检查密码）(&S)"), this);
    chkSealed_->setObjectName(QStringLiteral("chkSealed"));
    chkSealed_->setChecked(checked);
    auto* note = new QLabel(QStringLiteral("注意：旧版本的Keyquill打不开这种格式的文件。"), this);
    note->setObjectName(QStringLiteral("lblSealed"));
    note->setIndent(20);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(chkSealed_);
    layout->addWidget(note);
}

bool SealedChoice::Checked() const
{
    return chkSealed_->isChecked();
}

}  // namespace kyq

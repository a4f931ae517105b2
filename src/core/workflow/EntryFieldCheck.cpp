#include "core/workflow/EntryFieldCheck.h"

#include "core/document/DocumentFormat.h"
#include "core/document/SameText.h"
#include "core/document/UnstorableMessage.h"
#include "platform/CodePage936.h"

namespace kyq {

namespace {

EntryFieldProblem Problem(EntryField field, std::u16string message, MsgIcon icon)
{
    return {field, std::move(message), icon};
}

}  // namespace

int FindTitle(const PasswordDocument& doc, std::u16string_view title, int skipIndex)
{
    const int count = doc.EntryCount();
    for (int n = 1; n <= count; ++n) {
        if (n != skipIndex && SameText(title, doc.Entries[static_cast<size_t>(n)].Title))
            return n;
    }
    return 0;
}

EntryFieldProblem CheckEntryFields(const PasswordDocument& doc, std::u16string_view title,
                                   std::u16string_view userName, std::u16string_view password,
                                   int editIndex)
{
    if (title.empty())
        return Problem(EntryField::Title, u"请输入密码标题！", MsgIcon::Information);
    if (userName.empty())
        return Problem(EntryField::UserName, u"请输入用户名称！", MsgIcon::Information);
    if (password.empty())
        return Problem(EntryField::Password, u"请输入密码内容！", MsgIcon::Information);
    if (FindTitle(doc, title, editIndex) != 0)
        return Problem(EntryField::Title, TitleTakenMessage, MsgIcon::Information);

    // Saving would refuse the whole document for one such character; better to say so
    // while the user still has the text in front of him.
    if (doc.IsSealed())
        return {};
    struct Field {
        EntryField field;
        std::u16string_view name;
        std::u16string_view text;
    };
    const Field fields[] = {{EntryField::Title, u"密码标题", title},
                            {EntryField::UserName, u"用户名称", userName},
                            {EntryField::Password, u"密码内容", password}};
    for (const Field& f : fields) {
        const size_t bad = CodePage936::FindUnencodable(f.text);
        if (bad != std::u16string_view::npos)
            return Problem(f.field, UnstorableCharacterMessage(f.name, f.text, bad),
                           MsgIcon::Warning);
    }
    return {};
}

EntryFieldProblem CheckRoomForRecord(const PasswordDocument& doc)
{
    if (doc.EntryCount() < PasswordDocument::MaxEntries)
        return {};
    return Problem(EntryField::Document, u"已经达到密码数的最大值(32767)，不能再增加密码了。", MsgIcon::Warning);
}

EntryFieldProblem CheckOwnerName(std::u16string_view name, bool sealed)
{
    if (name.empty())
        return Problem(EntryField::Title, u"请输入用户名！", MsgIcon::Information);
    if (sealed)
        return {};
    const size_t bad = FindUnstorableInOwnerName(name);
    if (bad != std::u16string_view::npos)
        return Problem(EntryField::Title, UnstorableCharacterMessage(u"用户名", name, bad),
                       MsgIcon::Warning);
    return {};
}

}  // namespace kyq

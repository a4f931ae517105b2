// The checks the add, edit and rename dialogs run on OK: which field is refused first and
// with which message, so the dialogs only show it and move the focus.
#pragma once

#include <string>
#include <string_view>

#include "core/document/PasswordDocument.h"
#include "core/workflow/MessageService.h"

namespace kyq {

// Document: the refusal concerns no one field (the record limit).
enum class EntryField { None, Title, UserName, Password, Document };

struct EntryFieldProblem {
    EntryField Field = EntryField::None;
    std::u16string Message;
    MsgIcon Icon = MsgIcon::None;
    explicit operator bool() const { return Field != EntryField::None; }
};

inline constexpr char16_t TitleTakenMessage[] = u"此文件中已有与此密码同标题的密码，请更换标题！";

// In this order: an empty title, user name or password (only no characters at all is
// empty; blanks count), a title another record has in any letter case (record editIndex
// is skipped; 0 when adding), then a character the document cannot store, field by field
// (one code page 936 lacks, in a format-200 document; a sealed one holds any text).
EntryFieldProblem CheckEntryFields(const PasswordDocument& doc, std::u16string_view title,
                                   std::u16string_view userName, std::u16string_view password,
                                   int editIndex);

// The first record other than skipIndex whose title equals `title` ignoring letter case,
// or 0.
int FindTitle(const PasswordDocument& doc, std::u16string_view title, int skipIndex);

// The record limit: a document full at PasswordDocument::MaxEntries takes no more.
EntryFieldProblem CheckRoomForRecord(const PasswordDocument& doc);

// An empty owner name, then one a document of that format cannot store (Field is Title
// for both).
EntryFieldProblem CheckOwnerName(std::u16string_view name, bool sealed);

}  // namespace kyq

#include "core/document/DocumentHeader.h"

#include <string>

#include "core/document/GrilleTransposition.h"

namespace kyq {
namespace {

FormatError Fail(FormatErrorKind kind, std::string detail)
{
    return FormatError(kind, std::move(detail));
}

}  // namespace

FormatResult ReadDocumentHeader(ByteCursor& cursor, DocumentHeader& header)
{
    header = DocumentHeader{};
    if (!cursor.ReadInt32(header.FormatVersion))
        return Fail(FormatErrorKind::Truncated, "the file ends before its format number");
    int width;
    if (header.FormatVersion == CurrentFormatNumber)
        width = 2;
    else if (header.FormatVersion == LegacyFormatNumber)
        width = 4;
    else
        return Fail(FormatErrorKind::UnknownFormat,
                    "format number " + std::to_string(header.FormatVersion) + " is not 150, 200 or 300");

    for (size_t cell = 0; cell < header.FileGrille.size(); ++cell) {
        int32_t value = 0;
        if (!cursor.ReadValue(width, value))
            return Fail(FormatErrorKind::Truncated, "the file ends inside the grille");
        const auto hole = DecodeGrilleCell(value);
        if (!hole)
            return Fail(FormatErrorKind::BadHeader, "grille cell " + std::to_string(cell + 1) +
                                                        " holds " + std::to_string(value));
        header.FileGrille[cell] = *hole;
    }

    for (;;) {
        int32_t value = 0;
        if (!cursor.ReadValue(width, value))
            return Fail(FormatErrorKind::BadHeader, "the owner name has no end");
        if (value == 0)
            break;
        // A 32-bit value stands for a character code as long as it is one read either
        // as signed or as unsigned 16-bit.
        if (value < -32768 || value > 65535)
            return Fail(FormatErrorKind::BadHeader,
                        "owner name value " + std::to_string(value) + " is no character code");
        header.OwnerCodes.push_back(static_cast<int16_t>(static_cast<uint16_t>(value)));
    }
    return {};
}

}  // namespace kyq

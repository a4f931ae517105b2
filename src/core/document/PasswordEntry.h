// One stored password. The same record type carries the document's owner in element 0.
#pragma once

#include <cstdint>
#include <string>

namespace kyq {

struct PasswordEntry {
    std::u16string Title;
    std::u16string UserName;
    std::u16string Password;
    int16_t ChangedYear = 0;
    uint8_t ChangedMonth = 0;
    uint8_t ChangedDay = 0;

    bool operator==(const PasswordEntry&) const = default;
};

}  // namespace kyq

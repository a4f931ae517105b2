#include "core/document/SecretText.h"

#include <sodium.h>

#include <cstring>

namespace kyq {

void SecretText::Assign(std::u16string_view text)
{
    if (text.empty()) {
        clear();
        return;
    }
    SecureBuffer fresh(text.size() * sizeof(char16_t));
    std::memcpy(fresh.data(), text.data(), fresh.size());
    buffer_ = std::move(fresh);  // the old characters are wiped as their pages go
    units_ = text.size();
}

void WipeText(std::u16string& text)
{
    sodium_memzero(text.data(), text.capacity() * sizeof(char16_t));
    text.clear();
}

void SecretText::clear()
{
    buffer_ = SecureBuffer();
    units_ = 0;
}

}  // namespace kyq

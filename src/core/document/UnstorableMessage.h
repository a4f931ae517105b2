// The warning shown when a typed text holds a character a document cannot store.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kyq {

// field: what the box is called ("用户名", "密码"). position: the offending character's
// place in text. Names the character, or its code when it is invisible.
std::u16string UnstorableCharacterMessage(std::u16string_view field, std::u16string_view text,
                                          size_t position);

}  // namespace kyq

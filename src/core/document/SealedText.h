// UTF-8 for the sealed format's texts, written straight into (and read straight out of)
// secret buffers, so no copy of a password lands in ordinary heap memory on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/document/SecureBuffer.h"

namespace kyq {

// Bytes the UTF-8 form of `text` takes; a lone surrogate counts as U+FFFD.
size_t Utf8Size(std::u16string_view text);
// Writes that form at `out`, returns the end.
uint8_t* PutUtf8(uint8_t* out, std::u16string_view text);
// The UTF-8 form in a buffer of its own (a password before it is hashed or compared).
SecureBuffer SecretUtf8(std::u16string_view text);

// Decodes well-formed UTF-8 only (no overlong forms, no surrogates, nothing past
// U+10FFFF); false, with `text` unspecified, for anything else.
bool DecodeUtf8(std::span<const uint8_t> bytes, std::u16string& text);
// The same check without the decoding.
bool IsWellFormedUtf8(std::span<const uint8_t> bytes);

}  // namespace kyq

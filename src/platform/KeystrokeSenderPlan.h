// The keyboard-independent half of typing a text: which key symbol each character needs,
// and how the text is cut into chunks whose missing symbols fit the spare keycodes.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace kyq {

inline constexpr unsigned long kNoKeysym = 0;

// One key symbol per character to type, in order: "\t" is Tab, "\r\n", a lone "\r" and a
// lone "\n" are each one Return, a surrogate pair is one character. Other control
// characters (and unpaired surrogates) give kNoKeysym: they cannot be typed as themselves
// (a code 8 would delete, a code 27 would cancel the target's dialog), so they are skipped.
std::vector<unsigned long> KeysymsForText(std::u16string_view text);

// The key symbol of a printable character: Latin-1 has its own, everything else the
// Unicode key symbol 0x01000000 + code point.
unsigned long KeysymForCodePoint(char32_t codePoint);

struct TypingChunk {
    size_t begin = 0;  // range of the keysym list
    size_t end = 0;
    // Distinct symbols of the range without a key, in the order of their first use; each
    // goes onto its own spare keycode while the chunk is typed.
    std::vector<unsigned long> spareKeysyms;
};

// Cuts `keysyms` into as few consecutive chunks as possible such that each needs at most
// `spareCount` spare keycodes. With no spare keycode everything is one chunk and the
// symbols without a key are skipped. kNoKeysym entries need nothing.
std::vector<TypingChunk> PlanTypingChunks(const std::vector<unsigned long>& keysyms,
                                          const std::function<bool(unsigned long)>& hasKey,
                                          size_t spareCount);

}  // namespace kyq

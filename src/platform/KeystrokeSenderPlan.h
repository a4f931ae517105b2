// The keyboard-independent half of typing a text: which key symbol each character needs,
// and how the text is cut into chunks whose missing symbols fit the spare keycodes.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace kyq {

inline constexpr unsigned long kNoKeysym = 0;

// Marks a symbol typed with Ctrl held (a control code as a terminal receives it).
inline constexpr unsigned long kWithControl = 0x40000000ul;

// The symbol without kWithControl: what has to be on a key.
constexpr unsigned long BaseKeysym(unsigned long keysym)
{
    return keysym & ~kWithControl;
}

// One key symbol per character to type, in order: "\t" is Tab, "\r\n", a lone "\r" and a
// lone "\n" are each one Return, a surrogate pair is one character. Control codes with a
// key of their own type it (8 BackSpace, 27 Escape, 127 Delete); the other codes 1-26 are
// Ctrl plus the letter (code 1 Ctrl+A), which is how a terminal receives them. Code 0,
// 28-31, 128-159 and unpaired surrogates give kNoKeysym: nothing types them as themselves.
// positions, when given, receives the place in `text` where each symbol's character starts.
std::vector<unsigned long> KeysymsForText(std::u16string_view text,
                                          std::vector<size_t>* positions = nullptr);

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
// `spareCount` spare symbols (two per spare keycode: both shift levels). With none
// everything is one chunk and the symbols without a key are skipped. kNoKeysym entries
// need nothing; a kWithControl symbol needs its base symbol on a key.
std::vector<TypingChunk> PlanTypingChunks(const std::vector<unsigned long>& keysyms,
                                          const std::function<bool(unsigned long)>& hasKey,
                                          size_t spareCount);

}  // namespace kyq

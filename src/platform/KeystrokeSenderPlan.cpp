#include "platform/KeystrokeSenderPlan.h"

#include <algorithm>

namespace kyq {

namespace {

constexpr unsigned long kBackSpaceKeysym = 0xff08;
constexpr unsigned long kTabKeysym = 0xff09;
constexpr unsigned long kReturnKeysym = 0xff0d;
constexpr unsigned long kEscapeKeysym = 0xff1b;
constexpr unsigned long kDeleteKeysym = 0xffff;
constexpr unsigned long kUnicodeKeysymBase = 0x01000000;

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xd800 && c <= 0xdbff;
}

bool IsLowSurrogate(char16_t c)
{
    return c >= 0xdc00 && c <= 0xdfff;
}

}  // namespace

unsigned long KeysymForCodePoint(char32_t codePoint)
{
    if ((codePoint >= 0x20 && codePoint <= 0x7e) || (codePoint >= 0xa0 && codePoint <= 0xff))
        return codePoint;
    if (codePoint < 0x100 || codePoint > 0x10ffff || (codePoint >= 0xd800 && codePoint <= 0xdfff))
        return kNoKeysym;
    return kUnicodeKeysymBase + codePoint;
}

std::vector<unsigned long> KeysymsForText(std::u16string_view text, std::vector<size_t>* positions)
{
    std::vector<unsigned long> keysyms;
    keysyms.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (positions != nullptr)
            positions->push_back(i);
        const char16_t c = text[i];
        if (c == u'\t') {
            keysyms.push_back(kTabKeysym);
        } else if (c == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            keysyms.push_back(kReturnKeysym);
        } else if (c == u'\n') {
            keysyms.push_back(kReturnKeysym);
        } else if (c == 8) {
            keysyms.push_back(kBackSpaceKeysym);
        } else if (c == 27) {
            keysyms.push_back(kEscapeKeysym);
        } else if (c == 127) {
            keysyms.push_back(kDeleteKeysym);
        } else if (c >= 1 && c <= 26) {
            keysyms.push_back(kWithControl | (u'a' + c - 1));
        } else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            const char32_t codePoint =
                0x10000 + ((static_cast<char32_t>(c) - 0xd800) << 10) + (text[i + 1] - 0xdc00);
            keysyms.push_back(KeysymForCodePoint(codePoint));
            ++i;
        } else {
            keysyms.push_back(KeysymForCodePoint(c));
        }
    }
    return keysyms;
}

std::vector<TypingChunk> PlanTypingChunks(const std::vector<unsigned long>& keysyms,
                                          const std::function<bool(unsigned long)>& hasKey,
                                          size_t spareCount)
{
    std::vector<TypingChunk> chunks;
    if (keysyms.empty())
        return chunks;
    if (spareCount == 0) {
        chunks.push_back(TypingChunk{0, keysyms.size(), {}});
        return chunks;
    }
    TypingChunk current;
    for (size_t i = 0; i < keysyms.size(); ++i) {
        const unsigned long keysym = BaseKeysym(keysyms[i]);
        if (keysym != kNoKeysym && !hasKey(keysym)) {
            auto& spare = current.spareKeysyms;
            if (std::find(spare.begin(), spare.end(), keysym) == spare.end()) {
                if (spare.size() == spareCount) {
                    current.end = i;
                    chunks.push_back(std::move(current));
                    current = TypingChunk{i, i, {}};
                }
                current.spareKeysyms.push_back(keysym);
            }
        }
    }
    current.end = keysyms.size();
    chunks.push_back(std::move(current));
    return chunks;
}

}  // namespace kyq

#include "core/document/TitleCollator.h"

#include <memory>
#include <stdexcept>
#include <unicode/ucol.h>
#include <unicode/uscript.h>

namespace kyq {

namespace {

struct CollatorCloser {
    void operator()(UCollator* c) const { ucol_close(c); }
};

const UCollator* SharedCollator()
{
    // Opening a collator costs about a millisecond; one shared, read-only instance serves
    // every comparison (ICU allows concurrent const use).
    static const std::unique_ptr<UCollator, CollatorCloser> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* c = ucol_open("zh", &status);
        if (U_FAILURE(status) || c == nullptr) {
            status = U_ZERO_ERROR;
            c = ucol_open("", &status);
        }
        if (U_FAILURE(status) || c == nullptr)
            throw std::runtime_error("ICU collator unavailable");
        // Secondary strength: letter case (a tertiary difference) does not count.
        ucol_setStrength(c, UCOL_SECONDARY);
        // "zh" puts Han before every other script; a desktop list here shows Latin titles
        // first and Chinese ones after them, by pinyin. Digits, punctuation and symbols
        // keep their place in front of both.
        // Should ICU refuse, the titles keep the collation's own order rather than none.
        const int32_t scripts[] = {USCRIPT_LATIN, USCRIPT_HAN};
        status = U_ZERO_ERROR;
        ucol_setReorderCodes(c, scripts, 2, &status);
        return std::unique_ptr<UCollator, CollatorCloser>(c);
    }();
    return collator.get();
}

}  // namespace

std::string TitleCollator::SortKey(std::u16string_view title)
{
    const UCollator* c = SharedCollator();
    const auto* text = reinterpret_cast<const UChar*>(title.data());
    const auto length = static_cast<int32_t>(title.size());
    std::string key(title.size() * 3 + 16, '\0');
    int32_t needed = ucol_getSortKey(c, text, length, reinterpret_cast<uint8_t*>(key.data()),
                                     static_cast<int32_t>(key.size()));
    if (needed > static_cast<int32_t>(key.size())) {
        key.resize(static_cast<size_t>(needed));
        needed = ucol_getSortKey(c, text, length, reinterpret_cast<uint8_t*>(key.data()),
                                 static_cast<int32_t>(key.size()));
    }
    // The key ends with a NUL that ICU counts; drop it so keys compare as plain strings.
    key.resize(needed > 0 ? static_cast<size_t>(needed - 1) : 0);
    return key;
}

int TitleCollator::Compare(std::u16string_view a, std::u16string_view b)
{
    const UCollationResult r = ucol_strcoll(SharedCollator(), reinterpret_cast<const UChar*>(a.data()),
                                            static_cast<int32_t>(a.size()),
                                            reinterpret_cast<const UChar*>(b.data()),
                                            static_cast<int32_t>(b.size()));
    if (r == UCOL_LESS)
        return -1;
    if (r == UCOL_GREATER)
        return 1;
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

}  // namespace kyq

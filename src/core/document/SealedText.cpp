#include "core/document/SealedText.h"

#include <sodium.h>

#include <cstring>

namespace kyq {
namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// Calls put(codePoint) for each character, pairing surrogates.
template <typename Put>
void EachCodePoint(std::u16string_view text, Put put)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
            put(0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00u));
            ++i;
        } else if (IsHigh(c) || IsLow(c)) {
            put(0xFFFDu);
        } else {
            put(static_cast<uint32_t>(c));
        }
    }
}

}  // namespace

size_t Utf8Size(std::u16string_view text)
{
    size_t size = 0;
    EachCodePoint(text, [&](uint32_t cp) { size += cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4; });
    return size;
}

uint8_t* PutUtf8(uint8_t* out, std::u16string_view text)
{
    EachCodePoint(text, [&](uint32_t cp) {
        if (cp < 0x80) {
            *out++ = static_cast<uint8_t>(cp);
        } else if (cp < 0x800) {
            *out++ = static_cast<uint8_t>(0xC0 | (cp >> 6));
            *out++ = static_cast<uint8_t>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *out++ = static_cast<uint8_t>(0xE0 | (cp >> 12));
            *out++ = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
            *out++ = static_cast<uint8_t>(0x80 | (cp & 0x3F));
        } else {
            *out++ = static_cast<uint8_t>(0xF0 | (cp >> 18));
            *out++ = static_cast<uint8_t>(0x80 | ((cp >> 12) & 0x3F));
            *out++ = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
            *out++ = static_cast<uint8_t>(0x80 | (cp & 0x3F));
        }
    });
    return out;
}

SecureBuffer SecretUtf8(std::u16string_view text)
{
    SecureBuffer buffer(Utf8Size(text));
    PutUtf8(buffer.data(), text);
    return buffer;
}

namespace {

// One UTF-8 sequence of two to four bytes at `p` into one or two units at `out`, both
// moved past it; false for anything ill-formed (overlong, a surrogate, past U+10FFFF, cut).
bool DecodeSequence(const uint8_t*& p, const uint8_t* end, char16_t*& out)
{
    const uint8_t lead = *p;
    size_t extra;
    uint32_t cp;
    uint32_t lowest;
    if (lead >= 0xC2 && lead < 0xE0) {
        extra = 1, cp = lead & 0x1Fu, lowest = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        extra = 2, cp = lead & 0x0Fu, lowest = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        extra = 3, cp = lead & 0x07u, lowest = 0x10000;
    } else {
        return false;
    }
    if (static_cast<size_t>(end - p) <= extra)
        return false;
    for (size_t k = 1; k <= extra; ++k) {
        const uint8_t next = p[k];
        if ((next & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (next & 0x3Fu);
    }
    if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
        return false;
    if (cp >= 0x10000) {
        *out++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        *out++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
        *out++ = static_cast<char16_t>(cp);
    }
    p += extra + 1;
    return true;
}

}  // namespace

bool DecodeUtf8(std::span<const uint8_t> bytes, std::u16string& text)
{
    // Decoded into scratch room that stays in the cache (never more units than bytes),
    // then stored at its size in one allocation: a reader keeps 98k such texts. The kept
    // room is bounded by the longest text a document holds; a longer one gets its own.
    constexpr size_t KeptRoom = 3 * 32767;
    thread_local std::u16string scratch;
    std::u16string own;
    std::u16string& room = bytes.size() <= KeptRoom ? scratch : own;
    if (room.size() < bytes.size())
        room.resize(bytes.size());
    char16_t* const start = room.data();
    char16_t* out = start;
    // The room may have held a password: it keeps nothing once the call ends.
    struct Wiper {
        char16_t* const& start;
        char16_t* const& end;
        ~Wiper() { sodium_memzero(start, static_cast<size_t>(end - start) * sizeof(char16_t)); }
    } wiper{start, out};
    const uint8_t* p = bytes.data();
    const uint8_t* const end = p + bytes.size();
    while (p < end) {
        // Eight ASCII bytes at a time, the common run in titles and user names.
        while (end - p >= 8) {
            uint64_t word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ull) != 0)
                break;
            for (int k = 0; k < 8; ++k)
                out[k] = p[k];
            p += 8;
            out += 8;
        }
        if (p == end)
            break;
        const uint8_t lead = *p;
        if (lead < 0x80) {
            *out++ = lead;
            ++p;
            continue;
        }
        // Three bytes: Chinese, the common case beyond ASCII.
        if ((lead & 0xF0) == 0xE0 && end - p >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
            const uint32_t cp = ((lead & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
            if (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))
                return false;
            *out++ = static_cast<char16_t>(cp);
            p += 3;
            continue;
        }
        if (!DecodeSequence(p, end, out))
            return false;
    }
    text.assign(start, static_cast<size_t>(out - start));
    return true;
}

bool IsWellFormedUtf8(std::span<const uint8_t> bytes)
{
    // The well-formed sequences as Unicode lists them: the lead fixes the length and the
    // range of the second byte (which keeps out overlong forms, surrogates and anything
    // past U+10FFFF); every later byte is a plain continuation. No decoding: this runs
    // over every user name and password of a file that is only passed on.
    const uint8_t* p = bytes.data();
    const uint8_t* const end = p + bytes.size();
    while (p < end) {
        const uint8_t lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        const ptrdiff_t length = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
        if (length == 0 || end - p < length)
            return false;
        const uint8_t lowest = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        const uint8_t highest = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        if (p[1] < lowest || p[1] > highest)
            return false;
        for (ptrdiff_t k = 2; k < length; ++k)
            if ((p[k] & 0xC0) != 0x80)
                return false;
        p += length;
    }
    return true;
}

}  // namespace kyq

#include "platform/CodePage936.h"

#include <iconv.h>

#include <array>
#include <memory>

namespace kyq {
namespace {

// Lead byte 0x7F never starts a double-byte character, so no character has this code.
constexpr int16_t NoCode = 0x7FFF;

struct Tables {
    std::array<int16_t, 65536> code;      // by UTF-16 unit
    std::array<char16_t, 65536> character;  // by code as unsigned 16-bit

    Tables();
};

struct IconvHandle {
    iconv_t handle;
    explicit IconvHandle(const char* to, const char* from) : handle(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (valid())
            iconv_close(handle);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return handle != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input or reports failure; returns the number of output bytes.
    size_t Convert(const unsigned char* in, size_t inLength, unsigned char* out, size_t outSize)
    {
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
        char* inPtr = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
        char* outPtr = reinterpret_cast<char*>(out);
        size_t inLeft = inLength;
        size_t outLeft = outSize;
        if (iconv(handle, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
            return 0;
        // Flush any shift state; CP936 has none, but a conversion is only complete after it.
        if (iconv(handle, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1))
            return 0;
        return outSize - outLeft;
    }
};

Tables::Tables()
{
    code.fill(NoCode);
    character.fill(CodePage936::Replacement);

    // Decoding table first: every single byte and every lead/trail pair. A pair only
    // counts when it decodes to exactly one UTF-16 unit (0x80 followed by a byte is two
    // characters, the euro sign and that byte, not one).
    IconvHandle decoder("UTF-16LE", "CP936");
    IconvHandle encoder("CP936", "UTF-16LE");
    if (!decoder.valid() || !encoder.valid()) {
        // No conversion modules (a stripped-down system): ASCII is still the same.
        for (int c = 0; c < 128; ++c) {
            code[static_cast<size_t>(c)] = static_cast<int16_t>(c);
            character[static_cast<size_t>(c)] = static_cast<char16_t>(c);
        }
        return;
    }
    unsigned char out[8];
    for (unsigned value = 0; value < 65536; ++value) {
        unsigned char in[2];
        size_t length;
        if (value < 256) {
            in[0] = static_cast<unsigned char>(value);
            length = 1;
        } else if (value >= 0x8100 && (value & 0xFF) >= 0x40) {
            in[0] = static_cast<unsigned char>(value >> 8);
            in[1] = static_cast<unsigned char>(value & 0xFF);
            length = 2;
        } else {
            continue;  // lead bytes below 0x81 and trail bytes below 0x40 do not exist
        }
        if (decoder.Convert(in, length, out, sizeof out) != 2)
            continue;
        const auto unit = static_cast<char16_t>(out[0] | (out[1] << 8));
        if (unit >= 0xD800 && unit <= 0xDFFF)
            continue;
        character[value] = unit;
    }

    // Encoding table: only characters whose code decodes back to them, so a text that
    // passes Encodable survives a save and an open unchanged.
    for (unsigned unit = 0; unit < 65536; ++unit) {
        if (unit >= 0xD800 && unit <= 0xDFFF)
            continue;
        const unsigned char in[2] = {static_cast<unsigned char>(unit & 0xFF),
                                     static_cast<unsigned char>(unit >> 8)};
        const size_t n = encoder.Convert(in, 2, out, sizeof out);
        unsigned value;
        if (n == 1)
            value = out[0];
        else if (n == 2)
            value = (static_cast<unsigned>(out[0]) << 8) | out[1];
        else
            continue;
        if (character[value] != unit)
            continue;
        code[unit] = static_cast<int16_t>(static_cast<uint16_t>(value));
    }
}

const Tables& TheTables()
{
    // Built once, on first use, thread-safely; about 6 ms.
    static const std::unique_ptr<Tables> tables = std::make_unique<Tables>();
    return *tables;
}

}  // namespace

bool CodePage936::Encodable(char16_t ch)
{
    return TheTables().code[ch] != NoCode;
}

int16_t CodePage936::ToCode(char16_t ch)
{
    const int16_t value = TheTables().code[ch];
    return value == NoCode ? FallbackCode : value;
}

bool CodePage936::Decodable(int16_t code)
{
    return TheTables().character[static_cast<uint16_t>(code)] != Replacement;
}

char16_t CodePage936::FromCode(int16_t code)
{
    return TheTables().character[static_cast<uint16_t>(code)];
}

size_t CodePage936::FindUnencodable(std::u16string_view text)
{
    const Tables& tables = TheTables();
    for (size_t i = 0; i < text.size(); ++i) {
        if (tables.code[text[i]] == NoCode)
            return i;
    }
    return std::u16string_view::npos;
}

}  // namespace kyq

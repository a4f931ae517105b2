#include "platform/CodePage936Builder.h"

#include <iconv.h>

namespace kyq {
namespace {

constexpr char16_t Replacement = u'\uFFFD';

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

}  // namespace

Expected<void> BuildCodePage936Tables(CodePage936TableSet& tables)
{
    tables.code.fill(cp936::NoCode);
    tables.character.fill(Replacement);

    IconvHandle decoder("UTF-16LE", "CP936");
    IconvHandle encoder("CP936", "UTF-16LE");
    if (!decoder.valid() || !encoder.valid())
        return Error{"系统缺少GBK字符集转换模块",
                     "the C library has no CP936 <-> UTF-16LE converter (gconv modules missing?)", 0};

    // Decoding table first: every single byte and every lead/trail pair. A pair only
    // counts when it decodes to exactly one UTF-16 unit (0x80 followed by a byte is two
    // characters, the euro sign and that byte, not one).
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
        tables.character[value] = unit;
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
        if (tables.character[value] != unit)
            continue;
        tables.code[unit] = static_cast<int16_t>(static_cast<uint16_t>(value));
    }
    return {};
}

}  // namespace kyq

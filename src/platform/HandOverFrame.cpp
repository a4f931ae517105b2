#include "platform/HandOverFrame.h"

#include <cstring>

namespace kyq {

HandOverFrame::State HandOverFrame::Read(std::span<const uint8_t> bytes, HandOverFrame& frame,
                                         size_t& used)
{
    if (bytes.size() < HeaderSize)
        return State::Incomplete;
    int64_t header[5];
    std::memcpy(header, bytes.data(), HeaderSize);
    const int64_t textSize = header[3], tokenSize = header[4];
    if (textSize < 0 || textSize > HandOverTextCap || tokenSize < 0 || tokenSize > HandOverTokenCap)
        return State::Invalid;
    const size_t whole = HeaderSize + static_cast<size_t>(textSize) + static_cast<size_t>(tokenSize);
    if (bytes.size() < whole)
        return State::Incomplete;
    const auto* text = reinterpret_cast<const char*>(bytes.data()) + HeaderSize;
    frame.Message = header[0];
    frame.WParam = header[1];
    frame.LParam = header[2];
    frame.Text.assign(text, static_cast<size_t>(textSize));
    frame.Token.assign(text + textSize, static_cast<size_t>(tokenSize));
    used = whole;
    return State::Complete;
}

std::string HandOverFrame::Bytes() const
{
    const int64_t header[5] = {Message, WParam, LParam, static_cast<int64_t>(Text.size()),
                               static_cast<int64_t>(Token.size())};
    std::string bytes(reinterpret_cast<const char*>(header), HeaderSize);
    return bytes + Text + Token;
}

}  // namespace kyq

// One message of the hand-over channel as it arrives from the other process: five 64-bit
// numbers in host order (its kind, two numbers no kind uses yet, and the lengths of the command text and
// of the activation token), then the text and the token. Both ends run on this machine;
// the bytes still come from another process and are checked before use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kyq {

// The kinds of message on the wire; their numbers are what earlier versions sent, so that
// starts of either version understand each other.
inline constexpr int64_t HandOverOpenKind = 1025;  // a start's command text: open or show
inline constexpr int64_t HandOverFillKind = 1026;  // "KYQ --fill": the fill dialog

// A command text is one quoted path; anything longer is not ours.
inline constexpr int64_t HandOverTextCap = 64 * 1024;
// Activation tokens are short; the cap only keeps a sender from making us hold megabytes.
inline constexpr int64_t HandOverTokenCap = 4096;

struct HandOverFrame {
    static constexpr size_t HeaderSize = 5 * sizeof(int64_t);

    int64_t Message = 0;
    int64_t WParam = 0;
    int64_t LParam = 0;
    std::string Text;
    std::string Token;

    enum class State {
        Incomplete,  // more bytes are on their way
        Invalid,     // a length out of bounds: the sender is not ours
        Complete,    // read; `used` bytes belong to this message
    };
    // Reads the message at the start of `bytes`.
    static State Read(std::span<const uint8_t> bytes, HandOverFrame& frame, size_t& used);
    // The bytes the sender writes.
    std::string Bytes() const;
};

}  // namespace kyq

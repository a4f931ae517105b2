// A text that is a secret (the document password): its characters live in locked memory
// that is wiped when the text changes or goes, never in an ordinary string.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "core/document/SecureBuffer.h"

namespace kyq {

// Overwrites a plain copy of a secret before its memory goes back, and empties it.
void WipeText(std::u16string& text);

class SecretText {
public:
    SecretText() = default;
    SecretText(std::u16string_view text) { Assign(text); }  // NOLINT: reads like a string
    SecretText(const SecretText& other) { Assign(other.View()); }
    SecretText(SecretText&& other) noexcept
        : buffer_(std::move(other.buffer_)), units_(std::exchange(other.units_, 0))
    {
    }
    SecretText& operator=(const SecretText& other)
    {
        if (this != &other)
            Assign(other.View());
        return *this;
    }
    SecretText& operator=(SecretText&& other) noexcept
    {
        buffer_ = std::move(other.buffer_);
        units_ = std::exchange(other.units_, 0);
        return *this;
    }
    SecretText& operator=(std::u16string_view text)
    {
        Assign(text);
        return *this;
    }

    std::u16string_view View() const
    {
        return units_ == 0 ? std::u16string_view{}
                           : std::u16string_view(reinterpret_cast<const char16_t*>(buffer_.data()), units_);
    }
    operator std::u16string_view() const { return View(); }  // NOLINT: reads like a string
    bool empty() const { return units_ == 0; }
    size_t size() const { return units_; }
    // Wipes the characters and gives the locked memory back.
    void clear();
    // Whether any locked memory is still held (a test's view of "forgotten").
    bool HoldsMemory() const { return buffer_.size() != 0; }

    friend bool operator==(const SecretText& a, std::u16string_view b) { return a.View() == b; }

private:
    void Assign(std::u16string_view text);

    SecureBuffer buffer_;
    size_t units_ = 0;
};

}  // namespace kyq

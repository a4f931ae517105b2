// A bounds-checked little-endian reader over bytes: the only way the document readers
// look at a file, so no count can take them past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kyq {

class ByteCursor {
public:
    explicit ByteCursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    size_t Position() const { return position_; }
    size_t Remaining() const { return bytes_.size() - position_; }

    // Each reader leaves the cursor where it was and returns false when fewer bytes remain
    // than the value needs.
    bool ReadInt16(int16_t& value)
    {
        if (Remaining() < 2)
            return false;
        value = static_cast<int16_t>(static_cast<uint16_t>(bytes_[position_] | (bytes_[position_ + 1] << 8)));
        position_ += 2;
        return true;
    }

    bool ReadInt32(int32_t& value)
    {
        if (Remaining() < 4)
            return false;
        const uint32_t raw = static_cast<uint32_t>(bytes_[position_]) |
                             (static_cast<uint32_t>(bytes_[position_ + 1]) << 8) |
                             (static_cast<uint32_t>(bytes_[position_ + 2]) << 16) |
                             (static_cast<uint32_t>(bytes_[position_ + 3]) << 24);
        value = static_cast<int32_t>(raw);
        position_ += 4;
        return true;
    }

    // Reads a value `width` bytes wide (2 or 4) as a signed number.
    bool ReadValue(int width, int32_t& value)
    {
        if (width == 2) {
            int16_t narrow = 0;
            if (!ReadInt16(narrow))
                return false;
            value = narrow;
            return true;
        }
        return ReadInt32(value);
    }

private:
    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
};

}  // namespace kyq

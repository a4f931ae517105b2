// Bytes that hold a secret (a derived key, a document's plaintext, a password): kept in
// memory that is locked against swapping where the system allows it, fenced by guard pages,
// and wiped when freed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kyq {

class SecureBuffer {
public:
    // No memory at all: data() is null.
    SecureBuffer() = default;
    // Throws std::bad_alloc when no such memory can be had. Memory that cannot be locked
    // (a small RLIMIT_MEMLOCK) is still fenced and wiped; the log says so once.
    explicit SecureBuffer(size_t size);
    ~SecureBuffer();
    SecureBuffer(SecureBuffer&& other) noexcept;
    SecureBuffer& operator=(SecureBuffer&& other) noexcept;
    SecureBuffer(const SecureBuffer&) = delete;
    SecureBuffer& operator=(const SecureBuffer&) = delete;

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    std::span<const uint8_t> Bytes() const { return {data_, size_}; }

    // The cryptography library, set up once for the process; false when it cannot start
    // (no random source), and nothing sealed can then be read or written.
    static bool SodiumReady();

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace kyq

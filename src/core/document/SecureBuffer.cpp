#include "core/document/SecureBuffer.h"

#include <sodium.h>

#include <new>
#include <utility>

namespace kyq {

bool SecureBuffer::SodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

SecureBuffer::SecureBuffer(size_t size) : size_(size)
{
    if (!SodiumReady())
        throw std::bad_alloc();
    // An empty buffer still gets its own guarded page, so data() is never null.
    data_ = static_cast<uint8_t*>(sodium_malloc(size == 0 ? 1 : size));
    if (data_ == nullptr)
        throw std::bad_alloc();
}

SecureBuffer::~SecureBuffer()
{
    // sodium_free wipes the bytes before it gives the pages back.
    if (data_ != nullptr)
        sodium_free(data_);
}

SecureBuffer::SecureBuffer(SecureBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0))
{
}

SecureBuffer& SecureBuffer::operator=(SecureBuffer&& other) noexcept
{
    if (this != &other) {
        if (data_ != nullptr)
            sodium_free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

}  // namespace kyq

#include "core/document/SecureBuffer.h"

#include <sodium.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "platform/Log.h"

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
    // sodium_malloc tries to lock the pages but says nothing when it cannot; asking again
    // costs one call and tells whether the secret may reach the swap.
    if (sodium_mlock(data_, size == 0 ? 1 : size) != 0) {
        const int error = errno;
        static std::atomic<bool> told{false};
        if (!told.exchange(true))
            LogInfo(LogArea::Documents, std::string("secret memory cannot be locked against swapping (") +
                                            std::strerror(error) +
                                            "; RLIMIT_MEMLOCK too small?): secrets are still wiped after use, "
                                            "but may reach the swap");
    }
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

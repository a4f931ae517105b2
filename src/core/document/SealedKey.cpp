#include "core/document/SealedKey.h"

#include <sodium.h>

#include <string>

#include "core/document/SealedText.h"

namespace kyq {
namespace {

// libsodium's BLAKE2b leaves its last output block, the key itself, in a stack buffer of
// the thread that derived it; the stack the derivation used is overwritten before the key
// is handed on. Called from the frame that called crypto_pwhash, so the scratch lies where
// the derivation's frames were.
[[gnu::noinline]] void WipeDerivationStack()
{
    unsigned char scratch[64 * 1024];
    sodium_memzero(scratch, sizeof scratch);
    __asm__ __volatile__("" : : "r"(scratch) : "memory");
}

}  // namespace

bool IsAcceptedKeyCost(const KeyCost& cost)
{
    return cost.OpsLimit >= LowestKeyCost.OpsLimit && cost.OpsLimit <= HighestKeyCost.OpsLimit &&
           cost.MemLimitKiB >= LowestKeyCost.MemLimitKiB && cost.MemLimitKiB <= HighestKeyCost.MemLimitKiB &&
           static_cast<uint64_t>(cost.OpsLimit) * cost.MemLimitKiB <= HighestKeyWork;
}

SealedParameters SealedKey::FreshParameters(const KeyCost& cost)
{
    SealedParameters parameters;
    parameters.Cost = cost;
    if (!SecureBuffer::SodiumReady())
        throw std::bad_alloc();
    randombytes_buf(parameters.Salt.data(), parameters.Salt.size());
    return parameters;
}

Expected<std::shared_ptr<const SealedKey>> SealedKey::Derive(std::u16string_view password,
                                                             const SealedParameters& parameters)
{
    static_assert(crypto_pwhash_SALTBYTES == 16);
    if (!IsAcceptedKeyCost(parameters.Cost))
        return Error{"密钥参数超出范围", "key derivation cost out of range", 0};
    try {
        SecureBuffer secret = SecretUtf8(password);
        SecureBuffer key(Size);
        const int failed = crypto_pwhash(key.data(), Size, reinterpret_cast<const char*>(secret.data()),
                                         secret.size(), parameters.Salt.data(), parameters.Cost.OpsLimit,
                                         static_cast<size_t>(parameters.Cost.MemLimitKiB) * 1024,
                                         crypto_pwhash_ALG_ARGON2ID13);
        WipeDerivationStack();
        if (failed != 0)
            return Error{"内存不足，无法计算文档密钥",
                         "crypto_pwhash failed (out of memory for " +
                             std::to_string(parameters.Cost.MemLimitKiB) + " KiB)",
                         0};
        return std::make_shared<const SealedKey>(parameters, std::move(key), std::move(secret));
    } catch (const std::bad_alloc&) {
        return Error{"内存不足，无法计算文档密钥", "no locked memory for the key", 0};
    }
}

bool SealedKey::DerivedFrom(std::u16string_view password) const
{
    const SecureBuffer typed = SecretUtf8(password);
    return typed.size() == password_.size() &&
           (typed.size() == 0 || sodium_memcmp(typed.data(), password_.data(), typed.size()) == 0);
}

}  // namespace kyq

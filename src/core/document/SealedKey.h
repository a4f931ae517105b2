// The key of a sealed document: derived from the document password with a memory-hard
// function, kept in locked memory for as long as the document is open, so that a save
// without a change of password needs no new derivation.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/document/SecureBuffer.h"
#include "platform/Expected.h"

namespace kyq {

// How much work and memory one derivation takes.
struct KeyCost {
    uint32_t OpsLimit = 2;
    uint32_t MemLimitKiB = 262144;
    bool operator==(const KeyCost&) const = default;
};
// What new documents get: about half a second here.
inline constexpr KeyCost DefaultKeyCost{2, 262144};
// The range a reader accepts, so that no file can make the program work for long or take
// gigabytes before its password is even checked: each value within its bounds, and their
// product (the work: passes over the memory) at most four times the default's, about two
// seconds and 1 GiB here.
inline constexpr KeyCost LowestKeyCost{1, 8192};
inline constexpr KeyCost HighestKeyCost{32, 1048576};
inline constexpr uint64_t HighestKeyWork = 4ull * DefaultKeyCost.OpsLimit * DefaultKeyCost.MemLimitKiB;
bool IsAcceptedKeyCost(const KeyCost& cost);

struct SealedParameters {
    KeyCost Cost;
    std::array<uint8_t, 16> Salt{};
};

class SealedKey {
public:
    static constexpr size_t Size = 32;

    // A fresh random salt with the given cost.
    static SealedParameters FreshParameters(const KeyCost& cost);
    // Runs the derivation; it takes as long and as much memory as the cost says, so a
    // window runs it off its own thread. Fails only when the memory cannot be had (or the
    // cost is outside the accepted range).
    static Expected<std::shared_ptr<const SealedKey>> Derive(std::u16string_view password,
                                                             const SealedParameters& parameters);

    const SealedParameters& Parameters() const { return parameters_; }
    const uint8_t* Bytes() const { return key_.data(); }
    // Whether this key was derived from exactly this password (compared in constant time).
    bool DerivedFrom(std::u16string_view password) const;

    SealedKey(SealedParameters parameters, SecureBuffer key, SecureBuffer password)
        : parameters_(parameters), key_(std::move(key)), password_(std::move(password))
    {
    }

private:
    SealedParameters parameters_;
    SecureBuffer key_;
    SecureBuffer password_;  // UTF-8, to tell whether a save needs a new derivation
};

}  // namespace kyq

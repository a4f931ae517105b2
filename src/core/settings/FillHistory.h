// The ten most recently used fill macros, place 1 first.
#pragma once

#include <string>
#include <vector>

#include "platform/RegistryStore.h"

namespace kyq {

class FillHistory {
public:
    static constexpr size_t MaxItems = 10;

    const std::vector<std::u16string>& Items() const { return items_; }
    size_t size() const { return items_.size(); }

    // Moves a text equal ignoring case (the last such place) to place 1, spelled as given;
    // otherwise inserts it at place 1, dropping place 10 of a full list.
    void Update(const std::u16string& macro);
    void Assign(std::vector<std::u16string> items);

private:
    std::vector<std::u16string> items_;
};

// Software\Tarnwick\KYQ\History: Total (capped at 10, missing = 0) and "1".."Total".
void LoadFillHistory(FillHistory& history, RegistryStore& store);
// Removes the key, then writes Total and "1".."N", in one update; or says why not.
Expected<void> SaveFillHistory(const FillHistory& history, RegistryStore& store);

}  // namespace kyq

#include "core/settings/FillHistory.h"

#include <algorithm>

#include "core/document/SameText.h"
#include "core/settings/Registry.h"
#include "core/settings/TextHelpers.h"
#include "platform/Utf.h"

namespace kyq {

namespace {

constexpr std::string_view HistoryKey = "Software\\Tarnwick\\KYQ\\History";

}  // namespace

void FillHistory::Update(const std::u16string& macro)
{
    // The last equal place counts, so that of two equal texts (only possible when the list
    // was loaded that way) the older one is the one that moves.
    auto found = items_.end();
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        if (SameText(*it, macro))
            found = it;
    }
    if (found != items_.end()) {
        items_.erase(found);
    } else if (items_.size() >= MaxItems) {
        items_.resize(MaxItems - 1);
    }
    items_.insert(items_.begin(), macro);
}

void FillHistory::Assign(std::vector<std::u16string> items)
{
    if (items.size() > MaxItems)
        items.resize(MaxItems);
    items_ = std::move(items);
}

void LoadFillHistory(FillHistory& history, RegistryStore& store)
{
    const int32_t total = ReadNumberValue(store, Hive::CurrentUser, HistoryKey, "Total");
    const auto count = static_cast<size_t>(std::clamp<int32_t>(total, 0, static_cast<int32_t>(FillHistory::MaxItems)));
    std::vector<std::u16string> items;
    items.reserve(count);
    for (size_t i = 1; i <= count; ++i) {
        items.push_back(Utf8ToUtf16(ReadTextValue(store, Hive::CurrentUser, HistoryKey,
                                                  PadNumber(static_cast<int64_t>(i), 0))));
    }
    history.Assign(std::move(items));
}

Expected<void> SaveFillHistory(const FillHistory& history, RegistryStore& store)
{
    RegistryStore::Batch batch(store);
    Expected<void> saved = RemoveKey(store, Hive::CurrentUser, HistoryKey);
    KeepFirstError(saved, WriteNumberValue(store, Hive::CurrentUser, HistoryKey, "Total",
                                           static_cast<int32_t>(history.size())));
    for (size_t i = 0; i < history.size(); ++i) {
        KeepFirstError(saved, WriteTextValue(store, Hive::CurrentUser, HistoryKey,
                                             PadNumber(static_cast<int64_t>(i + 1), 0),
                                             Utf16ToUtf8(history.Items()[i])));
    }
    KeepFirstError(saved, batch.Commit());
    return saved;
}

}  // namespace kyq

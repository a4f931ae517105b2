#include "core/document/PasswordDocument.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "core/document/SealedFormat.h"

namespace kyq {

bool PasswordDocument::IsSealed() const
{
    return FormatVersion == SealedFormatNumber;
}

bool PasswordDocument::AppendEntry(PasswordEntry entry)
{
    if (EntryCount() >= MaxEntries)
        return false;
    Entries.push_back(std::move(entry));
    return true;
}

void PasswordDocument::ResetEntries()
{
    Entries.assign(1, PasswordEntry{});
    password_.clear();
}

void PasswordDocument::KeepOwnerOnly()
{
    Entries.resize(1);
    Entries[0].Title.clear();
}

bool PasswordDocument::ReorderEntries(bool dropLast)
{
    const int n = EntryCount();
    if (n == 0)
        return false;
    const int newCount = dropLast ? n - 1 : n;

    // Saved files are in title order, so after a load the records usually follow the index
    // already; the general matching below would then give the same order.
    if (Titles.size() >= static_cast<size_t>(newCount)) {
        int j = 0;
        while (j < newCount && Titles.View(static_cast<size_t>(j)) == Entries[static_cast<size_t>(j) + 1].Title)
            ++j;
        if (j == newCount) {
            Entries.resize(static_cast<size_t>(newCount) + 1);
            Modified = true;
            return true;
        }
    }

    // First the new order as record numbers, then the moves: the look-up keys are views of
    // the titles, which must stay where they are until the order is known. Records with
    // equal titles are chained in index order, so the first unused record with a title is
    // the one that title takes. (One map node per title and no per-title vector: this
    // runs after every load of up to 32,767 records.)
    std::unordered_map<std::u16string_view, int> firstUnused;
    firstUnused.reserve(static_cast<size_t>(n));
    std::vector<int> nextSameTitle(static_cast<size_t>(n) + 1, 0);
    for (int i = n; i >= 1; --i) {
        const std::u16string_view title = Entries[static_cast<size_t>(i)].Title;
        auto [slot, fresh] = firstUnused.try_emplace(title, i);
        if (!fresh) {
            nextSameTitle[static_cast<size_t>(i)] = slot->second;
            slot->second = i;
        }
    }

    // > 0: that record; < 0: -(line + 1), a title of the index without a record of its own.
    std::vector<int> order;
    order.reserve(static_cast<size_t>(newCount));
    std::vector<char> used(static_cast<size_t>(n) + 1, 0);
    const size_t titled = std::min(Titles.size(), static_cast<size_t>(newCount));
    for (size_t j = 0; j < titled; ++j) {
        const auto found = firstUnused.find(Titles.View(j));
        if (found != firstUnused.end() && found->second != 0) {
            const int idx = found->second;
            found->second = nextSameTitle[static_cast<size_t>(idx)];
            used[static_cast<size_t>(idx)] = 1;
            order.push_back(idx);
        } else {
            order.push_back(-static_cast<int>(j) - 1);
        }
    }
    // Should the index hold fewer titles than records, no record is lost silently:
    // the unmatched ones follow in their previous order.
    for (int i = 1; i <= n && static_cast<int>(order.size()) < newCount; ++i) {
        if (!used[static_cast<size_t>(i)])
            order.push_back(i);
    }

    std::vector<PasswordEntry> ordered;
    ordered.reserve(order.size() + 1);
    ordered.push_back(std::move(Entries[0]));
    for (const int k : order) {
        if (k > 0) {
            ordered.push_back(std::move(Entries[static_cast<size_t>(k)]));
        } else {
            // An empty record under that title, as the index demands.
            PasswordEntry empty;
            empty.Title = Titles.View(static_cast<size_t>(-k - 1));
            ordered.push_back(std::move(empty));
        }
    }
    Entries = std::move(ordered);
    Modified = true;
    return true;
}

void PasswordDocument::RemoveEntryAt(int index)
{
    if (index < 1 || index > EntryCount())
        return;
    // Titles and Entries share one order, so line index - 1 is this record's title.
    Titles.RemoveAt(static_cast<size_t>(index - 1));
    Entries.erase(Entries.begin() + index);
    Modified = true;
}

}  // namespace kyq

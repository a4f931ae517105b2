#include "document/PasswordDocument.h"

#include <unordered_map>
#include <utility>

namespace kyq {

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

    // Queue of record indices per exact title, in index order: the first unused record
    // with a title is the one that title takes.
    std::unordered_map<std::u16string, std::vector<int>> byTitle;
    byTitle.reserve(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i)
        byTitle[Entries[static_cast<size_t>(i)].Title].push_back(i);
    std::unordered_map<std::u16string, size_t> nextOfTitle;

    std::vector<char> used(static_cast<size_t>(n) + 1, 0);
    std::vector<PasswordEntry> ordered;
    ordered.reserve(static_cast<size_t>(newCount) + 1);
    ordered.push_back(std::move(Entries[0]));

    const size_t titled = std::min(Titles.size(), static_cast<size_t>(newCount));
    for (size_t j = 0; j < titled; ++j) {
        const std::u16string& title = Titles.At(j);
        auto found = byTitle.find(title);
        if (found != byTitle.end()) {
            size_t& next = nextOfTitle[title];
            if (next < found->second.size()) {
                const int idx = found->second[next++];
                used[static_cast<size_t>(idx)] = 1;
                ordered.push_back(std::move(Entries[static_cast<size_t>(idx)]));
                continue;
            }
        }
        // A title without a record of its own (the index and the records disagree):
        // an empty record under that title, as the index demands.
        PasswordEntry empty;
        empty.Title = title;
        ordered.push_back(std::move(empty));
    }
    // Should the index hold fewer titles than records, no record is lost silently:
    // the unmatched ones follow in their previous order.
    for (int i = 1; i <= n && static_cast<int>(ordered.size()) <= newCount; ++i) {
        if (!used[static_cast<size_t>(i)])
            ordered.push_back(std::move(Entries[static_cast<size_t>(i)]));
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

void PasswordDocument::TakeUndoSnapshot()
{
    SnapshotEntries = Entries;
    SnapshotCount = EntryCount();
    snapshotTitles_ = Titles;
}

void PasswordDocument::ExchangeWithUndoSnapshot(bool restoreOnly)
{
    if (SnapshotCount < 0)
        return;
    std::swap(Modified, SnapshotModified);
    if (restoreOnly) {
        Entries = std::move(SnapshotEntries);
        Titles = std::move(snapshotTitles_);
        SnapshotEntries.clear();
        snapshotTitles_.Clear();
        SnapshotCount = -1;
    } else {
        std::swap(Entries, SnapshotEntries);
        std::swap(Titles, snapshotTitles_);
        SnapshotCount = static_cast<int>(SnapshotEntries.size()) - 1;
    }
    if (Entries.empty())
        Entries.resize(1);
}

}  // namespace kyq

#include "document/SortList.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "document/TitleCollator.h"

namespace kyq {

namespace {

// Up to this many late titles are inserted one by one (a binary search each); more are
// sorted by collation key and merged. A key costs about as much as a dozen comparisons,
// so keys only pay off when many titles must be placed.
constexpr size_t InsertOneByOneLimit = 16;

bool Before(const std::u16string& a, const std::u16string& b)
{
    return TitleCollator::Compare(a, b) < 0;
}

// Sorts by collation key; equal keys fall back to the code units, as Compare does, so the
// result is in exactly Compare's order (ICU keys order like its comparison).
void SortByKey(std::vector<std::u16string>& titles)
{
    struct Keyed {
        std::string key;
        std::u16string title;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(titles.size());
    for (std::u16string& title : titles) {
        std::string key = TitleCollator::SortKey(title);
        keyed.push_back(Keyed{std::move(key), std::move(title)});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.key != b.key)
            return a.key < b.key;
        return a.title < b.title;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        titles[i] = std::move(keyed[i].title);
}

}  // namespace

void SortList::Add(const std::u16string& title)
{
    items_.push_back(title);
}

void SortList::RemoveAt(size_t position)
{
    SortIfNeeded();
    if (position >= items_.size())
        throw std::out_of_range("SortList::RemoveAt");
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(position));
    sortedCount_ = items_.size();
}

void SortList::Clear()
{
    items_.clear();
    sortedCount_ = 0;
}

const std::u16string& SortList::At(size_t position) const
{
    SortIfNeeded();
    return items_.at(position);
}

void SortList::SortIfNeeded() const
{
    const size_t count = items_.size();
    if (sortedCount_ == count)
        return;

    // Keep every unchecked title that follows the last kept one in order; set aside the
    // ones that do not. The kept ones stay in order at the front.
    std::vector<std::u16string> late;
    size_t kept = sortedCount_;
    for (size_t i = sortedCount_; i < count; ++i) {
        if (kept == 0 || !Before(items_[i], items_[kept - 1])) {
            if (kept != i)
                items_[kept] = std::move(items_[i]);
            ++kept;
        } else {
            late.push_back(std::move(items_[i]));
        }
    }
    items_.resize(kept);

    if (late.size() <= InsertOneByOneLimit) {
        for (std::u16string& title : late) {
            // After any equal title, as a stable sort would put it.
            const auto at = std::upper_bound(items_.begin(), items_.end(), title, Before);
            items_.insert(at, std::move(title));
        }
    } else {
        SortByKey(late);
        const auto middle = static_cast<std::ptrdiff_t>(items_.size());
        items_.insert(items_.end(), std::make_move_iterator(late.begin()), std::make_move_iterator(late.end()));
        std::inplace_merge(items_.begin(), items_.begin() + middle, items_.end(), Before);
    }
    sortedCount_ = items_.size();
}

}  // namespace kyq

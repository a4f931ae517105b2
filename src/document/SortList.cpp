#include "document/SortList.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "document/TitleCollator.h"

namespace kyq {

namespace {

// Up to this many late titles are inserted one by one (a binary search each); more are
// sorted together with the rest by collation key. A key costs about as much as a dozen
// comparisons, so keys only pay off when many titles must be placed.
constexpr size_t InsertOneByOneLimit = 16;

}  // namespace

void SortList::Add(const std::u16string& title)
{
    const bool inOrder = sortedCount_ == items_.size() &&
                         (items_.empty() || TitleCollator::Compare(items_.back().title, title) <= 0);
    items_.push_back(Item{title, {}, false});
    if (inOrder)
        ++sortedCount_;
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
    return items_.at(position).title;
}

void SortList::SortIfNeeded() const
{
    const size_t late = items_.size() - sortedCount_;
    if (late == 0)
        return;
    if (late <= InsertOneByOneLimit) {
        std::vector<Item> pending(std::make_move_iterator(items_.begin() + static_cast<std::ptrdiff_t>(sortedCount_)),
                                  std::make_move_iterator(items_.end()));
        items_.resize(sortedCount_);
        for (Item& item : pending) {
            // After any equal title, as a stable sort would put it.
            const auto at = std::upper_bound(items_.begin(), items_.end(), item, [](const Item& a, const Item& b) {
                return TitleCollator::Compare(a.title, b.title) < 0;
            });
            items_.insert(at, std::move(item));
        }
    } else {
        for (Item& item : items_) {
            if (!item.hasKey) {
                item.key = TitleCollator::SortKey(item.title);
                item.hasKey = true;
            }
        }
        // Keys order like Compare (ICU guarantees it); equal keys fall back to the code units.
        std::sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) {
            if (a.key != b.key)
                return a.key < b.key;
            return a.title < b.title;
        });
    }
    sortedCount_ = items_.size();
}

}  // namespace kyq

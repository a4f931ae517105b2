#include "document/SortList.h"

#include <algorithm>
#include <stdexcept>

#include "document/TitleCollator.h"

namespace kyq {

void SortList::Add(const std::u16string& title)
{
    Item item{TitleCollator::SortKey(title), title};
    if (sorted_ && !items_.empty()) {
        const Item& last = items_.back();
        if (item.key < last.key || (item.key == last.key && item.title < last.title))
            sorted_ = false;
    }
    items_.push_back(std::move(item));
}

void SortList::RemoveAt(size_t position)
{
    SortIfNeeded();
    if (position >= items_.size())
        throw std::out_of_range("SortList::RemoveAt");
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(position));
}

void SortList::Clear()
{
    items_.clear();
    sorted_ = true;
}

const std::u16string& SortList::At(size_t position) const
{
    SortIfNeeded();
    return items_.at(position).title;
}

void SortList::SortIfNeeded() const
{
    if (sorted_)
        return;
    std::sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) {
        if (a.key != b.key)
            return a.key < b.key;
        return a.title < b.title;
    });
    sorted_ = true;
}

}  // namespace kyq

#include "core/document/SortList.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <utility>

#include "core/document/TitleCollator.h"

namespace kyq {

namespace {

// Up to this many late titles are inserted one by one (a binary search each); more are
// sorted by collation key and merged. A key costs about as much as a dozen comparisons,
// so keys only pay off when many titles must be placed.
constexpr size_t InsertOneByOneLimit = 16;

// The pool is rebuilt when at least this many characters, and more than it holds in use,
// are left over.
constexpr size_t CompactAfter = 4096;

}  // namespace

std::u16string_view SortList::ViewOf(const Item& item) const
{
    if (item.pooled)
        return std::u16string_view(pool_).substr(item.offset, item.length);
    return item.text;
}

void SortList::Add(std::u16string_view title)
{
    if (pool_.size() - pooledCharacters_ >= CompactAfter && pool_.size() - pooledCharacters_ > pooledCharacters_)
        CompactPool();
    Item item;
    if (pool_.size() + title.size() <= std::numeric_limits<uint32_t>::max()) {
        item.offset = static_cast<uint32_t>(pool_.size());
        item.length = static_cast<uint32_t>(title.size());
        item.pooled = true;
        pool_.append(title);
        pooledCharacters_ += title.size();
    } else {
        item.text.assign(title);
    }
    items_.push_back(std::move(item));
}

void SortList::CompactPool()
{
    std::u16string pool;
    pool.reserve(pooledCharacters_);
    for (Item& item : items_) {
        if (!item.pooled)
            continue;
        const auto offset = static_cast<uint32_t>(pool.size());
        pool.append(ViewOf(item));
        item.offset = offset;
    }
    pool_ = std::move(pool);
    pooledCharacters_ = pool_.size();
}

void SortList::RemoveAt(size_t position)
{
    SortIfNeeded();
    if (position >= items_.size())
        throw std::out_of_range("SortList::RemoveAt");
    if (items_[position].pooled)
        pooledCharacters_ -= items_[position].length;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(position));
    sortedCount_ = items_.size();
}

void SortList::Clear()
{
    items_.clear();
    sortedCount_ = 0;
    pool_.clear();
    pooledCharacters_ = 0;
}

const std::u16string& SortList::At(size_t position) const
{
    SortIfNeeded();
    Item& item = items_.at(position);
    if (item.pooled) {
        item.text.assign(ViewOf(item));
        item.pooled = false;
        pooledCharacters_ -= item.length;
    }
    return item.text;
}

std::u16string_view SortList::View(size_t position) const
{
    SortIfNeeded();
    return ViewOf(items_.at(position));
}

void SortList::SortIfNeeded() const
{
    const size_t count = items_.size();
    if (sortedCount_ == count)
        return;
    const auto before = [this](const Item& a, const Item& b) {
        return TitleCollator::Compare(ViewOf(a), ViewOf(b)) < 0;
    };

    // Keep every unchecked title that follows the last kept one in order; set aside the
    // ones that do not. The kept ones stay in order at the front.
    std::vector<Item> late;
    size_t kept = sortedCount_;
    for (size_t i = sortedCount_; i < count; ++i) {
        if (kept == 0 || !before(items_[i], items_[kept - 1])) {
            if (kept != i)
                items_[kept] = std::move(items_[i]);
            ++kept;
        } else {
            late.push_back(std::move(items_[i]));
        }
    }
    items_.resize(kept);

    if (late.size() <= InsertOneByOneLimit) {
        for (Item& item : late) {
            // After any equal title, as a stable sort would put it.
            const auto at = std::upper_bound(items_.begin(), items_.end(), item, before);
            items_.insert(at, std::move(item));
        }
    } else {
        // By key; equal keys fall back to the code units, as Compare does, so the late
        // titles end up in exactly Compare's order (ICU keys order like its comparison)
        // and can be merged with the kept ones by comparison.
        std::vector<std::pair<std::string, size_t>> keys;
        keys.reserve(late.size());
        for (size_t i = 0; i < late.size(); ++i)
            keys.emplace_back(TitleCollator::SortKey(ViewOf(late[i])), i);
        std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
            if (a.first != b.first)
                return a.first < b.first;
            return ViewOf(late[a.second]) < ViewOf(late[b.second]);
        });
        const auto middle = static_cast<std::ptrdiff_t>(items_.size());
        for (const auto& key : keys)
            items_.push_back(std::move(late[key.second]));
        std::inplace_merge(items_.begin(), items_.begin() + middle, items_.end(), before);
    }
    sortedCount_ = items_.size();
}

}  // namespace kyq

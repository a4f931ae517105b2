// The title index: every stored title once, kept in title order (see TitleCollator).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kyq {

class SortList {
public:
    // Places the title in order. Titles that arrive in order (a saved file is read in title
    // order) are only compared with the last one. Others wait until the list is next read:
    // a few are then inserted where they belong, many are sorted at once by collation key,
    // so a bulk load stays O(n log n).
    void Add(const std::u16string& title);
    void RemoveAt(size_t position);
    void Clear();

    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const std::u16string& At(size_t position) const;

private:
    struct Item {
        std::u16string title;
        std::string key;  // TitleCollator::SortKey, computed only when a sort needs it
        bool hasKey = false;
    };
    void SortIfNeeded() const;

    mutable std::vector<Item> items_;
    // items_[0, sortedCount_) are in title order; the rest were added out of order.
    mutable size_t sortedCount_ = 0;
};

}  // namespace kyq

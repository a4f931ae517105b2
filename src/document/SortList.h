// The title index: every stored title once, kept in title order (see TitleCollator).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kyq {

class SortList {
public:
    // Takes the title as it comes; the order is settled at the next read of the list. A
    // saved file is read in title order, so a load costs one comparison per title with its
    // neighbour there; titles out of place are then inserted one by one when they are few,
    // or sorted by collation key and merged in when they are many (O(n log n) at worst).
    void Add(const std::u16string& title);
    void RemoveAt(size_t position);
    void Clear();

    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const std::u16string& At(size_t position) const;

private:
    void SortIfNeeded() const;

    mutable std::vector<std::u16string> items_;
    // items_[0, sortedCount_) are known to be in title order; the rest are unchecked.
    mutable size_t sortedCount_ = 0;
};

}  // namespace kyq

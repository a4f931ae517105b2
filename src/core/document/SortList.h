// The title index: every stored title once, kept in title order (see TitleCollator).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kyq {

class SortList {
public:
    // Takes the title as it comes; the order is settled at the next read of the list. A
    // saved file is read in title order, so a load costs one comparison per title with its
    // neighbour there; titles out of place are then inserted one by one when they are few,
    // or sorted by collation key and merged in when they are many (O(n log n) at worst).
    void Add(std::u16string_view title);
    void RemoveAt(size_t position);
    void Clear();

    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    // The title on line `position`. The reference holds until the list next changes.
    const std::u16string& At(size_t position) const;
    // The same as a view, which costs no string of its own; valid until the list next
    // changes.
    std::u16string_view View(size_t position) const;

private:
    // Titles arrive by the tens of thousands when a document is read: their characters go
    // into one shared pool instead of a string each, and a title only gets a string of its
    // own when At() is asked for it.
    struct Item {
        uint32_t offset = 0;  // in pool_, while pooled
        uint32_t length = 0;
        bool pooled = false;
        std::u16string text;  // once not pooled
    };

    std::u16string_view ViewOf(const Item& item) const;
    void SortIfNeeded() const;
    void CompactPool();

    mutable std::vector<Item> items_;
    // items_[0, sortedCount_) are known to be in title order; the rest are unchecked.
    mutable size_t sortedCount_ = 0;
    std::u16string pool_;
    // Characters of pool_ that pooled items still use; the rest are left over from titles
    // that were removed or given strings of their own.
    mutable size_t pooledCharacters_ = 0;
};

}  // namespace kyq

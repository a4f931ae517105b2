// The title index: every stored title once, kept in title order (see TitleCollator).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kyq {

class SortList {
public:
    // Places the title in order. Bulk loads stay O(n log n): adds are collected and
    // sorted once, the next time the list is read.
    void Add(const std::u16string& title);
    void RemoveAt(size_t position);
    void Clear();

    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const std::u16string& At(size_t position) const;

private:
    struct Item {
        std::string key;
        std::u16string title;
    };
    void SortIfNeeded() const;

    mutable std::vector<Item> items_;
    mutable bool sorted_ = true;
};

}  // namespace kyq

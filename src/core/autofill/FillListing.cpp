#include "core/autofill/FillListing.h"

namespace kyq {

FillListing ListForFill(const PasswordDocument& doc, uint64_t serial)
{
    FillListing listing;
    listing.DocumentSerial = serial;
    listing.Titles.reserve(static_cast<size_t>(doc.EntryCount()));
    for (int i = 1; i <= doc.EntryCount(); ++i)
        listing.Titles.push_back(doc.Entries[static_cast<size_t>(i)].Title);
    return listing;
}

const PasswordEntry* PickedEntry(const PasswordDocument& doc, uint64_t serial,
                                 const FillListing& listing, int row)
{
    if (!doc.IsOpen() || serial != listing.DocumentSerial || row < 0 ||
        static_cast<size_t>(row) >= listing.Titles.size())
        return nullptr;
    const std::u16string& title = listing.Titles[static_cast<size_t>(row)];
    // Usually still in its row; after an add or delete elsewhere it has moved. Titles are
    // unique ignoring case, so the exact text finds it or nothing.
    const int count = doc.EntryCount();
    if (row + 1 <= count && doc.Entries[static_cast<size_t>(row + 1)].Title == title)
        return &doc.Entries[static_cast<size_t>(row + 1)];
    for (int i = 1; i <= count; ++i) {
        if (doc.Entries[static_cast<size_t>(i)].Title == title)
            return &doc.Entries[static_cast<size_t>(i)];
    }
    return nullptr;
}

}  // namespace kyq

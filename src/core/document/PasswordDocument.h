// The one open document: owner record, stored passwords in title order, path, modified
// flag, format, key and password, and the file as it was last read or written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/document/Grille.h"
#include "platform/FileStamp.h"
#include "core/document/PasswordEntry.h"
#include "core/document/SecretText.h"
#include "core/document/SortList.h"

namespace kyq {

class SealedKey;

class PasswordDocument {
public:
    static constexpr int MaxEntries = 32767;
    // Path of a new document that was never saved.
    static constexpr const char* NewDocumentPath = "nul";
    // A document is open (new or from a file): Path is not "".
    bool IsOpen() const { return !Path.empty(); }
    // A new document never saved: Path is exactly "nul".
    bool IsUntitled() const { return Path == NewDocumentPath; }
    bool IsSealed() const;

    // Element 0 is the owner record: Title = owner name; its Password stays empty, the
    // document password lives in locked memory (DocumentPassword()).
    std::vector<PasswordEntry> Entries{1};
    // The title index; Entries 1..EntryCount() follow its order after ReorderEntries.
    SortList Titles;

    std::string Path;  // "" = none open, "nul" = new and unsaved, else a file path (UTF-8)
    bool Modified = false;

    // The file as it was last read or written; a save over it first checks that it is
    // still so.
    FileStamp OnDisk;
    // The file as ProbeHeader read it, kept for the password step: the reader parses the
    // very bytes the probe looked at (one read per open, no change in between). Used up by
    // OpenProbedDocument.
    std::vector<uint8_t> ProbedBytes;
    FileStamp ProbedStamp;

    // The format the document was read in, and is saved in: 300 sealed, else 200 (a
    // format-150 document is saved as 200).
    int32_t FormatVersion = 0;
    // A sealed document's key, derived from DocumentPassword() when it was opened or last
    // saved; a save derives a new one only when the password has changed since.
    std::shared_ptr<const SealedKey> SealKey;
    Grille FileGrille{};
    // Titles of the records whose passwords the last read found expired, in file order.
    std::vector<std::u16string> ExpiredTitles;

    int EntryCount() const { return static_cast<int>(Entries.size()) - 1; }
    std::u16string& OwnerName() { return Entries[0].Title; }
    const std::u16string& OwnerName() const { return Entries[0].Title; }
    SecretText& DocumentPassword() { return password_; }
    const SecretText& DocumentPassword() const { return password_; }

    void AddTitle(const PasswordEntry& entry) { Titles.Add(entry.Title); }
    // Stores the record after the last one; false (nothing stored) at MaxEntries.
    bool AppendEntry(PasswordEntry entry);
    // A single empty owner record, no stored passwords.
    void ResetEntries();
    // Drops every stored password and clears the owner name (the probe reads it anew).
    void KeepOwnerOnly();

    // Puts Entries 1.. into the order of Titles and sets Modified. With dropLast the
    // record whose title was taken out of Titles is dropped. Records are matched to
    // titles exactly, each at most once, so even a file holding equal titles comes out
    // as a permutation of its records. Returns false (and changes nothing) when the
    // document has no stored passwords.
    bool ReorderEntries(bool dropLast);

    // Removes record `index` (1-based) and its title; sets Modified.
    void RemoveEntryAt(int index);

private:
    SecretText password_;
};

}  // namespace kyq

// What the session keeps beside the one document while it is open, closed and opened again:
// the one-step undo, the previous document a close keeps for an open that may not happen,
// whether the password prompt is up, and which document the other windows last listed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/document/PasswordDocument.h"
#include "core/document/SecretText.h"
#include "core/document/SortList.h"

namespace kyq {

class SealedKey;

class DocumentSession {
public:
    // The path of the document the last close closed: a cancelled or failed open goes back
    // to it.
    std::string PreviousPath;
    // The modified flag the snapshot's records go with: a restore gives back the flag of the
    // state it returns to.
    bool SnapshotModified = false;
    // The last close kept unsaved changes in memory (its save prompt was answered No): a
    // document brought back after a cancelled or failed open is still unsaved then.
    bool UnsavedAtClose = false;
    // Changes whenever the document is closed: whatever was shown of the one before (the
    // fill dialog's list) no longer speaks for what is open now.
    uint64_t Serial = 0;
    // The password prompt of an open is up (the workflow shows and closes it).
    bool PasswordPromptOpen = false;

    // Copies the records, the title index, the format, key and password into the snapshot.
    void TakeUndoSnapshot(const PasswordDocument& doc);
    // restoreOnly false: swap the records with the snapshot's (undo; again = redo). The
    // owner name, document password, format and seal stay as they are now: a user who
    // changed a leaked password must never get it back from an undo meant for a record.
    // restoreOnly true: the snapshot becomes the document, all of it, and is used up.
    // Both swap Modified with SnapshotModified; an undo or redo then leaves the document
    // modified, a restore keeps the swapped flag.
    void ExchangeWithUndoSnapshot(PasswordDocument& doc, bool restoreOnly);
    bool HasUndoSnapshot() const { return snapshotCount_ >= 0; }
    // An open succeeded: what the snapshot kept of the previous document for a cancelled
    // open goes, its key and password wiped.
    void DropUndoSnapshot();
    // The document is closed for good (not to be brought back after a cancelled open): the
    // snapshot's records go, and the key and password of both are wiped.
    void ForgetClosedDocument(PasswordDocument& doc);

    const SecretText& SnapshotPassword() const { return snapshotPassword_; }

private:
    std::vector<PasswordEntry> snapshotEntries_;
    int snapshotCount_ = -1;  // -1: no snapshot (used up by a restore)
    SortList snapshotTitles_;
    // The format and key go with the records they belong to, so a document brought back
    // after a cancelled open is saved as it was read.
    int32_t snapshotFormatVersion_ = 0;
    std::shared_ptr<const SealedKey> snapshotSealKey_;
    SecretText snapshotPassword_;
};

}  // namespace kyq

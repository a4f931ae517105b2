#include "core/workflow/DocumentSession.h"

#include <utility>

namespace kyq {

void DocumentSession::TakeUndoSnapshot(const PasswordDocument& doc)
{
    snapshotEntries_ = doc.Entries;
    snapshotCount_ = doc.EntryCount();
    snapshotTitles_ = doc.Titles;
    snapshotFormatVersion_ = doc.FormatVersion;
    snapshotSealKey_ = doc.SealKey;
    snapshotPassword_ = doc.DocumentPassword();
}

void DocumentSession::DropUndoSnapshot()
{
    snapshotEntries_.clear();
    snapshotEntries_.shrink_to_fit();
    snapshotTitles_.Clear();
    snapshotCount_ = -1;
    snapshotSealKey_.reset();
    snapshotPassword_.clear();
}

void DocumentSession::ForgetClosedDocument(PasswordDocument& doc)
{
    DropUndoSnapshot();
    doc.SealKey.reset();
    doc.DocumentPassword().clear();
}

void DocumentSession::ExchangeWithUndoSnapshot(PasswordDocument& doc, bool restoreOnly)
{
    if (snapshotCount_ < 0)
        return;
    std::swap(doc.Modified, SnapshotModified);
    if (restoreOnly) {
        doc.Entries = std::move(snapshotEntries_);
        doc.Titles = std::move(snapshotTitles_);
        doc.FormatVersion = snapshotFormatVersion_;
        doc.SealKey = std::move(snapshotSealKey_);
        snapshotSealKey_.reset();
        doc.DocumentPassword() = std::move(snapshotPassword_);
        snapshotPassword_.clear();
        snapshotEntries_.clear();
        snapshotTitles_.Clear();
        snapshotCount_ = -1;
    } else {
        // Record 0 holds the owner name and the document password.
        PasswordEntry credentials = doc.Entries.empty() ? PasswordEntry{} : doc.Entries[0];
        std::swap(doc.Entries, snapshotEntries_);
        std::swap(doc.Titles, snapshotTitles_);
        if (doc.Entries.empty())
            doc.Entries.resize(1);
        doc.Entries[0] = credentials;
        if (!snapshotEntries_.empty())
            snapshotEntries_[0] = std::move(credentials);
        snapshotFormatVersion_ = doc.FormatVersion;
        snapshotSealKey_ = doc.SealKey;
        snapshotPassword_ = doc.DocumentPassword();
        snapshotCount_ = static_cast<int>(snapshotEntries_.size()) - 1;
        // The records differ from the file whichever way the swap went (an undo after a
        // save brings back what the file no longer has): closing must offer to save.
        doc.Modified = true;
    }
    if (doc.Entries.empty())
        doc.Entries.resize(1);
}

}  // namespace kyq

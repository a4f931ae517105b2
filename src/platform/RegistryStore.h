// The registry of this program on Linux: one text file per hive in a folder of the user's
// own, every write a locked read-modify-write and an atomic rewrite of the file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Expected.h"
#include "platform/RegistryHive.h"
#include "platform/RegistryText.h"

namespace kyq {

enum class Hive { CurrentUser, LocalMachine, ClassesRoot };

inline constexpr size_t HiveCount = 3;

// "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT": the root of every section
// in the hive's file and the file's name without ".reg".
std::string_view HiveName(Hive hive);

// Not thread-safe: one store belongs to one thread (the user-interface thread). Any number
// of processes may share the folder.
class RegistryStore {
public:
    explicit RegistryStore(std::filesystem::path folder);
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // $KYQ_REGISTRY_DIR when set, else $XDG_CONFIG_HOME/Tarnwick, else ~/.config/Tarnwick.
    static std::filesystem::path DefaultFolder();

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path HivePath(Hive hive) const;

    // The hive as stored, with the changes of an open batch applied. A missing or unreadable
    // file reads as an empty hive; a damaged one as every key and value it still holds
    // readably (see ParseRegistryText).
    RegistryHive Read(Hive hive) const;
    // What reading the file found: no file at all, or the outcome of parsing it (None for a
    // good file).
    struct FileState {
        bool exists = false;
        HiveTextError error = HiveTextError::None;
        size_t line = 0;          // first damaged line
        size_t damagedLines = 0;  // lines skipped
    };
    FileState Inspect(Hive hive) const;
    // The hives whose file exists but is damaged or cannot be read. The first write to such
    // a hive keeps the file as it was beside it, as "<file>.damaged", and writes what could
    // be read with the change.
    std::vector<Hive> DamagedHives() const;
    // "<file>.damaged", or "<file>.damaged.2" ... ".9" while earlier copies are there.
    static std::filesystem::path DamagedCopyPath(const std::filesystem::path& hiveFile);

    std::optional<RegistryValue> GetValue(Hive hive, std::string_view keyPath,
                                          std::string_view valueName) const;

    // Each write fails when a name is invalid, a value too large to be read back
    // (FitsInHive), or the file could not be rewritten (nor would the whole hive fit in
    // MaxHiveBytes); inside a batch it only checks names and value, and Commit tells the rest.
    // A file that could not be rewritten is also logged, with the file and the reason.
    Expected<void> SetValue(Hive hive, std::string_view keyPath, std::string_view valueName,
                            RegistryValue value);
    Expected<void> CreateKey(Hive hive, std::string_view keyPath);
    Expected<void> DeleteValue(Hive hive, std::string_view keyPath, std::string_view valueName);
    // Deletes the key with everything below it. The hive's root cannot be deleted.
    Expected<void> DeleteKey(Hive hive, std::string_view keyPath);

    // While a batch is open, writes are held back; when the outermost batch ends (Commit or
    // destruction) each hive that was written to is updated once, under its lock, by
    // replaying the writes in order on the file as it then stands.
    class Batch {
    public:
        explicit Batch(RegistryStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // Done when every hive was written, else the first failure (each is logged). An inner
        // batch leaves the work to the outer one.
        Expected<void> Commit();

    private:
        RegistryStore& store_;
        bool open_ = true;
    };

private:
    struct Change {
        enum class Op { SetValue, CreateKey, DeleteValue, DeleteKey };
        Op op;
        std::string keyPath;
        std::string valueName;
        RegistryValue value;
    };

    Expected<void> Submit(Hive hive, Change change);
    Expected<void> EndBatch();
    static void ApplyChange(RegistryHive& hive, const Change& change);
    Expected<void> UpdateFile(Hive hive, const std::vector<Change>& changes) const;

    std::filesystem::path folder_;
    int batchDepth_ = 0;
    std::vector<Change> pending_[HiveCount];
};

}  // namespace kyq

#include "platform/RegistryStore.h"

#include "platform/Log.h"
#include "platform/SystemErrorText.h"
#include "platform/WholeFile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>

namespace kyq {

namespace {

constexpr mode_t FolderMode = 0700;
constexpr mode_t FileMode = 0600;

struct FileBytes {
    bool exists = false;
    bool readable = false;
    bool tooLarge = false;
    bool othersMayRead = false;  // group or other bits set: rewritten even when unchanged
    std::string bytes;
};

FileBytes ReadFileBytes(const std::filesystem::path& path)
{
    FileBytes file;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        file.exists = errno != ENOENT && errno != ENOTDIR;
        return file;
    }
    file.exists = true;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return file;
    }
    file.othersMayRead = (st.st_mode & 077) != 0;
    if (static_cast<unsigned long long>(st.st_size) > MaxHiveBytes) {
        file.readable = true;
        file.tooLarge = true;
        ::close(fd);
        return file;
    }
    // Read to the end rather than trusting st_size, but never past the limit.
    std::string bytes(static_cast<size_t>(st.st_size) + 1, '\0');
    size_t have = 0;
    for (;;) {
        if (have == bytes.size()) {
            if (bytes.size() > MaxHiveBytes)
                break;
            bytes.resize(std::min(bytes.size() * 2, MaxHiveBytes + 1));
        }
        const ssize_t got = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return file;
        }
        if (got == 0)
            break;
        have += static_cast<size_t>(got);
    }
    ::close(fd);
    file.readable = true;
    if (have > MaxHiveBytes) {
        file.tooLarge = true;
        return file;
    }
    bytes.resize(have);
    file.bytes = std::move(bytes);
    return file;
}

HiveTextResult ParseFile(const FileBytes& file, std::string_view rootName)
{
    HiveTextResult result;
    if (!file.exists)
        return result;
    if (!file.readable || file.tooLarge) {
        result.error = file.readable ? HiveTextError::TooLarge : HiveTextError::Unreadable;
        return result;
    }
    return ParseRegistryText(file.bytes, rootName);
}

// Creates the folder and any missing parents, each private to the user: 0, or the errno
// of the step that failed.
int MakeFolder(const std::filesystem::path& folder)
{
    std::filesystem::path prefix;
    for (const auto& part : folder) {
        prefix /= part;
        if (::mkdir(prefix.c_str(), FolderMode) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// A write refused before any file is touched: a name or value the hive file cannot hold.
Error Refused(std::string_view what, std::string_view keyPath, std::string_view valueName)
{
    Error e;
    e.Message = "设置无法保存：" + std::string(what);
    e.Detail = "refused to store " + std::string(keyPath) + "\\" + std::string(valueName) +
               ": " + std::string(what);
    return e;
}

// An exclusive flock on a file beside the hive, held for one read-modify-write.
class HiveLock {
public:
    explicit HiveLock(const std::filesystem::path& lockPath)
    {
        fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, FileMode);
        if (fd_ < 0)
            return;
        int rc;
        do {
            rc = ::flock(fd_, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~HiveLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

bool IsValidKeyPath(std::string_view keyPath)
{
    const auto parts = SplitKeyPath(keyPath);
    if (parts.size() > MaxKeyDepth)
        return false;
    for (std::string_view part : parts) {
        if (!IsValidKeyName(part))
            return false;
    }
    return true;
}

std::string EnvText(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::filesystem::path HomeFolder()
{
    std::string home = EnvText("HOME");
    if (!home.empty())
        return home;
    struct passwd pw {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::geteuid(), &pw, buffer, sizeof buffer, &found) == 0 && found &&
        found->pw_dir)
        return found->pw_dir;
    return "/";
}

}  // namespace

std::string_view HiveName(Hive hive)
{
    switch (hive) {
    case Hive::CurrentUser:
        return "HKEY_CURRENT_USER";
    case Hive::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case Hive::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    }
    return "HKEY_CURRENT_USER";
}

RegistryStore::RegistryStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path RegistryStore::DefaultFolder()
{
    const std::string overridden = EnvText("KYQ_REGISTRY_DIR");
    if (!overridden.empty())
        return overridden;
    // The XDG base-directory rules ignore a relative XDG_CONFIG_HOME.
    const std::string config = EnvText("XDG_CONFIG_HOME");
    if (!config.empty() && config.front() == '/')
        return std::filesystem::path(config) / "Tarnwick";
    return HomeFolder() / ".config" / "Tarnwick";
}

std::filesystem::path RegistryStore::HivePath(Hive hive) const
{
    return folder_ / (std::string(HiveName(hive)) + ".reg");
}

RegistryStore::FileState RegistryStore::Inspect(Hive hive) const
{
    const FileBytes file = ReadFileBytes(HivePath(hive));
    FileState state;
    state.exists = file.exists;
    const HiveTextResult parsed = ParseFile(file, HiveName(hive));
    state.error = parsed.error;
    state.line = parsed.line;
    state.damagedLines = parsed.damagedLines;
    return state;
}

std::vector<Hive> RegistryStore::DamagedHives() const
{
    std::vector<Hive> damaged;
    for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine, Hive::ClassesRoot}) {
        const FileState state = Inspect(hive);
        if (state.exists && state.error != HiveTextError::None)
            damaged.push_back(hive);
    }
    return damaged;
}

std::filesystem::path RegistryStore::DamagedCopyPath(const std::filesystem::path& hiveFile)
{
    // A copy kept from an earlier damage is not overwritten: the next one gets a number.
    constexpr int Slots = 9;
    std::filesystem::path aside;
    for (int slot = 1; slot <= Slots; ++slot) {
        aside = hiveFile;
        aside += slot == 1 ? std::string(".damaged") : ".damaged." + std::to_string(slot);
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(aside, error)))
            break;
    }
    return aside;
}

RegistryHive RegistryStore::Read(Hive hive) const
{
    RegistryHive result = ParseFile(ReadFileBytes(HivePath(hive)), HiveName(hive)).hive;
    for (const Change& change : pending_[static_cast<size_t>(hive)])
        ApplyChange(result, change);
    return result;
}

std::optional<RegistryValue> RegistryStore::GetValue(Hive hive, std::string_view keyPath,
                                                     std::string_view valueName) const
{
    const RegistryHive contents = Read(hive);
    const RegistryValue* value = contents.FindValue(keyPath, valueName);
    if (!value)
        return std::nullopt;
    return *value;
}

Expected<void> RegistryStore::SetValue(Hive hive, std::string_view keyPath,
                                       std::string_view valueName, RegistryValue value)
{
    if (!IsValidKeyPath(keyPath) || !IsValidValueName(valueName))
        return Refused("名称无效", keyPath, valueName);
    if (!FitsInHive(value))
        return Refused("值太长", keyPath, valueName);
    return Submit(hive, Change{Change::Op::SetValue, std::string(keyPath), std::string(valueName),
                               std::move(value)});
}

Expected<void> RegistryStore::CreateKey(Hive hive, std::string_view keyPath)
{
    if (!IsValidKeyPath(keyPath))
        return Refused("名称无效", keyPath, {});
    return Submit(hive, Change{Change::Op::CreateKey, std::string(keyPath), {}, {}});
}

Expected<void> RegistryStore::DeleteValue(Hive hive, std::string_view keyPath, std::string_view valueName)
{
    return Submit(hive, Change{Change::Op::DeleteValue, std::string(keyPath),
                               std::string(valueName), {}});
}

Expected<void> RegistryStore::DeleteKey(Hive hive, std::string_view keyPath)
{
    if (SplitKeyPath(keyPath).empty())
        return Refused("不能删除根键", keyPath, {});
    return Submit(hive, Change{Change::Op::DeleteKey, std::string(keyPath), {}, {}});
}

Expected<void> RegistryStore::Submit(Hive hive, Change change)
{
    if (batchDepth_ > 0) {
        pending_[static_cast<size_t>(hive)].push_back(std::move(change));
        return {};
    }
    return UpdateFile(hive, {std::move(change)});
}

void RegistryStore::ApplyChange(RegistryHive& hive, const Change& change)
{
    switch (change.op) {
    case Change::Op::SetValue:
        hive.SetValue(change.keyPath, change.valueName, change.value);
        break;
    case Change::Op::CreateKey:
        hive.CreateKey(change.keyPath);
        break;
    case Change::Op::DeleteValue:
        hive.RemoveValue(change.keyPath, change.valueName);
        break;
    case Change::Op::DeleteKey:
        hive.RemoveKey(change.keyPath);
        break;
    }
}

Expected<void> RegistryStore::UpdateFile(Hive hive, const std::vector<Change>& changes) const
{
    if (changes.empty())
        return {};
    const std::filesystem::path path = HivePath(hive);
    // message: for the user, whole; why: for the log, after the file's name.
    const auto failed = [&](const std::string& message, const std::string& why, int code) {
        Error e;
        e.Code = code;
        e.Message = message;
        e.Detail = "settings not saved to " + path.string() + ": " + why;
        LogWarning(LogArea::Settings, e.Detail);
        return e;
    };
    if (const int code = MakeFolder(folder_))
        return failed("设置无法保存到文件夹“" + folder_.string() + "”：" +
                          SystemErrorReason(code),
                      "cannot create the folder " + folder_.string() + ": " +
                          SystemErrorDetail(code),
                      code);
    std::filesystem::path lockPath = path;
    lockPath += ".lock";
    const HiveLock lock(lockPath);
    if (!lock.Held()) {
        const int code = errno;
        return failed("设置无法保存：无法锁定“" + lockPath.string() + "”：" +
                          SystemErrorReason(code),
                      "cannot lock " + lockPath.string() + ": " + SystemErrorDetail(code), code);
    }

    const FileBytes file = ReadFileBytes(path);
    HiveTextResult current = ParseFile(file, HiveName(hive));
    for (const Change& change : changes)
        ApplyChange(current.hive, change);
    const std::string text = FormatRegistryText(current.hive, HiveName(hive));
    if (current.error == HiveTextError::None && file.exists && file.bytes == text && !file.othersMayRead)
        return {};
    // A file too large to be read back would lose everything at the next start.
    if (text.size() > MaxHiveBytes)
        return failed("设置无法保存：“" + path.string() + "”将超过 " +
                          std::to_string(MaxHiveBytes) + " 字节",
                      "the file would grow past " + std::to_string(MaxHiveBytes) + " bytes",
                      EFBIG);
    // A damaged file is replaced by what could be read of it, but kept aside so that what
    // could not be read is not lost without a trace.
    if (current.error != HiveTextError::None && file.exists) {
        const std::filesystem::path aside = DamagedCopyPath(path);
        if (::rename(path.c_str(), aside.c_str()) != 0)
            LogWarning(LogArea::Settings, "cannot keep the damaged " + path.string() + " as " +
                                              aside.string());
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    // The hives hold the portal's restore token and the fill history: only the user reads them.
    if (auto written = ReplaceFileContents(path.string(), std::span<const uint8_t>(bytes, text.size()), nullptr,
                                           FileAccess::OwnerOnly);
        !written)
        return failed("设置无法保存到“" + path.string() + "”：" + written.error().Message,
                      written.error().Detail, written.error().Code);
    return {};
}

Expected<void> RegistryStore::EndBatch()
{
    if (batchDepth_ <= 0 || --batchDepth_ > 0)
        return {};
    Expected<void> result;
    for (size_t i = 0; i < HiveCount; ++i) {
        std::vector<Change> changes = std::move(pending_[i]);
        pending_[i].clear();
        // Every hive gets its chance; the first failure is the one reported.
        auto updated = UpdateFile(static_cast<Hive>(i), changes);
        if (result && !updated)
            result = std::move(updated);
    }
    return result;
}

RegistryStore::Batch::Batch(RegistryStore& store) : store_(store)
{
    ++store_.batchDepth_;
}

RegistryStore::Batch::~Batch()
{
    // Whoever needs the outcome commits; a failure here is logged all the same.
    (void)Commit();
}

Expected<void> RegistryStore::Batch::Commit()
{
    if (!open_)
        return {};
    open_ = false;
    return store_.EndBatch();
}

}  // namespace kyq

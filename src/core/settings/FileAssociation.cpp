#include "core/settings/FileAssociation.h"

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/settings/MimeAppsList.h"
#include "platform/Log.h"
#include "platform/WholeFile.h"

extern char** environ;

namespace kyq {

namespace {

// mimeapps.list is a few kilobytes; a file far beyond that is not one we should rewrite.
constexpr size_t kMaxMimeAppsSize = 1 << 20;

constexpr char kMimePackage[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
    "  <mime-type type=\"application/x-keyquill\">\n"
    "    <comment>Keyquill文档</comment>\n"
    "    <comment xml:lang=\"zh_CN\">Keyquill文档</comment>\n"
    "    <icon name=\"keyquill\"/>\n"
    "    <glob pattern=\"*.kyq\"/>\n"
    "  </mime-type>\n"
    "</mime-info>\n";

constexpr char kDesktopEntryHead[] =
    "[Desktop Entry]\n"
    "Type=Application\n"
    "Version=1.4\n"
    "Name=Keyquill\n"
    "Name[zh_CN]=Keyquill 密码管理\n"
    "GenericName=Password Manager\n"
    "GenericName[zh_CN]=密码管理程序\n"
    "Comment=Keep passwords in encrypted documents and fill them into other programs\n"
    "Comment[zh_CN]=把密码保存在加密文档中，并自动填写到其他程序\n";
constexpr char kDesktopEntryTail[] =
    "Icon=keyquill\n"
    "Terminal=false\n"
    "MimeType=application/x-keyquill;\n"
    "Categories=Utility;Security;\n"
    "Keywords=password;login;\n"
    "Keywords[zh_CN]=密码;登录;\n"
    "StartupNotify=false\n";

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

// The base-directory rule: the variable when it holds an absolute path, else the default.
std::string XdgFolder(const char* variable, const char* fallbackUnderHome) {
    if (const char* v = std::getenv(variable); v && v[0] == '/')
        return v;
    return HomeFolder() + "/" + fallbackUnderHome;
}

// Nobody is told when the desktop files cannot be changed (see Options), so the log is
// where a failure goes.
Error Logged(const char* step, const std::string& path, Error error) {
    LogWarning(LogArea::Files, std::string("cannot ") + step + " " + path + ": " + error.Detail);
    return error;
}

// The file's text; none when there is no file; an error when it could not be read whole.
Expected<std::optional<std::string>> ReadSmallFile(const std::string& path) {
    auto bytes = ReadFileStart(path, kMaxMimeAppsSize + 1);
    if (!bytes) {
        if (bytes.error().Code == ENOENT)
            return std::optional<std::string>();
        return bytes.error();
    }
    if (bytes->size() > kMaxMimeAppsSize)
        return Error{"文件太大", "larger than " + std::to_string(kMaxMimeAppsSize) + " bytes", EFBIG};
    return std::optional<std::string>(std::in_place, bytes->begin(), bytes->end());
}

// Temporary file next to the target, fsync, rename: readers see the old or the new file.
// An existing target keeps its permission bits.
Expected<void> WriteFileAtomically(const std::string& path, const std::string& text) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    auto written = ReplaceFileContents(
        path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    if (!written)
        return Logged("write", path, written.error());
    return {};
}

Expected<void> RemoveIfPresent(const std::string& path) {
    auto removed = RemoveFileIfPresent(path);
    if (!removed)
        return Logged("remove", path, removed.error());
    return {};
}

// Every step of a registration is tried; the first failure is what the caller gets.
class FirstFailure {
public:
    void Note(const Expected<void>& step) {
        if (!step && !first_)
            first_ = step.error();
    }
    Expected<void> Result() const {
        if (first_)
            return *first_;
        return {};
    }

private:
    std::optional<Error> first_;
};

// Runs a desktop database tool when it is installed, waiting for it, output discarded.
// Whether it exists or succeeds does not matter: the files are in place either way and
// the desktop reads them on its own next time.
void RunCacheTool(const char* tool, const std::string& folder) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return;
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string toolName = tool;
    std::string argument = folder;
    char* argv[] = {toolName.data(), argument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, tool, &actions, nullptr, argv, environ) == 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

bool Contains(const std::vector<std::string>& ids, const std::string& id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

FileAssociation::FileAssociation(std::string dataHome, std::string configHome)
    : dataHome_(std::move(dataHome)), configHome_(std::move(configHome)) {}

FileAssociation FileAssociation::FromEnvironment() {
    return FileAssociation(XdgFolder("XDG_DATA_HOME", ".local/share"), XdgFolder("XDG_CONFIG_HOME", ".config"));
}

std::string FileAssociation::MimePackagePath() const { return dataHome_ + "/mime/packages/" + MimePackageName; }
std::string FileAssociation::DesktopEntryPath() const { return dataHome_ + "/applications/" + DesktopId; }
std::string FileAssociation::IconPath() const { return dataHome_ + "/icons/hicolor/scalable/apps/keyquill.svg"; }
std::string FileAssociation::ConfigMimeAppsPath() const { return configHome_ + "/mimeapps.list"; }
std::string FileAssociation::DataMimeAppsPath() const { return dataHome_ + "/applications/mimeapps.list"; }

std::string FileAssociation::MimePackageText() { return kMimePackage; }

std::string FileAssociation::ExecArgument(const std::string& programPath) {
    // Quoting rules of the Exec key: reserved characters need the argument in double
    // quotes, inside which " ` $ and \ take a backslash.
    static constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string arg;
    if (programPath.find_first_of(reserved) == std::string::npos) {
        arg = programPath;
    } else {
        arg = "\"";
        for (char c : programPath) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                arg += '\\';
            arg += c;
        }
        arg += '"';
    }
    // Then the field-code rule (a literal % is %%) and the string-value escapes.
    std::string out;
    for (char c : arg) {
        switch (c) {
        case '%': out += "%%"; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

std::string FileAssociation::DesktopEntryText(const std::string& programPath) {
    return std::string(kDesktopEntryHead) + "Exec=" + ExecArgument(programPath) + " %f\n" + kDesktopEntryTail;
}

std::string FileAssociation::EffectiveDefault() const {
    // The user's configuration file comes first; the older per-user file under the data
    // folder counts only for types the first does not set.
    for (const std::string& path : {ConfigMimeAppsPath(), DataMimeAppsPath()}) {
        auto text = ReadSmallFile(path);
        if (!text || !*text)
            continue;
        std::vector<std::string> ids = MimeAppsList(**text).DefaultsFor(MimeType);
        if (!ids.empty())
            return ids.front();
    }
    return {};
}

bool FileAssociation::IsAssociated() const { return EffectiveDefault() == DesktopId; }

Expected<void> FileAssociation::Register(const std::string& programPath, const std::string& iconSvg) {
    FirstFailure failure;
    if (!iconSvg.empty())
        failure.Note(WriteFileAtomically(IconPath(), iconSvg));
    failure.Note(WriteFileAtomically(MimePackagePath(), MimePackageText()));
    RunCacheTool("update-mime-database", dataHome_ + "/mime");
    failure.Note(WriteFileAtomically(DesktopEntryPath(), DesktopEntryText(programPath)));
    RunCacheTool("update-desktop-database", dataHome_ + "/applications");

    const auto current = ReadSmallFile(ConfigMimeAppsPath());
    if (!current)
        return Logged("read", ConfigMimeAppsPath(), current.error());  // never overwrite a file we could not read whole
    const std::string text = current->value_or(std::string());
    MimeAppsList list(text);
    // Ours first; whatever was listed before stays behind it in its order, which is what
    // Unregister falls back to. Our own id is never kept as a "previous" default.
    std::vector<std::string> ids{DesktopId};
    for (const std::string& id : list.DefaultsFor(MimeType))
        if (id != DesktopId)
            ids.push_back(id);
    list.SetDefaults(MimeType, ids);
    if (list.Text() != text)
        failure.Note(WriteFileAtomically(ConfigMimeAppsPath(), list.Text()));
    return failure.Result();
}

Expected<void> FileAssociation::Unregister() {
    std::string current = EffectiveDefault();
    if (!current.empty() && current != DesktopId)
        return {};  // another program's association: not ours to touch

    FirstFailure failure;
    for (const std::string& path : {ConfigMimeAppsPath(), DataMimeAppsPath()}) {
        const auto text = ReadSmallFile(path);
        if (!text) {
            failure.Note(Logged("read", path, text.error()));
            continue;
        }
        if (!*text)
            continue;
        MimeAppsList list(**text);
        std::vector<std::string> ids = list.DefaultsFor(MimeType);
        if (!Contains(ids, DesktopId))
            continue;
        std::erase(ids, std::string(DesktopId));
        list.SetDefaults(MimeType, ids);
        failure.Note(WriteFileAtomically(path, list.Text()));
    }

    struct stat st {};
    bool hadPackage = ::stat(MimePackagePath().c_str(), &st) == 0;
    bool hadEntry = ::stat(DesktopEntryPath().c_str(), &st) == 0;
    failure.Note(RemoveIfPresent(MimePackagePath()));
    failure.Note(RemoveIfPresent(DesktopEntryPath()));
    failure.Note(RemoveIfPresent(IconPath()));
    if (hadPackage)
        RunCacheTool("update-mime-database", dataHome_ + "/mime");
    if (hadEntry)
        RunCacheTool("update-desktop-database", dataHome_ + "/applications");
    return failure.Result();
}

}  // namespace kyq

#include "platform/RuntimeFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/SystemErrorText.h"

namespace kyq {

namespace {

constexpr char kFolderName[] = "Tarnwick-KYQ";

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return {};
}

constexpr char kUnusable[] = "无法使用存放单实例文件的文件夹";

Error Refused(const std::string& detail, int code = 0) {
    return Error{kUnusable, detail, code};
}

Error SystemRefused(const std::string& folder) {
    const int code = errno;
    return Refused(folder + ": " + SystemErrorDetail(code), code);
}

// mkdir -p for the parents of a private folder; parents we create are private too.
void MakeParents(const std::string& folder) {
    for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
        ::mkdir(folder.substr(0, slash).c_str(), 0700);
}

}  // namespace

Expected<std::string> PrepareRuntimeFolder(const std::string& folder) {
    MakeParents(folder);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return SystemRefused(folder);
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0)
        return SystemRefused(folder);
    if (!S_ISDIR(st.st_mode))
        return Refused(folder + ": not a folder");
    if (st.st_uid != ::geteuid())
        return Refused(folder + ": owned by another user");
    if ((st.st_mode & 077) != 0)
        return Refused(folder + ": open to other users");
    return folder + "/";
}

Expected<std::string> PerUserRuntimeFolder() {
    std::string refused;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        auto r = PrepareRuntimeFolder(std::string(runtime) + "/" + kFolderName);
        if (r)
            return r;
        refused = r.error().Detail + "; ";
    }
    std::string cache;
    if (const char* c = std::getenv("XDG_CACHE_HOME"); c && c[0] == '/')
        cache = c;
    else if (std::string home = HomeFolder(); !home.empty())
        cache = home + "/.cache";
    if (cache.empty())
        return Refused(refused + "no home folder");
    auto r = PrepareRuntimeFolder(cache + "/" + kFolderName);
    if (!r)
        return Refused(refused + r.error().Detail, r.error().Code);
    return r;
}

namespace {

// Names come from the environment: anything may be in them, and they end up in a path.
std::string FileNamePart(std::string_view text) {
    constexpr size_t kLongest = 48;
    if (text.empty())
        return "none";
    std::string part;
    for (char c : text.substr(0, kLongest)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-';
        part += plain ? c : '_';
    }
    return part;
}

std::string_view WithoutScreen(std::string_view display) {
    const size_t colon = display.rfind(':');
    if (colon == std::string_view::npos)
        return display;
    const size_t dot = display.find('.', colon);
    return dot == std::string_view::npos ? display : display.substr(0, dot);
}

}  // namespace

std::string SessionFolderName(const char* sessionId, const char* waylandDisplay,
                              const char* x11Display) {
    // A Wayland session with Xwayland sets both: the Wayland one names it.
    std::string_view display;
    if (waylandDisplay && *waylandDisplay)
        display = waylandDisplay;
    else if (x11Display)
        display = WithoutScreen(x11Display);
    return "session-" + FileNamePart(sessionId ? sessionId : "") + "-" + FileNamePart(display);
}

std::string CurrentSessionFolderName() {
    return SessionFolderName(std::getenv("XDG_SESSION_ID"), std::getenv("WAYLAND_DISPLAY"),
                             std::getenv("DISPLAY"));
}

Expected<std::string> SessionRuntimeFolder() {
    auto user = PerUserRuntimeFolder();
    if (!user)
        return user;
    return PrepareRuntimeFolder(*user + CurrentSessionFolderName());
}

}  // namespace kyq

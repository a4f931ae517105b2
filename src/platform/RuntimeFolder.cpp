#include "platform/RuntimeFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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

// mkdir -p for the parents of a private folder; parents we create are private too.
void MakeParents(const std::string& folder) {
    for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
        ::mkdir(folder.substr(0, slash).c_str(), 0700);
}

}  // namespace

RuntimeFolderResult PrepareRuntimeFolder(const std::string& folder) {
    MakeParents(folder);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {{}, folder + ": " + std::strerror(errno)};
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0)
        return {{}, folder + ": " + std::strerror(errno)};
    if (!S_ISDIR(st.st_mode))
        return {{}, folder + ": not a folder"};
    if (st.st_uid != ::geteuid())
        return {{}, folder + ": owned by another user"};
    if ((st.st_mode & 077) != 0)
        return {{}, folder + ": open to other users"};
    return {folder + "/", {}};
}

RuntimeFolderResult PerUserRuntimeFolder() {
    std::string errors;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        RuntimeFolderResult r = PrepareRuntimeFolder(std::string(runtime) + "/" + kFolderName);
        if (!r.path.empty())
            return r;
        errors = r.error + "; ";
    }
    std::string cache;
    if (const char* c = std::getenv("XDG_CACHE_HOME"); c && c[0] == '/')
        cache = c;
    else if (std::string home = HomeFolder(); !home.empty())
        cache = home + "/.cache";
    if (cache.empty())
        return {{}, errors + "no home folder"};
    RuntimeFolderResult r = PrepareRuntimeFolder(cache + "/" + kFolderName);
    if (r.path.empty())
        r.error = errors + r.error;
    return r;
}

}  // namespace kyq

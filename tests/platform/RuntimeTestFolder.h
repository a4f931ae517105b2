// A fresh temporary folder standing in for $XDG_RUNTIME_DIR (and $XDG_CACHE_HOME) while a
// single-instance test runs; removed with everything in it afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "support/ScratchFolder.h"

namespace kyq::test {

class RuntimeTestFolder {
public:
    RuntimeTestFolder() {
        Save("XDG_RUNTIME_DIR", runtime_);
        Save("XDG_CACHE_HOME", cache_);
        ::setenv("XDG_RUNTIME_DIR", Runtime().c_str(), 1);
        ::setenv("XDG_CACHE_HOME", Cache().c_str(), 1);
    }
    ~RuntimeTestFolder() {
        Restore("XDG_RUNTIME_DIR", runtime_);
        Restore("XDG_CACHE_HOME", cache_);
    }
    RuntimeTestFolder(const RuntimeTestFolder&) = delete;
    RuntimeTestFolder& operator=(const RuntimeTestFolder&) = delete;

    std::string Runtime() const { return root_ + "/run"; }
    std::string Cache() const { return root_ + "/cache"; }
    // Where the program's folder lands in each case, trailing "/" included.
    std::string RuntimeFolder() const { return Runtime() + "/Tarnwick-KYQ/"; }
    std::string CacheFolder() const { return Cache() + "/Tarnwick-KYQ/"; }

private:
    struct Saved {
        bool had = false;
        std::string value;
    };
    static void Save(const char* name, Saved& s) {
        const char* v = ::getenv(name);
        s.had = v != nullptr;
        if (s.had)
            s.value = v;
    }
    static void Restore(const char* name, const Saved& s) {
        if (s.had)
            ::setenv(name, s.value.c_str(), 1);
        else
            ::unsetenv(name);
    }

    ScratchFolder folder_{"kyq-run"};
    const std::string root_ = folder_.Path().string();
    Saved runtime_, cache_;
};

}  // namespace kyq::test

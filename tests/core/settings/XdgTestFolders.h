// A throw-away home for file association tests: data and configuration folders under a
// fresh temporary folder, pointed at by XDG_DATA_HOME / XDG_CONFIG_HOME while it lives.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/ScratchFolder.h"

namespace kyq::test {

class XdgTestFolders {
public:
    XdgTestFolders() {
        Remember("XDG_DATA_HOME", savedData_, hadData_);
        Remember("XDG_CONFIG_HOME", savedConfig_, hadConfig_);
        ::setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
    }
    ~XdgTestFolders() {
        Restore("XDG_DATA_HOME", savedData_, hadData_);
        Restore("XDG_CONFIG_HOME", savedConfig_, hadConfig_);
    }
    XdgTestFolders(const XdgTestFolders&) = delete;
    XdgTestFolders& operator=(const XdgTestFolders&) = delete;

    std::string Root() const { return root_; }
    std::string DataHome() const { return root_ + "/data"; }
    std::string ConfigHome() const { return root_ + "/config"; }

    static void Write(const std::string& path, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

private:
    static void Remember(const char* name, std::string& saved, bool& had) {
        const char* v = ::getenv(name);
        had = v != nullptr;
        if (had)
            saved = v;
    }
    static void Restore(const char* name, const std::string& saved, bool had) {
        if (had)
            ::setenv(name, saved.c_str(), 1);
        else
            ::unsetenv(name);
    }

    ScratchFolder folder_{"kyq-xdg"};
    const std::string root_ = folder_.Path().string();
    std::string savedData_, savedConfig_;
    bool hadData_ = false, hadConfig_ = false;
};

}  // namespace kyq::test

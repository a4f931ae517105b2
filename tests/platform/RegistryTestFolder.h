// A private scratch folder for one test's registry hives, removed afterwards, so that no
// test ever touches the user's real configuration.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace kyq::testing {

class RegistryTestFolder {
public:
    RegistryTestFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kyq-reg-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
    }
    ~RegistryTestFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    RegistryTestFolder(const RegistryTestFolder&) = delete;
    RegistryTestFolder& operator=(const RegistryTestFolder&) = delete;

    // The hives live one level down, so that the store's creation of its folder is exercised.
    std::filesystem::path Hives() const { return root_ / "Tarnwick"; }
    const std::filesystem::path& Root() const { return root_; }

    std::string ReadFile(const std::string& name) const
    {
        std::ifstream in(Hives() / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::filesystem::create_directories(Hives());
        std::ofstream out(Hives() / name, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

private:
    std::filesystem::path root_;
};

}  // namespace kyq::testing

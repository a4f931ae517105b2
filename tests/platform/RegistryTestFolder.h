// A private scratch folder for one test's registry hives, removed afterwards, so that no
// test ever touches the user's real configuration.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "support/ScratchFolder.h"

namespace kyq::testing {

class RegistryTestFolder {
public:
    // The hives live one level down, so that the store's creation of its folder is exercised.
    std::filesystem::path Hives() const { return Root() / "Tarnwick"; }
    const std::filesystem::path& Root() const { return folder_.Path(); }

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
    test::ScratchFolder folder_{"kyq-reg"};
};

}  // namespace kyq::testing

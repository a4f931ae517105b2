// Fuzz target of the mimeapps.list editor, on any text. Beyond "no crash", it checks what
// the file association relies on: after setting the type's defaults they read back as
// set, the other types' defaults are untouched, setting twice is setting once, and
// removing the line again leaves the type without a default.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/MimeAppsList.h"

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

constexpr std::string_view kType = "application/x-keyquill";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kyq::MimeAppsList original(text);
    const std::vector<std::string> others = original.DefaultsFor("text/plain");

    kyq::MimeAppsList edited(text);
    const std::vector<std::string> ids{"keyquill.desktop", "vault.desktop"};
    edited.SetDefaults(kType, ids);
    Require(edited.DefaultsFor(kType) == ids);
    Require(edited.DefaultsFor("text/plain") == others);

    // Setting again changes nothing; removing the line restores a file that had none.
    kyq::MimeAppsList again(edited.Text());
    again.SetDefaults(kType, ids);
    Require(again.Text() == edited.Text());
    // Removing leaves the text as it was exactly when it had no line for the type.
    kyq::MimeAppsList cleared(text);
    cleared.SetDefaults(kType, {});
    if (cleared.Text() == text) {
        kyq::MimeAppsList removed(edited.Text());
        removed.SetDefaults(kType, {});
        Require(removed.DefaultsFor(kType).empty());
        Require(removed.DefaultsFor("text/plain") == others);
    }
    return 0;
}

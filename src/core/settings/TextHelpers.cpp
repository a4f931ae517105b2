#include "core/settings/TextHelpers.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <limits>
#include <vector>

#include "core/settings/Registry.h"

namespace kyq {

std::string PadNumber(int64_t number, int width)
{
    std::string text = std::to_string(number);
    // Zeros go in front of the whole text, sign included, as the stored forms always had
    // it; only the non-negative numbers of dates, versions and names are ever padded.
    if (width > 0 && text.size() < static_cast<size_t>(width))
        text.insert(0, static_cast<size_t>(width) - text.size(), '0');
    return text;
}

std::string BoolWord(bool value)
{
    return value ? "True" : "False";
}

int64_t LeadingNumber(const std::string& text)
{
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // Magnitudes beyond the range saturate rather than wrap.
    constexpr uint64_t Limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    uint64_t magnitude = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        const auto digit = static_cast<uint64_t>(text[pos] - '0');
        magnitude = magnitude > (Limit - digit) / 10 ? Limit : magnitude * 10 + digit;
        ++pos;
    }
    // A fraction rounds to the nearest integer, halves away from zero.
    if (pos + 1 < text.size() && text[pos] == '.' && text[pos + 1] >= '5' && text[pos + 1] <= '9' &&
        magnitude < Limit)
        ++magnitude;
    return negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
}

std::string WindowsUserName(RegistryStore& store)
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd pw {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name && found->pw_name[0] != '\0')
        return found->pw_name;
    for (const char* name : {"USER", "LOGNAME"}) {
        const char* value = std::getenv(name);
        if (value && value[0] != '\0')
            return value;
    }
    return ReadTextValue(store, Hive::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                         "RegisteredOwner");
}

}  // namespace kyq

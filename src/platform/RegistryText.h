// Reads and writes a hive in the text format of registry exports ("Windows Registry Editor
// Version 5.00", [key] sections, "name"="text", "name"=dword:0000001a, hex(..) data).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/RegistryHive.h"

namespace kyq {

// A hive file larger than this is treated as damaged and not read at all.
inline constexpr size_t MaxHiveBytes = 16u * 1024 * 1024;
// The largest value accepted: the UTF-8 text of a string (in whichever form it is written),
// or the bytes of any other type.
inline constexpr size_t MaxValueBytes = 1024u * 1024;

// What was wrong with a hive text: for the kinds from NoHeader on, with the first line that
// could not be read.
enum class HiveTextError {
    None,
    Unreadable,      // the file exists but could not be read (set by the store)
    TooLarge,        // more than MaxHiveBytes
    NoHeader,        // first line is not a known header (includes an empty file)
    Truncated,       // the last line has no line end: the file was cut short
    BadSection,      // a [key] line that is malformed or names an invalid key
    ForeignRoot,     // a [key] line that belongs to another hive
    TooDeep,         // a key path deeper than MaxKeyDepth
    ValueBeforeKey,  // a value line before the first [key] line
    BadValue,        // a value line that does not parse
    ValueTooLarge,   // value data beyond MaxValueBytes
};

struct HiveTextResult {
    // Every key and value that could be read, also when the text is damaged.
    RegistryHive hive;
    HiveTextError error = HiveTextError::None;  // the first fault found
    size_t line = 0;          // 1-based line of the first fault, 0 when none
    size_t damagedLines = 0;  // lines skipped because they could not be read
};

// rootName is the hive's own name ("HKEY_CURRENT_USER"); every section must lie below it.
// Never throws on any input. A damaged text is read as an import of an export would be:
// each line that cannot be read is skipped (a value's continuation lines with it, and the
// values under a [key] line that cannot be read, since they have no key to go to), and
// every other key and value is kept. The last line must end in a line end: without one
// the file was cut short there, and a cut value may look whole.
HiveTextResult ParseRegistryText(std::string_view bytes, std::string_view rootName);

// Whether the value can be written and read back within the limits above.
bool FitsInHive(const RegistryValue& value);

// The whole hive as UTF-8 text with "\n" line ends. Strings holding CR, LF or NUL (which the
// quoted form cannot carry) are written as hex(1) data, UTF-16LE with its terminator.
std::string FormatRegistryText(const RegistryHive& hive, std::string_view rootName);

}  // namespace kyq

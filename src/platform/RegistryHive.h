// One registry hive held in memory: a tree of keys with typed values, names compared
// ignoring letter case and spelled as first written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kyq {

struct RegistryValue {
    // String: UTF-8 text (may hold NULs). Number: a 32-bit value. Other: any type this
    // program does not use, kept byte for byte so that a rewrite does not lose it.
    enum class Kind { String, Number, Other };

    Kind kind = Kind::String;
    std::string text;
    uint32_t number = 0;
    std::string otherType;           // "hex", "hex(2)", ... for Kind::Other
    std::vector<uint8_t> otherBytes;  // for Kind::Other

    static RegistryValue String(std::string_view text);
    static RegistryValue Number(uint32_t number);
    bool operator==(const RegistryValue&) const = default;
};

// Limits that keep a damaged or hostile hive from exhausting the stack or memory.
inline constexpr size_t MaxKeyDepth = 512;
inline constexpr size_t MaxKeyNameBytes = 1024;
inline constexpr size_t MaxValueNameBytes = 65536;

// Key and value names compare ignoring ASCII letter case; other characters compare as
// they are (the names this program uses are ASCII).
std::string FoldName(std::string_view name);

// A key name may not be empty, hold "\" or a control character, or exceed MaxKeyNameBytes.
bool IsValidKeyName(std::string_view name);
// A value name ("" is the key's default value) may not hold CR, LF or NUL.
bool IsValidValueName(std::string_view name);

class RegistryKey {
public:
    explicit RegistryKey(std::string name = {});
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    const std::string& Name() const { return name_; }

    const RegistryKey* FindChild(std::string_view name) const;
    RegistryKey* FindChild(std::string_view name);
    // Returns the existing child (keeping its spelling) or a new one; nullptr for an
    // invalid name.
    RegistryKey* CreateChild(std::string_view name);
    bool RemoveChild(std::string_view name);
    size_t ChildCount() const { return children_.size(); }
    const RegistryKey& Child(size_t i) const { return *children_[i]; }

    const RegistryValue* FindValue(std::string_view name) const;
    // Keeps the spelling and the place of an existing value; false for an invalid name.
    bool SetValue(std::string_view name, RegistryValue value);
    bool RemoveValue(std::string_view name);
    size_t ValueCount() const { return values_.size(); }
    const std::string& ValueName(size_t i) const { return values_[i].name; }
    const RegistryValue& Value(size_t i) const { return values_[i].value; }

    bool operator==(const RegistryKey& other) const;

private:
    struct NamedValue {
        std::string name;
        RegistryValue value;
    };

    std::string name_;
    // Kept in the order of creation, so the saved file reads in a natural order.
    std::vector<std::unique_ptr<RegistryKey>> children_;
    std::unordered_map<std::string, size_t> childIndex_;
    std::vector<NamedValue> values_;
    std::unordered_map<std::string, size_t> valueIndex_;
};

// A key path is relative to the hive's root, with "\" between key names; empty parts
// (leading, trailing or doubled "\") are ignored. "" names the root key.
std::vector<std::string_view> SplitKeyPath(std::string_view keyPath);

class RegistryHive {
public:
    RegistryHive() = default;
    RegistryHive(RegistryHive&&) = default;
    RegistryHive& operator=(RegistryHive&&) = default;

    RegistryKey& Root() { return *root_; }
    const RegistryKey& Root() const { return *root_; }

    const RegistryKey* FindKey(std::string_view keyPath) const;
    RegistryKey* FindKey(std::string_view keyPath);
    // Creates the key with any missing parents; nullptr when a name is invalid or the
    // path is deeper than MaxKeyDepth.
    RegistryKey* CreateKey(std::string_view keyPath);
    // Removes the key with everything below it; the root itself cannot be removed.
    bool RemoveKey(std::string_view keyPath);

    const RegistryValue* FindValue(std::string_view keyPath, std::string_view valueName) const;
    bool SetValue(std::string_view keyPath, std::string_view valueName, RegistryValue value);
    bool RemoveValue(std::string_view keyPath, std::string_view valueName);

    bool operator==(const RegistryHive& other) const { return *root_ == *other.root_; }

private:
    std::unique_ptr<RegistryKey> root_ = std::make_unique<RegistryKey>();
};

}  // namespace kyq

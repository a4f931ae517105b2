#include "platform/RegistryHive.h"

#include "platform/Utf.h"

#include <algorithm>
#include <utility>

namespace kyq {

RegistryValue RegistryValue::String(std::string_view text)
{
    RegistryValue v;
    v.kind = Kind::String;
    v.text = std::string(text);
    return v;
}

RegistryValue RegistryValue::Number(uint32_t number)
{
    RegistryValue v;
    v.kind = Kind::Number;
    v.number = number;
    return v;
}

std::string FoldName(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

namespace {

// A name that is not UTF-8 would be written back as the bytes it came as, and a file that
// holds such bytes reads, the next time, as another encoding: names are UTF-8 or refused.
bool IsUtf8(std::string_view name)
{
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; }) ||
           Utf16ToUtf8(Utf8ToUtf16(name)) == name;
}

}  // namespace

bool IsValidKeyName(std::string_view name)
{
    if (name.empty() || name.size() > MaxKeyNameBytes)
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) {
                            return c == '\\' || static_cast<unsigned char>(c) < 0x20;
                        }) &&
           IsUtf8(name);
}

bool IsValidValueName(std::string_view name)
{
    if (name.size() > MaxValueNameBytes)
        return false;
    return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos &&
           IsUtf8(name);
}

RegistryKey::RegistryKey(std::string name) : name_(std::move(name)) {}

const RegistryKey* RegistryKey::FindChild(std::string_view name) const
{
    const auto it = childIndex_.find(FoldName(name));
    return it == childIndex_.end() ? nullptr : children_[it->second].get();
}

RegistryKey* RegistryKey::FindChild(std::string_view name)
{
    return const_cast<RegistryKey*>(std::as_const(*this).FindChild(name));
}

RegistryKey* RegistryKey::CreateChild(std::string_view name)
{
    if (!IsValidKeyName(name))
        return nullptr;
    auto [it, inserted] = childIndex_.try_emplace(FoldName(name), children_.size());
    if (inserted)
        children_.push_back(std::make_unique<RegistryKey>(std::string(name)));
    return children_[it->second].get();
}

bool RegistryKey::RemoveChild(std::string_view name)
{
    const auto it = childIndex_.find(FoldName(name));
    if (it == childIndex_.end())
        return false;
    const size_t at = it->second;
    children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(at));
    childIndex_.erase(it);
    for (auto& [folded, index] : childIndex_) {
        if (index > at)
            --index;
    }
    return true;
}

const RegistryValue* RegistryKey::FindValue(std::string_view name) const
{
    const auto it = valueIndex_.find(FoldName(name));
    return it == valueIndex_.end() ? nullptr : &values_[it->second].value;
}

bool RegistryKey::SetValue(std::string_view name, RegistryValue value)
{
    if (!IsValidValueName(name))
        return false;
    auto [it, inserted] = valueIndex_.try_emplace(FoldName(name), values_.size());
    if (inserted)
        values_.push_back(NamedValue{std::string(name), std::move(value)});
    else
        values_[it->second].value = std::move(value);
    return true;
}

bool RegistryKey::RemoveValue(std::string_view name)
{
    const auto it = valueIndex_.find(FoldName(name));
    if (it == valueIndex_.end())
        return false;
    const size_t at = it->second;
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(at));
    valueIndex_.erase(it);
    for (auto& [folded, index] : valueIndex_) {
        if (index > at)
            --index;
    }
    return true;
}

bool RegistryKey::operator==(const RegistryKey& other) const
{
    if (name_ != other.name_ || children_.size() != other.children_.size() ||
        values_.size() != other.values_.size())
        return false;
    for (size_t i = 0; i < values_.size(); ++i) {
        if (values_[i].name != other.values_[i].name || !(values_[i].value == other.values_[i].value))
            return false;
    }
    for (size_t i = 0; i < children_.size(); ++i) {
        if (!(*children_[i] == *other.children_[i]))
            return false;
    }
    return true;
}

std::vector<std::string_view> SplitKeyPath(std::string_view keyPath)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= keyPath.size()) {
        size_t end = keyPath.find('\\', start);
        if (end == std::string_view::npos)
            end = keyPath.size();
        if (end > start)
            parts.push_back(keyPath.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

const RegistryKey* RegistryHive::FindKey(std::string_view keyPath) const
{
    const RegistryKey* key = root_.get();
    for (std::string_view part : SplitKeyPath(keyPath)) {
        key = key->FindChild(part);
        if (!key)
            return nullptr;
    }
    return key;
}

RegistryKey* RegistryHive::FindKey(std::string_view keyPath)
{
    return const_cast<RegistryKey*>(std::as_const(*this).FindKey(keyPath));
}

RegistryKey* RegistryHive::CreateKey(std::string_view keyPath)
{
    const auto parts = SplitKeyPath(keyPath);
    if (parts.size() > MaxKeyDepth)
        return nullptr;
    // Check every name first so that a refused path leaves no half-made parents behind.
    if (!std::all_of(parts.begin(), parts.end(), IsValidKeyName))
        return nullptr;
    RegistryKey* key = root_.get();
    for (std::string_view part : parts)
        key = key->CreateChild(part);
    return key;
}

bool RegistryHive::RemoveKey(std::string_view keyPath)
{
    auto parts = SplitKeyPath(keyPath);
    if (parts.empty())
        return false;
    const std::string_view last = parts.back();
    parts.pop_back();
    RegistryKey* parent = root_.get();
    for (std::string_view part : parts) {
        parent = parent->FindChild(part);
        if (!parent)
            return false;
    }
    return parent->RemoveChild(last);
}

const RegistryValue* RegistryHive::FindValue(std::string_view keyPath,
                                             std::string_view valueName) const
{
    const RegistryKey* key = FindKey(keyPath);
    return key ? key->FindValue(valueName) : nullptr;
}

bool RegistryHive::SetValue(std::string_view keyPath, std::string_view valueName,
                            RegistryValue value)
{
    if (!IsValidValueName(valueName))
        return false;
    RegistryKey* key = CreateKey(keyPath);
    return key && key->SetValue(valueName, std::move(value));
}

bool RegistryHive::RemoveValue(std::string_view keyPath, std::string_view valueName)
{
    RegistryKey* key = FindKey(keyPath);
    return key && key->RemoveValue(valueName);
}

}  // namespace kyq

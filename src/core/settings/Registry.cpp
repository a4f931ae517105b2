#include "core/settings/Registry.h"

namespace kyq {

std::string ReadTextValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                          std::string_view valueName)
{
    const auto value = store.GetValue(hive, keyPath, valueName);
    if (!value || value->kind != RegistryValue::Kind::String)
        return {};
    // Another tool may have stored the terminator (or more) inside the data.
    const size_t nul = value->text.find('\0');
    return nul == std::string::npos ? value->text : value->text.substr(0, nul);
}

Expected<void> WriteTextValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                              std::string_view valueName, std::string_view text)
{
    return store.SetValue(hive, keyPath, valueName, RegistryValue::String(text));
}

int32_t ReadNumberValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                        std::string_view valueName)
{
    const auto value = store.GetValue(hive, keyPath, valueName);
    if (!value || value->kind != RegistryValue::Kind::Number)
        return 0;
    return static_cast<int32_t>(value->number);
}

Expected<void> WriteNumberValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                                std::string_view valueName, int32_t number)
{
    return store.SetValue(hive, keyPath, valueName, RegistryValue::Number(static_cast<uint32_t>(number)));
}

Expected<void> RemoveKey(RegistryStore& store, Hive hive, std::string_view keyPath)
{
    return store.DeleteKey(hive, keyPath);
}

Expected<void> RemoveValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                           std::string_view valueName)
{
    return store.DeleteValue(hive, keyPath, valueName);
}

}  // namespace kyq

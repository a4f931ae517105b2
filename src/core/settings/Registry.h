// The registry helpers every other unit uses for settings access. A failed read gives the
// value's default; a failed write changes nothing and says why (the store logs it too).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Expected.h"
#include "platform/RegistryStore.h"

namespace kyq {

// Text up to the first NUL; "" for a missing key or value or a value that is not a string.
std::string ReadTextValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                          std::string_view valueName);
// Creates the key and its parents as needed.
Expected<void> WriteTextValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                              std::string_view valueName, std::string_view text);
// 0 unless the value exists and is a 32-bit number.
int32_t ReadNumberValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                        std::string_view valueName);
Expected<void> WriteNumberValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                                std::string_view valueName, int32_t number);
// Deletes the key with all its values and subkeys.
Expected<void> RemoveKey(RegistryStore& store, Hive hive, std::string_view keyPath);
Expected<void> RemoveValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                           std::string_view valueName);

}  // namespace kyq

// The registry helpers every other unit uses for settings access. Failures leave nothing
// read or nothing changed; they never throw.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/RegistryStore.h"

namespace kyq {

// Text up to the first NUL; "" for a missing key or value or a value that is not a string.
std::string ReadTextValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                          std::string_view valueName);
// Creates the key and its parents as needed.
void WriteTextValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                    std::string_view valueName, std::string_view text);
// 0 unless the value exists and is a 32-bit number.
int32_t ReadNumberValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                        std::string_view valueName);
void WriteNumberValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                      std::string_view valueName, int32_t number);
// Deletes the key with all its values and subkeys.
void RemoveKey(RegistryStore& store, Hive hive, std::string_view keyPath);
void RemoveValue(RegistryStore& store, Hive hive, std::string_view keyPath,
                 std::string_view valueName);

}  // namespace kyq

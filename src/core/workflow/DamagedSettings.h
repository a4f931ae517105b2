// Telling the user, once at start-up, which settings file had lines that could not be read.
// The store keeps every other value of such a file and, at its first write, the file itself
// beside it as "<file>.damaged".
#pragma once

#include <vector>

#include "platform/RegistryStore.h"

namespace kyq {

class KyqApp;

// `damaged`: RegistryStore::DamagedHives(), asked before start-up writes any setting. Logs
// each file on standard error and shows one message box; nothing when none is damaged.
void ReportDamagedSettings(KyqApp& app, const std::vector<Hive>& damaged);

}  // namespace kyq

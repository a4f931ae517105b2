// The program's settings: typed fields with their defaults, loaded once, saved whole.
#pragma once

#include <cstdint>
#include <string>

#include "core/autofill/HotKey.h"
#include "platform/Expected.h"
#include "platform/RegistryStore.h"

namespace kyq {

class FillHistory;

inline constexpr char ProgramVersionText[] = "2.01.0026";
inline constexpr int ProgramMajor = 2;
inline constexpr int ProgramMinor = 1;
inline constexpr int ProgramBuild = 26;

struct AppSettings {
    HotKey hotKey;
    std::string LastFile;  // UTF-8 path
    uint8_t DblClick = 1;  // 1 = show the record, 2 = edit it
    int16_t Days = 60;     // expiry reminder; 0 = off
    bool AutoLoad = false;
    bool ClearClip = false;
    bool CloseMin = true;
    // The sealed format was chosen for the last new document or password change: the
    // choice the next new document starts with.
    bool Sealed = false;
    // The initial folder of the open/save dialogs (held here so the rules can be tested
    // without a window).
    std::string InitDir;
};

// programFolder: the executable's folder with its trailing "/".
void LoadSettings(AppSettings& settings, RegistryStore& store, const std::string& programFolder);
// Writes every value and the installation record in one atomic update of each hive, or
// says why not (the store has logged it). First sets settings.InitDir to the folder of
// LastFile.
Expected<void> SaveSettings(AppSettings& settings, RegistryStore& store,
                            const std::string& programFolder);
// Reads the older layout (values directly under Software\Tarnwick\KYQ) where present,
// keeps current values otherwise, then saves settings and history in the current layout.
Expected<void> MigrateOldSettings(AppSettings& settings, FillHistory& history,
                                  RegistryStore& store, const std::string& programFolder);

// Installed-version record of the machine hive ("" when missing).
std::string InstalledVersion(RegistryStore& store);
std::string InstalledPath(RegistryStore& store);

}  // namespace kyq

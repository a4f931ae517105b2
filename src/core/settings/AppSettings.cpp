#include "core/settings/AppSettings.h"

#include <cctype>
#include <limits>

#include "core/document/PathText.h"
#include "core/settings/FillHistory.h"
#include "core/settings/Registry.h"
#include "core/settings/TextHelpers.h"

namespace kyq {

namespace {

constexpr std::string_view ProgramKey = "Software\\Tarnwick\\KYQ";
constexpr std::string_view HotKeyKey = "Software\\Tarnwick\\KYQ\\Key";
constexpr std::string_view SettingKey = "Software\\Tarnwick\\KYQ\\Setting";

constexpr int32_t FlagOn = 1;
constexpr int32_t FlagOff = 2;
constexpr int32_t DefaultMainKey = 80;
constexpr int16_t DefaultDays = 60;
constexpr uint8_t DefaultDblClick = 1;

// A stored code of 0 (or none at all) means the flag's default; only 1 is on.
bool ReadFlag(RegistryStore& store, std::string_view name, int32_t defaultCode)
{
    int32_t code = ReadNumberValue(store, Hive::CurrentUser, HotKeyKey, name);
    if (code == 0)
        code = defaultCode;
    return code == FlagOn;
}

HotKey ReadHotKey(RegistryStore& store)
{
    HotKey key;
    key.Alt = ReadFlag(store, "Alt", FlagOn);
    key.Ctrl = ReadFlag(store, "Ctrl", FlagOn);
    key.Shift = ReadFlag(store, "Shift", FlagOff);
    key.Main = ReadNumberValue(store, Hive::CurrentUser, HotKeyKey, "Main");
    if (key.Main == 0)
        key.Main = DefaultMainKey;
    return key;
}

bool IsTrueWord(const std::string& text)
{
    static constexpr std::string_view True = "true";
    if (text.size() != True.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != True[i])
            return false;
    }
    return true;
}

// How one text value of the Setting key turns into its field. A number out of the field's
// range keeps the default, as a failed conversion always did.
struct TextSetting {
    std::string_view name;
    void (*apply)(AppSettings& settings, const std::string& text, const std::string& programFolder);
};

constexpr TextSetting TextSettings[] = {
    {"LastFile",
     [](AppSettings& s, const std::string& text, const std::string&) { s.LastFile = text; }},
    {"DblClick",
     [](AppSettings& s, const std::string& text, const std::string&) {
         const int64_t n = LeadingNumber(text);
         s.DblClick = n > 0 && n <= std::numeric_limits<uint8_t>::max() ? static_cast<uint8_t>(n)
                                                                         : DefaultDblClick;
     }},
    {"Days",
     [](AppSettings& s, const std::string& text, const std::string&) {
         const int64_t n = text.empty() ? DefaultDays : LeadingNumber(text);
         s.Days = n >= std::numeric_limits<int16_t>::min() && n <= std::numeric_limits<int16_t>::max()
                      ? static_cast<int16_t>(n)
                      : DefaultDays;
     }},
    {"AutoLoad",
     [](AppSettings& s, const std::string& text, const std::string&) { s.AutoLoad = IsTrueWord(text); }},
    {"ClearClip",
     [](AppSettings& s, const std::string& text, const std::string&) { s.ClearClip = IsTrueWord(text); }},
    {"CloseMin",
     [](AppSettings& s, const std::string& text, const std::string&) {
         s.CloseMin = text.empty() || IsTrueWord(text);
     }},
    {"Sealed",
     [](AppSettings& s, const std::string& text, const std::string&) { s.Sealed = IsTrueWord(text); }},
    {"InitDir",
     [](AppSettings& s, const std::string& text, const std::string& programFolder) {
         s.InitDir = text.empty() ? WithoutTrailingSlash(programFolder) : text;
     }},
};

}  // namespace

void LoadSettings(AppSettings& settings, RegistryStore& store, const std::string& programFolder)
{
    settings.hotKey = ReadHotKey(store);
    for (const TextSetting& setting : TextSettings)
        setting.apply(settings, ReadTextValue(store, Hive::CurrentUser, SettingKey, setting.name),
                      programFolder);
}

Expected<void> SaveSettings(AppSettings& settings, RegistryStore& store,
                            const std::string& programFolder)
{
    RegistryStore::Batch batch(store);
    settings.InitDir = FolderOfPath(settings.LastFile);
    Expected<void> saved;
    const auto number = [&](std::string_view name, int32_t value) {
        KeepFirstError(saved, WriteNumberValue(store, Hive::CurrentUser, HotKeyKey, name, value));
    };
    const auto text = [&](Hive hive, std::string_view key, std::string_view name,
                          const std::string& value) {
        KeepFirstError(saved, WriteTextValue(store, hive, key, name, value));
    };

    const HotKey& key = settings.hotKey;
    number("Alt", key.Alt ? FlagOn : FlagOff);
    number("Ctrl", key.Ctrl ? FlagOn : FlagOff);
    number("Shift", key.Shift ? FlagOn : FlagOff);
    number("Main", key.Main);

    text(Hive::CurrentUser, SettingKey, "DblClick", PadNumber(settings.DblClick, 0));
    text(Hive::CurrentUser, SettingKey, "AutoLoad", BoolWord(settings.AutoLoad));
    text(Hive::CurrentUser, SettingKey, "ClearClip", BoolWord(settings.ClearClip));
    text(Hive::CurrentUser, SettingKey, "CloseMin", BoolWord(settings.CloseMin));
    text(Hive::CurrentUser, SettingKey, "Days", PadNumber(settings.Days, 0));
    text(Hive::CurrentUser, SettingKey, "Sealed", BoolWord(settings.Sealed));
    text(Hive::CurrentUser, SettingKey, "InitDir", settings.InitDir);
    text(Hive::CurrentUser, SettingKey, "LastFile", settings.LastFile);

    const std::string version = PadNumber(ProgramMajor, 0) + "." + PadNumber(ProgramMinor, 2) +
                                "." + PadNumber(ProgramBuild, 4);
    text(Hive::LocalMachine, ProgramKey, "Version", version);
    text(Hive::LocalMachine, ProgramKey, "Path", WithTrailingSlash(programFolder));
    KeepFirstError(saved, batch.Commit());
    return saved;
}

Expected<void> MigrateOldSettings(AppSettings& settings, FillHistory& history,
                                  RegistryStore& store, const std::string& programFolder)
{
    // The installation record can be missing while the current layout holds the user's
    // settings (a machine hive that could not be written, say). So start from the current
    // layout and let only the values really found in the old place override it.
    LoadSettings(settings, store, programFolder);
    for (const TextSetting& setting : TextSettings) {
        const auto old = store.GetValue(Hive::CurrentUser, ProgramKey, setting.name);
        if (old && old->kind == RegistryValue::Kind::String)
            setting.apply(settings, ReadTextValue(store, Hive::CurrentUser, ProgramKey, setting.name),
                          programFolder);
    }
    LoadFillHistory(history, store);

    // One update: the old values go only together with the new layout's.
    RegistryStore::Batch batch(store);
    Expected<void> migrated;
    for (const TextSetting& setting : TextSettings)
        KeepFirstError(migrated, RemoveValue(store, Hive::CurrentUser, ProgramKey, setting.name));
    KeepFirstError(migrated, SaveSettings(settings, store, programFolder));
    KeepFirstError(migrated, SaveFillHistory(history, store));
    KeepFirstError(migrated, batch.Commit());
    return migrated;
}

std::string InstalledVersion(RegistryStore& store)
{
    return ReadTextValue(store, Hive::LocalMachine, ProgramKey, "Version");
}

std::string InstalledPath(RegistryStore& store)
{
    return ReadTextValue(store, Hive::LocalMachine, ProgramKey, "Path");
}

}  // namespace kyq

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

std::string WithoutTrailingSlash(const std::string& folder)
{
    if (folder.size() > 1 && folder.back() == '/')
        return folder.substr(0, folder.size() - 1);
    return folder;
}

std::string WithTrailingSlash(const std::string& folder)
{
    if (!folder.empty() && folder.back() == '/')
        return folder;
    return folder + '/';
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

void SaveSettings(AppSettings& settings, RegistryStore& store, const std::string& programFolder)
{
    RegistryStore::Batch batch(store);
    settings.InitDir = FolderOfPath(settings.LastFile);

    const HotKey& key = settings.hotKey;
    WriteNumberValue(store, Hive::CurrentUser, HotKeyKey, "Alt", key.Alt ? FlagOn : FlagOff);
    WriteNumberValue(store, Hive::CurrentUser, HotKeyKey, "Ctrl", key.Ctrl ? FlagOn : FlagOff);
    WriteNumberValue(store, Hive::CurrentUser, HotKeyKey, "Shift", key.Shift ? FlagOn : FlagOff);
    WriteNumberValue(store, Hive::CurrentUser, HotKeyKey, "Main", key.Main);

    WriteTextValue(store, Hive::CurrentUser, SettingKey, "DblClick", PadNumber(settings.DblClick, 0));
    WriteTextValue(store, Hive::CurrentUser, SettingKey, "AutoLoad", BoolWord(settings.AutoLoad));
    WriteTextValue(store, Hive::CurrentUser, SettingKey, "ClearClip", BoolWord(settings.ClearClip));
    WriteTextValue(store, Hive::CurrentUser, SettingKey, "CloseMin", BoolWord(settings.CloseMin));
    WriteTextValue(store, Hive::CurrentUser, SettingKey, "Days", PadNumber(settings.Days, 0));
    WriteTextValue(store, Hive::CurrentUser, SettingKey, "Sealed", BoolWord(settings.Sealed));
    WriteTextValue(store, Hive::CurrentUser, SettingKey, "InitDir", settings.InitDir);
    WriteTextValue(store, Hive::CurrentUser, SettingKey, "LastFile", settings.LastFile);

    const std::string version = PadNumber(ProgramMajor, 0) + "." + PadNumber(ProgramMinor, 2) +
                                "." + PadNumber(ProgramBuild, 4);
    WriteTextValue(store, Hive::LocalMachine, ProgramKey, "Version", version);
    WriteTextValue(store, Hive::LocalMachine, ProgramKey, "Path", WithTrailingSlash(programFolder));
}

void MigrateOldSettings(AppSettings& settings, FillHistory& history, RegistryStore& store,
                        const std::string& programFolder)
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

    RegistryStore::Batch batch(store);
    for (const TextSetting& setting : TextSettings)
        RemoveValue(store, Hive::CurrentUser, ProgramKey, setting.name);
    SaveSettings(settings, store, programFolder);
    SaveFillHistory(history, store);
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

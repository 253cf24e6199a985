// The ball count in its private profile file, whose name and section come
// from the saver's string table.
#include "settings/settings_file.h"

#include "resources/resource_ids.h"
#include "shell/saver_module.h"

namespace {
constexpr int SettingsSectionLength = 40;
constexpr int SettingsFileNameLength = 13;
constexpr char BallsKey[] = "balls";
char SettingsSection[SettingsSectionLength] = "telv";
} // namespace

LONG BallCount = DefaultBallCount;
char SettingsFileName[SettingsFileNameLength] = "";

// Fills both name buffers from the string table; every reader calls this
// right before it touches the file, so the names are never stale or empty.
void LoadSettingsNames()
{
    LoadStringA(SaverState.Instance, IDS_SETTINGS_SECTION, SettingsSection, SettingsSectionLength);
    LoadStringA(SaverState.Instance, IDS_SETTINGS_FILE, SettingsFileName, SettingsFileNameLength);
}

// The stored count as the profile reader gives it; 10 when the file, the
// section or the key is missing. Callers apply their own range rules.
LONG ReadStoredBallCount()
{
    return static_cast<LONG>(GetPrivateProfileIntA(SettingsSection, BallsKey, DefaultBallCount, SettingsFileName));
}

// Stores a count already formatted as decimal text.
void WriteStoredBallCount(const char *text)
{
    WritePrivateProfileStringA(SettingsSection, BallsKey, text, SettingsFileName);
}

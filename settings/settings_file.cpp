// The ball count and the smooth-motion switch in their private profile
// file, whose name and section come from the saver's string table.
#include "settings/settings_file.h"

#include "resources/resource_ids.h"
#include "shell/saver_module.h"

namespace {
constexpr int SettingsSectionLength = 40;
constexpr int SettingsFileNameLength = 13;
constexpr char BallsKey[] = "balls";
constexpr char SmoothKey[] = "smooth";
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

// Smooth motion is on unless the key holds 0; a missing file or key, or a
// value the dialog never writes, keeps the default.
BOOL ReadStoredSmoothMotion()
{
    return GetPrivateProfileIntA(SettingsSection, SmoothKey, 1, SettingsFileName) != 0;
}

// Stores the switch as 1 or 0.
void WriteStoredSmoothMotion(BOOL smooth)
{
    WritePrivateProfileStringA(SettingsSection, SmoothKey, smooth ? "1" : "0", SettingsFileName);
}

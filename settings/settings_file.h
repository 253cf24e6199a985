// The one stored setting, the ball count, in a private profile file.
#pragma once

#include <windows.h>

constexpr int SettingsSectionLength = 40;
constexpr int SettingsFileNameLength = 13;
constexpr LONG DefaultBallCount = 10;

// Balls in use; the dialog keeps its working value here too.
extern LONG BallCount;
extern char SettingsSection[SettingsSectionLength];
extern char SettingsFileName[SettingsFileNameLength];

void LoadSettingsNames();
LONG ReadStoredBallCount();
void WriteStoredBallCount(const char *text);

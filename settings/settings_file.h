// The one stored setting, the ball count, in a private profile file, and
// the range the count may take.
#pragma once

#include <windows.h>

constexpr LONG MinBallCount = 1;
constexpr LONG MaxBalls = 60;
constexpr LONG DefaultBallCount = 10;

// Balls in use; the dialog keeps its working value here too.
extern LONG BallCount;
// The settings file's name as the string table gives it, once loaded.
extern char SettingsFileName[];

void LoadSettingsNames();
LONG ReadStoredBallCount();
void WriteStoredBallCount(const char *text);

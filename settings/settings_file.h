// The stored settings, the ball count and smooth motion, in a private
// profile file, and the range the count may take.
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
// Whether the balls are drawn between the ticks too: on unless the file
// says 0, so a file from before the setting existed means on.
BOOL ReadStoredSmoothMotion();
void WriteStoredSmoothMotion(BOOL smooth);

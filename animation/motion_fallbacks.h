// When smooth motion gives way to the tick alone: the user's setting, a
// remote session, battery saver, and a machine that cannot keep up. Each
// cause is followed while the saver runs, and smooth motion comes back when
// it is gone.
#pragma once

#include <windows.h>

#include <cstdint>

// The system's states that stop the frames, read through these; a test puts
// readers of its own here to play states the test system cannot take.
typedef bool (*SystemStateReader)();
extern SystemStateReader RemoteSessionSource;
extern SystemStateReader BatterySaverSource;

// The causes, and the frames' time within the current second. Every field
// starts at the value beside it.
struct SmoothMotionRecord {
    BOOL Setting = FALSE;          // the stored choice, read at the start
    bool RemoteSession = false;
    bool BatterySaver = false;
    int64_t OverloadedUntil = 0;   // in frame-clock counts; 0 when never
    int64_t SecondStart = 0;       // the second whose frames are being added up
    int64_t SecondSpent = 0;
    HMODULE Sessions = nullptr;    // wtsapi32.dll while session changes are followed
};

// Reads the setting and the system's states at the start of the full-screen
// saver, and asks the system to tell `window` of session changes.
void StartFollowingCauses(SmoothMotionRecord &r, HWND window);
// Stops the session notifications and frees their library.
void StopFollowingCauses(SmoothMotionRecord &r, HWND window);

// Reads the session or the power state again after the system said it
// changed.
void ReadSessionState(SmoothMotionRecord &r);
void ReadPowerState(SmoothMotionRecord &r);

// Adds a frame that took `spent` counts, ending at `now`; true when the
// frames of the second have taken more than their share, which starts the
// rest of the overload.
bool NoteFrameCost(SmoothMotionRecord &r, int64_t spent, int64_t now);

// Whether frames may be drawn at `now` for every reason this file knows.
bool SmoothMotionAllowed(const SmoothMotionRecord &r, int64_t now);

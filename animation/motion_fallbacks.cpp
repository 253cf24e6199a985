// The causes that send smooth motion back to the tick alone, and the return
// when they are gone.
#include "animation/motion_fallbacks.h"

#include "animation/frame_clock.h"
#include "settings/settings_file.h"
#include "shell/system_library.h"

namespace {

// How long the frames of one second may take together, as a share of it,
// and how long the tick draws alone after they took longer.
constexpr int64_t FrameBudgetShare = 2;    // at most a half
constexpr int64_t OverloadRestSeconds = 10;

// A session shown on another machine: every frame would cross the network.
bool ReadRemoteSession()
{
    return GetSystemMetrics(SM_REMOTESESSION) != 0;
}

// The system's battery saver (Windows 10 and later); older systems leave the
// byte 0. Its header name differs between headers, so it is read by place:
// the fourth byte of the record.
bool ReadBatterySaver()
{
    SYSTEM_POWER_STATUS status = {};
    if (!GetSystemPowerStatus(&status))
        return false;
    return (reinterpret_cast<const BYTE *>(&status)[3] & 1) != 0;
}

// The session calls of wtsapi32 (Windows XP and later).
typedef BOOL(WINAPI *RegisterSessionProc)(HWND window, DWORD flags);
typedef BOOL(WINAPI *UnregisterSessionProc)(HWND window);
constexpr DWORD ThisSessionOnly = 0; // NOTIFY_FOR_THIS_SESSION

} // namespace

SystemStateReader RemoteSessionSource = ReadRemoteSession;
SystemStateReader BatterySaverSource = ReadBatterySaver;

// The setting, both states, and the session notifications where the system
// offers them; without them a session that changes is noticed at the next
// start.
void StartFollowingCauses(SmoothMotionRecord &r, HWND window)
{
    r = SmoothMotionRecord{};
    r.Setting = ReadStoredSmoothMotion();
    ReadSessionState(r);
    ReadPowerState(r);
    r.Sessions = LoadSystemLibrary("WTSAPI32.DLL");
    auto watch = r.Sessions == nullptr ? nullptr
                                       : reinterpret_cast<RegisterSessionProc>(reinterpret_cast<void *>(
                                             GetProcAddress(r.Sessions, "WTSRegisterSessionNotification")));
    if (watch == nullptr || !watch(window, ThisSessionOnly)) {
        if (r.Sessions != nullptr)
            FreeLibrary(r.Sessions);
        r.Sessions = nullptr;
    }
}

// Undoes the registration of StartFollowingCauses.
void StopFollowingCauses(SmoothMotionRecord &r, HWND window)
{
    if (r.Sessions == nullptr)
        return;
    auto unwatch = reinterpret_cast<UnregisterSessionProc>(
        reinterpret_cast<void *>(GetProcAddress(r.Sessions, "WTSUnRegisterSessionNotification")));
    if (unwatch != nullptr)
        unwatch(window);
    FreeLibrary(r.Sessions);
    r.Sessions = nullptr;
}

void ReadSessionState(SmoothMotionRecord &r)
{
    r.RemoteSession = RemoteSessionSource();
}

void ReadPowerState(SmoothMotionRecord &r)
{
    r.BatterySaver = BatterySaverSource();
}

// The frames share the window's thread with the tick and the input: frames
// that take more than half of a second leave those waiting, so the tick
// draws alone for a while before frames are tried again.
bool NoteFrameCost(SmoothMotionRecord &r, int64_t spent, int64_t now)
{
    const int64_t second = CountsPerSecond();
    if (now - r.SecondStart >= second) {
        r.SecondStart = now;
        r.SecondSpent = 0;
    }
    r.SecondSpent += spent;
    if (r.SecondSpent * FrameBudgetShare <= second)
        return false;
    r.OverloadedUntil = now + OverloadRestSeconds * second;
    r.SecondStart = now;
    r.SecondSpent = 0;
    return true;
}

// On by the setting, off for any cause present now.
bool SmoothMotionAllowed(const SmoothMotionRecord &r, int64_t now)
{
    return r.Setting && !r.RemoteSession && !r.BatterySaver && (r.OverloadedUntil == 0 || now >= r.OverloadedUntil);
}

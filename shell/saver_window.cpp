// The saver window, full screen or as a child of a preview host, its
// message loop, and the shell's rules for the window's system messages.
#include "shell/saver_window.h"

#include "resources/resource_ids.h"
#include "shell/password_library.h"
#include "shell/saver_module.h"

namespace {

constexpr char SaverClassName[] = "WindowsScreenSaverClass";
constexpr char FullScreenTitle[] = "Screen Saver";
constexpr char PreviewTitle[] = "Preview";
constexpr UINT SaverClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
constexpr DWORD FullScreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD PreviewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;

// The exit code when no saver window could be made: the mode could not do
// what it was started for, as with an unusable command line.
constexpr int NoSaverWindow = -1;

// How long the preview's host may take to answer a forwarded help request.
constexpr UINT HelpForwardTimeout = 2000;

// How often, in milliseconds, the preview makes sure that its host is still
// there.
constexpr DWORD HostCheckPeriod = 200;

// The window's place, size, look and title for its kind.
struct SaverWindowShape {
    int X;
    int Y;
    int Width;
    int Height;
    DWORD Style;
    DWORD ExtendedStyle;
    const char *Title;
};

// The full-screen window covers every monitor: the whole virtual screen,
// whose origin lies left of or above the primary monitor's top-left corner
// when a monitor stands there. Input on any monitor then reaches the close
// rules, and no other window can be used while the saver runs. With one
// monitor this is the screen itself.
SaverWindowShape FullScreenShape()
{
    return {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
            GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
            FullScreenStyle, 0, FullScreenTitle};
}

// Registers the saver's window class: black background, no cursor, and
// double clicks reported, so that only a first press reaches the close rules.
bool RegisterSaverClass()
{
    WNDCLASSA saverClass = {};
    saverClass.style = SaverClassStyle;
    saverClass.lpfnWndProc = SaverWindowProc;
    saverClass.hInstance = SaverState.Instance;
    saverClass.hIcon = LoadIconA(SaverState.Instance, MAKEINTRESOURCEA(IDI_SAVER));
    saverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    saverClass.lpszClassName = SaverClassName;
    return RegisterClassA(&saverClass) != 0;
}

// Brings an already running full-screen saver forward; true if there is one.
bool RaiseRunningSaver()
{
    HWND running = FindWindowA(SaverClassName, FullScreenTitle);
    if (running == nullptr || !IsWindow(running))
        return false;
    SetForegroundWindow(running);
    return true;
}

// Runs the message loop until WM_QUIT and returns the quit code. A failing
// GetMessageA ends the loop too rather than spinning on the error.
int RunMessageLoop()
{
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

// The process that made the host window, opened only to wait for its end;
// null when it cannot be opened.
HANDLE OpenHostProcess(HWND host)
{
    DWORD id = 0;
    GetWindowThreadProcessId(host, &id);
    return id != 0 ? OpenProcess(SYNCHRONIZE, FALSE, id) : nullptr;
}

// Ends the preview once its host window is gone. A host's destruction does
// not always reach a child window of another process (a host that is killed,
// or that goes before the child is fully made), so the preview destroys its
// own window, or, when that is gone already, ends the loop itself.
void EndWithHost()
{
    if (SaverState.SaverWindow != nullptr && IsWindow(SaverState.SaverWindow))
        DestroyWindow(SaverState.SaverWindow);
    else
        PostQuitMessage(0);
}

// The preview's message loop: it also wakes when the host's process ends,
// and at least every HostCheckPeriod, to look whether the host window still
// exists. Nothing is drawn or moved on these wake-ups.
int RunPreviewLoop(HWND host)
{
    HANDLE hostProcess = OpenHostProcess(host);
    MSG message = {};
    bool hostGone = false;
    for (;;) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                if (hostProcess != nullptr)
                    CloseHandle(hostProcess);
                return static_cast<int>(message.wParam);
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (!hostGone && !IsWindow(host)) {
            hostGone = true;
            EndWithHost();
            continue;
        }
        const DWORD handles = hostProcess != nullptr ? 1 : 0;
        if (MsgWaitForMultipleObjects(handles, &hostProcess, FALSE, HostCheckPeriod, QS_ALLINPUT) == WAIT_OBJECT_0 &&
            handles == 1) {
            // A process that has ended stays signalled: wait on it no more.
            CloseHandle(hostProcess);
            hostProcess = nullptr;
        }
    }
}

// Moves the full-screen window over the whole virtual screen as it is now.
void CoverVirtualScreen(HWND window)
{
    const SaverWindowShape shape = FullScreenShape();
    SetWindowPos(window, HWND_TOPMOST, shape.X, shape.Y, shape.Width, shape.Height, SWP_NOACTIVATE);
}

// The system's display-state calls, taken from user32, which every window
// program has loaded; null on systems that lack them.
FARPROC DisplayStateCall(const char *name)
{
    return GetProcAddress(GetModuleHandleA("USER32.DLL"), name);
}

// Asks the system to tell the window when the console's display goes off,
// dims or comes back, so that the animation rests while nobody sees it.
// Without the call the saver simply never rests.
void WatchDisplayState(HWND window)
{
    typedef HANDLE(WINAPI * RegisterProc)(HANDLE recipient, const GUID *setting, DWORD flags);
    constexpr DWORD RecipientIsWindow = 0;
    auto registerFor =
        reinterpret_cast<RegisterProc>(reinterpret_cast<void *>(DisplayStateCall("RegisterPowerSettingNotification")));
    if (registerFor != nullptr)
        SaverState.DisplayNotification = registerFor(window, &ConsoleDisplayState, RecipientIsWindow);
}

// Ends the display-state registration, if there is one.
void StopWatchingDisplayState()
{
    typedef BOOL(WINAPI * UnregisterProc)(HANDLE registration);
    auto unregister = reinterpret_cast<UnregisterProc>(
        reinterpret_cast<void *>(DisplayStateCall("UnregisterPowerSettingNotification")));
    if (SaverState.DisplayNotification != nullptr && unregister != nullptr)
        unregister(SaverState.DisplayNotification);
    SaverState.DisplayNotification = nullptr;
}

// Takes input methods off the saver window, so that no composition window
// appears over the saver, and marks where the cursor starts. The input
// method library is used only if the process has it already. The full
// screen watches the display's state.
void OnCreate(HWND window)
{
    SaverState.ImeLibrary = GetModuleHandleA("IMM32.DLL");
    if (SaverState.ImeLibrary != nullptr) {
        SaverState.AssociateContext = reinterpret_cast<AssociateContextProc>(
            reinterpret_cast<void *>(GetProcAddress(SaverState.ImeLibrary, "ImmAssociateContext")));
        if (SaverState.AssociateContext != nullptr)
            SaverState.SavedInputContext = SaverState.AssociateContext(window, nullptr);
    }
    GetCursorPos(&SaverState.CursorAnchor);
    if (!SaverState.IsPreview) {
        SetCursor(nullptr);
        WatchDisplayState(window);
    }
}

// Gives the input context back, stops watching the display and ends the
// message loop.
void OnDestroy(HWND window)
{
    StopWatchingDisplayState();
    if (SaverState.ImeLibrary != nullptr && SaverState.AssociateContext != nullptr &&
        SaverState.SavedInputContext != nullptr)
        SaverState.AssociateContext(window, SaverState.SavedInputContext);
    PostQuitMessage(0);
}

// In the preview, help and context-menu requests belong to the host. The
// help record that WM_HELP points to lives only while this message is being
// handled, and the system refuses to post a message that carries a pointer,
// so help is delivered synchronously: the system copies the record to the
// host, which may run in another process, and the record stays valid until
// the host has answered. The context menu carries only coordinates and is
// posted.
LRESULT ForwardToHost(HWND window, UINT message, LPARAM lParam)
{
    HWND host = GetParent(window);
    if (host == nullptr || !IsWindow(host))
        return 1;
    WPARAM hostHandle = reinterpret_cast<WPARAM>(host);
    if (message == WM_HELP) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(host, message, hostHandle, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                            HelpForwardTimeout, &answer);
    } else {
        PostMessageA(host, message, hostHandle, lParam);
    }
    return 1;
}

// The system commands that would switch away from the full-screen saver
// or start another one.
bool IsBlockedSystemCommand(WPARAM command)
{
    return command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE;
}

} // namespace

// Runs the saver window: full screen without a parent, as a preview child
// with one. Returns the mode's exit code.
int RunSaver(HWND parent)
{
    SaverWindowShape shape = {};
    if (parent != nullptr) {
        RECT client = {};
        GetClientRect(parent, &client);
        shape = {0, 0, client.right, client.bottom, PreviewStyle, 0, PreviewTitle};
        SaverState.IsPreview = 1;
    } else {
        shape = FullScreenShape();
        if (RaiseRunningSaver())
            return 0;
        LoadPasswordLibrary();
        shape.ExtendedStyle = WS_EX_TOPMOST;
    }

    if (RegisterSaverClass()) {
        SaverState.SaverWindow = CreateWindowExA(shape.ExtendedStyle, SaverClassName, shape.Title,
                                                 shape.Style, shape.X, shape.Y, shape.Width, shape.Height, parent,
                                                 nullptr, SaverState.Instance, nullptr);
    }

    int exitCode = NoSaverWindow;
    if (SaverState.SaverWindow != nullptr) {
        if (SaverState.IsPreview) {
            exitCode = RunPreviewLoop(parent);
        } else {
            SetForegroundWindow(SaverState.SaverWindow);
            exitCode = RunMessageLoop();
        }
    }
    UnloadPasswordLibrary();
    return exitCode;
}

// The saver window's procedure: the shell's rules first, then the
// animation's procedure for everything it lets through.
LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        break;
    case WM_DESTROY:
        OnDestroy(window);
        break;
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (SaverState.CloseApproved)
            return DefWindowProcA(window, message, wParam, lParam);
        if (!SaverState.IsPreview)
            SetCursor(nullptr);
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (SaverState.IsPreview)
            return ForwardToHost(window, message, lParam);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        if (SaverState.CloseApproved)
            return DefWindowProcA(window, message, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
        if (!SaverState.IsPreview && IsBlockedSystemCommand(wParam))
            return 0;
        break;
    case WM_TIMER:
        if (SaverState.CloseApproved)
            return 0;
        Sleep(0);
        break;
    case FrameMessage:
        if (SaverState.CloseApproved)
            return 0;
        break;
    case WM_DISPLAYCHANGE:
    case DpiChangedMessage:
        // A monitor came, went or changed its size or scale: the window
        // covers the new virtual screen before the animation lays out its
        // monitors again. The rectangle that a scale change suggests is
        // meant for a window on one monitor and is not taken.
        if (!SaverState.IsPreview)
            CoverVirtualScreen(window);
        break;
    default:
        break;
    }
    return ScreenSaverProc(window, message, wParam, lParam);
}

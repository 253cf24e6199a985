// What the test-built system libraries share: a call log that the test
// reads back, and the answers the test asks them to give. Both are named
// by environment variables that the test sets before it starts the saver.
#pragma once

#include <windows.h>

#include <cstdio>

// Appends one line to the log named by TELV_FAKE_LOG, if any.
inline void FakeLog(const char *line)
{
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("TELV_FAKE_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, lstrlenA(line), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
}

// The answer for the n-th call (0-based) from TELV_FAKE_ANSWERS; the last
// character repeats. '1' when nothing is set.
inline char FakeAnswer(int call)
{
    char answers[64];
    DWORD length = GetEnvironmentVariableA("TELV_FAKE_ANSWERS", answers, sizeof answers);
    if (length == 0 || length >= sizeof answers)
        return '1';
    return answers[call < static_cast<int>(length) ? call : static_cast<int>(length) - 1];
}

// The system's screen-saver-running state as this process sees it; the
// state belongs to the process that switched it.
inline int FakeRunningState()
{
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running ? 1 : 0;
}

// An access violation, as a faulty system library would raise it. The
// address is read at run time so that the compiler keeps a plain store.
inline void FakeFault()
{
    static volatile int *volatile nowhere = nullptr;
    *nowhere = 1;
}

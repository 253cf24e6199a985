// Real files in the test prefix's Windows directory, and the folder of
// the test program.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

// The folder of the running test program, without a trailing backslash;
// the build puts telv.scr and telvinst.exe beside it.
inline std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

inline std::string WindowsFilePath(const char *name)
{
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, MAX_PATH);
    std::string path = dir;
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path + name;
}

// Drops the profile cache so the next read sees the file as it is on disk.
inline void FlushProfileCache(const std::string &path)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

inline void WriteProfile(const std::string &path, const std::string &text)
{
    FlushProfileCache(path);
    FILE *f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    FlushProfileCache(path);
}

inline std::string ReadProfile(const std::string &path)
{
    std::string text;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    std::fclose(f);
    return text;
}

inline void RemoveProfile(const std::string &path)
{
    FlushProfileCache(path);
    DeleteFileA(path.c_str());
    FlushProfileCache(path);
}

// A test that starts and ends without the saver's settings file in the
// Windows directory, and writes the file's text as a user would.
#pragma once

#include "settings/settings_file.h"
#include "tests/test_files.h"

#include <gtest/gtest.h>

#include <string>

template <class Base = testing::Test>
class FreshSettingsFile : public Base {
protected:
    void SetUp() override
    {
        LoadSettingsNames();
        path = WindowsFilePath(SettingsFileName);
        RemoveProfile(path);
    }
    void TearDown() override { RemoveProfile(path); }

    // Leaves a file whose section "telv" holds the given text under "balls".
    void StoreBalls(const std::string &balls) { WriteProfile(path, "[telv]\r\nballs=" + balls + "\r\n"); }

    std::string path;
};

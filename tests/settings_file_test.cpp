// The stored ball count, on real profile files in the Windows directory.
#include "settings/settings_file.h"
#include "tests/settings_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using SettingsFile = FreshSettingsFile<>;

TEST_F(SettingsFile, NamesComeFromTheStringTable)
{
    EXPECT_STREQ(SettingsSection, "telv");
    EXPECT_STREQ(SettingsFileName, "telv1.ini");
}

TEST_F(SettingsFile, MissingFileReadsTen)
{
    EXPECT_EQ(ReadStoredBallCount(), 10);
}

TEST_F(SettingsFile, StoredCountInSectionTelvIsRead)
{
    StoreBalls("30");
    EXPECT_EQ(ReadStoredBallCount(), 30);
}

TEST_F(SettingsFile, SameKeyInAnotherSectionIsIgnored)
{
    WriteProfile(path, "[other]\r\nballs=30\r\n");
    EXPECT_EQ(ReadStoredBallCount(), 10);
}

TEST_F(SettingsFile, WriteLeavesTheLineInSectionTelv)
{
    WriteStoredBallCount("7");
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, SettingsFileName);
    const std::string text = ReadProfile(path);
    EXPECT_NE(text.find("[telv]"), std::string::npos) << text;
    EXPECT_NE(text.find("balls=7"), std::string::npos) << text;
    EXPECT_EQ(ReadStoredBallCount(), 7);
}

TEST_F(SettingsFile, WriteKeepsOtherSectionsAndKeys)
{
    WriteProfile(path, "[other]\r\nballs=3\r\n[telv]\r\ncolour=red\r\nballs=30\r\n");
    WriteStoredBallCount("12");
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, SettingsFileName);
    EXPECT_EQ(ReadStoredBallCount(), 12);
    EXPECT_EQ(GetPrivateProfileIntA("other", "balls", 0, SettingsFileName), 3u);
    char colour[16] = {};
    GetPrivateProfileStringA("telv", "colour", "", colour, sizeof colour, SettingsFileName);
    EXPECT_STREQ(colour, "red");
}

// Whatever a user leaves in the file gives a defined integer.
struct StoredText {
    const char *value;
    LONG expected;
};

using SettingsFileValues = FreshSettingsFile<testing::TestWithParam<StoredText>>;

TEST_P(SettingsFileValues, ReadsADefinedCount)
{
    StoreBalls(GetParam().value);
    EXPECT_EQ(ReadStoredBallCount(), GetParam().expected) << "balls=" << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(UserText, SettingsFileValues,
    testing::Values(StoredText{"42", 42}, StoredText{"-3", -3}, StoredText{"0", 0},
        StoredText{"abc", 0}, StoredText{"", 10}, StoredText{"12ab", 12},
        StoredText{"  25", 25}, StoredText{"+5", 5}));

TEST(SettingsFileHuge, HugeNumberGivesAnIntegerWithoutCrashing)
{
    LoadSettingsNames();
    const std::string path = WindowsFilePath(SettingsFileName);
    WriteProfile(path, "[telv]\r\nballs=99999999999999999999\r\n");
    const LONG count = ReadStoredBallCount();
    // The profile reader saturates or wraps; either way the animation's and
    // the dialog's range rules then apply to a plain integer.
    EXPECT_TRUE(count > 60 || count < 1) << count;
    RemoveProfile(path);
}

} // namespace

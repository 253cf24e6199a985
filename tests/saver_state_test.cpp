// The shell state's starting values.
#include "shell/saver_module.h"

#include <gtest/gtest.h>

TEST(SaverState, StartsZeroButThresholdAndVerifyTick)
{
    const SaverShellState s{};
    EXPECT_EQ(s.Instance, nullptr);
    EXPECT_EQ(s.SaverWindow, nullptr);
    EXPECT_EQ(s.IsPreview, 0);
    EXPECT_EQ(s.CloseApproved, 0);
    EXPECT_EQ(s.Verifying, 0);
    EXPECT_EQ(s.PasswordLibrary, nullptr);
    EXPECT_EQ(s.VerifyPassword, nullptr);
    EXPECT_EQ(s.ImeLibrary, nullptr);
    EXPECT_EQ(s.AssociateContext, nullptr);
    EXPECT_EQ(s.SavedInputContext, nullptr);
    EXPECT_EQ(s.MouseMoveThreshold, 4u);
    EXPECT_EQ(s.LastVerifyTick, 0xFFFFFFFFu);
    EXPECT_EQ(s.CursorAnchor.x, 0);
    EXPECT_EQ(s.CursorAnchor.y, 0);
}

TEST(SaverState, ProcessRecordStartsFromInitialValues)
{
    // The test entry has stored the instance, as WinMain does; nothing else
    // has touched the record yet.
    EXPECT_EQ(SaverState.Instance, GetModuleHandleA(nullptr));
    SaverShellState copy = SaverState;
    copy.Instance = nullptr;
    const SaverShellState initial{};
    EXPECT_EQ(0, memcmp(&copy, &initial, sizeof copy));
    EXPECT_EQ(VerifyPasswordMessage, 0x8000u);
}

// Entry of every test program: the production code finds its resources
// through SaverState.Instance, as it does in the saver itself.
#include "shell/saver_module.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    SaverState.Instance = GetModuleHandleA(nullptr);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

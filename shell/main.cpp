// The saver program's entry.
#include "shell/saver_state.h"

// Stores the instance for every resource loader. The run modes are chosen
// from the command line here.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    SaverState.Instance = instance;
    return 0;
}

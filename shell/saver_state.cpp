#include "shell/saver_state.h"

SaverShellState SaverState = InitialSaverState;

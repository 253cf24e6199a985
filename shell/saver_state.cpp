#include "shell/saver_module.h"

SaverShellState SaverState;

// The installer's message boxes, in the user's display language.
#pragma once

#include <windows.h>

// Shows the box with the caption and text of these string ids, without
// owner; the button pressed (0 when the box could not be shown).
int ShowMessage(UINT captionId, UINT textId, UINT type);

// The same, with the text's %s replaced by the path (in the system's code
// page).
int ShowPathMessage(UINT captionId, UINT textId, const char *path, UINT type);

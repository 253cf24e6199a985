// Resource identifiers of the saver, grouped by range.
#pragma once

// Strings: 1 is the name the display settings list; 1000s belong to the
// settings file.
#define IDS_DESCRIPTION 1
#define IDS_SETTINGS_FILE 1001
#define IDS_SETTINGS_SECTION 1007

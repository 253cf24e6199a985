// Resource identifiers of the saver, grouped by range.
#pragma once

// Strings: 1 is the name the display settings list; 1000s belong to the
// settings file.
#define IDS_DESCRIPTION 1
#define IDS_SETTINGS_FILE 1001
#define IDS_SETTINGS_SECTION 1007

// Bitmaps: the ball frames 1 to 6, the portraits 11 to 21; the tile and the
// preview picture go by the names "L1" and "PREV".
#define IDB_BALL_FIRST 1
#define IDB_BALL_LAST 6
#define IDB_PORTRAIT_FIRST 11
#define IDB_PORTRAIT_LAST 21

// The configuration dialog and its controls.
#define IDD_CONFIGURE 2003
#define IDC_SPINNER 30
#define IDC_BALLS_GROUP 101
#define IDC_COPYRIGHT 105
#define IDC_EMAIL 106
#define IDC_WEB 107
#define IDC_COUNT 1001

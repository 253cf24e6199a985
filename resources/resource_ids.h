// Resource identifiers of the saver, shared by the resource scripts and the
// code, grouped by range.
#pragma once

// Strings: 1 is the name the display settings list; 1000s belong to the
// settings file.
#define IDS_DESCRIPTION 1
#define IDS_SETTINGS_FILE 1001
#define IDS_SETTINGS_SECTION 1007

// The window class asks for this icon. The saver carries none of this id, so
// the class has no icon and the system draws its own.
#define IDI_SAVER 100

// The saver's own icon group (a football), the file's icon in the shell.
#define IDI_TELV 1

// Bitmaps: the background tile and the preview picture go by name, the ball
// frames by 1 to 6 and the portraits by 11 to 21. The resource compiler
// takes a name as a bare word (a quoted one would run into the file name
// before it); the code takes it as a string.
#ifdef RC_INVOKED
#define IDB_TILE L1
#define IDB_PREVIEW PREV
#else
#define IDB_TILE "L1"
#define IDB_PREVIEW "PREV"
#endif
#define IDB_BALL_FIRST 1
#define IDB_BALL_LAST 6
#define IDB_PORTRAIT_FIRST 11
#define IDB_PORTRAIT_LAST 21

// The same pictures drawn at 200 %: the tile, the preview picture and the
// portraits 211 to 221.
#define IDB_TILE_200 201
#define IDB_PREVIEW_200 202
#define IDB_PORTRAIT_200_FIRST 211
#define IDB_PORTRAIT_200_LAST 221

// Ball frame k (1 to 6) drawn for scale step s (1 = 125 % .. 8 = 300 %, 25 %
// apart, 40 + 10 s pixels square): IDB_BALL_SCALED_BASE + 10 * s + k.
#define IDB_BALL_SCALED_BASE 300
#define BALL_SCALE_STEPS 8

// The ball's turn in 24 frames, 3 degrees apart. Turn frame t (0 to 23) of
// scale step s (0 = 100 %, then as above): every fourth, t = 4 (k - 1), is
// ball frame k above; the others are IDB_BALL_TURN_BASE + 24 * s + t.
#define IDB_BALL_TURN_BASE 400
#define BALL_TURN_FRAMES 24

// The configuration dialog and its controls.
#define IDD_CONFIGURE 2003
#define IDC_SPINNER 30
#define IDC_BALLS_GROUP 101
#define IDC_COPYRIGHT 105
#define IDC_EMAIL 106
#define IDC_WEB 107
#define IDC_COUNT 1001
// Below the original controls: frames between the ticks, or the tick alone.
#define IDC_SMOOTH 108

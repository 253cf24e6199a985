// Resource identifiers of the installer, shared by its resource scripts and
// its code: the texts of its message boxes, one string block (96 to 111).
#pragma once

#define IDS_INSTALL_CAPTION 100
#define IDS_INSTALL_QUESTION 101
#define IDS_OVERWRITE_QUESTION 102
#define IDS_INSTALL_ABORTED 103
#define IDS_WRITE_ERROR 104
#define IDS_SAVER_INSTALLED 105
#define IDS_UNINSTALL_CAPTION 106
#define IDS_REMOVE_QUESTION 107
#define IDS_SAVER_REMOVED 108
#define IDS_REMOVE_ERROR 109

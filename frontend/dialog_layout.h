/* The front end's dialogs: rectangles in dialog units (x, y, width, height)
   and captions, for every window layer. Plain macros, so that the Windows
   resource compiler reads this file as the C++ code does. */
#ifndef FENWOLD_DIALOG_LAYOUT_H
#define FENWOLD_DIALOG_LAYOUT_H

/* Main window: caption "Fenwold", 344 x 207. */
#define FENWOLD_MAIN_SIZE 344, 207
#define FENWOLD_MAIN_CAPTION "Fenwold"
#define FENWOLD_FILE_LABEL_RECT 10, 15, 316, 8
#define FENWOLD_OPEN_RECT 10, 36, 104, 37
#define FENWOLD_OPEN_CAPTION "Open TALVEX File"
#define FENWOLD_FILE_INFO_RECT 119, 36, 104, 37
#define FENWOLD_FILE_INFO_CAPTION "File Info"
#define FENWOLD_QUICK_VIEW_RECT 230, 36, 104, 37
#define FENWOLD_QUICK_VIEW_CAPTION "Quick View"
#define FENWOLD_GROUP_RECT 10, 96, 324, 72
#define FENWOLD_GROUP_CAPTION "Conversion Output"
#define FENWOLD_CONVERT_RECT 53, 115, 104, 37
#define FENWOLD_CONVERT_CAPTION "Convert File"
#define FENWOLD_SUDS_CAPTION "SUDS"
#define FENWOLD_MINISEED_CAPTION "Mini-SEED"
#define FENWOLD_ASCII_MULTI_CAPTION "ASCII multi-channel"
#define FENWOLD_ASCII_ONE_CAPTION "ASCII one-channel"
#define FENWOLD_SUDS_RECT 198, 110, 36, 10
#define FENWOLD_MINISEED_RECT 198, 123, 50, 10
#define FENWOLD_ASCII_MULTI_RECT 198, 134, 77, 10
#define FENWOLD_ASCII_ONE_RECT 198, 147, 75, 10
#define FENWOLD_CLOSE_RECT 147, 188, 50, 14
#define FENWOLD_CLOSE_CAPTION "Close"
/* What a working child is doing, between the buttons and the group. */
#define FENWOLD_WORK_LABEL_RECT 10, 75, 268, 9
#define FENWOLD_PROGRESS_RECT 10, 84, 268, 10
#define FENWOLD_CANCEL_RECT 284, 78, 50, 14

/* About box: 226 x 101. */
#define FENWOLD_ABOUT_SIZE 226, 101
#define FENWOLD_ABOUT_CAPTION "About Fenwold"
#define FENWOLD_ABOUT_MENU_ITEM "&About Fenwold..."
#define FENWOLD_ABOUT_ICON_RECT 11, 10, 24, 24
#define FENWOLD_ABOUT_NAME_LOGO_RECT 45, 8, 80, 22
#define FENWOLD_ABOUT_TRACE_LOGO_RECT 133, 8, 82, 22
#define FENWOLD_ABOUT_VERSION_RECT 45, 36, 170, 16
#define FENWOLD_ABOUT_VERSION_TEXT "Fenwold Version 1.4"
/* The version line and, below it, the tool set's (needs talvex_version.h). */
#define FENWOLD_ABOUT_VERSION_LINES                                                                \
    FENWOLD_ABOUT_VERSION_TEXT "\nTALVEX tool set " TALVEX_TOOLSET_VERSION
#define FENWOLD_ABOUT_NOTICE_RECT 45, 54, 170, 20
#define FENWOLD_ABOUT_NOTICE_TEXT                                                                  \
    "Opens, views and converts TALVEX recorder files.\nFree software of the TALVEX tool set."
#define FENWOLD_ABOUT_OK_RECT 169, 80, 50, 14

/* Info window: caption "TALVEX Data File Info", 451 x 225. */
#define FENWOLD_INFO_SIZE 451, 225
#define FENWOLD_INFO_CAPTION "TALVEX Data File Info"
#define FENWOLD_INFO_FILE_RECT 7, 33, 351, 10
#define FENWOLD_INFO_HEADER_RECT 7, 57, 437, 8
#define FENWOLD_INFO_LIST_RECT 7, 67, 437, 113

#endif

// Resource identifiers of the stub: dialog templates, their controls, the program icon and
// the string table. Shared by the resource script (windres) and the dialog code, so it holds
// only #define lines.
#pragma once

// ---- templates and icon -------------------------------------------------------------------
#define IDI_PROGRAM 3
#define IDD_ABOUT 100
#define IDD_TEXT_VIEWER 104
#define IDD_PASSWORD 105
#define IDD_OVERWRITE 106
#define IDD_FULL_LAYOUT 1000
#define IDD_COMPACT_LAYOUT 1001

// ---- main dialog --------------------------------------------------------------------------
#define IDC_ABOUT_BUTTON 1000
#define IDC_INFO_BUTTON 1002
#define IDC_DIRECTORY 1007
#define IDC_BANNER 1008
#define IDC_EXTRACTED 1009
#define IDC_REQUIRED 1010
#define IDC_FREE 1011
#define IDC_PROGRESS_NAME 1012
#define IDC_SUBDIRS 1013
#define IDC_RUN_AFTER 1014
#define IDC_EXTENSIONS 1015
#define IDC_STATUS_WORD 1016
#define IDC_SPACE_FRAME 1018
#define IDC_OVERWRITE_ASK 1019
#define IDC_OVERWRITE_ALL 1020
#define IDC_OVERWRITE_NEVER 1021
#define IDC_MESSAGES 1022
#define IDC_WARNINGS 1023
#define IDC_PROGRAM_GROUP 1024
#define IDC_EXTRACTED_LABEL 1028
#define IDC_WARNINGS_LABEL 1029
#define IDC_PROGRESS_MARK 1031
#define IDC_TEST_BUTTON 1032
#define IDC_DRIVE_LABEL 1091

// The common dialog's own controls (the folder and drive lists are used; the rest stay hidden).
#define IDC_CD_HELP 1038          /* pshHelp */
#define IDC_CD_READONLY 1040      /* chx1 */
#define IDC_CD_DIRECTORY_TEXT 1088 /* stc1 */
#define IDC_CD_TYPE_LABEL 1089    /* stc2 */
#define IDC_CD_NAME_LABEL 1090    /* stc3 */
#define IDC_CD_FILE_LIST 1120     /* lst1 */
#define IDC_FOLDER_LIST 1121      /* lst2 */
#define IDC_CD_TYPE_LIST 1136     /* cmb1 */
#define IDC_DRIVE_LIST 1137       /* cmb2 */
#define IDC_CD_NAME 1152          /* edt1 */

// ---- secondary dialogs --------------------------------------------------------------------
#define IDC_QUESTION_TEXT 1004     /* overwrite question; also the text viewer's field */
#define IDC_VIEWER_TEXT 1004
#define IDC_PASSWORD_EDIT 1005
#define IDC_YES_TO_ALL 1008
#define IDC_NO_TO_ALL 1017
#define IDC_PASSWORD_NAME 1024
#define IDC_QUESTION_ICON 1101
#define IDC_ABOUT_LINE1 1140
#define IDC_ABOUT_LINE2 1141
#define IDC_SKIP_ALL 3

// ---- string table -------------------------------------------------------------------------
#define IDS_BANNER 1
#define IDS_ABOUT_LINE1 2
#define IDS_ABOUT_LINE2 3
#define IDS_TITLE 4
#define IDS_CREATE_DIRECTORY 10
#define IDS_CANNOT_CREATE 11
#define IDS_QUIT 12
#define IDS_STATUS_TESTED 20
#define IDS_STATUS_WARNING 21
#define IDS_STATUS_EXTRACTED 22
#define IDS_STATUS_SKIPPED 23
#define IDS_STATUS_TESTING 24
#define IDS_OVERWRITE_EXISTING 30
#define IDS_OVERWRITE_NEW 31
#define IDS_LAST_DISK 32
#define IDS_DISK_N 33
// The desktop steps' notices and the registry class of DDE associations (570 and 571).
#define IDS_GROUP_ERROR 560
#define IDS_DDE_DISCONNECTED 561
#define IDS_DDE_ERROR 562
#define IDS_EXTENSION_ERROR 563
#define IDS_CLASS_NAME 570
#define IDS_CLASS_DESCRIPTION 571

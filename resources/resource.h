// Resource identifiers of the program. Numbers are fixed: other windows and the tray refer to them.
#pragma once

// Dialogs
#define IDD_ABOUTBOX 100
#define IDD_SKIN_DIALOG 134  // the skinned dialogs' template: no controls, sized by the skin
#define IDD_HELP 102
#define IDD_BACKUPS 103

// Strings
#define IDS_ABOUTBOX 101

// Icons
#define IDR_MAINFRAME 128
#define IDI_TRAY 132

// The built-in help page (type HTML)
#define IDR_HELP_PAGE 180

// Menus
#define IDR_TRAY_MENU 140
#define IDR_LIST_MENU 171
#define IDR_RESULT_MENU 172  // the result list's: the list menu's items and the row's own

// Commands
#define ID_TRAY_OPEN 32771
#define ID_TRAY_EXIT 32773
#define ID_TRAY_QUICKSCAN 32778
#define ID_TRAY_BACKUPS 32779
#define ID_LIST_SELECT_ALL 32780
#define ID_LIST_DESELECT_ALL 32781
#define ID_TRAY_ABOUT 32790
#define ID_RESULT_KEEP 32795
#define ID_RESULT_REGEDIT 32796
#define ID_RESULT_FOLDER 32797

// Controls of the About dialog
#define IDC_ABOUT_ICON 1000
#define IDC_ABOUT_VERSION 1001

// Controls of the help window
#define IDC_HELP_TEXT 1010

// Controls of the backups window (Restore is IDOK, Close is IDCANCEL)
#define IDC_BACKUPS_FOLDER 1020
#define IDC_BACKUPS_LIST 1021
#define IDC_BACKUPS_EXPORT 1022
#define IDC_BACKUPS_DELETE 1023

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

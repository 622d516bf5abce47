// Resource identifiers of the program.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_MAIN 102

// Icon and bitmaps
#define IDR_MAINFRAME 128
#define IDB_BUTTON_DOWN 131
#define IDB_BUTTON_UP 132

// Controls of the main window
#define IDC_RUN 1000
#define IDC_PROGRESS 1001
#define IDC_LOG 1002
#define IDC_REBOOT_NOTE 1003

// System menu command of the About box (the low four bits are ignored)
#define IDM_ABOUTBOX 0x0010

// String table
#define IDS_ABOUTBOX 101
#define IDS_CONFIRM_REMOVE_ALL 102
#define IDS_CAPTION_ALERT 103
#define IDS_OS_PREFIX 104
#define IDS_OS_UNSUPPORTED 105
#define IDS_CAPTION_ERROR 106
#define IDS_NO_INSTALL_PATH 107
#define IDS_CONFIRM_DELETE 108
#define IDS_CONFIRM_DELETE_FILES 109
#define IDS_DONE_NO_PATH 110
#define IDS_LOG_START 111
#define IDS_STEP_SCRIPT_ENGINES 112
#define IDS_STEP_REGISTRY 113
#define IDS_STEP_SERVICES 114
#define IDS_STEP_INSTALLER 115
#define IDS_STEP_FILES 116
#define IDS_NOT_ADMIN 117
#define IDS_SHORTCUT_ANTIVIRUS 118
#define IDS_SHORTCUT_FIREWALL 119
#define IDS_SHORTCUT_ANTISPY 120
#define IDS_MENU_SECURITY_2006 121
#define IDS_SUFFIX_SUCCESS 122
#define IDS_SUFFIX_FAILURE 123
#define IDS_SUFFIX_NOT_DONE 124
#define IDS_ASK_RESTART 125
#define IDS_SHORTCUT_SECURITY 126
#define IDS_SHORTCUT_SECURITY_2006P 127
#define IDS_MENU_SECURITY_2006P 128
#define IDS_MENU_SECURITY 129
#define IDS_VISTA_SHORTCUT 132
// The preview's closing message: the count of items and where the report is, or that it could not be written
#define IDS_PREVIEW_DONE 133
#define IDS_PREVIEW_NO_REPORT 134

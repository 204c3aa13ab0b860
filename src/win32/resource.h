// The resource identifiers of the Windows window: the dialogs, controls,
// menu, strings and pictures as the definition numbers them, and the few
// the program adds (the handheld wait, the password prompt, the larger
// pictures for high-density screens). Shared by the resource script and
// the code, so it holds #define lines only.
#pragma once

// Dialogs.
#define IDD_ABOUTBOX 100
#define IDD_SELECTION 102
#define IDD_PROGRESS 165
#define IDD_AGREEMENT 168
#define IDD_DEVICE_WAIT 200
#define IDD_PASSWORD 201

// Menu, icons, pictures.
#define IDR_MAINMENU 129
#define IDR_ACCELERATORS 129
#define IDI_PROGRAM 128
#define IDI_ONHANDHELD 140
#define IDB_BOTTOM_LOGO 130
#define IDB_BOTTOM_LOGO_2X 131
#define IDB_TOP_LOGO 162
#define IDB_TOP_LOGO_2X 163

// Strings.
#define IDS_ABOUT_DIALER 101
#define IDS_CITY 102
#define IDS_NUMBER 103
#define IDS_NO_SOCKETS 167
#define IDS_OK 174
#define IDS_CANCEL 901
#define IDS_NOTICE 1001
#define IDS_ACCEPT 2001
#define IDS_REJECT 2002
#define IDS_INITIALIZING 2404
#define IDS_UPDATING 2500

// The selection window.
#define IDC_COUNTRY 1001
#define IDC_STATE 1002
#define IDC_CITY 1003
#define IDC_AREA_CODE 1007
#define IDC_MAIN_LIST 1011
#define IDC_HANDHELD_LIST 1013
#define IDC_CLEAR 1029
#define IDC_TOP_LOGO 1109
#define IDC_BOTTOM_LOGO 1112
#define IDC_BACK 1179
#define IDC_TO_HANDHELD 1180
#define IDC_SELECT_ALL 1181
#define IDC_SAVE 1183
#define IDC_STATUS 1186
#define IDC_COUNTER 1187
// Its labels and groups, numbered so that they can be moved with the
// controls they name.
#define IDC_COUNTRY_LABEL 1301
#define IDC_STATE_LABEL 1302
#define IDC_CITY_LABEL 1303
#define IDC_AREA_CODE_LABEL 1307
#define IDC_MAIN_GROUP 1311
#define IDC_HANDHELD_GROUP 1313
#define IDC_COUNTER_LABEL 1387

// The About window (the picture is 1112 there too).
#define IDC_ABOUT_VERSION 1113
#define IDC_ABOUT_PROFILE 1123
#define IDC_ABOUT_PHONEBOOK 1124
#define IDC_ABOUT_NOTICE 1133

// The agreement.
#define IDC_AGREEMENT_TEXT 1130

// The progress window: the defined status line and bar, and what the
// program adds after a run: why it failed (and why the log did not
// open), and the log.
#define IDC_PROGRESS_STATUS 1019
#define IDC_PROGRESS_BAR 1116
#define IDC_PROGRESS_REASON 1401
#define IDC_PROGRESS_OPEN_LOG 1402

// The handheld wait and the password prompt.
#define IDC_WAIT_TEXT 1501
#define IDC_PASSWORD_PROMPT 1502
#define IDC_PASSWORD 1503

// Commands: the menu's, the defined update command, the system menu's
// About item.
#define IDM_HELP_CONTENTS 32771
#define IDM_HELP_ABOUT 32772
#define IDM_UPDATE 32783
#define IDM_SYSTEM_ABOUT 16

// The definition's window messages from the update worker (user range base
// 1024) and the program's own.
#define WM_UPDATE_PROGRESS 1124
#define WM_UPDATE_TEXT 1125
#define WM_UPDATE_DONE 1127
#define WM_FINISH_OPENING 1200

// Timers of the selection window: the definition's area-code timer and the
// one that settles a typed choice.
#define TIMER_AREA_CODE 1124
#define TIMER_SETTLE_CHOICE 1125

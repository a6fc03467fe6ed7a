#pragma once

// Resource and command ids. The numbers are the program's own since its first version; pages,
// menus and the soft-key bars refer to each other by them.

// String table.
constexpr int IDS_TITLE = 1;
constexpr int IDS_TOOLS = 3;
constexpr int IDS_BACK = 4;
constexpr int IDS_CLOSE = 5;
constexpr int IDS_CANCEL = 6;
constexpr int IDS_LOGIN = 7;
constexpr int IDS_OK = 8;
constexpr int IDS_ADD = 9;
constexpr int IDS_SAVE = 103;

// Menus and soft-key menu-bar records.
constexpr int IDR_MAIN_MENU = 102;         // main window: Tools
constexpr int IDR_COMMAND_MENU = 136;      // command screen: Tools, Back
constexpr int IDR_PASSWORD_BAR = 130;      // Login, Cancel
constexpr int IDR_CLOSE_BAR = 129;         // Help and About: Close
constexpr int IDR_OPTIONS_BAR = 139;       // Save, Cancel
constexpr int IDR_FIRST_RUN_BAR = 154;     // OK
constexpr int IDR_ADD_COMPUTER_BAR = 155;  // Add, Cancel

// Dialog templates.
constexpr int IDD_ABOUT = 105;
constexpr int IDD_OPTIONS = 131;
constexpr int IDD_PASSWORD = 132;
constexpr int IDD_COMMAND_SCREEN = 133;
constexpr int IDD_HELP = 134;
constexpr int IDD_FIRST_RUN = 136;
constexpr int IDD_ADD_COMPUTER = 137;

// Bitmaps.
constexpr int IDB_MONITOR_SMALL = 134;
constexpr int IDB_MONITOR_LARGE = 153;
constexpr int IDB_DORMO_SMALL = 146;
constexpr int IDB_DORMO_MEDIUM = 152;
constexpr int IDB_SLEEP_SMALL = 147;
constexpr int IDB_SLEEP_MEDIUM = 148;
constexpr int IDB_HIBERNATE_SMALL = 143;
constexpr int IDB_HIBERNATE_MEDIUM = 149;
constexpr int IDB_LOCK_SMALL = 144;
constexpr int IDB_LOCK_MEDIUM = 151;
constexpr int IDB_RESTART_SMALL = 138;
constexpr int IDB_RESTART_MEDIUM = 150;

// Icon.
constexpr int IDI_DORMO = 101;

// Commands. IDOK and IDCANCEL are the usual 1 and 2.
constexpr int IDOK_COMMAND = 1;
constexpr int IDCANCEL_COMMAND = 2;
constexpr int IDM_CLOSE = 32771;
constexpr int IDM_OPTIONS = 32777;
constexpr int IDM_ABOUT = 32778;
constexpr int IDM_HELP = 32779;
constexpr int IDM_BACK = 32782;
constexpr int IDM_SAVE = 32784;
constexpr int IDM_FEEDBACK = 32786;
constexpr int IDM_CHECK_UPDATES = 32787;
constexpr int IDM_ADD_COMPUTER = 32788;
constexpr int IDM_REMOVE_COMPUTER = 32789;

// Controls.
constexpr int IDC_LIST_VIEW = 10001;
constexpr int IDC_HEADER = 10002;
constexpr int IDC_ABOUT_HEADER = 10003;
constexpr int IDC_COMMAND_LIST = 10004;
constexpr int IDC_PASSWORD_CAPTION = 10005;
constexpr int IDC_ABOUT_ICON = 201;
constexpr int IDC_ABOUT_VERSION = 202;
constexpr int IDC_ABOUT_CREDIT_MAKER = 203;
constexpr int IDC_ABOUT_CREDIT_PORTIONS = 204;
constexpr int IDC_ABOUT_BUILD = 205;
constexpr int IDC_SAVE_PASSWORDS = 1000;
constexpr int IDC_DELETE_PASSWORDS = 1001;
constexpr int IDC_PASSWORD_EDIT = 1002;
constexpr int IDC_FORGET_COMPUTERS = 1003;
constexpr int IDC_CONFIRM_COMMANDS = 1004;
constexpr int IDC_HELP_TEXT = 1008;
constexpr int IDC_DONT_SHOW_AGAIN = 1010;
constexpr int IDC_COMPUTER_NAME = 1011;
constexpr int IDC_COMPUTER_ADDRESS = 1012;
constexpr int IDC_COMPUTER_PORT = 1013;
constexpr int IDC_COMPUTER_NAME_LABEL = 1014;
constexpr int IDC_COMPUTER_ADDRESS_LABEL = 1015;
constexpr int IDC_COMPUTER_PORT_LABEL = 1016;
constexpr int IDC_FIRST_RUN_TEXT = 32785;

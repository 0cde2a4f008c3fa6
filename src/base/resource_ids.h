// The ids of the launcher's resources: pages, their controls, strings,
// bitmaps and the embedded package. Read by windres over the .rc files, by the
// C++ code and by the tests (the end-to-end harness parses it), so it holds
// nothing but #define lines of a name and a number, and comments.
// The standard ids keep the Windows names: IDOK, IDCANCEL, IDC_STATIC.
// No include guard: a repeated identical #define is harmless.

// ---- Pages ----
#define IDD_WELCOME 110
#define IDD_WELCOME_UPDATE 112  // the welcome page's update variant, never shown
#define IDD_CHANGE_FOLDER 113
#define IDD_SETUP_COMPLETE 117
#define IDD_SETUP_ERROR 118
#define IDD_PLUGIN_DISABLED 119
#define IDD_RESTORE_SECURITY 120
#define IDD_PROGRESS 4003

// ---- Controls every page has ----
#define IDC_BANNER 2040
#define IDC_WHITE_AREA 1014
// Back on the pages that have it; also the code those pages end with.
#define IDC_BACK 1029

// ---- Welcome page (IDD_WELCOME, IDD_WELCOME_UPDATE) ----
#define IDC_WELCOME_TITLE 1016
#define IDC_WELCOME_TEXT 1017
#define IDC_WELCOME_NOTE 1019
#define IDC_WELCOME_DATA_LINK 487001
#define IDC_WELCOME_LICENSE_LINK 487002
#define IDC_CHANGE_FOLDER_BOX 1025

// ---- Destination page (IDD_CHANGE_FOLDER) ----
#define IDC_FOLDER_HEADING 1031
#define IDC_FOLDER_HINT 1032
#define IDC_FOLDER_INSTALL_TO 1033
#define IDC_FOLDER_PATH 1034
#define IDC_FOLDER_CHANGE 1028

// ---- Completion page (IDD_SETUP_COMPLETE) ----
// Standard header.
#define IDC_COMPLETE_ICON 3035
#define IDC_COMPLETE_TITLE 3037
// Sponsor header; the two unused controls stay hidden.
#define IDC_COMPLETE_SPONSOR_TITLE 3049
#define IDC_COMPLETE_SPONSOR_UNUSED 3050
#define IDC_COMPLETE_SPONSOR_ICON 3051
#define IDC_COMPLETE_SPONSOR_ICON_UNUSED 3052
// Texts, links and the browser-restart row.
#define IDC_COMPLETE_UPDATE_TEXT 3038
#define IDC_COMPLETE_UPDATE_LINK 3041
#define IDC_COMPLETE_SECURITY_TEXT 3045
#define IDC_COMPLETE_SECURITY_LINK 3046
#define IDC_COMPLETE_VERIFY_TEXT 3039
#define IDC_COMPLETE_RESTART_BOX 3044
#define IDC_COMPLETE_SAVE_WORK 3043

// ---- Error page (IDD_SETUP_ERROR) ----
#define IDC_ERROR_ICON 3065
#define IDC_ERROR_TITLE 3067
#define IDC_ERROR_CODE 3071
#define IDC_ERROR_HELP_TEXT 3068
#define IDC_ERROR_HELP_LINK 3069

// ---- Browser content notice (IDD_PLUGIN_DISABLED) ----
#define IDC_PLUGIN_TITLE 5001
#define IDC_PLUGIN_TEXT 5002

// ---- Security prompts page (IDD_RESTORE_SECURITY) ----
#define IDC_RESTORE_TITLE 6002
#define IDC_RESTORE_TEXT 6003
#define IDC_RESTORE_MORE_LINK 6005
#define IDC_RESTORE_BOX 6001

// ---- Progress page (IDD_PROGRESS) ----
#define IDC_PROGRESS_PICTURE 4004
#define IDC_PROGRESS_STATUS 4006
#define IDC_PROGRESS_BAR 4005

// ---- Bitmaps ----
#define IDB_BANNER 2041
#define IDB_SUCCESS 3036
#define IDB_ERROR 3066
#define IDB_PROGRESS 4007

// ---- Strings ----
// Message boxes of the main flow.
#define IDS_WARNING_CAPTION 115
#define IDS_INSTALL_RUNNING_CAPTION 116
#define IDS_INSTALL_RUNNING 117
#define IDS_NEWER_WINDOWS_NEEDED 120
// Welcome page and the cancel question of the first pages.
#define IDS_LICENSE_ADDRESS 2035
#define IDS_DATA_ADDRESS 2036
#define IDS_WELCOME_TITLE 2037
#define IDS_WELCOME_TEXT 2039
#define IDS_CANCEL_QUESTION 2042
#define IDS_SETUP_CAPTION 2043
// Destination page: the folder browser's title.
#define IDS_BROWSE_TITLE 2046
// An installation already on the computer.
#define IDS_STATIC_INSTALLED 2047
#define IDS_NEWER_BUILD_INSTALLED 2048
#define IDS_NEWER_BUILD_CAPTION 2049
#define IDS_ALREADY_INSTALLED_CAPTION 2050
// Completion page.
#define IDS_COMPLETE_TITLE 2056
#define IDS_RESTART_CAPTION 2061
#define IDS_RESTART_QUESTION 2062
#define IDS_UPDATE_ADDRESS 2063
#define IDS_SPONSOR_TITLE_TOOLBAR 2064
#define IDS_SPONSOR_TITLE_SEARCH 2065
// Error page; the help address is in the English table only.
#define IDS_HELP_ADDRESS 3070
#define IDS_ERROR_CODE_FORMAT 3072
// Configuration errors and their message box's caption.
#define IDS_CONFIG_ERROR_CAPTION 3073
#define IDS_ERROR_PATH_TOO_LONG 3074
#define IDS_ERROR_OPEN_FILE 3075
#define IDS_ERROR_NOT_PLAIN_TEXT 3076
#define IDS_ERROR_INVALID_PATH 3077
#define IDS_ERROR_PERMISSIONS 3078
#define IDS_ERROR_MALFORMED_LINE 3079
#define IDS_ERROR_WRITE_CONFIG 3080
#define IDS_ERROR_READ_FILE 3081
#define IDS_ERROR_INTERNAL 3082
#define IDS_ERROR_RENAME_MESSAGE 3083
#define IDS_ERROR_REMOVE_MESSAGE 3084
#define IDS_ERROR_INVALID_PARAMETER 3086
#define IDS_ERROR_PATH_NOT_PLAIN_TEXT 3087
#define IDS_ERROR_FILE_TOO_LONG 3088
#define IDS_ERROR_SWITCHES 3089
// What /? and /help show.
#define IDS_SWITCHES_HELP 3091
// SHA-256 of the language's sponsor picture, 64 lower-case hex digits; made by the build.
#define IDS_PROMO_PICTURE_DIGEST 4008
// Security prompts page; in the English table only.
#define IDS_RESTORE_ADDRESS 6006

// ---- The embedded package ----
// The runtime's package (type ORUN_INSTALLER) and its SHA-256 (type
// ORUN_INSTALLER_SHA256) share this id.
#define IDR_RUNTIME_PACKAGE 103
// The auto-update component's package (type ORUN_INSTALLER).
#define IDR_AU_PACKAGE 105

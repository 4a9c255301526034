// Control IDs of the dialog templates, shared by the resource script and the dialog code.
// Anything that drives the program from outside (the end-to-end driver) relies on these.
#pragma once

// MAINDIALOG
#define IDC_PATH_LABEL 100
#define IDC_EXTRACT_PATH 101
#define IDC_SELECT_ALL 121
#define IDC_UNSELECT_ALL 122
#define IDC_FILE_LIST 301
#define IDC_STORED_PATHS 401
#define IDC_POLICY_OVERWRITE 501
#define IDC_POLICY_SKIP 502
#define IDC_POLICY_CONFIRM 503
#define IDC_STATUS 601

// PASSWD
#define IDC_PASSWORD 101

// FILEEXIST (Yes and No are IDOK and IDCANCEL)
#define IDC_QUESTION 101
#define IDC_DONT_ASK_AGAIN 401

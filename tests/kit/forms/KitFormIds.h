#pragma once
// Dialogs the kit's tests drive: a form with one control of each kind the
// robot works, a two-page property sheet, and a notice that looks like a
// message box but is the program's own.
#define IDD_KIT_FORM 100
#define IDD_KIT_PAGE1 101
#define IDD_KIT_PAGE2 102
#define IDD_KIT_NOTICE 103

#define IDC_NAME 1001
#define IDC_LEVEL 1002
#define IDC_ENABLE 1003
#define IDC_APPLY 1004
#define IDC_RATE 1005
#define IDC_SOURCES 1006
#define IDC_QUIET 1007
#define IDC_TABS 1008
#define IDC_STATUS 1009

#define IDC_PAGE_EDIT 1101
#define IDC_PAGE_CHECK 1102

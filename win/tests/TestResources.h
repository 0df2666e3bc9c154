#pragma once
// Ids of the resources built into the test program.
#define IDS_CAPTION 1
#define IDS_SET_PARAM_FAILED 9
#define IDS_LONG 20

#define IDD_DIALOG 100
#define IDD_PAGE_ONE 101
#define IDD_PAGE_TWO 102
#define IDC_NAME 1001
#define IDC_NUMBER 1002

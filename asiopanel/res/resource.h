#pragma once
// Resource, string and control ids of asiopanel.exe.

#define IDM_ABOUTBOX 0x0010  // system-menu command, below 0xF000
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_LATENCY_RESERVATION 102
#define IDR_MAINFRAME 128

// Label of button 1021 with each interface selected; the board tabs are
// this word and the board number.
#define IDS_ALL_UNUSED_BY_EASI_GSIF 110
#define IDS_ALL_UNUSED_BY_ASIO_GSIF 111
#define IDS_ALL_UNUSED_BY_ASIO_EASI 112
#define IDS_BOARD_TAB 113
#define IDS_STORE_FAILED 114

#define IDC_LATENCY_44K 1000
#define IDC_LATENCY_EDIT 1001
#define IDC_LATENCY_SPIN 1002
#define IDC_BOARD_TAB 1004
#define IDC_LATENCY_48K 1005
#define IDC_ALL 1017
#define IDC_NONE 1018
#define IDC_ALL_UNUSED 1021
#define IDC_EASI 1027
#define IDC_ASIO 1032
#define IDC_GSIF 1037

// Labels hidden with the latency controls.
#define IDC_BLOCKS_LABEL 1040
#define IDC_44K_LABEL 1041
#define IDC_48K_LABEL 1042

// The grid: input bit n is checkbox IDC_INPUT_BIT0 + n (0-7 interface A,
// 8-15 interface B); output bit n is IDC_OUTPUT_BIT0 + n (16-17 monitor).
#define IDC_INPUT_BIT0 1100
#define IDC_OUTPUT_BIT0 1200

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

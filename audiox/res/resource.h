#pragma once
// Resource, string and control ids of quorvix.dll.

// Registry scripts (resource type REGISTRY) and the type library.
#define IDR_MIXER 101
#define IDR_EQPAGE 132
#define IDR_TYPELIB 1

// Element names. The numbered ones run 16 per board: first + 16 * board + k,
// k 0-7 interface A channels 1-8, k 8-15 interface B channels 1-8.
#define IDS_MONITOR_OUT 103
#define IDS_INTERNAL_CLOCK 107
#define IDS_STREAM_OUT_1 112
#define IDS_STREAM_OUT_2 113
#define IDS_MONITOR_BUS 114
#define IDS_PHYSICAL_IN_FIRST 145
#define IDS_PHYSICAL_OUT_FIRST 209
#define IDS_INPUT_CHANNEL_FIRST 273
#define IDS_OUTPUT_CHANNEL_FIRST 337
#define IDS_INPUT_STREAM_FIRST 401

// The equaliser page.
#define IDS_EQ_TITLE 134
#define IDD_EQPAGE 133
#define IDC_EQ_BYPASS 201
#define IDC_EQ_PEAKING 202
#define IDC_EQ_BANDPASS 203
#define IDC_EQ_FREQUENCY 204
#define IDC_EQ_GAIN 205
#define IDC_EQ_Q 206
#define IDC_EQ_FREQUENCY_TEXT 207
#define IDC_EQ_GAIN_TEXT 208
#define IDC_EQ_Q_TEXT 209
#define IDC_STATIC -1
